#include "core/check/config_check.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "core/check/button_font.h"
#include "core/config_rule.h"

namespace vtb::check {
namespace {

// A 24-bit bitmap file, bottom-up, every pixel `colour` but the bottom-left
// one, which is `key`.
std::string Bitmap(int width, int height, std::uint32_t colour, std::uint32_t key) {
    const int stride = (width * 3 + 3) & ~3;
    std::string b;
    auto put = [&b](std::uint32_t v, int bytes) {
        for (int i = 0; i < bytes; ++i) b += static_cast<char>((v >> (8 * i)) & 0xFF);
    };
    b += "BM";
    put(static_cast<std::uint32_t>(54 + stride * height), 4);
    put(0, 4);
    put(54, 4);
    put(40, 4);
    put(static_cast<std::uint32_t>(width), 4);
    put(static_cast<std::uint32_t>(height), 4);
    put(1, 2);
    put(24, 2);
    put(0, 4);
    put(static_cast<std::uint32_t>(stride * height), 4);
    put(2835, 4);
    put(2835, 4);
    put(0, 4);
    put(0, 4);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) put(x == 0 && y == 0 ? key : colour, 3);
        b.append(static_cast<std::size_t>(stride - width * 3), '\0');
    }
    return b;
}

class MemoryGlyphs : public GlyphSource {
public:
    std::map<std::string, GlyphFile> Files;  // by caption
    int Lookups = 0;

    void Add(const std::string& caption, const std::string& bytes) {
        GlyphFile file;
        file.State = GlyphFile::Status::Read;
        file.Path = "glyphs/" + caption + ".bmp";
        file.Bytes = bytes;
        Files[caption] = file;
    }

    GlyphFile Find(const std::string& caption) override {
        ++Lookups;
        const auto it = Files.find(caption);
        if (it != Files.end()) return it->second;
        GlyphFile missing;
        missing.Path = "glyphs/" + caption + ".bmp";
        return missing;
    }
};

const std::string kGood =
    "1.0|test\r\n"                           // 1
    "[Buttons]\r\n"                          // 2
    "4\r\n"                                  // 3
    "&Lexa|https://lexa.example/\r\n"        // 4
    "&Find|https://lexa.example/find\r\n"    // 5
    "&Options|https://lexa.example/opt\r\n"  // 6
    "&Cases|https://lexa.example/cases\r\n"  // 7
    "\r\n"                                   // 8
    "[Main Menu]\r\n"                        // 9
    "3\r\n"                                  // 10
    "Home|https://lexa.example/home\r\n"     // 11
    "Research|\r\n"                          // 12
    "+Treaties|https://lexa.example/tr\r\n"  // 13
    "\r\n"                                   // 14
    "[Settings Menu - Search]\r\n"           // 15
    "3\r\n"                                  // 16
    "Search in|\r\n"                         // 17
    "All|all\r\n"                            // 18
    "Cases|cases\r\n"                        // 19
    "Statutes|statutes\r\n"                  // 20
    "\r\n"                                   // 21
    "[Settings Menu - Misc]\r\n"             // 22
    "1\r\n"                                  // 23
    "About|@4\r\n"                           // 24
    "\r\n"                                   // 25
    "[Search Parameters]\r\n"                // 26
    "https://lexa.example/search?m=\r\n"     // 27
    "&q=\r\n"                                // 28
    "&from=bar\r\n"                          // 29
    "\r\n"                                   // 30
    "[ToolBar Update URL]\r\n"               // 31
    "https://lexa.example/update.cfg\r\n";   // 32

// kGood with the text of one line (counted from 1) replaced.
std::string WithLine(std::size_t line, const std::string& text, std::string base = kGood) {
    std::size_t start = 0;
    for (std::size_t i = 1; i < line; ++i) start = base.find("\r\n", start) + 2;
    const std::size_t end = base.find("\r\n", start);
    return base.replace(start, end - start, text);
}

class CheckTest : public ::testing::Test {
protected:
    void SetUp() override { glyphs_.Add("Cases", Bitmap(16, 16, 0x204080, 0xFF00FF)); }

    CheckResult Check(const std::string& text) { return CheckConfiguration(text, glyphs_); }

