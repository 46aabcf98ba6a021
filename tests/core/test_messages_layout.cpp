// The message texts, the link-button placement and the module-wide values.
#include "core/link_layout.h"
#include "core/messages.h"

#include <gtest/gtest.h>

namespace vtb {
namespace {

TEST(Messages, FullStopAfterLettersDigitsAndQuestionMarks) {
    EXPECT_EQ(WithFullStop("Menu index out of range"), "Menu index out of range.");
    EXPECT_EQ(WithFullStop("List index out of bounds (3)"), "List index out of bounds (3)");
    EXPECT_EQ(WithFullStop("Error 42"), "Error 42.");
    EXPECT_EQ(WithFullStop("Really?"), "Really?.");
    EXPECT_EQ(WithFullStop("Done."), "Done.");
    EXPECT_EQ(WithFullStop("value '-'"), "value '-'");
    EXPECT_EQ(WithFullStop("Path /"), "Path /.");
    EXPECT_EQ(WithFullStop(""), "");
    // A character above 127 sorts after "." as well.
    EXPECT_EQ(WithFullStop("caf\xE9"), "caf\xE9.");
}

TEST(Messages, ApplicationTitle) {
    EXPECT_EQ(ApplicationTitleFromPath("C:\\Program Files\\Browser\\HOSTAPP.EXE"), "Hostapp");
    EXPECT_EQ(ApplicationTitleFromPath("C:/bin/My.Host.exe"), "My");
    EXPECT_EQ(ApplicationTitleFromPath("iexplore.exe"), "iexplore");
    EXPECT_EQ(ApplicationTitleFromPath("C:\\dir.d\\NAME"), "Name");
    EXPECT_EQ(ApplicationTitleFromPath("C:\\dir\\.hidden"), "");
    EXPECT_EQ(ApplicationTitleFromPath(""), "");
    // Only ASCII letters change case.
    EXPECT_EQ(ApplicationTitleFromPath("\xC9TUDE.EXE"), "\xC9tude");
}

TEST(Messages, AboutText) {
    const std::string text = AboutText("8.0.6001.18702", "1.0.0.37", "2.5", "spring");
    const std::string tail =
        "\r\rInternet Explorer Version: 8.0.6001.18702\rKorvi Toolbar Version:\t1.0.0.37"
        "\rConfiguration Version: \t2.5\t (spring)";
    ASSERT_GT(text.size(), tail.size());
    EXPECT_EQ(text.substr(text.size() - tail.size()), tail);
    const std::string credits = text.substr(0, text.size() - tail.size());
    EXPECT_NE(credits.find("Veltrane ToolBar"), std::string::npos);
    EXPECT_EQ(credits.find("\r\r"), std::string::npos) << "the credits are one paragraph";

    // A host without version information.
    EXPECT_NE(AboutText("", "1", "", "").find("Internet Explorer Version: \rKorvi"), std::string::npos);
}

TEST(Messages, FileVersion) {
    EXPECT_EQ(FormatFileVersion(0x00010000, 0x00000025), "1.0.0.37");
    EXPECT_EQ(FormatFileVersion(0xFFFFFFFF, 0x8000ABCD), "65535.65535.32768.43981");
    EXPECT_EQ(FormatFileVersion(0, 0), "0.0.0.0");
}

std::array<bool, kLinkButtonCount> Shown(std::initializer_list<int> numbers) {
    std::array<bool, kLinkButtonCount> visible{};
    for (int n : numbers) visible[n - 1] = true;
    return visible;
}

TEST(LinkLayout, ShownButtonsStandSideBySideInNumberOrder) {
    LinkPlacement placement = PlaceLinkButtons(Shown({1, 3, 5}), 65);
    EXPECT_EQ(placement.VisibleButtons, (std::vector<std::string>{"SpdButn_1", "SpdButn_3", "SpdButn_5"}));
    EXPECT_EQ(placement.Left[0], 440);
    EXPECT_EQ(placement.Left[2], 505);
    EXPECT_EQ(placement.Left[4], 570);
    EXPECT_EQ(placement.Left[1], -1) << "hidden buttons are not moved";

    placement = PlaceLinkButtons(Shown({1, 5}), 65);
    EXPECT_EQ(placement.Left[4], 505);

    placement = PlaceLinkButtons(Shown({2, 5, 9}), 65);
    EXPECT_EQ(placement.Left[1], 440);
    EXPECT_EQ(placement.Left[4], 505);
    EXPECT_EQ(placement.Left[8], 570);

    placement = PlaceLinkButtons(Shown({2, 5, 9}), 97, 660);
    EXPECT_EQ(placement.Left[1], 660);
    EXPECT_EQ(placement.Left[4], 757);
    EXPECT_EQ(placement.Left[8], 854);
}

TEST(LinkLayout, SlotWidthAndNoneShown) {
    LinkPlacement placement = PlaceLinkButtons(Shown({17}), 80);
    EXPECT_EQ(placement.Left[16], 440);
    placement = PlaceLinkButtons(Shown({16, 17}), 80);
    EXPECT_EQ(placement.Left[16], 520);

    placement = PlaceLinkButtons(Shown({}), 65);
    EXPECT_TRUE(placement.VisibleButtons.empty());
    for (int left : placement.Left) EXPECT_EQ(left, -1);
}

TEST(LinkLayout, ToolbarWidth) {
    EXPECT_EQ(ToolbarWidth(0, 65), 440);
    EXPECT_EQ(ToolbarWidth(3, 65), 635);
    // At 150 %: from 660 in slots of 97.
    EXPECT_EQ(ToolbarWidth(3, 97, 660), 951);
}

}  // namespace
}  // namespace vtb
