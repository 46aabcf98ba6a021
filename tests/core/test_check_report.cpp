#include "core/check/check_report.h"

#include <gtest/gtest.h>

#include <string>

namespace vtb::check {
namespace {

class NoGlyphs : public GlyphSource {
public:
    GlyphFile Find(const std::string& caption) override {
        GlyphFile file;
        file.Path = caption + ".bmp";
        return file;
    }
};

const std::string kFile =
    "4.0|caf\xE9 \x80 edition\r\n"
    "[Buttons]\r\n"
    "4\r\n"
    "Lexa|https://lexa.example/\r\n"
    "Find|https://lexa.example/find\r\n"
    "Options|https://lexa.example/opt\r\n"
    "Case \"Lookup\"|https://lexa.example/lookup\r\n"
    "[Main Menu]\r\n"
    "4\r\n"
    "Home|https://lexa.example/home\r\n"
    "Research|\r\n"
    "+Treaties|https://lexa.example/tr\r\n"
    "-|\r\n"
    "[Settings Menu - Search]\r\n"
    "3\r\n"
    "Search in|\r\n"
    "All|all\r\n"
    "Cases|cases\r\n"
    "Statutes|statutes\r\n"
    "[Search Parameters]\r\n"
    "https://lexa.example/search?m=\r\n"
    "&q=\r\n"
    "\r\n";

CheckResult Result() {
    NoGlyphs glyphs;
    CheckOptions options;
    options.SampleQuery = "tort & co";
    return CheckConfiguration(kFile, glyphs, options);
}

TEST(TextToUtf8, ConvertsTheUpperHalf) {
    EXPECT_EQ(TextToUtf8("abc"), "abc");
    EXPECT_EQ(TextToUtf8("\x80"), "\xE2\x82\xAC");  // euro sign
    EXPECT_EQ(TextToUtf8("\xE9"), "\xC3\xA9");      // e acute
    EXPECT_EQ(TextToUtf8("\x81\xFF"), "\xC2\x81\xC3\xBF");
}

TEST(FormatText, ShowsTheMenuAsATreeAndTheAddresses) {
    const std::string text = FormatText(Result(), "lexa.cfg", true);
    EXPECT_NE(text.find("lexa.cfg: configuration version \"4.0\" (caf\xC3\xA9 \xE2\x82\xAC edition)\n"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("     10  Home        -> https://lexa.example/home [4]\n"
                        "     11  Research\n"
                        "     12    Treaties  -> https://lexa.example/tr [5]\n"
                        "     13  --------\n"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("  https://lexa.example/search?m=all&q=tort+%26+co\n"), std::string::npos) << text;
    EXPECT_NE(text.find("opens in a new window"), std::string::npos);
    EXPECT_NE(text.find("lexa.cfg:7: warning: link button 1 \"Case \"Lookup\"\" has no glyph file"), std::string::npos)
        << text;
    EXPECT_EQ(text.substr(text.rfind('\n', text.size() - 2) + 1), "no errors, 5 warnings\n") << text;
}

TEST(FormatText, KeepsTheFilesOwnBytesWhenAskedTo) {
    const std::string text = FormatText(Result(), "lexa.cfg", false);
    EXPECT_NE(text.find("(caf\xE9 \x80 edition)"), std::string::npos);
}

TEST(FormatJson, EscapesAndConvertsEveryText) {
    const std::string json = FormatJson(Result(), "lexa.cfg");
    EXPECT_EQ(json.substr(0, 52), "{\"file\":\"lexa.cfg\",\"exitCode\":1,\"status\":\"warnings\",");
    EXPECT_NE(json.find("\"versionNote\":\"caf\xC3\xA9 \xE2\x82\xAC edition\""), std::string::npos);
    EXPECT_NE(json.find("\"caption\":\"Case \\\"Lookup\\\"\""), std::string::npos) << json;
    EXPECT_NE(json.find("\"searchAddress\":\"https://lexa.example/search?m=all&q=tort+%26+co\""), std::string::npos);
    EXPECT_NE(json.find("\"subEntries\":[{\"line\":12,\"caption\":\"Treaties\",\"separator\":false,"
                        "\"command\":\"opens the address\",\"index\":5,\"target\":\"https://lexa.example/tr\"}]"),
              std::string::npos)
        << json;
    EXPECT_EQ(json.back(), '\n');
    // No raw control character or byte of the upper half outside UTF-8 sequences.
    for (const char c : json) EXPECT_TRUE(static_cast<unsigned char>(c) >= 0x20 || c == '\n');
}

}  // namespace
}  // namespace vtb::check