    // "line:severity:message" of every diagnostic.
    static std::vector<std::string> Said(const CheckResult& result) {
        std::vector<std::string> said;
        for (const Diagnostic& d : result.Diagnostics)
            said.push_back(std::to_string(d.Line) + (d.Level == Severity::Error ? ":error:" : ":warning:") + d.Message);
        return said;
    }

    static bool Says(const CheckResult& result, std::size_t line, Severity level, const std::string& part) {
        for (const Diagnostic& d : result.Diagnostics) {
            if (d.Line == line && d.Level == level && d.Message.find(part) != std::string::npos) return true;
        }
        return false;
    }

    static std::string Joined(const CheckResult& result) {
        std::string all;
        for (const std::string& s : Said(result)) all += s + "\n";
        return all;
    }

    MemoryGlyphs glyphs_;
};

// ---------------------------------------------------------------------------
// What the toolbar builds

TEST_F(CheckTest, ACleanFileGivesItsToolbarWithLinesAndTargets) {
    const CheckResult result = Check(kGood);
    EXPECT_TRUE(result.Diagnostics.empty()) << Joined(result);
    EXPECT_EQ(result.ExitCode(), 0);
    EXPECT_TRUE(result.UpdateAccepts);
    const ToolbarModel& t = result.Toolbar;
    EXPECT_FALSE(t.Stopped);
    EXPECT_EQ(t.Version.Text, "1.0");
    EXPECT_EQ(t.Main.Caption, "&Lexa");
    EXPECT_EQ(t.Main.Line, 4u);
    EXPECT_EQ(t.Search.TargetIndex, 1);
    ASSERT_TRUE(t.Links[0].Configured);
    EXPECT_EQ(t.Links[0].Line, 7u);
    EXPECT_EQ(t.Links[0].TargetIndex, 3);
    EXPECT_TRUE(t.Links[0].Glyph.Valid);
    EXPECT_EQ(t.Links[0].Glyph.Transparent, 0xFF00FFu);
    EXPECT_FALSE(t.Links[1].Configured);
    EXPECT_FALSE(t.Main.Glyph.Found);

    ASSERT_EQ(t.MainMenu.size(), 2u);
    EXPECT_EQ(t.MainMenu[0].Line, 11u);
    EXPECT_EQ(CommandOf(t.MainMenu[0], t.Targets), Command::Navigate);
    EXPECT_EQ(CommandOf(t.MainMenu[1], t.Targets), Command::None);
    ASSERT_EQ(t.MainMenu[1].SubEntries.size(), 1u);
    EXPECT_EQ(t.MainMenu[1].SubEntries[0].Caption, "Treaties");
    EXPECT_EQ(t.MainMenu[1].SubEntries[0].Line, 13u);
    EXPECT_EQ(t.SearchOptions[0].Line, 18u);
    EXPECT_EQ(t.Targets[static_cast<std::size_t>(t.SearchOptions[2].Tag)], "statutes");
    ASSERT_EQ(t.SettingsEntries.size(), 1u);
    EXPECT_EQ(CommandOf(t.SettingsEntries[0], t.Targets), Command::About);
    EXPECT_EQ(t.SearchParams[2].Line, 29u);
    EXPECT_EQ(t.UpdateURL.Line, 32u);
    EXPECT_EQ(result.SearchAddress, "https://lexa.example/search?m=all&q=contract+law&from=bar");
}

TEST_F(CheckTest, CommandsAreNamedInTheToolbarsOrderOfTests) {
    // The first code of the table wins, wherever it stands; letter case counts.
    const TargetList targets = {"https://x/help@1", "@1", "x@2y", "@3", "@4", "https://x/", "", "@4 @1", "HELP"};
    const Command expected[] = {Command::NewWindow, Command::Update, Command::ClearHistory,
                                Command::Hide,      Command::About,  Command::Navigate,
                                Command::Navigate,  Command::Update, Command::Navigate};
    for (int i = 0; i < 9; ++i) {
        MenuEntry entry;
        entry.Tag = i;
        EXPECT_EQ(CommandOf(entry, targets), expected[i]) << targets[static_cast<std::size_t>(i)];
    }
    MenuEntry none;
    EXPECT_EQ(CommandOf(none, targets), Command::None);
}

