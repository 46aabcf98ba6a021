// The installer, the build scripts and the end-to-end check cannot include
// the toolbar's headers and hold their own copies of the class ID, the file
// names and a click position: each copy must say what the toolbar says.
#include "core/event_table.h"
#include "core/identifiers.h"
#include "core/menu_command.h"
#include "core/policy_table.h"
#include "core/toolbar_layout.h"
#include "core/user_settings.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <regex>
#include <string>
#include <vector>

namespace vtb {
namespace {

namespace fs = std::filesystem;

std::string SourceFile(const std::string& relative) {
    std::ifstream in(fs::path(VTB_SOURCE_DIR) / relative, std::ios::binary);
    EXPECT_TRUE(in) << relative;
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The first group of every match of pattern in the file; a file without
// any match is a failure, since the copy was looked for there.
std::vector<std::string> Copies(const std::string& relative, const std::string& pattern) {
    const std::string text = SourceFile(relative);
    const std::regex re(pattern);
    std::vector<std::string> found;
    for (std::sregex_iterator it(text.begin(), text.end(), re), end; it != end; ++it) found.push_back((*it)[1].str());
    EXPECT_FALSE(found.empty()) << relative << " holds nothing like " << pattern;
    return found;
}

void ExpectCopiesOf(const std::string& value, const std::string& relative, const std::string& pattern) {
    for (const std::string& copy : Copies(relative, pattern)) EXPECT_EQ(copy, value) << relative;
}

std::string Upper(std::string text) {
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

TEST(OutsideCopies, ClassId) {
    const std::string id = kBandClassIdText;
    const std::string guid = R"(\{[0-9A-Fa-f-]{36}\})";
    ExpectCopiesOf(id, "installer/veltrane_toolbar.nsi", "!define BAND_CLSID \"(" + guid + ")\"");
    // The class's keys and its entry in the browser's toolbar list.
    ExpectCopiesOf(id, "installer/veltrane_toolbar.wxs", R"(Key="CLSID\\()" + guid + ")");
    ExpectCopiesOf(id, "installer/veltrane_toolbar.wxs", "Toolbar\"\\s+Name=\"(" + guid + ")\"");
    ExpectCopiesOf(id, "tools/build_msi.sh", "band_clsid=\"(" + guid + ")\"");
    ExpectCopiesOf(id, "tools/frame_check.sh", "band: (" + guid + ") shown");

    // The fields the DLL registers and answers with are the text's.
    char fields[40];
    std::snprintf(fields, sizeof fields, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                  static_cast<unsigned>(kBandClassId.Data1), kBandClassId.Data2, kBandClassId.Data3,
                  kBandClassId.Data4[0], kBandClassId.Data4[1], kBandClassId.Data4[2], kBandClassId.Data4[3],
                  kBandClassId.Data4[4], kBandClassId.Data4[5], kBandClassId.Data4[6], kBandClassId.Data4[7]);
    EXPECT_EQ(fields, id);
}

TEST(OutsideCopies, SettingsNames) {
    // The setup takes the searches out of a settings file it installs, the
    // build takes them out of the sample's, the end-to-end check looks for one.
    ExpectCopiesOf(kSettingsSection, "installer/veltrane_toolbar.nsi", "DeleteINIStr \"[^\"]+\" \"([^\"]+)\"");
    ExpectCopiesOf(kHistoryKeyPrefix, "installer/veltrane_toolbar.nsi", "DeleteINIStr \"[^\"]+\" \"[^\"]+\" \"([^\"$]+)\\$0\"");
    ExpectCopiesOf(kHistoryKeyPrefix, "tools/build_installer.sh", "grep -v '\\^([^']+)'");
    ExpectCopiesOf(kHistoryKeyPrefix, "tools/frame_check.sh", "grep -qx '([A-Za-z ]+)\\[0-9\\]=");
}

TEST(OutsideCopies, BandTitle) {
    // The Windows Installer package writes the class key itself.
    ExpectCopiesOf(kBandTitle, "installer/veltrane_toolbar.wxs", "Key=\"CLSID\\\\\\{[^}]+\\}\"\\s+Value=\"([^\"]+)\"");
}

TEST(OutsideCopies, FileNames) {
    const std::string dll = kToolbarDllName;
    ExpectCopiesOf(dll, "band/Veltrane_ToolBar.def", "LIBRARY \"([^\"]+)\"");
    ExpectCopiesOf(fs::path(dll).stem().string(), "cmake/shipped_dll.cmake", "OUTPUT_NAME (\\w+)\\)");
    ExpectCopiesOf(Upper(dll), "resources/toolbar.rc", "\"OriginalFilename\", \"([^\"]+)\"");
    ExpectCopiesOf(dll, "installer/veltrane_toolbar.nsi", "!define DLL \"([^\"]+)\"");
    ExpectCopiesOf(kConfigFileName, "installer/veltrane_toolbar.nsi", "!define CONFIG \"([^\"]+)\"");
    ExpectCopiesOf(kSettingsFileName, "installer/veltrane_toolbar.nsi", "!define SETTINGS \"([^\"]+)\"");
    for (const char* name : {kToolbarDllName, kConfigFileName, kSettingsFileName})
        ExpectCopiesOf(
            name, "installer/veltrane_toolbar.wxs",
            std::string("<File Id=\"[^\"]*\\") + fs::path(name).extension().string() + "\" Name=\"([^\"]+)\"");

    // The scripts copy the sample configuration and settings by name.
    for (const char* name : {kConfigFileName, kSettingsFileName})
        EXPECT_TRUE(fs::is_regular_file(fs::path(VTB_SOURCE_DIR) / "resources" / "sample" / name)) << name;
    // Every name in the scripts that is the toolbar's, whatever its letter
    // case, is written as the toolbar writes it.
    const std::string stem = fs::path(kToolbarDllName).stem().string();
    const std::regex ours("\\b(\\w+\\.(dll|cfg|ini))\\b");
    for (const char* script :
         {"tools/build_installer.sh", "tools/build_msi.sh", "tools/demo_env.sh", "tools/frame_check.sh",
          "tools/make_screenshots.sh", "tools/run_benchmarks.sh", "tools/run_main.sh",
          "tests/installer/run_installer_tests.sh", "tests/unwind/test_unwind.py", "tests/vtbcheck/support.py"}) {
        const std::string text = SourceFile(script);
        int named = 0;
        for (std::sregex_iterator it(text.begin(), text.end(), ours), end; it != end; ++it) {
            const std::string name = (*it)[1].str();
            if (Upper(fs::path(name).stem().string()) != Upper(stem)) continue;
            ++named;
            EXPECT_TRUE(name == kToolbarDllName || name == kConfigFileName || name == kSettingsFileName)
                << script << ": " << name;
        }
        EXPECT_GT(named, 0) << script << " names none of the toolbar's files";
    }
}

TEST(OutsideCopies, CommandCodes) {
    // The guide's table lists what a target may hold, in the order the
    // toolbar tests it, each code with the name the checker gives it.
    const std::string guide = SourceFile("docs/configuration.md");
    const std::size_t from = guide.find("## Command codes");
    ASSERT_NE(from, std::string::npos);
    const std::string section = guide.substr(from, guide.find("\n## ", from) - from);
    const std::regex row("\n\\| `([^`]+)` \\| [^|\n]*?(\\(\"([^\"]+)\"\\))? \\|");
    std::vector<std::string> listed, expected;
    for (std::sregex_iterator it(section.begin(), section.end(), row), end; it != end; ++it)
        listed.push_back((*it)[1].str() + " " + (*it)[3].str());
    for (const MenuCommand& command : kMenuCommands) {
        if (*command.Mark) expected.push_back(std::string(command.Mark) + " " + (command.IsCode ? command.Name : ""));
    }
    EXPECT_EQ(listed, expected);
}

TEST(OutsideCopies, ClickPosition) {
    // The end-to-end check clicks the third link button, and the form shows
    // the first three from the sample settings side by side.
    const std::vector<std::string> at = Copies("tools/frame_check.sh", "--click ([0-9]+,[0-9]+)");
    ASSERT_EQ(at.size(), 1u);
    const int x = std::stoi(at[0]);
    const int y = std::stoi(at[0].substr(at[0].find(',') + 1));
    EXPECT_GE(x, kFirstLinkSlot + 2 * kLinkButtonWidth);
    EXPECT_LT(x, kFirstLinkSlot + 3 * kLinkButtonWidth);
    EXPECT_LT(y, kButtonHeight);
}

// The setup refuses while any build of the package is installed: it knows
// the package by the upgrade code every build shares.
TEST(OutsideCopies, UpgradeCode) {
    const std::string guid = R"(\{[0-9A-F-]{36}\})";
    const std::vector<std::string> code = Copies("installer/veltrane_toolbar.wxs", "UpgradeCode=\"(" + guid + ")\"");
    ASSERT_EQ(code.size(), 1u);
    ExpectCopiesOf(code[0], "installer/veltrane_toolbar.nsi", "!define MSI_UPGRADE_CODE \"(" + guid + ")\"");
    ExpectCopiesOf(code[0], "tests/installer/support_install.cpp", "kMsiUpgradeCode\\[\\] = \"(" + guid + ")\"");
}

// The event ids the toolbar reports have their texts in the message file,
// with as many strings, and the guide lists each; both packages register
// the source under the toolbar's name.
TEST(OutsideCopies, EventLog) {
    const std::vector<std::string> ids = Copies("resources/events.mc", "MessageId=(\\d+)");
    ASSERT_EQ(ids.size(), kEventTable.size());
    const std::string mc = SourceFile("resources/events.mc");
    const std::string guide = SourceFile("docs/deployment.md");
    for (std::size_t i = 0; i < kEventTable.size(); ++i) {
        const std::string id = std::to_string(kEventTable[i].Id);
        EXPECT_EQ(ids[i], id);
        const std::size_t text = mc.find("Language=English", mc.find("MessageId=" + id));
        const std::string message = mc.substr(text, mc.find("\n.\n", text) - text);
        for (int n = 1; n <= 4; ++n)
            EXPECT_EQ(n <= kEventTable[i].Strings, message.find("%" + std::to_string(n)) != std::string::npos) << id;
        EXPECT_NE(guide.find("| " + id + " | "), std::string::npos) << id;
    }
    ExpectCopiesOf(kEventSourceName, "installer/veltrane_toolbar.nsi", R"re(!define PRODUCT "([^"]+)")re");
    EXPECT_NE(SourceFile("installer/veltrane_toolbar.nsi").find(R"(EventLog\Application\${PRODUCT}")"),
              std::string::npos);
    ExpectCopiesOf(kEventSourceName, "installer/veltrane_toolbar.wxs", R"re(EventLog\\Application\\([^"]+)")re");
}

// Tags open and close in order: what an editor that loads templates
// needs first. Declarations and comments aside.
bool TagsBalance(const std::string& xml) {
    std::vector<std::string> open;
    const std::regex tag(R"(<(/?)([\w:.-]+)[^>]*?(/?)>|<\?[\s\S]*?\?>|<!--[\s\S]*?-->)");
    for (std::sregex_iterator it(xml.begin(), xml.end(), tag), end; it != end; ++it) {
        const std::smatch& m = *it;
        if (!m[2].matched || m[3].length() > 0) continue;
        if (m[1].length() == 0) {
            open.push_back(m[2].str());
        } else if (open.empty() || open.back() != m[2].str()) {
            return false;
        } else {
            open.pop_back();
        }
    }
    return open.empty();
}

// A Group Policy editor writes exactly the keys, values and types the
// toolbar reads, and shows a text for everything the templates name.
TEST(OutsideCopies, PolicyTemplates) {
    const std::string admxPath = "installer/policies/VeltraneToolBar.admx";
    const std::string admx = SourceFile(admxPath);
    const std::string adml = SourceFile("installer/policies/en-US/VeltraneToolBar.adml");
    EXPECT_TRUE(TagsBalance(admx));
    EXPECT_TRUE(TagsBalance(adml));
    ExpectCopiesOf(std::string(kPolicyKey), admxPath, R"re(<policy [^>]*key="([^"]+)")re");

    // Each policy's value: a number switched by enabled and disabled values,
    // or a plain text element (not an expandable one).
    std::map<std::string, PolicyType> written;
    const std::regex policy(R"(<policy ([^>]*)>([\s\S]*?)</policy>)");
    const std::regex valueName(R"re(valueName="(\w+)")re");
    for (std::sregex_iterator it(admx.begin(), admx.end(), policy), end; it != end; ++it) {
        const std::string head = (*it)[1].str(), body = (*it)[2].str();
        std::smatch name;
        if (std::regex_search(head, name, valueName)) {
            EXPECT_NE(body.find("<enabledValue>"), std::string::npos) << name[1];
            EXPECT_NE(body.find("<disabledValue>\n        <decimal value=\"0\" />"), std::string::npos) << name[1];
            written.emplace(name[1].str(), PolicyType::Number);
        }
        const std::regex text(R"(<text ([^>]*)/>)");
        for (std::sregex_iterator t(body.begin(), body.end(), text); t != end; ++t) {
            const std::string attributes = (*t)[1].str();
            ASSERT_TRUE(std::regex_search(attributes, name, valueName)) << attributes;
            EXPECT_EQ(attributes.find("expandable=\"true\""), std::string::npos) << name[1];
            written.emplace(name[1].str(), PolicyType::Text);
        }
        EXPECT_EQ(body.find("<boolean"), std::string::npos);
    }
    std::map<std::string, PolicyType> read;
    for (const PolicyDefinition& definition : kPolicyTable) read.emplace(definition.ValueName, definition.Type);
    EXPECT_EQ(written, read);

    // Every string and presentation the definitions name has its text.
    const std::regex named(R"(\$\((string|presentation)\.(\w+)\))");
    for (std::sregex_iterator it(admx.begin(), admx.end(), named), end; it != end; ++it)
        EXPECT_NE(adml.find("<" + (*it)[1].str() + " id=\"" + (*it)[2].str() + "\""), std::string::npos) << (*it)[0];
}

}  // namespace
}  // namespace vtb
