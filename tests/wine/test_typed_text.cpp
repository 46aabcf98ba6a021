// Characters as users type them, through the browser's loop with real key
// input: in a Unicode host (as the browser is) and an 8-bit one, letters
// beyond the code page, services that take UTF-8, configuration and
// settings files in UTF-8 and UTF-16. The suite Japanese runs in a process
// of its own on a Japanese computer (code page 932; tools/run_tests.sh).
#include <windows.h>
#include <ole2.h>
#include <shobjidl.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "band/com_server.h"
#include "band/desk_band.h"
#include "core/messages.h"
#include "tests/wine/support_browser.h"
#include "tests/wine/support_site.h"
#include "tests/wine/support_wine.h"
#include "tests/wine/toolbar_fixture.h"
#include "toolbar/module_values.h"
#include "win/code_page.h"

namespace {

using vtb::ComPtr;
using vtbtest::TestSite;

const char* const kUtf8Config = "[Search Encoding]\r\nUTF-8\r\n";

class TypedTextTest : public ::testing::Test {
protected:
    void SetUp() override {
        vtb::test_seam::ResetModuleValues();
        DeleteFileA(settings_.Path().c_str());
        vtbtest::WriteTextFile(config_.Path(), vtbtest::kTestConfig);
    }
    void TearDown() override {
        Close();
        site_.reset();  // after the band, which holds it
    }

    // A band sited in a host of that kind, shown in the foreground, the focus
    // in its search box as the browser leaves it.
    bool Open(bool unicodeHost) {
        wide_ = unicodeHost;
        Close();
        if (factory_.CreateInstance(nullptr, IID_IDeskBand, band_.put_void()) != S_OK) return false;
        TestSite::Offers offers;
        offers.unicodeWindow = unicodeHost;
        site_ = std::make_unique<TestSite>(&browser_, offers);
        ComPtr<IObjectWithSite> withSite;
        band_->QueryInterface(IID_IObjectWithSite, withSite.put_void());
        HWND window = nullptr;
        if (!withSite || withSite->SetSite(static_cast<IInputObjectSite*>(site_.get())) != S_OK ||
            band_->GetWindow(&window) != S_OK)
            return false;
        site_->Show();
        SetForegroundWindow(site_->Window());
        band_->ShowDW(TRUE);
        band_->QueryInterface(IID_IInputObject, input_.put_void());
        if (!input_ || !vtbtest::PumpUntil([this] { return GetForegroundWindow() == site_->Window(); })) return false;
        input_->UIActivateIO(TRUE, nullptr);
        return Form().Search_Edit && IsChild(Form().Search_Edit->Handle(), GetFocus());
    }
    void Close() {
        if (band_) band_->CloseDW(0);
        input_.reset();
        band_.reset();
    }
    vtb::TBandForm& Form() { return *static_cast<vtb::TDeskBand*>(band_.get())->Form(); }
    std::wstring Typed() { return Form().Search_Edit->WideText(); }

    // The browser's loop, reading as the host reads, until done() holds.
    bool Loop(const std::function<bool()>& done, DWORD ms = vtbtest::kWaitMs) {
        return vtbtest::BrowserLoopUntil(input_.get(), done, ms, wide_);
    }
    // Types the text into the box and waits until the box holds it all.
    bool Type(const std::wstring& text) {
        const std::wstring expected = Typed() + text;
        vtbtest::TypeText(text);
        return Loop([&] { return Typed() == expected; });
    }
    bool PressEnter() {
        const std::size_t before = browser_.Navigations.size() + boxes_.Boxes().size();
        vtbtest::TypeKeys({VK_RETURN});
        return Loop([&] { return browser_.Navigations.size() + boxes_.Boxes().size() > before; });
    }
    std::string LastUrl() const { return browser_.Navigations.empty() ? "" : browser_.Navigations.back().url; }