TEST_F(CheckTest, GlyphFilesAreLookedUpOncePerCaption) {
    std::string text = kGood;
    text.replace(text.find("[Buttons]\r\n4"), 12, "[Buttons]\r\n6");
    text = WithLine(8, "Cases|https://lexa.example/cases2\r\nCases|https://lexa.example/cases3", text);
    const CheckResult result = Check(text);
    EXPECT_TRUE(result.Toolbar.Links[2].Glyph.Valid);
    // Each name once, however often the checker reads it: "&Lexa" and
    // "Lexa", "&Cases" and "Cases" (the captions as written, then as read).
    EXPECT_EQ(glyphs_.Lookups, 4);
}

// ---------------------------------------------------------------------------
// Errors: the toolbar's own messages, at their lines

TEST_F(CheckTest, ACountThatIsNoNumberStopsConstructionThere) {
    const CheckResult result = Check(WithLine(16, "3 "));
    EXPECT_EQ(Said(result), std::vector<std::string>{"16:error:'3 ' is not a valid integer value."});
    EXPECT_EQ(result.ExitCode(), 2);
    EXPECT_FALSE(result.UpdateAccepts);
    const ToolbarModel& t = result.Toolbar;
    EXPECT_TRUE(t.Stopped);
    EXPECT_EQ(t.StopError.Line, 16u);
    EXPECT_EQ(t.MainMenu.size(), 2u) << "the passes before the error are built";
    EXPECT_EQ(t.SearchOptions[0].Caption, "SearchOption_1") << "nothing of the failing section";
    EXPECT_TRUE(t.SettingsEntries.empty()) << "no later pass";
    EXPECT_EQ(t.SearchParams[0].Text, "");
}

TEST_F(CheckTest, EveryBadCountIsReportedNotOnlyTheFirst) {
    std::string text = WithLine(10, "three");
    text = WithLine(23, "", text);
    EXPECT_EQ(Said(Check(text)), (std::vector<std::string>{"10:error:'three' is not a valid integer value.",
                                                           "23:error:'' is not a valid integer value."}));
}

TEST_F(CheckTest, ASubEntryWithNoEntryAboveIsAnError) {
    const CheckResult result = Check(WithLine(11, "+Home|https://lexa.example/home"));
    EXPECT_TRUE(Says(result, 11, Severity::Error, "Menu index out of range."));
    EXPECT_EQ(result.Toolbar.StopError.Message, "Menu index out of range.");
    EXPECT_FALSE(result.UpdateAccepts);
}

TEST_F(CheckTest, AnInvalidGlyphStopsConstructionButIsNoFaultOfTheFile) {
    glyphs_.Add("Cases", "BM not really a bitmap");
    const CheckResult result = Check(kGood);
    EXPECT_EQ(Said(result), std::vector<std::string>{"7:error:Bitmap image is not valid."});
    EXPECT_TRUE(result.Diagnostics[0].GlyphProblem);
    EXPECT_NE(result.Diagnostics[0].Detail.find("glyphs/Cases.bmp"), std::string::npos);
    EXPECT_EQ(result.ExitCode(), 2);
    EXPECT_FALSE(result.HasConfigurationErrors());
    EXPECT_TRUE(result.UpdateAccepts);
    EXPECT_TRUE(result.Toolbar.Stopped);
    EXPECT_TRUE(result.Toolbar.MainMenu.empty()) << "construction ends at the glyph";
}

TEST_F(CheckTest, AGlyphThatCannotBeOpenedOrIsTooLargeIsAnError) {
    GlyphFile locked;
    locked.State = GlyphFile::Status::Unreadable;
    locked.Path = "glyphs/Cases.bmp";
    locked.Error = "Permission denied";
    glyphs_.Files["Cases"] = locked;
    EXPECT_EQ(Said(Check(kGood)),
              std::vector<std::string>{"7:error:Cannot open file \"glyphs/Cases.bmp\". Permission denied."});

    GlyphFile huge;
    huge.State = GlyphFile::Status::Read;
    huge.TooLarge = true;
    glyphs_.Files["Cases"] = huge;
    EXPECT_EQ(Said(Check(kGood)), std::vector<std::string>{"7:error:Bitmap image is not valid."});
}

TEST_F(CheckTest, TheMainButtonsGlyphIsCheckedToo) {
    glyphs_.Add("Lexa", std::string(60, 'x'));
    EXPECT_TRUE(Says(Check(kGood), 4, Severity::Error, "Bitmap image is not valid."));
}

