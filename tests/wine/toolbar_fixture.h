// A toolbar form built inside the test program: its configuration, settings
// and glyph files lie beside wine_tests.exe, as they would beside the DLL.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "core/file_paths.h"
#include "core/identifiers.h"
#include "tests/wine/support_wine.h"
#include "toolbar/band_form.h"
#include "toolbar/module_values.h"
#include "widgets/combo_box.h"
#include "widgets/glyph_button.h"
#include "win/module.h"

namespace vtbtest {

// A configuration with every section, small enough to read at a glance.
inline const char* const kTestConfig =
    "7.2|spring edition\r\n"
    "[Buttons]\r\n"
    "6\r\n"
    "Lexa|https://lexa.example/\r\n"
    "Find|https://lexa.example/find\r\n"
    "Options|https://lexa.example/options\r\n"
    "Cases|https://lexa.example/cases\r\n"
    "Statutes|https://lexa.example/statutes\r\n"
    "Case Lookup|https://lexa.example/lookup\r\n"
    "\r\n"
    "[Main Menu]\r\n"
    "6\r\n"
    "Home|https://lexa.example/home\r\n"
    "Research|\r\n"
    "+Treaties|https://lexa.example/treaties\r\n"
    "-|\r\n"
    "Update toolbar|@1\r\n"
    "Help|https://lexa.example/help\r\n"
    "[Settings Menu - Search]\r\n"
    "3\r\n"
    "Search in|\r\n"
    "All documents|all\r\n"
    "Cases only|cases\r\n"
    "Statutes only|statutes\r\n"
    "[Settings Menu - Misc]\r\n"
    "2\r\n"
    "Clear history|@2\r\n"
    "About|@4\r\n"
    "[Search Parameters]\r\n"
    "https://lexa.example/search?m=\r\n"
    "&q=\r\n"
    "&from=bar\r\n"
    "[ToolBar Update URL]\r\n"
    "http://127.0.0.1:1/update.cfg\r\n";

class ToolbarFormTest : public ::testing::Test {
protected:
    void SetUp() override {
        vtb::test_seam::ResetModuleValues();
        DeleteFileA(ConfigPath().c_str());
        DeleteFileA(SettingsPath().c_str());
        parent_.reset(CreateWindowExA(0, "STATIC", "site", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 0, 0, 900, 80,
                                      nullptr, nullptr, GetModuleHandleA(nullptr), nullptr));
    }
    void TearDown() override {
        form_.reset();
        parent_.reset();
        DeleteFileA(ConfigPath().c_str());
        DeleteFileA(SettingsPath().c_str());
    }

    static std::string ConfigPath() { return vtb::ChangeFileExt(vtb::ModulePath(), vtb::kConfigExtension); }
    static std::string SettingsPath() { return vtb::ChangeFileExt(vtb::ModulePath(), vtb::kSettingsExtension); }
    static std::string GlyphPath(const std::string& caption) { return ExeDir() + caption + vtb::kGlyphExtension; }

    vtb::TBandForm& Build(const std::string& config) {
        WriteTextFile(ConfigPath(), config);
        return Build();
    }
    // Builds from whatever files are there now.
    vtb::TBandForm& Build() {
        form_ = vtb::TBandForm::Create(parent_.get());
        return *form_;
    }
    // Destroys the form, which saves the settings.
    void Close() { form_.reset(); }

    static std::string Ini(const std::string& key) {
        char buffer[2048];
        GetPrivateProfileStringA("Settings", key.c_str(), "<missing>", buffer, sizeof buffer, SettingsPath().c_str());
        return buffer;
    }
    static void SetIni(const std::string& key, const std::string& value) {
        WritePrivateProfileStringA("Settings", key.c_str(), value.c_str(), SettingsPath().c_str());
    }

    HWND Parent() const { return parent_.get(); }

    MessageBoxWatcher boxes_;
    vtb::UniqueWindow parent_;
    std::unique_ptr<vtb::TBandForm> form_;
};

}  // namespace vtbtest
