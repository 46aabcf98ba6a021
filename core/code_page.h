// The toolbar's 8-bit texts and UTF-16: the code page they are written in,
// the one rule of converting between the two, where a character of a
// double-byte code page begins, and text files marked as UTF-8 or UTF-16.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vtb {

constexpr unsigned kUtf8CodePage = 65001;

// UTF-16 text: the system's own wide strings on Windows, char16_t elsewhere.
#ifdef _WIN32
using Utf16Char = wchar_t;
#else
using Utf16Char = char16_t;
#endif
using Utf16String = std::basic_string<Utf16Char>;
using Utf16View = std::basic_string_view<Utf16Char>;

class CodePage {
public:
    virtual unsigned Number() const = 0;
    // The first byte of a two-byte character; never so in a single-byte code page.
    virtual bool IsLeadByte(unsigned char byte) const = 0;
    virtual Utf16String ToUtf16(std::string_view text) const = 0;
    // Each character the code page writes exactly; a character it lacks
    // becomes "?" and clears exact. No look-alikes: "8" for "\u221E" or "L"
    // for "\u0141" would be another word.
    virtual std::string FromUtf16(Utf16View text, bool& exact) const = 0;

protected:
    ~CodePage() = default;  // pages live as long as the program
};

// Western (1252), as Windows maps it.
const CodePage& Windows1252();

// The code page of the process's texts: the system's in the toolbar, the one
// the checker is told; Western until one is set. Set it before any text is
// read; the page must live as long as the process.
const CodePage& TextCodePage();
void SetTextCodePage(const CodePage& page);

// The exact 8-bit form of a text, nullopt when the code page lacks one of
// its characters.
std::optional<std::string> ExactlyIn(const CodePage& page, Utf16View text);

// Character boundaries by the lead-byte rule of the text code page: a sign
// found inside a two-byte character ("|" is the second byte of some
// Japanese letters) is no sign.
std::size_t FindCharacter(std::string_view text, char sign, std::size_t from = 0);
std::size_t CharacterLength(std::string_view text, std::size_t at);  // 1, or 2 for a lead byte with its trail

// UTF-8 and UTF-16. A sequence that is no UTF-8 gives nullopt, or, lenient,
// the replacement character for each byte of it.
std::string Utf16ToUtf8(Utf16View text);
std::optional<Utf16String> Utf8ToUtf16(std::string_view text, bool lenient = false);
// The first line (from 0) that holds a multi-byte UTF-8 sequence, when the
// whole text is valid UTF-8: a file saved as UTF-8 without a mark.
std::optional<std::size_t> FirstUtf8Line(std::string_view text);

// A text file as its first bytes mark it.
enum class TextMark { None, Utf8, Utf16LE, Utf16BE };
TextMark MarkOf(std::string_view bytes);

struct DecodedText {
    TextMark Mark = TextMark::None;
    std::string Text;                        // in the code page; as read when unmarked
    std::vector<std::size_t> InexactLines;   // lines (from 0) with a character the code page lacks
};

// A file marked as UTF-8 or UTF-16 (a byte order mark) is converted to the
// code page, line by line; a zero character ends the text as a zero byte
// does. An unmarked file is 8-bit text already.
DecodedText DecodeMarkedText(std::string_view bytes, const CodePage& page);

}  // namespace vtb