TEST_F(CheckTest, AZeroByteIsAnErrorAtItsLine) {
    std::string text = kGood;
    text.insert(text.find("Home|") + 2, 1, '\0');
    const CheckResult result = Check(text);
    EXPECT_TRUE(Says(result, 11, Severity::Error, "zero byte")) << Joined(result);
    EXPECT_FALSE(result.UpdateAccepts);
    EXPECT_TRUE(Says(Check(std::string("\0", 1) + kGood), 1, Severity::Error, "zero byte"));
}

TEST_F(CheckTest, NoSectionHeaderAtAllIsAnError) {
    for (const std::string& text : {std::string(), std::string("<html>Service unavailable</html>\r\n")}) {
        const CheckResult result = Check(text);
        EXPECT_TRUE(Says(result, 0, Severity::Error, "no section header")) << Joined(result);
        EXPECT_FALSE(result.UpdateAccepts);
    }
}

TEST_F(CheckTest, AFileWithoutTargetsFailsWhenTheSettingsAreApplied) {
    const CheckResult result = Check("1|x\r\n[Search Parameters]\r\nhttps://a/?m=\r\n&q=\r\n\r\n");
    // A closing parenthesis takes no full stop.
    ASSERT_FALSE(result.Diagnostics.empty());
    EXPECT_EQ(Said(result)[0], "0:error:List index out of bounds (0)") << Joined(result);
    EXPECT_TRUE(result.Toolbar.Stopped);
    EXPECT_FALSE(result.UpdateAccepts);
}

// ---------------------------------------------------------------------------
// Traps that build without an error

TEST_F(CheckTest, APlusInAMainMenuLineMakesASubEntry) {
    const CheckResult result = Check(WithLine(12, "Search|t?q=a+b"));
    EXPECT_TRUE(Says(result, 12, Severity::Warning, "sub-entry")) << Joined(result);
    EXPECT_TRUE(Says(result, 12, Severity::Warning, "\"earch\""));
    EXPECT_EQ(result.Toolbar.MainMenu[0].SubEntries[0].Caption, "earch");
    EXPECT_EQ(result.ExitCode(), 1);
    // A line that starts with "+" means it.
    EXPECT_FALSE(Says(Check(kGood), 13, Severity::Warning, "sub-entry"));
    // No "+" rule in the Settings menu.
    EXPECT_TRUE(Check(WithLine(24, "A+B|@4")).Diagnostics.empty());
}

TEST_F(CheckTest, CountsThatDisagreeWithTheLinesThatFollow) {
    // Too small: the last entry is not read.
    CheckResult result = Check(WithLine(10, "2"));
    EXPECT_TRUE(Says(result, 10, Severity::Warning, "line 13 is not read")) << Joined(result);
    // Too large: the blank line and the next header are read as entries.
    result = Check(WithLine(10, "5"));
    EXPECT_TRUE(Says(result, 10, Severity::Warning, "lines 14 to 15 are read as well")) << Joined(result);
    EXPECT_TRUE(Says(result, 10, Severity::Warning, "\"[Settings Menu - Search]\""));
    // A link button too few: its line is not read.
    result = Check(WithLine(3, "3"));
    EXPECT_TRUE(Says(result, 3, Severity::Warning, "line 7 is not read")) << Joined(result);
    // A count of 4 search methods reads three.
    result = Check(WithLine(16, "4", WithLine(20, "Statutes|statutes\r\nTreaties|treaties")));
    EXPECT_TRUE(Says(result, 16, Severity::Warning, "a count of 4 gives three methods")) << Joined(result);
    // Comments and blank lines end what the count should cover.
    EXPECT_TRUE(Check(WithLine(14, "; the next section")).Diagnostics.empty());
}

TEST_F(CheckTest, CountsThatRunPastTheEndOfTheFile) {
    CheckResult result = Check(kGood + "[Main Menu]\r\n4\r\nOne|1\r\n");
    EXPECT_TRUE(Says(result, 34, Severity::Warning, "runs past the end of the file: only 1 line follows"))
        << Joined(result);
    result = Check("1|x\r\n[Buttons]\r\n5\r\nA|a\r\nB|b\r\nC|c\r\n");
    EXPECT_TRUE(Says(result, 3, Severity::Warning, "runs past the end of the file: lines 7 to 8")) << Joined(result);
}

