#include "core/caption_accelerator.h"
#include "core/config_file.h"
#include "core/file_paths.h"
#include "core/integer_field.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace vtb {
namespace {

// ---------------------------------------------------------------------------
// Line store

std::vector<std::string> LinesOf(std::string_view text) {
    LineStore store;
    store.Load(text);
    std::vector<std::string> lines;
    for (std::size_t i = 0; i < store.Count(); ++i) lines.push_back(store.Line(i));
    return lines;
}

using Lines = std::vector<std::string>;

TEST(LineStore, EachKindOfLineBreakEndsOneLine) {
    EXPECT_EQ(LinesOf("a\r\nb\rc\nd"), (Lines{"a", "b", "c", "d"}));
    // LF CR is two line ends, with an empty line between them.
    EXPECT_EQ(LinesOf("a\n\rb"), (Lines{"a", "", "b"}));
    EXPECT_EQ(LinesOf("a\r\r\nb"), (Lines{"a", "", "b"}));
    EXPECT_EQ(LinesOf("\n\n"), (Lines{"", ""}));
}

TEST(LineStore, FinalLineBreakAddsNoLine) {
    EXPECT_EQ(LinesOf("x\r\ny"), LinesOf("x\r\ny\r\n"));
    EXPECT_EQ(LinesOf("x\ny\r").size(), 2u);
    EXPECT_TRUE(LinesOf("").empty());
    EXPECT_EQ(LinesOf("\r\n"), (Lines{""}));
}

TEST(LineStore, TextEndsAtFirstZeroByte) {
    const std::string bytes("a\nb\0c\nd\n", 8);
    EXPECT_EQ(LinesOf(bytes), (Lines{"a", "b"}));
    EXPECT_TRUE(LinesOf(std::string("\0abc", 4)).empty());
}

TEST(LineStore, LongLineReadsAsItsFirst4096Characters) {
    const std::string longLine = std::string(4096, 'a') + "bcd";
    LineStore store;
    store.Load(longLine + "\nnext");
    ASSERT_EQ(store.Count(), 2u);
    EXPECT_EQ(store.Line(0), std::string(4096, 'a'));
    EXPECT_EQ(store.Line(1), "next");  // the rest of the long line is no line of its own
}

TEST(LineStore, PastTheEndReadsEmptyAndClearForgetsAll) {
    LineStore store;
    store.Load("one\ntwo");
    EXPECT_EQ(store.Line(2), "");
    EXPECT_EQ(store.Line(static_cast<std::size_t>(-1)), "");
    EXPECT_TRUE(store.IsLine(1, "two"));
    EXPECT_FALSE(store.IsLine(1, "tw"));
    EXPECT_FALSE(store.IsLine(1, "two "));
    store.Clear();
    EXPECT_EQ(store.Count(), 0u);
    EXPECT_EQ(store.Line(0), "");
    store.Load("again");
    EXPECT_EQ(store.Line(0), "again");
}

TEST(LineStore, AFileMarkedAsUtf8OrUtf16ReadsInTheCodePage) {
    LineStore store;
    store.Load("\xEF\xBB\xBF" "2.1|K\xC3\xBCndigung\r\n\xD0\x96|x\r\n");
    EXPECT_EQ(store.Mark(), TextMark::Utf8);
    EXPECT_EQ(store.Line(0), "2.1|K\xFCndigung");
    EXPECT_EQ(store.InexactLines(), (std::vector<std::size_t>{1}));
    store.Load(std::string("\xFF\xFE" "[\0]\0\n\0" "a\0\0\0b\0", 14));
    EXPECT_EQ(LinesOf(std::string("\xFF\xFE" "[\0]\0\n\0" "a\0\0\0b\0", 14)), (Lines{"[]", "a"}));
    EXPECT_TRUE(store.EndedAtZero());
    // Without a mark the bytes are the code page's, as they stand.
    store.Load("K\xC3\xBCndigung");
    EXPECT_EQ(store.Mark(), TextMark::None);
    EXPECT_EQ(store.Line(0), "K\xC3\xBCndigung");
}

// ---------------------------------------------------------------------------
// Fields

// A double-byte code page as the system describes one (lead bytes of
// Japanese, 932): only where characters begin matters here.
class DoubleBytePage : public CodePage {
public:
    unsigned Number() const override { return 932; }
    bool IsLeadByte(unsigned char b) const override { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }
    std::u16string ToUtf16(std::string_view text) const override { return Windows1252().ToUtf16(text); }
    std::string FromUtf16(std::u16string_view text, bool& exact) const override {
        return Windows1252().FromUtf16(text, exact);
    }
};

class InDoubleBytePage : public ::testing::Test {
protected:
    InDoubleBytePage() { SetTextCodePage(page_); }
    ~InDoubleBytePage() override { SetTextCodePage(Windows1252()); }

private:
    DoubleBytePage page_;
};

// "サポート" in code page 932: the second byte of "ポ" is "|".
const std::string kSupport = "\x83\x54\x83\x7C\x81\x5B\x83\x67";

TEST(SplitField, SplitsAtTheFirstBarOnly) {
    // In a single-byte code page every byte is a character of its own.
    EXPECT_EQ(SplitField(kSupport + "|x", 1), "\x83\x54\x83");
    EXPECT_EQ(SplitField("Cases|a/b|c", 1), "Cases");
    EXPECT_EQ(SplitField("Cases|a/b|c", 2), "a/b|c");
    EXPECT_EQ(SplitField(" Cases | x ", 1), " Cases ");
    EXPECT_EQ(SplitField(" Cases | x ", 2), " x ");
}

TEST(SplitField, LinesWithoutOrWithOnlyABar) {
    EXPECT_EQ(SplitField("no bar here", 1), "");
    EXPECT_EQ(SplitField("no bar here", 2), "no bar here");
    EXPECT_EQ(SplitField("|", 1), "");
    EXPECT_EQ(SplitField("|", 2), "");
    EXPECT_EQ(SplitField("|target", 1), "");
    EXPECT_EQ(SplitField("caption|", 2), "");
    EXPECT_EQ(SplitField("", 2), "");
}

TEST(SplitField, OtherFieldNumbersAreEmpty) {
    EXPECT_EQ(SplitField("a|b", 0), "");
    EXPECT_EQ(SplitField("a|b", 3), "");
    EXPECT_EQ(SplitField("a|b", -1), "");
}

// ---------------------------------------------------------------------------
// Count conversion

::testing::AssertionResult Converts(std::string_view text, std::int32_t expected) {
    std::int32_t value = 12345;
    if (!ParseInteger(text, value)) return ::testing::AssertionFailure() << "'" << text << "' did not convert";
    if (value != expected) return ::testing::AssertionFailure() << "'" << text << "' gave " << value;
    return ::testing::AssertionSuccess();
}

bool Refused(std::string_view text) {
    std::int32_t value = 0;
    return !ParseInteger(text, value);
}

TEST(ParseInteger, DecimalWithSpacesAndSign) {
    EXPECT_TRUE(Converts("20", 20));
    EXPECT_TRUE(Converts(" 20", 20));
    EXPECT_TRUE(Converts("   +7", 7));
    EXPECT_TRUE(Converts("-3", -3));
    EXPECT_TRUE(Converts("007", 7));
    EXPECT_TRUE(Converts("0", 0));
    EXPECT_TRUE(Converts("-0", 0));
}

TEST(ParseInteger, HexadecimalPrefixes) {
    EXPECT_TRUE(Converts("$10", 16));
    EXPECT_TRUE(Converts("x1f", 31));
    EXPECT_TRUE(Converts("X1F", 31));
    EXPECT_TRUE(Converts("0x1", 1));
    EXPECT_TRUE(Converts("0XaB", 171));
    EXPECT_TRUE(Converts(" -$10", -16));
    // Up to eight hex digits, read as the 32-bit pattern.
    EXPECT_TRUE(Converts("$FFFFFFFF", -1));
    EXPECT_TRUE(Converts("$80000000", INT32_MIN));
    EXPECT_TRUE(Converts("$000000000000001", 1));
}

TEST(ParseInteger, ThirtyTwoBitLimits) {
    EXPECT_TRUE(Converts("2147483647", INT32_MAX));
    EXPECT_TRUE(Converts("-2147483648", INT32_MIN));
    EXPECT_TRUE(Refused("2147483648"));
    EXPECT_TRUE(Refused("-2147483649"));
    EXPECT_TRUE(Refused("$100000000"));
    EXPECT_TRUE(Refused("99999999999999999999999999"));
}

TEST(ParseInteger, RefusesAnythingElse) {
    for (const char* text : {"", " ", "20 ", "2 0", "+", "-", "+-1", "--1", "$", "0x", "x", "12a", "$G", "1.0", "\t5",
                             "5\t", "- 5", "0x 1", "1e3"}) {
        EXPECT_TRUE(Refused(text)) << "'" << text << "'";
    }
}

TEST(ParseInteger, ErrorMessage) {
    EXPECT_EQ(InvalidIntegerMessage("20 "), "'20 ' is not a valid integer value");
    EXPECT_EQ(InvalidIntegerMessage(""), "'' is not a valid integer value");
}

// ---------------------------------------------------------------------------
// Paths

TEST(Paths, ChangeFileExtReplacesTheLastExtensionOfTheName) {
    EXPECT_EQ(ChangeFileExt("C:\\Tools\\Veltrane_ToolBar.dll", ".cfg"), "C:\\Tools\\Veltrane_ToolBar.cfg");
    EXPECT_EQ(ChangeFileExt("C:\\Tools\\a.b.dll", ".ini"), "C:\\Tools\\a.b.ini");
    EXPECT_EQ(ChangeFileExt("C:\\Tools\\toolbar", ".cfg"), "C:\\Tools\\toolbar.cfg");
    // A dot in a directory name is no extension of the file.
    EXPECT_EQ(ChangeFileExt("C:\\v1.2\\toolbar", ".cfg"), "C:\\v1.2\\toolbar.cfg");
    EXPECT_EQ(ChangeFileExt("toolbar.dll", ".cfg"), "toolbar.cfg");
}

TEST(Paths, ExtractFilePathKeepsTheTrailingBackslash) {
    EXPECT_EQ(ExtractFilePath("C:\\Tools\\Veltrane_ToolBar.dll"), "C:\\Tools\\");
    EXPECT_EQ(ExtractFilePath("C:toolbar.dll"), "C:");
    EXPECT_EQ(ExtractFilePath("toolbar.dll"), "");
}

// ---------------------------------------------------------------------------
// Reading the configuration

// Records every call in order, with the size of the target list at the
// moment of the call, and can refuse one call to end construction there.
class RecordingSink : public ConfigSink {
public:
    explicit RecordingSink(const TargetList& urls) : urls_(urls) {}

