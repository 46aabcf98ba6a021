#include "core/profile_section.h"

#include <gtest/gtest.h>

#include <string>

namespace vtb {
namespace {

using namespace std::string_literals;

ProfileSection Section(const std::string& text) { return ProfileSection::FromSectionText(text); }

TEST(ProfileSection, ReadsAsTheSystemReadsOneKey) {
    ProfileSection s = Section(
        "Search History0=tort\0SEARCH METHOD=cases\0search method=laws\0"
        "Quoted=\"phrase\"\0Single='x'\0Half=\"open\0Lone=\"\0NoValue\0Empty=\0\0"
        "After=the end\0"s);
    EXPECT_EQ(s.Read("search history0"), "tort");
    EXPECT_EQ(s.Read("Search Method"), "cases");  // the first of a name counts
    EXPECT_EQ(s.Read("Quoted"), "phrase");
    EXPECT_EQ(s.Read("Single"), "x");
    EXPECT_EQ(s.Read("Half"), "\"open");
    EXPECT_EQ(s.Read("Lone"), "\"");
    EXPECT_EQ(s.Read("NoValue"), std::nullopt);
    EXPECT_EQ(s.Read("Empty"), "");
    EXPECT_EQ(s.Read("Missing"), std::nullopt);
    EXPECT_EQ(s.Read("After"), std::nullopt) << "an empty entry ends the list";

    const std::string longValue(3000, 'v');
    EXPECT_EQ(Section("Long=" + longValue + '\0').Read("Long"), std::string(2047, 'v'));
}

TEST(ProfileSection, WritesKeepOtherEntriesTheirOrderAndSpelling) {
    ProfileSection s = Section("Other=1\0spdbutn_1=0\0NoValue\0Search History5=old\0Search History5=twin\0"s);
    EXPECT_FALSE(s.Changed());
    s.Write("SpdButn_1", "0");
    EXPECT_FALSE(s.Changed()) << "the same value is no change";
    s.Write("SpdButn_1", "1");
    s.Write("Search Method", "cases");
    s.Remove("Search History5");
    s.Remove("Search History6");
    EXPECT_TRUE(s.Changed());
    EXPECT_EQ(s.ToSectionText(), "Other=1\0spdbutn_1=1\0NoValue\0Search Method=cases\0\0"s);
}

TEST(ProfileSection, AnotherProgramsUtf16KeysComeBackExactlyWhateverTheToolbarWrites) {
    const std::u16string file = u"Kommentar=\u0141\u00F3d\u017A \u6771\u4EAC\0SpdButn_1=0\0"s;
    ProfileSection s = ProfileSection::FromWideSectionText(file, Windows1252());
    EXPECT_EQ(s.Read("Kommentar"), "?\xF3" "d? ??") << "read through the code page";
    s.Write("SpdButn_1", "1");
    s.Write("Search History0", "K\xFCndigung");
    EXPECT_EQ(s.ToWideSectionText(Windows1252()),
              u"Kommentar=\u0141\u00F3d\u017A \u6771\u4EAC\0SpdButn_1=1\0Search History0=K\u00FCndigung\0\0"s);
}

TEST(ProfileSection, ValuesTheFileWouldChangeGoInQuotes) {
    for (const std::string value : {"\"contract law\"", "'x'", " leading", "trailing\t", "\"", "plain \"mid\" text"}) {
        ProfileSection s;
        s.Write("Search History0", value);
        // Read back from the section as the system hands it over again.
        EXPECT_EQ(Section(s.ToSectionText()).Read("Search History0"), value) << value;
    }
    ProfileSection s;
    s.Write("Search History0", "plain \"mid\" text");
    EXPECT_EQ(s.ToSectionText(), "Search History0=plain \"mid\" text\0\0"s) << "no quotes where none are needed";
}

TEST(ProfileSection, AValueNeverWritesALineOfItsOwn) {
    ProfileSection s = Section("SpdButn_5=0\0"s);
    s.Write("Search History0", "line1\r\nSpdButn_5=1");
    s.Write("Search History1", "a\nSearch Method=x");
    s.Write("Search History2", "b\rc");
    s.Write("Search History3", "d\0SpdButn_6=1"s);
    EXPECT_EQ(s.ToSectionText(),
              "SpdButn_5=0\0Search History0=line1\0Search History1=a\0Search History2=b\0Search History3=d\0\0"s);
}

TEST(ProfileSection, SavedSettingsLoadBackAndLeaveOtherKeys) {
    ProfileSection s = Section("Search History7=kept by another toolbar\0Theme=dark\0"s);
    SettingsToSave settings;
    settings.History = std::vector<std::string>{"\"quoted phrase\"", "abc"};
    settings.SearchMethod = "cases";
    settings.Visible[2] = true;
    SaveSettings(s, settings);
    ProfileSection again = Section(s.ToSectionText());
    EXPECT_EQ(again.Read("Theme"), "dark");
    EXPECT_EQ(again.Read("Search History7"), std::nullopt) << "a shorter history removes the keys after it";
    const LoadedSettings loaded = LoadSettings(again, {"m", "s", "t", "all", "cases"}, {3, 4, 3, 0, 0, 0, 0}, "");
    EXPECT_EQ(loaded.History, settings.History);
    EXPECT_EQ(loaded.CheckedOption, 2);
    EXPECT_EQ(loaded.Visible, settings.Visible);
}

}  // namespace
}  // namespace vtb