TEST_F(CheckTest, AFullMenuSaysWhichLinesAreNotRead) {
    // One section fills the Settings menu but for two entries; the next
    // asks for five and gets two.
    std::string text = "1|x\r\n[Settings Menu - Misc]\r\n" + std::to_string(vtb::kMaxMenuEntries - 2) + "\r\n";
    for (std::size_t i = 0; i + 2 < vtb::kMaxMenuEntries; ++i) text += "Entry|@4\r\n";
    const std::size_t second = vtb::kMaxMenuEntries + 2;  // its header, as shown
    text += "[Settings Menu - Misc]\r\n5\r\nA|@4\r\nB|@4\r\nC|@4\r\nD|@4\r\nE|@4\r\n";
    const CheckResult result = Check(text);
    const std::string notRead = "lines " + std::to_string(second + 4) + " to " + std::to_string(second + 6);
    EXPECT_TRUE(
        Says(result, second + 1, Severity::Warning, "the Settings menu is full: the toolbar makes at most 4096"))
        << Joined(result);
    EXPECT_TRUE(Says(result, second + 1, Severity::Warning, notRead + " are not read")) << Joined(result);
    // Nothing else is said of that count: it agrees with its lines.
    EXPECT_FALSE(Says(result, second + 1, Severity::Warning, "disagrees")) << Joined(result);
}

TEST_F(CheckTest, MoreThanSeventeenLinkButtons) {
    std::string buttons = "1|x\r\n[Buttons]\r\n22\r\nA|a\r\nB|b\r\nC|c\r\n";
    for (int n = 1; n <= 19; ++n) buttons += "L" + std::to_string(n) + "|l\r\n";
    const CheckResult result = Check(buttons);
    EXPECT_TRUE(Says(result, 3, Severity::Warning, "more than 17 link buttons (19)")) << Joined(result);
    EXPECT_TRUE(result.Toolbar.Links[16].Configured);
    EXPECT_EQ(result.Toolbar.Links[16].Caption, "L17");
}

TEST_F(CheckTest, APolicyNamingAButtonTheFileDoesNotFill) {
    CheckOptions options;
    options.ShownLinkButtons = "1, 3";
    const CheckResult result = CheckConfiguration(kGood, glyphs_, options);
    EXPECT_TRUE(Says(result, 0, Severity::Warning, "ShownLinkButtons names link button 3, which this file does not fill"))
        << Joined(result);
    EXPECT_EQ(result.Diagnostics.size(), 1u) << "button 1 is filled";
}

TEST_F(CheckTest, RepeatedHeadersAreBothRead) {
    const CheckResult result = Check(kGood + "[Main Menu]\r\n1\r\nMore|m\r\n");
    EXPECT_TRUE(Says(result, 33, Severity::Warning, "appears again (first on line 9)")) << Joined(result);
    EXPECT_EQ(result.Toolbar.MainMenu.size(), 3u);
}

TEST_F(CheckTest, NearMissHeadersAreNamed) {
    const std::string misses[] = {"[main menu]", "[Main Menu] ", " [Main Menu]",           "[Main Menu",
                                  "Main Menu]",  "[Main  Menu]", "\xEF\xBB\xBF[Main Menu]"};
    for (const std::string& miss : misses) {
        const CheckResult result = Check(WithLine(9, miss));
        EXPECT_TRUE(Says(result, 9, Severity::Warning, "is not a section header")) << miss << "\n" << Joined(result);
        EXPECT_TRUE(Says(result, 9, Severity::Warning, "\"[Main Menu]\""));
        EXPECT_TRUE(result.Toolbar.MainMenu.empty());
    }
    // A caption that merely mentions a section is no near miss.
    EXPECT_TRUE(Check(WithLine(11, "Main Menu|https://lexa.example/home")).Diagnostics.empty());
}

