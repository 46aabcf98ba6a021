#include "tools/vtbcheck/code_pages.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <map>
#include <memory>

namespace vtbcheck {
namespace {

// A code page through iconv: "CP932" and the like, as the C library names them.
// What one run of iconv made of its input.
struct Converted {
    std::string Out;
    int Error = 0;         // what stopped it; 0 at the end of the input
    std::size_t Used = 0;  // bytes of the input converted
};

Converted Convert(iconv_t cd, std::string_view in) {
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    Converted result;
    result.Out.assign(in.size() * 4 + 16, '\0');
    char* source = const_cast<char*>(in.data());
    std::size_t sourceLeft = in.size();
    char* target = &result.Out[0];
    std::size_t targetLeft = result.Out.size();
    if (iconv(cd, &source, &sourceLeft, &target, &targetLeft) == static_cast<std::size_t>(-1)) result.Error = errno;
    result.Out.resize(result.Out.size() - targetLeft);
    result.Used = in.size() - sourceLeft;
    return result;
}

// A code page through iconv: "CP932" and the like, as the C library names them.
class IconvCodePage : public vtb::CodePage {
public:
    IconvCodePage(unsigned number, iconv_t toWide, iconv_t fromWide)
        : number_(number), toWide_(toWide), fromWide_(fromWide) {
        // A lead byte is one that alone is an unfinished character; UTF-8
        // has none, as the system sees it.
        for (unsigned b = 0x80; b < 256 && number != vtb::kUtf8CodePage; ++b) {
            const char one = static_cast<char>(b);
            lead_[b] = Convert(toWide_, std::string_view(&one, 1)).Error == EINVAL;
        }
    }
    ~IconvCodePage() {
        iconv_close(toWide_);
        iconv_close(fromWide_);
    }
    IconvCodePage(const IconvCodePage&) = delete;
    IconvCodePage& operator=(const IconvCodePage&) = delete;

    unsigned Number() const override { return number_; }
    bool IsLeadByte(unsigned char byte) const override { return lead_[byte]; }

    vtb::Utf16String ToUtf16(std::string_view text) const override {
        std::string wide;  // UTF-16LE bytes
        while (!text.empty()) {
            const Converted done = Convert(toWide_, text);
            wide += done.Out;
            if (!done.Error) break;
            wide += std::string("\xFD\xFF", 2);  // a byte that is no character here
            text.remove_prefix(done.Used + 1);
        }
        vtb::Utf16String units;
        for (std::size_t i = 0; i + 1 < wide.size(); i += 2)
            units += static_cast<vtb::Utf16Char>(static_cast<unsigned char>(wide[i]) |
                                           (static_cast<unsigned char>(wide[i + 1]) << 8));
        return units;
    }

    std::string FromUtf16(vtb::Utf16View text, bool& exact) const override {
        exact = true;
        std::string bytes;
        for (const vtb::Utf16Char u : text) {
            bytes += static_cast<char>(u & 0xFF);
            bytes += static_cast<char>(u >> 8);
        }
        std::string narrow;
        std::string_view rest = bytes;
        while (!rest.empty()) {
            const Converted done = Convert(fromWide_, rest);
            narrow += done.Out;
            if (!done.Error) break;
            exact = false;
            narrow += '?';
            // The character it stopped at: one unit, or a surrogate pair.
            const auto high = done.Used + 1 < rest.size() ? static_cast<unsigned char>(rest[done.Used + 1]) : 0;
            const std::size_t skip = high >= 0xD8 && high <= 0xDB && done.Used + 4 <= rest.size() ? 4 : 2;
            rest.remove_prefix(std::min(rest.size(), done.Used + skip));
        }
        return narrow;
    }

private:
    unsigned number_;
    iconv_t toWide_;
    iconv_t fromWide_;
    bool lead_[256] = {};
};

}  // namespace

const vtb::CodePage* CodePageNumbered(unsigned number) {
    if (number == 1252) return &vtb::Windows1252();
    static std::map<unsigned, std::unique_ptr<IconvCodePage>> pages;
    if (const auto it = pages.find(number); it != pages.end()) return it->second.get();
    const std::string name = number == vtb::kUtf8CodePage ? "UTF-8" : "CP" + std::to_string(number);
    const iconv_t toWide = iconv_open("UTF-16LE", name.c_str());
    if (toWide == reinterpret_cast<iconv_t>(-1)) return nullptr;
    const iconv_t fromWide = iconv_open(name.c_str(), "UTF-16LE");
    if (fromWide == reinterpret_cast<iconv_t>(-1)) {
        iconv_close(toWide);
        return nullptr;
    }
    return (pages[number] = std::make_unique<IconvCodePage>(number, toWide, fromWide)).get();
}

std::string ArgumentAsUtf8(const std::string& argument) { return argument; }

}  // namespace vtbcheck
