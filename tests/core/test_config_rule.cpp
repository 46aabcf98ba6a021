#include "core/config_rule.h"

#include <gtest/gtest.h>

#include <string>

namespace vtb {
namespace {

const std::string kSmallest = "1|x\r\n[Buttons]\r\n3\r\nA|a\r\nB|b\r\nC|c\r\n";

TEST(ReadsAsConfiguration, TakesAFileWithASectionAndATarget) {
    EXPECT_TRUE(ReadsAsConfiguration(kSmallest));
    // Line 0 is a header too when it is one.
    EXPECT_TRUE(ReadsAsConfiguration("[Main Menu]\n1\nHome|h\n"));
    // Lines past the end read as empty: a short file is no error.
    EXPECT_TRUE(ReadsAsConfiguration("[Buttons]\n3"));
    // Marked as UTF-8 or UTF-16, it is read as the toolbar reads it.
    EXPECT_TRUE(ReadsAsConfiguration("\xEF\xBB\xBF" + kSmallest));
    std::string utf16 = "\xFF\xFE";
    for (const char c : kSmallest) utf16 += std::string{c, '\0'};
    EXPECT_TRUE(ReadsAsConfiguration(utf16));
    EXPECT_FALSE(ReadsAsConfiguration(utf16 + std::string("\0\0", 2))) << "a zero character";
}

TEST(ReadsAsConfiguration, RefusesTextThatIsNoConfiguration) {
    EXPECT_FALSE(ReadsAsConfiguration(""));
    EXPECT_FALSE(ReadsAsConfiguration("<html><body>Service unavailable</body></html>\r\n"));
    EXPECT_FALSE(ReadsAsConfiguration("1|x\r\n[buttons]\r\n3\r\nA|a\r\nB|b\r\nC|c\r\n"));
    EXPECT_FALSE(ReadsAsConfiguration(kSmallest + std::string("\0", 1)));
    EXPECT_FALSE(ReadsAsConfiguration(std::string("\0", 1) + kSmallest));
}

TEST(ReadsAsConfiguration, RefusesAnErrorInAnySection) {
    EXPECT_FALSE(ReadsAsConfiguration("1|x\n[Buttons]\n3 \nA|a\nB|b\nC|c\n"));
    EXPECT_FALSE(ReadsAsConfiguration(kSmallest + "[Settings Menu - Misc]\n\n"));
    EXPECT_FALSE(ReadsAsConfiguration(kSmallest + "[Main Menu]\n1\n+Orphan|o\n"));
}

TEST(ReadsAsConfiguration, RefusesAFileWhoseSearchOptionsFindNoTarget) {
    // Every toolbar built from it would show "List index out of bounds (0)".
    EXPECT_FALSE(
        ReadsAsConfiguration("1|x\n[Search Parameters]\nhttps://a/?m=\n&q=\n\n[ToolBar Update URL]\nhttps://u\n"));
    EXPECT_FALSE(ReadsAsConfiguration("1|x\n[Main Menu]\n1\nHome|\n"));
    EXPECT_TRUE(ReadsAsConfiguration("1|x\n[Main Menu]\n1\nHome|h\n"));
}

}  // namespace
}  // namespace vtb