    vtbtest::SavedFile config_{vtb::ChangeFileExt(vtb::ModulePath(), vtb::kConfigExtension)};
    vtbtest::SavedFile settings_{vtb::ChangeFileExt(vtb::ModulePath(), vtb::kSettingsExtension)};
    vtbtest::MessageBoxWatcher boxes_;
    vtbtest::RecordingBrowser browser_;
    vtb::TComServer server_;
    vtb::TDeskBandFactory factory_{server_};
    std::unique_ptr<TestSite> site_;
    ComPtr<IDeskBand> band_;
    ComPtr<IInputObject> input_;
    bool wide_ = false;
};

const char kSearch[] = "https://lexa.example/search?m=all&q=";

TEST_F(TypedTextTest, KeysReachTheSearchBoxAsTypedInAUnicodeAndAnEightBitHost) {
    ASSERT_EQ(1252u, GetACP()) << "the suite runs on a Western computer";
    for (const bool unicodeHost : {true, false}) {
        ASSERT_TRUE(Open(unicodeHost)) << unicodeHost;
        Form().Search_Edit->SetText("");
        // "\u010D" cut to a byte would be a carriage return: a search.
        if (unicodeHost) {
            ASSERT_TRUE(Type(L"\u010D"));
            Loop([] { return false; }, 50);
            EXPECT_TRUE(browser_.Navigations.empty()) << "a letter is no Enter";
            Form().Search_Edit->SetText("");
        }
        ASSERT_TRUE(Type(L"K\u00FCndigung \u20AC")) << unicodeHost;
        ASSERT_TRUE(PressEnter());
        EXPECT_EQ(std::string(kSearch) + "K%FCndigung+%80&from=bar", LastUrl()) << unicodeHost;
        Close();
        browser_.Navigations.clear();
    }
    EXPECT_TRUE(boxes_.Boxes().empty());
}

TEST_F(TypedTextTest, ALetterTheCodePageLacksIsNotSentNorKept) {
    ASSERT_TRUE(Open(true));
    const int listed = Form().Search_Edit->Count();
    Form().Search_Edit->SetText("");
    ASSERT_TRUE(Type(L"\u0141\u00F3d\u017A"));
    ASSERT_TRUE(PressEnter());
    EXPECT_TRUE(browser_.Navigations.empty()) << "never \"?\" for a letter: " << LastUrl();
    ASSERT_EQ(1u, boxes_.Boxes().size());
    EXPECT_EQ(vtb::kQueryNotSendable, boxes_.Boxes()[0].text);
    EXPECT_TRUE(boxes_.Boxes()[0].errorIcon);
    EXPECT_EQ(listed, Form().Search_Edit->Count()) << "nothing joins the history";
    EXPECT_EQ(L"\u0141\u00F3d\u017A", Typed()) << "the query stays for the user to change";
}

TEST_F(TypedTextTest, AServiceThatTakesUtf8GetsEveryLetterAndTheHistoryKeepsThemAcrossSessions) {
    vtbtest::WriteTextFile(config_.Path(), std::string(vtbtest::kTestConfig) + kUtf8Config);
    ASSERT_TRUE(Open(true));
    Form().Search_Edit->SetText("");
    const std::wstring query = L"\u0141\u00F3d\u017A \u6771\u4EAC";
    ASSERT_TRUE(Type(query));
    ASSERT_TRUE(PressEnter());
    EXPECT_EQ(std::string(kSearch) + "%C5%81%C3%B3d%C5%BA+%E6%9D%B1%E4%BA%AC&from=bar", LastUrl());
    Close();

    // Stored as plain ASCII that earlier versions read and keep.
    char stored[256] = {};
    GetPrivateProfileStringA("Settings", "Search History0", "", stored, sizeof stored, settings_.Path().c_str());
    EXPECT_STREQ("UTF-8:%C5%81%C3%B3d%C5%BA %E6%9D%B1%E4%BA%AC", stored);
    ASSERT_TRUE(Open(true));
    const HWND box = Form().Search_Edit->Handle();
    ASSERT_EQ(1, Form().Search_Edit->Count());
    wchar_t listed[64] = {};
    SendMessageW(box, CB_GETLBTEXT, 0, reinterpret_cast<LPARAM>(listed));
    EXPECT_EQ(query, listed);
}

class FilesTest : public vtbtest::ToolbarFormTest {};

TEST_F(FilesTest, AConfigurationSavedAsUtf8OrUtf16ReadsInTheCodePage) {
    std::string config = vtbtest::kTestConfig;
    config.replace(config.find("Cases|"), 5, "K\xC3\xBCndigung");
    vtb::TBandForm& form = Build("\xEF\xBB\xBF" + config);
    EXPECT_EQ("K\xFCndigung", form.SpdButn[0]->Caption());
    EXPECT_EQ("7.2", vtb::SnapshotModuleValues().Config.ConfigVersion) << "the mark is no part of line 0";
    Close();

    std::string utf16 = "\xFF\xFE";
    for (const wchar_t c : *vtb::Utf8ToUtf16(config)) utf16 += std::string{char(c & 0xFF), char(c >> 8)};
    vtb::TBandForm& again = Build(utf16);
    EXPECT_EQ("K\xFCndigung", again.SpdButn[0]->Caption());
    EXPECT_TRUE(boxes_.Boxes().empty());
}

TEST_F(FilesTest, ASettingsFileAnotherProgramKeepsInUtf16KeepsItsLetters) {
    const std::wstring theirs = L"Kommentar=\u0141\u00F3d\u017A \u6771\u4EAC";
    const std::wstring other = L"[Andere]\r\nName=\u0416\r\n";
    const std::wstring file = L"\uFEFF[Settings]\r\n" + theirs + L"\r\nSpdButn_2=1\r\n" + other;
    vtbtest::WriteTextFile(SettingsPath(), std::string(reinterpret_cast<const char*>(file.data()), file.size() * 2));
    vtb::TBandForm& form = Build(vtbtest::kTestConfig);
    EXPECT_TRUE(form.SpdButn[1]->Visible()) << "its keys read";
    form.Search_Edit->SetText("tort");
    form.Search_SpdButnClick(form.Search_SpdButn);
    Close();

    const std::string bytes = vtbtest::ReadTextFile(SettingsPath());
    ASSERT_EQ(0u, bytes.size() % 2);
    const std::wstring saved(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / 2);
    EXPECT_NE(std::wstring::npos, saved.find(theirs)) << "another program's key, letter for letter";
    EXPECT_NE(std::wstring::npos, saved.find(other));
    EXPECT_NE(std::wstring::npos, saved.find(L"Search History0=tort"));
}

// ---- On a Japanese computer -----------------------------------------------------

std::string InCodePage(const std::wstring& text) {
    bool exact = false;
    std::string bytes = vtb::Narrow(text, exact);
    EXPECT_TRUE(exact);
    return bytes;
}

class Japanese : public TypedTextTest {
protected:
    void SetUp() override {
        ASSERT_EQ(932u, GetACP()) << "run with LANG=ja_JP.UTF-8 (tools/run_tests.sh)";
        TypedTextTest::SetUp();
    }
};

TEST_F(Japanese, SignsInsideDoubleByteLettersAreNoSigns) {
    // "\u30DD" (po) ends in the byte of "|".
    const std::string support = InCodePage(L"\u30B5\u30DD\u30FC\u30C8");
    ASSERT_NE(std::string::npos, support.find('|'));
    std::string config = vtbtest::kTestConfig;
    config.replace(config.find("Cases|"), 5, support);
    vtbtest::WriteTextFile(config_.Path(), config);
    ASSERT_TRUE(Open(true));
    EXPECT_EQ(support, Form().SpdButn[0]->Caption());
    Form().KorviButtonClick(Form().SpdButn[0]);
    EXPECT_EQ("https://lexa.example/cases", LastUrl());
    EXPECT_TRUE(boxes_.Boxes().empty());
}

TEST_F(Japanese, TypedJapaneseIsSentInTheCodePageFromEitherHost) {
    for (const bool unicodeHost : {true, false}) {
        ASSERT_TRUE(Open(unicodeHost));
        Form().Search_Edit->SetText("");
        ASSERT_TRUE(Type(L"\u6771\u4EAC \u30DD")) << unicodeHost;
        ASSERT_TRUE(PressEnter());
        EXPECT_EQ(std::string(kSearch) + "%93%8C%8B%9E+%83%7C&from=bar", LastUrl()) << unicodeHost;
        Close();
    }
    EXPECT_TRUE(boxes_.Boxes().empty());
}

}  // namespace
