// Feeds arbitrary bytes to the configuration checker, as the file and as
// the glyph of some captions; checks that it agrees with the update
// command's rule and that its JSON is well formed.
#include "core/check/check_report.h"
#include "core/check/config_check.h"
#include "core/config_rule.h"
#include "core/identifiers.h"

#include <cctype>
#include <cstdlib>
#include <string>

namespace {

#define VTB_NO_COVERAGE __attribute__((no_sanitize("coverage")))

void Check(bool condition) {
    if (!condition) std::abort();
}

// Captions of odd length find the input itself as their glyph file.
class InputGlyphs : public vtb::check::GlyphSource {
public:
    explicit InputGlyphs(const std::string& bytes) : bytes_(bytes) {}
    vtb::check::GlyphFile Find(const std::string& caption) override {
        vtb::check::GlyphFile file;
        file.Path = caption + vtb::kGlyphExtension;
        if (caption.size() % 2 == 1) {
            file.State = vtb::check::GlyphFile::Status::Read;
            file.Bytes = bytes_;
        }
        return file;
    }

private:
    const std::string& bytes_;
};

// A strict JSON reader that only says whether the text is JSON. It is the
// fuzzer's judge, not code under test: without coverage counters it costs
// less and its branches do not steer the fuzzer.
class JsonValidator {
public:
    explicit JsonValidator(const std::string& text) : s_(text) {}

    VTB_NO_COVERAGE bool Valid() {
        Space();
        if (!Value(0)) return false;
        Space();
        return i_ == s_.size();
    }

private:
    VTB_NO_COVERAGE void Space() {
        while (i_ < s_.size() && (s_[i_] == ' ' || s_[i_] == '\n' || s_[i_] == '\r' || s_[i_] == '\t')) ++i_;
    }
    VTB_NO_COVERAGE bool Eat(char c) {
        Space();
        if (i_ < s_.size() && s_[i_] == c) {
            ++i_;
            return true;
        }
        return false;
    }
    VTB_NO_COVERAGE bool Word(const char* word) {
        const std::string w = word;
        if (s_.compare(i_, w.size(), w) != 0) return false;
        i_ += w.size();
        return true;
    }
    VTB_NO_COVERAGE bool Value(int depth) {
        if (depth > 64) return false;
        Space();
        if (i_ >= s_.size()) return false;
        const char c = s_[i_];
        if (c == '{') {
            ++i_;
            if (Eat('}')) return true;
            do {
                Space();
                if (!String() || !Eat(':') || !Value(depth + 1)) return false;
            } while (Eat(','));
            return Eat('}');
        }
        if (c == '[') {
            ++i_;
            if (Eat(']')) return true;
            do {
                if (!Value(depth + 1)) return false;
            } while (Eat(','));
            return Eat(']');
        }
        if (c == '"') return String();
        if (c == '-' || (c >= '0' && c <= '9')) {
            if (c == '-') ++i_;
            const std::size_t start = i_;
            while (i_ < s_.size() && s_[i_] >= '0' && s_[i_] <= '9') ++i_;
            return i_ > start;
        }
        return Word("true") || Word("false") || Word("null");
    }
    VTB_NO_COVERAGE bool String() {
        if (i_ >= s_.size() || s_[i_] != '"') return false;
        ++i_;
        while (i_ < s_.size()) {
            const auto u = static_cast<unsigned char>(s_[i_]);
            if (u == '"') {
                ++i_;
                return true;
            }
            if (u < 0x20) return false;
            if (u == '\\') {
                ++i_;
                if (i_ >= s_.size()) return false;
                const char e = s_[i_];
                if (e == 'u') {
                    for (int k = 1; k <= 4; ++k) {
                        if (i_ + k >= s_.size() || !std::isxdigit(static_cast<unsigned char>(s_[i_ + k]))) return false;
                    }
                    i_ += 4;
                } else if (std::string("\"\\/bfnrt").find(e) == std::string::npos) {
                    return false;
                }
                ++i_;
                continue;
            }
            // UTF-8: a lead byte and its continuation bytes.
            const int more = u < 0x80 ? 0 : (u >> 5) == 0x6 ? 1 : (u >> 4) == 0xE ? 2 : (u >> 3) == 0x1E ? 3 : -1;
            if (more < 0 || i_ + static_cast<std::size_t>(more) >= s_.size()) return false;
            for (int k = 1; k <= more; ++k) {
                if ((static_cast<unsigned char>(s_[i_ + static_cast<std::size_t>(k)]) & 0xC0) != 0x80) return false;
            }
            i_ += static_cast<std::size_t>(more) + 1;
        }
        return false;
    }

    const std::string& s_;
    std::size_t i_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    InputGlyphs glyphs(bytes);
    const vtb::check::CheckResult result = vtb::check::CheckConfiguration(bytes, glyphs);

    const bool accepted = vtb::ReadsAsConfiguration(bytes);
    Check(result.UpdateAccepts == accepted);
    Check(result.HasConfigurationErrors() == !accepted);
    Check(result.ExitCode() == (result.HasErrors() ? 2 : result.HasWarnings() ? 1 : 0));
    for (std::size_t i = 1; i < result.Diagnostics.size(); ++i)
        Check(result.Diagnostics[i - 1].Line <= result.Diagnostics[i].Line);

    const std::string json = vtb::check::FormatJson(result, "fuzz.cfg");
    Check(JsonValidator(json).Valid());
    Check(!vtb::check::FormatText(result, "fuzz.cfg", true).empty());
    Check(!vtb::check::FormatText(result, "fuzz.cfg", false).empty());
    return 0;
}