    std::vector<std::string> Calls;
    std::string ThrowOn;  // a call name that throws ToolbarError("refused")

    void MainButton(const std::string& caption) override { Record("Main", caption); }
    void SearchButton(const std::string& caption, int tag) override { Record("Search", caption, tag); }
    void SettingsButton(const std::string& caption, int tag) override { Record("Settings", caption, tag); }
    void LinkButton(int number, const std::string& caption, int tag) override {
        Record("Link" + std::to_string(number), caption, tag);
    }
    void MainMenuEntry(const std::string& caption, int tag, bool subEntry) override {
        Record(subEntry ? "Sub" : "Menu", caption, tag);
    }
    void SearchOptionsCaption(const std::string& caption) override { Record("Options", caption); }
    void SearchOption(int number, const std::string& caption, int tag) override {
        Record("Option" + std::to_string(number), caption, tag);
    }
    void SettingsMenuEntry(const std::string& caption, int tag) override { Record("Misc", caption, tag); }

private:
    void Record(const std::string& name, const std::string& caption) {
        Calls.push_back(name + ":" + caption);
        if (name == ThrowOn) throw ToolbarError("refused");
    }
    void Record(const std::string& name, const std::string& caption, int tag) {
        // A tag must name the target appended for this very call.
        if (tag >= 0) {
            EXPECT_EQ(static_cast<std::size_t>(tag) + 1, urls_.size()) << name;
        }
        Record(name, caption + "#" + std::to_string(tag));
    }