TEST_F(CheckTest, EncodingsAreReadAsTheToolbarReadsThemAndTheirTrapsNamed) {
    // Marked as UTF-8: read in the code page, the mark no part of line 1.
    const std::string utf8 = WithLine(7, "&K\xC3\xBCndigung|https://lexa.example/k");
    CheckResult result = Check("\xEF\xBB\xBF" + utf8);
    EXPECT_EQ(result.Toolbar.Version.Text, "1.0");
    EXPECT_EQ(result.Toolbar.Links[0].Caption, "&K\xFCndigung");
    EXPECT_FALSE(Says(result, 7, Severity::Warning, "UTF-8")) << Joined(result);
    // A letter the code page lacks is named with its line.
    result = Check("\xEF\xBB\xBF" + WithLine(11, "\xC5\x81\xC3\xB3" "d\xC5\xBA|https://lexa.example/l"));
    EXPECT_TRUE(Says(result, 11, Severity::Warning, "cannot show")) << Joined(result);
    // Without the mark the same bytes are code page text: said once, at the first such line.
    result = Check(utf8);
    EXPECT_TRUE(Says(result, 7, Severity::Warning, "looks like UTF-8")) << Joined(result);
    EXPECT_EQ(result.Toolbar.Links[0].Caption, "&K\xC3\xBCndigung");
    // A search encoding the toolbar does not know.
    EXPECT_TRUE(Says(Check(kGood + "[Search Encoding]\r\nutf8\r\n"), 34, Severity::Warning, "is not \"UTF-8\""));
}

TEST_F(CheckTest, TheSampleAddressIsEncodedAsTheToolbarSendsIt) {
    CheckOptions options;
    options.SampleQuery = "\xC5\x81\xC3\xB3" "d\xC5\xBA";  // typed in UTF-8
    CheckResult result = CheckConfiguration(kGood, glyphs_, options);
    EXPECT_FALSE(result.SampleSendable) << "code page 1252 has no L-stroke";
    EXPECT_EQ(result.SearchAddress, "");
    result = CheckConfiguration(kGood + "[Search Encoding]\r\nUTF-8\r\n", glyphs_, options);
    EXPECT_EQ(result.SearchAddress, "https://lexa.example/search?m=all&q=%C5%81%C3%B3d%C5%BA&from=bar");
    options.SampleQuery = "K\xC3\xBCndigung";
    result = CheckConfiguration(kGood, glyphs_, options);
    EXPECT_EQ(result.SearchAddress, "https://lexa.example/search?m=all&q=K%FCndigung&from=bar");
}

TEST_F(CheckTest, LinkButtonsWithoutAGlyphFile) {
    glyphs_.Files.clear();
    const CheckResult result = Check(kGood);
    EXPECT_EQ(Said(result), std::vector<std::string>{"7:warning:link button 1 \"&Cases\" has no glyph file "
                                                     "\"Cases.bmp\": it shows its caption alone"});
}

TEST_F(CheckTest, CaptionsTooWideForTheirButton) {
    const CheckResult result = Check(WithLine(7, "Cases and decisions|https://lexa.example/cases"));
    ASSERT_TRUE(Says(result, 7, Severity::Warning, "is shortened to")) << Joined(result);
    glyphs_.Add("Cases and decisions", Bitmap(16, 16, 0, 0xFF00FF));
    const CheckResult withGlyph = Check(WithLine(7, "Cases and decisions|https://lexa.example/cases"));
    const std::string shown = withGlyph.Toolbar.Links[0].ShownCaption;
    EXPECT_EQ(shown.substr(shown.size() - 3), "...");
    // 65 wide, 2 pixels of edge on each side, the glyph and one pixel between.
    EXPECT_LE(TextWidth(kButtonFont, shown), 65 - 4 - 16 - 1);
    // One letter more would not have fitted.
    const std::string longer = std::string("Cases and decisions").substr(0, shown.size() - 3 + 1) + "...";
    EXPECT_GT(TextWidth(kButtonFont, longer), 65 - 4 - 16 - 1);
}

TEST_F(CheckTest, AToolbarTooWideForCommonScreens) {
    // Fourteen link buttons fit a 1366-pixel screen at 100 %, not a laptop's
    // 1920 pixels at 150 %.
    std::string buttons = "1|x\r\n[Buttons]\r\n17\r\nA|a\r\nB|b\r\nC|c\r\n";
    for (int n = 1; n <= 14; ++n) buttons += "L" + std::to_string(n) + "|l\r\n";
    const CheckResult result = Check(buttons);
    EXPECT_TRUE(Says(result, 20, Severity::Warning,
                     "with all 14 link buttons shown the toolbar is 1350 pixels at 100 %, 1684 at 125 %, 2018 at "
                     "150 % and 2700 at 200 %: wider than a screen 1920 pixels wide at 150 %"))
        << Joined(result);
    // Twelve fit them all.
    buttons.replace(buttons.find("17\r\n"), 2, "15");
    EXPECT_EQ(Joined(Check(buttons)).find("wider than a screen"), std::string::npos);
}

