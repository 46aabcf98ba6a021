#include "core/code_page.h"

namespace vtb {
namespace {

// Windows-1252 characters 0x80..0x9F; the rest of the upper half is Latin-1.
// The five bytes without a letter map to the control characters of the same
// number, and back, as Windows maps them.
const Utf16Char kHighControls[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

bool IsHighSurrogate(char32_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(char32_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

class Western : public CodePage {
public:
    unsigned Number() const override { return 1252; }
    bool IsLeadByte(unsigned char) const override { return false; }
    Utf16String ToUtf16(std::string_view text) const override {
        Utf16String wide;
        wide.reserve(text.size());
        for (const char c : text) {
            const auto u = static_cast<unsigned char>(c);
            wide += u >= 0x80 && u < 0xA0 ? kHighControls[u - 0x80] : static_cast<Utf16Char>(u);
        }
        return wide;
    }
    std::string FromUtf16(Utf16View text, bool& exact) const override {
        exact = true;
        std::string narrow;
        narrow.reserve(text.size());
        for (const Utf16Char c : text) {
            if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
                narrow += static_cast<char>(c);
                continue;
            }
            char byte = '?';
            for (unsigned k = 0; k < 32; ++k)
                if (kHighControls[k] == c) byte = static_cast<char>(0x80 + k);
            if (byte == '?') exact = false;
            narrow += byte;
        }
        return narrow;
    }
};

const Western western;
const CodePage* textCodePage = nullptr;

// A line of the decoded text, appended in the code page.
void AppendLine(const CodePage& page, Utf16View line, std::size_t number, DecodedText& out) {
    bool exact = true;
    out.Text += page.FromUtf16(line, exact);
    if (!exact) out.InexactLines.push_back(number);
}

Utf16String Utf16Units(std::string_view bytes, bool bigEndian) {
    Utf16String wide;
    wide.reserve(bytes.size() / 2);
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        const auto a = static_cast<unsigned char>(bytes[i]);
        const auto b = static_cast<unsigned char>(bytes[i + 1]);
        wide += static_cast<Utf16Char>(bigEndian ? (a << 8) | b : (b << 8) | a);
    }
    return wide;
}

}  // namespace

const CodePage& Windows1252() { return western; }

const CodePage& TextCodePage() { return textCodePage ? *textCodePage : western; }

void SetTextCodePage(const CodePage& page) { textCodePage = &page; }

std::optional<std::string> ExactlyIn(const CodePage& page, Utf16View text) {
    bool exact = true;
    std::string narrow = page.FromUtf16(text, exact);
    if (!exact) return std::nullopt;
    return narrow;
}

std::size_t CharacterLength(std::string_view text, std::size_t at) {
    return at + 1 < text.size() && TextCodePage().IsLeadByte(static_cast<unsigned char>(text[at])) ? 2 : 1;
}

std::size_t FindCharacter(std::string_view text, char sign, std::size_t from) {
    const CodePage& page = TextCodePage();
    for (std::size_t i = from; i < text.size(); ++i) {
        if (text[i] == sign) return i;
        if (page.IsLeadByte(static_cast<unsigned char>(text[i]))) ++i;  // its trail byte is no sign
    }
    return std::string_view::npos;
}

// ---------------------------------------------------------------------------
// UTF-8 and UTF-16

std::string Utf16ToUtf8(Utf16View text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        if (IsHighSurrogate(c) && i + 1 < text.size() && IsLowSurrogate(text[i + 1]))
            c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
        else if (IsHighSurrogate(c) || IsLowSurrogate(c))
            c = 0xFFFD;  // half a pair names no character
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

std::optional<Utf16String> Utf8ToUtf16(std::string_view text, bool lenient) {
    Utf16String out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const std::size_t more = lead < 0x80 ? 0 : lead >= 0xC2 && lead <= 0xDF ? 1 : (lead >> 4) == 0xE ? 2
                                             : lead >= 0xF0 && lead <= 0xF4   ? 3
                                                                              : 9;
        bool valid = more != 9 && i + more <= text.size() - 1;
        char32_t c = more == 0 ? lead : more == 1 ? lead & 0x1F : more == 2 ? lead & 0x0F : lead & 0x07;
        for (std::size_t k = 1; valid && k <= more; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            valid = (next & 0xC0) == 0x80;
            c = (c << 6) | (next & 0x3F);
        }
        // The shortest form only, no surrogates, nothing past U+10FFFF.
        const char32_t least[] = {0, 0x80, 0x800, 0x10000};
        if (!valid || c < least[more] || (c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF) {
            if (!lenient) return std::nullopt;
            out += Utf16Char(0xFFFD);  // a byte that is no UTF-8
            ++i;
            continue;
        }
        if (c >= 0x10000) {
            out += static_cast<Utf16Char>(0xD800 + ((c - 0x10000) >> 10));
            out += static_cast<Utf16Char>(0xDC00 + ((c - 0x10000) & 0x3FF));
        } else {
            out += static_cast<Utf16Char>(c);
        }
        i += more + 1;
    }
    return out;
}

std::optional<std::size_t> FirstUtf8Line(std::string_view text) {
    if (!Utf8ToUtf16(text)) return std::nullopt;
    std::size_t line = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (static_cast<unsigned char>(c) >= 0x80) return line;
        if (c == '\n' || (c == '\r' && (i + 1 == text.size() || text[i + 1] != '\n'))) ++line;
    }
    return std::nullopt;
}

// ---------------------------------------------------------------------------
// Marked files

TextMark MarkOf(std::string_view bytes) {
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF") return TextMark::Utf8;
    if (bytes.substr(0, 2) == "\xFF\xFE") return TextMark::Utf16LE;
    if (bytes.substr(0, 2) == "\xFE\xFF") return TextMark::Utf16BE;
    return TextMark::None;
}

DecodedText DecodeMarkedText(std::string_view bytes, const CodePage& page) {
    DecodedText out;
    out.Mark = MarkOf(bytes);
    Utf16String wide;
    if (out.Mark == TextMark::Utf8) {
        wide = *Utf8ToUtf16(bytes.substr(3), true);
    } else if (out.Mark != TextMark::None) {
        wide = Utf16Units(bytes.substr(2), out.Mark == TextMark::Utf16BE);
    } else {
        out.Text.assign(bytes.data(), bytes.size());
        return out;
    }
    // The text ends at its first zero, which stays to say so.
    const std::size_t zero = wide.find(Utf16Char(0));
    if (zero != Utf16String::npos) wide.resize(zero + 1);

    // Line by line, the line ends of the line store: CR LF, lone CR, lone LF.
    out.Text.reserve(wide.size());
    std::size_t start = 0;
    std::size_t line = 0;
    for (std::size_t i = 0; i < wide.size(); ++i) {
        if (wide[i] != Utf16Char('\r') && wide[i] != Utf16Char('\n')) continue;
        AppendLine(page, Utf16View(wide).substr(start, i - start), line++, out);
        out.Text += static_cast<char>(wide[i]);
        if (wide[i] == Utf16Char('\r') && i + 1 < wide.size() && wide[i + 1] == Utf16Char('\n')) out.Text += static_cast<char>(wide[++i]);
        start = i + 1;
    }
    AppendLine(page, Utf16View(wide).substr(start), line, out);
    return out;
}

}  // namespace vtb