    const TargetList& urls_;
};

struct Reading {
    TargetList urls;
    ConfigValues values;
    RecordingSink sink{urls};
    LineStore lines;

    void Read(const std::string& text) {
        lines.Load(text);
        ReadConfiguration(lines, urls, values, sink);
    }
    std::string Error(const std::string& text) {
        try {
            Read(text);
        } catch (const ToolbarError& e) {
            return e.what();
        }
        return "(no error)";
    }
};

std::string Join(const std::vector<std::string>& lines) {
    std::string text;
    for (const auto& line : lines) text += line + "\r\n";
    return text;
}

TEST(ReadConfiguration, VersionLineAndFixedButtons) {
    Reading r;
    r.Read(Join(
        {"2.5|spring edition", "[Buttons]", "3", "Veltrane|http://main", "Find|http://find", "Options|http://opt"}));
    EXPECT_EQ(r.values.ConfigVersion, "2.5");
    EXPECT_EQ(r.values.ConfigVersionNote, "spring edition");
    EXPECT_EQ(r.urls, (TargetList{"http://main", "http://find", "http://opt"}));
    EXPECT_EQ(r.sink.Calls, (Lines{"Main:Veltrane", "Search:Find#1", "Settings:Options#2"}));
}

TEST(ReadConfiguration, LinkButtonsFollowTheCount) {
    // Count 5: three fixed buttons and two link buttons; the lines after
    // them are not buttons.
    Reading r;
    r.Read(Join({"v", "[Buttons]", "5", "M|m", "S|s", "T|t", "Cases|c1", "Laws|c2", "Extra|c3", "More|c4"}));
    EXPECT_EQ(r.sink.Calls, (Lines{"Main:M", "Search:S#1", "Settings:T#2", "Link1:Cases#3", "Link2:Laws#4"}));
    EXPECT_EQ(r.urls.size(), 5u);
}

TEST(ReadConfiguration, ButtonCountLimits) {
    std::vector<std::string> file = {"v", "[Buttons]", "", "M|m", "S|s", "T|t"};
    for (int n = 1; n <= 19; ++n) file.push_back("B" + std::to_string(n) + "|u" + std::to_string(n));

    for (const auto& [count, links] : std::vector<std::pair<const char*, int>>{
             {"-5", 0}, {"2", 0}, {"3", 0}, {"4", 1}, {"20", 17}, {"$7FFFFFFF", 17}}) {
        file[2] = count;
        Reading r;
        r.Read(Join(file));
        EXPECT_EQ(r.urls.size(), 3u + static_cast<std::size_t>(links)) << "count " << count;
        if (links == 17) {
            EXPECT_EQ(r.sink.Calls.back(), "Link17:B17#19");
        }
    }
}

TEST(ReadConfiguration, ShortFileReadsEmptyLines) {
    Reading r;
    r.Read("v\n[Buttons]\n4\nM|m");
    EXPECT_EQ(r.sink.Calls, (Lines{"Main:M", "Search:#1", "Settings:#2", "Link1:#3"}));
    EXPECT_EQ(r.urls, (TargetList{"m", "", "", ""}));
}

TEST(ReadConfiguration, HeadersMatchTheWholeLineExactly) {
    Reading r;
    r.Read(Join({"v", "[buttons]", "3", "a|1", "b|2", "c|3", "[Buttons] ", "3", "a|1", "b|2", "c|3", " [Buttons]",
                 "[Search Parameters]x"}));
    EXPECT_TRUE(r.sink.Calls.empty());
    EXPECT_TRUE(r.urls.empty());
    EXPECT_EQ(r.values.SearchParam1, "");
}

TEST(ReadConfiguration, LineZeroTakesPartInTheHeaderSearch) {
    Reading r;
    r.Read(Join({"[ToolBar Update URL]", "http://update"}));
    EXPECT_EQ(r.values.ConfigVersion, "");
    EXPECT_EQ(r.values.ConfigVersionNote, "[ToolBar Update URL]");
    EXPECT_EQ(r.values.UpdateURL, "http://update");
}

TEST(ReadConfiguration, SectionsAreReadInFixedOrderWhateverTheFileOrder) {
    Reading r;
    r.Read(Join({"1|n", "[Settings Menu - Misc]", "1", "Help|http://help", "[Settings Menu - Search]", "3",
                 "Search options|", "All|all", "Cases|cases", "Laws|laws", "[Main Menu]", "1", "Home|http://home",
                 "[Buttons]", "3", "M|m", "S|s", "T|t"}));
    EXPECT_EQ(r.urls, (TargetList{"m", "s", "t", "http://home", "all", "cases", "laws", "http://help"}));
    EXPECT_EQ(r.sink.Calls, (Lines{"Main:M", "Search:S#1", "Settings:T#2", "Menu:Home#3", "Options:Search options",
                                   "Option1:All#4", "Option2:Cases#5", "Option3:Laws#6", "Misc:Help#7"}));
}

TEST(ReadConfiguration, RepeatedSectionsAreAllApplied) {
    Reading r;
    r.Read(Join({"v", "[Buttons]", "3", "A|a1", "B|b1", "C|c1", "[Search Parameters]", "p1", "p2", "p3", "[Buttons]",
                 "3", "X|x1", "Y|y1", "Z|z1", "[Search Parameters]", "q1"}));
    EXPECT_EQ(r.urls, (TargetList{"a1", "b1", "c1", "x1", "y1", "z1"}));
    EXPECT_EQ(r.sink.Calls.back(), "Settings:Z#5");
    // The second section overwrites, with lines beyond the end read as empty.
    EXPECT_EQ(r.values.SearchParam1, "q1");
    EXPECT_EQ(r.values.SearchParam2, "");
    EXPECT_EQ(r.values.SearchParam3, "");
}

TEST(ReadConfiguration, MainMenuEntriesAndSubEntries) {
    Reading r;
    r.Read(Join({"v", "[Main Menu]", "7", "Home|http://home", "+Treaties|t", "Search|t?q=a+b", "-|", "Blank|", "+|",
                 "+Deep|http://x|y"}));
    EXPECT_EQ(r.sink.Calls, (Lines{"Menu:Home#0", "Sub:Treaties#1", "Sub:earch#2", "Menu:-#-1", "Menu:Blank#-1",
                                   "Sub:#3", "Sub:Deep#4"}));
    EXPECT_EQ(r.urls, (TargetList{"http://home", "t", "t?q=a+b", "", "http://x|y"}));
}

TEST(ReadConfiguration, MainMenuCountOfZeroOrLessGivesNoEntries) {
    for (const char* count : {"0", "-1"}) {
        Reading r;
        r.Read(Join({"v", "[Main Menu]", count, "Home|h"}));
        EXPECT_TRUE(r.sink.Calls.empty()) << count;
    }
}

TEST(ReadConfiguration, SubEntryWithoutEntryAboveItIsAnError) {
    Reading r;
    EXPECT_EQ(r.Error(Join({"v", "[Buttons]", "3", "M|m", "S|s", "T|t", "[Main Menu]", "2", "+First|f", "Home|h",
                            "[Settings Menu - Misc]", "1", "Help|help"})),
              "Menu index out of range");
    // The entry's target was appended before it could not be placed; nothing
    // after it was read.
    EXPECT_EQ(r.urls, (TargetList{"m", "s", "t", "f"}));
    EXPECT_EQ(r.sink.Calls.back(), "Settings:T#2");
}

TEST(ReadConfiguration, SubEntryMayFollowAnEntryOfAnEarlierMainMenuSection) {
    Reading r;
    r.Read(Join({"v", "[Main Menu]", "1", "Home|h", "[Main Menu]", "1", "+Child|c"}));
    EXPECT_EQ(r.sink.Calls, (Lines{"Menu:Home#0", "Sub:Child#1"}));
}

TEST(ReadConfiguration, SearchOptionThresholds) {
    const std::vector<std::string> options = {"Opt|", "A|a", "B|b", "C|c", "D|d", "E|e", "F|f", "G|g"};
    const std::vector<std::pair<const char*, int>> cases = {{"0", 3}, {"3", 3}, {"4", 3},  {"5", 5},
                                                            {"6", 6}, {"7", 7}, {"100", 7}};
    for (const auto& [count, shown] : cases) {
        std::vector<std::string> file = {"v", "[Settings Menu - Search]", count};
        file.insert(file.end(), options.begin(), options.end());
        Reading r;
        r.Read(Join(file));
        ASSERT_EQ(r.sink.Calls.size(), 1u + static_cast<std::size_t>(shown)) << count;
        EXPECT_EQ(r.sink.Calls.front(), "Options:Opt");
        EXPECT_EQ(r.sink.Calls.back(), "Option" + std::to_string(shown) + ":" + std::string(1, 'A' + shown - 1) + "#" +
                                           std::to_string(shown - 1));
    }
}

TEST(ReadConfiguration, FiveOptionsWithFourLinesTakesTheNextLine) {
    Reading r;
    r.Read(Join({"v", "[Settings Menu - Search]", "5", "Opt|", "A|a", "B|b", "C|c", "D|d", "[Search Parameters]", "p1",
                 "p2", "p3"}));
    EXPECT_EQ(r.sink.Calls.back(), "Option5:#4");
    EXPECT_EQ(r.urls.back(), "[Search Parameters]");
    EXPECT_EQ(r.values.SearchParam1, "p1");
}

TEST(ReadConfiguration, SettingsMiscEntries) {
    Reading r;
    r.Read(Join({"v", "[Settings Menu - Misc]", "4", "Update|@1", "-|", "Clear +|@2", "About|"}));
    // No "+" rule here; empty targets append nothing.
    EXPECT_EQ(r.sink.Calls, (Lines{"Misc:Update#0", "Misc:-#-1", "Misc:Clear +#1", "Misc:About#-1"}));
    EXPECT_EQ(r.urls, (TargetList{"@1", "@2"}));
}

// How many calls of the sink start with the given kind ("Menu:", "Misc:").
std::size_t CallsOf(const Lines& calls, const std::string& kind) {
    return static_cast<std::size_t>(
        std::count_if(calls.begin(), calls.end(), [&](const std::string& call) { return call.rfind(kind, 0) == 0; }));
}

TEST(ReadConfiguration, MenuEntriesPastTheEndOfTheFileAreEmptyUpToAFullMenu) {
    Reading r;
    r.Read(Join({"v", "[Main Menu]", "6", "Home|h", "[Settings Menu - Misc]", "3", "Help|x"}));
    // Lines without "|" are all target; the lines past the end are empty
    // entries without a target.
    EXPECT_EQ(r.sink.Calls, (Lines{"Menu:Home#0", "Menu:#1", "Menu:#2", "Menu:Help#3", "Menu:#-1", "Menu:#-1",
                                   "Misc:Help#4", "Misc:#-1", "Misc:#-1"}));
    EXPECT_EQ(r.urls, (TargetList{"h", "[Settings Menu - Misc]", "3", "x", "x"}));

    // A count far beyond the file fills the menu and no more.
    Reading huge;
    huge.Read(Join({"v", "[Main Menu]", "2147483647", "Home|h", "[Settings Menu - Misc]", "$7FFFFFFF"}));
    EXPECT_EQ(CallsOf(huge.sink.Calls, "Menu:"), kMaxMenuEntries);
    EXPECT_EQ(CallsOf(huge.sink.Calls, "Misc:"), kMaxMenuEntries);
    EXPECT_EQ(huge.sink.Calls.back(), "Misc:#-1");
}

TEST(ReadConfiguration, RepeatedMenuHeadersCannotAskForMillionsOfEntries) {
    // Every repeated header reads on to the end of the file, over the
    // sections after it: 3,000 of them in 72 KB ask for nine million entries.
    std::vector<std::string> lines = {"v", "[Settings Menu - Misc]", "1", "About|@4", "[Main Menu]", "1", "Top|t"};
    for (int i = 0; i < 3000; ++i) {
        lines.push_back(i % 2 ? "[Main Menu]" : "[Settings Menu - Misc]");
        lines.push_back("$7FFFFFFF");
    }
    lines.insert(lines.end(), {"[Search Parameters]", "http://s/?m=", "&q=", "&x=1"});
    Reading r;
    r.Read(Join(lines));

    // Each menu is full; what follows the menus is still read.
    EXPECT_EQ(CallsOf(r.sink.Calls, "Menu:"), kMaxMenuEntries);
    EXPECT_EQ(CallsOf(r.sink.Calls, "Misc:"), kMaxMenuEntries);
    EXPECT_EQ(r.sink.Calls[0], "Menu:Top#0");
    EXPECT_EQ(r.urls.size(), 2 * kMaxMenuEntries);  // every entry here has a target
    EXPECT_EQ(r.values.SearchParam1, "http://s/?m=");
    EXPECT_EQ(r.values.SearchParam3, "&x=1");
}

TEST(ReadConfiguration, AFullMenuCountsSubEntriesAndKeepsItsLastEntry) {
    // One section exactly as long as a full menu, then one more entry that
    // does not fit, in a second section.
    std::vector<std::string> lines = {"v", "[Main Menu]", std::to_string(kMaxMenuEntries), "Top|t"};
    for (std::size_t i = 1; i + 1 < kMaxMenuEntries; ++i) lines.push_back("+Sub|s" + std::to_string(i));
    lines.push_back("Last|l");
    lines.insert(lines.end(), {"[Main Menu]", "1", "+Over|o"});
    Reading r;
    r.Read(Join(lines));

    ASSERT_EQ(CallsOf(r.sink.Calls, "Menu:") + CallsOf(r.sink.Calls, "Sub:"), kMaxMenuEntries);
    EXPECT_EQ(r.sink.Calls.back(), "Menu:Last#" + std::to_string(kMaxMenuEntries - 1));
    EXPECT_EQ(r.urls.back(), "l");
}

TEST(ReadConfiguration, WholeLinesForParametersAndUpdateUrl) {
    Reading r;
    r.Read(Join(
        {"v", "[Search Parameters]", "http://s/?a=1|b", " method= ", "&q=", "[ToolBar Update URL]", "http://u/cfg|x"}));
    EXPECT_EQ(r.values.SearchParam1, "http://s/?a=1|b");
    EXPECT_EQ(r.values.SearchParam2, " method= ");
    EXPECT_EQ(r.values.SearchParam3, "&q=");
    EXPECT_EQ(r.values.UpdateURL, "http://u/cfg|x");
}

TEST(ReadConfiguration, SearchEncodingIsUtf8OnlyWhenTheFileSaysSoExactly) {
    Reading r;
    r.Read(Join({"v", "[Search Encoding]", "UTF-8"}));
    EXPECT_TRUE(SendsUtf8(r.values));
    for (const char* other : {"utf-8", "UTF-8 ", "UTF8", ""}) {
        Reading s;
        s.Read(Join({"v", "[Search Encoding]", other}));
        EXPECT_FALSE(SendsUtf8(s.values)) << other;
    }
    // Each reading decides: a file without the section sends in the code page.
    r.Read(Join({"v", "[Buttons]", "3", "M|m", "S|s", "T|t"}));
    EXPECT_FALSE(SendsUtf8(r.values));
}

TEST(ReadConfiguration, UnreachedValuesKeepWhatTheyHeld) {
    Reading r;
    r.values.SearchParam1 = "earlier";
    r.values.UpdateURL = "earlier url";
    r.Read(Join({"v|n", "[Buttons]", "3", "M|m", "S|s", "T|t"}));
    EXPECT_EQ(r.values.SearchParam1, "earlier");
    EXPECT_EQ(r.values.UpdateURL, "earlier url");
    EXPECT_EQ(r.values.ConfigVersion, "v");
}

TEST(ReadConfiguration, EmptyFileSetsOnlyTheVersion) {
    Reading r;
    r.values.ConfigVersion = "old";
    r.values.ConfigVersionNote = "old";
    r.Read("");
    EXPECT_EQ(r.values.ConfigVersion, "");
    EXPECT_EQ(r.values.ConfigVersionNote, "");
    EXPECT_TRUE(r.urls.empty());
    EXPECT_TRUE(r.sink.Calls.empty());
}

TEST(ReadConfigurationErrors, BadCountLineStopsAtThatSection) {
    for (const char* count : {"20 ", "", "three"}) {
        Reading r;
        const std::string error = r.Error(Join({"v", "[Buttons]", "3", "M|m", "S|s", "T|t", "[Main Menu]", count,
                                                "Home|h", "[Search Parameters]", "p1", "p2", "p3"}));
        EXPECT_EQ(error, "'" + std::string(count) + "' is not a valid integer value");
        EXPECT_EQ(r.urls, (TargetList{"m", "s", "t"}));
        EXPECT_EQ(r.values.SearchParam1, "") << "no later pass runs";
    }
}

TEST(ReadConfigurationErrors, ButtonsCountIsCheckedBeforeAnyButton) {
    Reading r;
    EXPECT_EQ(r.Error(Join({"v|n", "[Buttons]", "3x", "M|m"})), "'3x' is not a valid integer value");
    EXPECT_TRUE(r.sink.Calls.empty());
    EXPECT_TRUE(r.urls.empty());
    EXPECT_EQ(r.values.ConfigVersion, "v");
}

TEST(ReadConfigurationErrors, MainButtonIsHandedOverBeforeItsTargetIsAppended) {
    Reading r;
    r.sink.ThrowOn = "Main";  // e.g. its glyph file is no bitmap
    EXPECT_EQ(r.Error(Join({"v", "[Buttons]", "3", "M|m", "S|s", "T|t"})), "refused");
    EXPECT_TRUE(r.urls.empty());
}

TEST(ReadConfigurationErrors, OtherTargetsAreAppendedBeforeTheirCall) {
    Reading r;
    r.sink.ThrowOn = "Link1";
    EXPECT_EQ(r.Error(Join({"v", "[Buttons]", "5", "M|m", "S|s", "T|t", "L1|l1", "L2|l2"})), "refused");
    EXPECT_EQ(r.urls, (TargetList{"m", "s", "t", "l1"}));
}

TEST_F(InDoubleBytePage, SignsCountOnlyAtCharacterBoundaries) {
    EXPECT_EQ(SplitField(kSupport + "|https://help", 1), kSupport);
    EXPECT_EQ(SplitField(kSupport + "|https://help", 2), "https://help");
    EXPECT_EQ(SplitField(kSupport, 1), "") << "no separator at all";
    // "&" before a two-byte letter marks no key and keeps the letter whole.
    EXPECT_EQ(CaptionWithoutAccelerator("&" + kSupport + "&x"), kSupport + "x");
    EXPECT_EQ(CaptionAccelerator("&" + kSupport), 0);
    // A sub-entry's caption loses its first character: both of its bytes.
    Reading r;
    r.Read(Join({"v", "[Main Menu]", "3", "Home|h", kSupport + "|t?q=a+b", kSupport + "|h2"}));
    EXPECT_EQ(r.sink.Calls, (Lines{"Menu:Home#0", "Sub:" + kSupport.substr(2) + "#1", "Menu:" + kSupport + "#2"}));
}

}  // namespace
}  // namespace vtb