TEST(ShownCaption, FollowsTheToolbarsLayout) {
    EXPECT_EQ(ShownCaption("Cases", 65, 16, 16, false, false), "Cases");
    // With nothing that fits, "..." alone.
    EXPECT_EQ(ShownCaption("WWWWWWWW", 20, 16, 16, false, false), "...");
    // The bold main button keeps 9 pixels for its triangle.
    const std::string main = ShownCaption("Veltrane Legal Services", 100, 0, 0, true, true);
    EXPECT_EQ(main.substr(main.size() - 3), "...");
    EXPECT_LE(TextWidth(kButtonFontBold, main), 100 - 4 - 1 - 9);
    EXPECT_GT(TextWidth(kButtonFontBold, "Veltrane"), TextWidth(kButtonFont, "Veltrane"));
}

TEST_F(CheckTest, CommandCodesAndAmpersandsInTheWrongPlace) {
    CheckResult result = Check(WithLine(7, "Cases|@4"));
    EXPECT_TRUE(Says(result, 7, Severity::Warning, "buttons do not run command codes")) << Joined(result);
    result = Check(WithLine(11, "People|https://lexa.example/people/@2023"));
    EXPECT_TRUE(Says(result, 11, Severity::Warning, "runs the command \"clear history\"")) << Joined(result);
    result = Check(WithLine(11, "Help|https://lexa.example/help@1"));
    EXPECT_TRUE(Says(result, 11, Severity::Warning, "opens \"https://lexa.example/help@1\" in a new window"));
    result = Check(WithLine(11, "Terms & Rules|https://lexa.example/home"));
    EXPECT_TRUE(Says(result, 11, Severity::Warning, "a single \"&\""));
    EXPECT_TRUE(Check(WithLine(11, "Terms && Rules|https://lexa.example/home")).Diagnostics.empty());
}

TEST_F(CheckTest, ButtonsAKeyboardCannotReach) {
    CheckResult result = Check(WithLine(7, "Cases|https://lexa.example/cases"));
    EXPECT_TRUE(Says(result, 7, Severity::Warning,
                     "no letter is marked with \"&\", so a keyboard cannot reach it (\"&Cases\" would press it "
                     "with Alt+C)"))
        << Joined(result);
    result = Check(WithLine(5, "Find|https://lexa.example/find"));
    EXPECT_TRUE(result.Diagnostics.empty()) << "Enter in the search box presses the Search button: " << Joined(result);
    // Of two buttons with one letter, the first in the toolbar's order is pressed.
    result = Check(WithLine(7, "&lexicon|https://lexa.example/cases"));
    EXPECT_TRUE(Says(result, 7, Severity::Warning, "Alt+L is also the key of the main button on line 4"))
        << Joined(result);
    result = Check(WithLine(7, "Cases & more|https://lexa.example/cases"));
    EXPECT_TRUE(Says(result, 7, Severity::Warning, "a single \"&\" marks \" \", which no key presses"))
        << Joined(result);
}

TEST_F(CheckTest, ButtonsAScreenReaderCannotTellApart) {
    // "Find" is announced for the Search button already; case is not heard.
    CheckResult result = Check(WithLine(7, "fin&d|https://lexa.example/cases"));
    EXPECT_TRUE(Says(result, 7, Severity::Warning, "announces it as \"find\", as the Search button on line 5"))
        << Joined(result);
    result = Check(WithLine(7, "&|https://lexa.example/cases"));
    EXPECT_TRUE(Says(result, 7, Severity::Warning, "names the button \"Link button 1\" after its place"))
        << Joined(result);
}

