#include "core/code_page.h"

#include <gtest/gtest.h>

#include <string>

namespace vtb {
namespace {

TEST(CodePage, WesternMapsEveryByteAndBackAsWindowsDoes) {
    std::string all;
    for (int b = 1; b < 256; ++b) all += static_cast<char>(b);
    bool exact = false;
    EXPECT_EQ(Windows1252().FromUtf16(Windows1252().ToUtf16(all), exact), all);
    EXPECT_TRUE(exact);
    EXPECT_EQ(Windows1252().ToUtf16("\x80\x81\xE9"), u"\u20AC\u0081\u00E9");
}

TEST(CodePage, ALetterTheCodePageLacksIsAQuestionMarkAndSaysSo) {
    bool exact = true;
    // No look-alikes: infinity is no "8", L-stroke no "L".
    EXPECT_EQ(Windows1252().FromUtf16(u"\u221E \u0141\u00F3d\u017A", exact), "? ?\xF3" "d?");
    EXPECT_FALSE(exact);
    EXPECT_FALSE(ExactlyIn(Windows1252(), u"\u0416"));
    EXPECT_EQ(ExactlyIn(Windows1252(), u"K\u00FCndigung \u20AC"), "K\xFCndigung \x80");
}

TEST(CodePage, Utf8AndUtf16) {
    const std::u16string text = u"\u0141\u00F3d\u017A \u6771\u4EAC \U0001F600";
    EXPECT_EQ(Utf16ToUtf8(text), "\xC5\x81\xC3\xB3" "d\xC5\xBA \xE6\x9D\xB1\xE4\xBA\xAC \xF0\x9F\x98\x80");
    EXPECT_EQ(Utf8ToUtf16(Utf16ToUtf8(text)), text);
    // Overlong forms, encoded surrogates, cut sequences and stray bytes are no UTF-8.
    for (const char* bad : {"\xC0\x80", "\xED\xA0\x80", "\xE6\x9D", "a\x80", "\xF5\x80\x80\x80", "\xE9t\xE9"})
        EXPECT_FALSE(Utf8ToUtf16(bad)) << bad;
    // Half a surrogate pair names no character.
    EXPECT_EQ(Utf16ToUtf8(std::u16string(1, u'\xD800')), "\xEF\xBF\xBD");
}

TEST(CodePage, FirstUtf8LineNamesWhereAFileWithoutAMarkLooksLikeUtf8) {
    EXPECT_EQ(FirstUtf8Line("1|x\r\n[Buttons]\r\n3\r\nK\xC3\xBCndigung|k\r\n"), 3u);
    EXPECT_EQ(FirstUtf8Line("a\rb\n\xC3\xA9"), 2u);
    EXPECT_FALSE(FirstUtf8Line("plain ASCII\n"));
    EXPECT_FALSE(FirstUtf8Line("K\xFCndigung\n"));  // Western text is no UTF-8
}

TEST(DecodeMarkedText, MarkedFilesAreConvertedToTheCodePageLineByLine) {
    // UTF-8 with a mark: the version line reads without it.
    DecodedText utf8 = DecodeMarkedText("\xEF\xBB\xBF" "2.1|x\r\nK\xC3\xBCndigung\r\n\xC5\x81\xC3\xB3" "d\xC5\xBA\n", Windows1252());
    EXPECT_EQ(utf8.Mark, TextMark::Utf8);
    EXPECT_EQ(utf8.Text, "2.1|x\r\nK\xFCndigung\r\n?\xF3" "d?\n");
    EXPECT_EQ(utf8.InexactLines, (std::vector<std::size_t>{2}));

    const std::string le("\xFF\xFE" "a\0\r\0\n\0\x16\x04\n\0\xE9\0", 14);
    DecodedText utf16 = DecodeMarkedText(le, Windows1252());
    EXPECT_EQ(utf16.Mark, TextMark::Utf16LE);
    EXPECT_EQ(utf16.Text, "a\r\n?\n\xE9");
    EXPECT_EQ(utf16.InexactLines, (std::vector<std::size_t>{1}));

    const std::string be("\xFE\xFF\0a\0\0\0b", 8);
    DecodedText big = DecodeMarkedText(be, Windows1252());
    EXPECT_EQ(big.Mark, TextMark::Utf16BE);
    EXPECT_EQ(big.Text, std::string("a\0", 2)) << "a zero character ends the text as a zero byte does";

    DecodedText plain = DecodeMarkedText("K\xFCndigung", Windows1252());
    EXPECT_EQ(plain.Mark, TextMark::None);
    EXPECT_EQ(plain.Text, "K\xFCndigung");
}

}  // namespace
}  // namespace vtb