TEST_F(CheckTest, SearchAndUpdateAddresses) {
    CheckResult result = Check(WithLine(27, "www.lexa.example/search?m="));
    EXPECT_TRUE(Says(result, 27, Severity::Warning, "does not start with http:// or https://")) << Joined(result);
    EXPECT_TRUE(Check(WithLine(27, "HTTP://lexa.example/search?m=")).Diagnostics.empty());
    result = Check(WithLine(32, "http://lexa.example/update.cfg"));
    EXPECT_TRUE(Says(result, 32, Severity::Warning, "is not https")) << Joined(result);
    // An update entry without an update address.
    std::string noUpdate = WithLine(24, "Update|@1");
    noUpdate.erase(noUpdate.find("[ToolBar Update URL]"));
    result = Check(noUpdate);
    EXPECT_TRUE(Says(result, 24, Severity::Warning, "the update always fails")) << Joined(result);
    std::string noMethods = kGood;
    noMethods.erase(noMethods.find("[Settings Menu - Search]"),
                    noMethods.find("[Settings Menu - Misc]") - noMethods.find("[Settings Menu - Search]"));
    result = Check(noMethods);
    EXPECT_TRUE(Says(result, 0, Severity::Warning, "uses the first target of the file as its method"));
    EXPECT_EQ(result.SearchAddress, "https://lexa.example/search?m=https://lexa.example/&q=contract+law&from=bar");
    std::string noSearch = kGood;
    noSearch.erase(noSearch.find("[Search Parameters]"));
    EXPECT_TRUE(Says(Check(noSearch), 0, Severity::Warning, "no \"[Search Parameters]\" section"));
}

TEST_F(CheckTest, AFileWithoutButtonsSection) {
    std::string text = kGood;
    text.replace(text.find("[Buttons]"), 9, "; no buttons");
    const CheckResult result = Check(text);
    EXPECT_TRUE(Says(result, 0, Severity::Warning, "no \"[Buttons]\" section")) << Joined(result);
    EXPECT_EQ(result.Toolbar.Main.Caption, "Veltrane");
    EXPECT_TRUE(result.UpdateAccepts);
}

TEST_F(CheckTest, VeryLongLinesAreCut) {
    const std::string line = "Home|https://lexa.example/" + std::string(5000, 'a');
    const CheckResult result = Check(WithLine(11, line));
    EXPECT_TRUE(Says(result, 11, Severity::Warning, std::to_string(line.size()) + " characters long"))
        << Joined(result);
    EXPECT_TRUE(Says(result, 11, Severity::Warning, "reads only its first 4096"));
}

// ---------------------------------------------------------------------------
// The checker and the update command agree.

std::vector<std::string> Corpus() {
    std::vector<std::string> files = {kGood, std::string(), "[Buttons]", "\n\n\n", "1|x\r\n[Main Menu]\r\n-1\r\n"};
    // kGood cut after every byte: counts go missing, sections lose lines.
    for (std::size_t size = 0; size <= kGood.size(); ++size) files.push_back(kGood.substr(0, size));
    // Every line of kGood replaced by texts that change how it reads.
    const char* const replacements[] = {"", "x", "+x|y", "|", "[Buttons]", "0", "-5", "0x10"};
    for (std::size_t line = 1; line <= 32; ++line) {
        for (const char* text : replacements) files.push_back(WithLine(line, text));
        files.push_back(WithLine(line, std::string("a\0b", 3)));
    }
    const std::filesystem::path seeds = std::filesystem::path(VTB_SOURCE_DIR) / "tests" / "fuzz" / "corpus";
    for (const char* folder : {"config", "check"}) {
        std::error_code ec;
        for (std::filesystem::directory_iterator it(seeds / folder, ec), end; !ec && it != end; it.increment(ec)) {
            std::ifstream in(it->path(), std::ios::binary);
            files.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        }
    }
    return files;
}

TEST_F(CheckTest, AConfigurationErrorIsExactlyWhatTheUpdateCommandRefuses) {
    glyphs_.Add("Lexa", "not a bitmap");  // glyph errors stay aside
    int refused = 0;
    int taken = 0;
    for (const std::string& text : Corpus()) {
        const CheckResult result = Check(text);
        const bool accepted = ReadsAsConfiguration(text);
        ASSERT_EQ(result.HasConfigurationErrors(), !accepted) << text << "\n" << Joined(result);
        ASSERT_EQ(result.UpdateAccepts, accepted);
        (accepted ? taken : refused)++;
    }
    // The corpus holds plenty of both.
    EXPECT_GT(taken, 100);
    EXPECT_GT(refused, 100);
}

}  // namespace
}  // namespace vtb::check
