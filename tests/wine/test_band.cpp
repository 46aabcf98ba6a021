// The band object as the browser drives it: created through the DLL's
// factory, sited with a test site, asked for its window and sizes, shown,
// focused and closed. A few checks look inside at the form it hosts.
#include <windows.h>
#include <ole2.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <string>
#include <vector>

#include "band/com_server.h"
#include "band/desk_band.h"
#include "band/registry.h"
#include "core/config_file.h"
#include "tests/wine/support_browser.h"
#include "tests/wine/support_menu.h"
#include "tests/wine/support_site.h"
#include "tests/wine/support_wine.h"
#include "tests/wine/toolbar_fixture.h"
#include "widgets/toolkit.h"
#include "win/class_id.h"
#include "win/handles.h"
#include "win/module.h"
#include "toolbar/module_values.h"
#include "vtb_version.h"

namespace {

using vtb::ComPtr;
using vtbtest::RecordingBrowser;
using vtbtest::TestSite;

const CLSID kBandClsid = vtb::kBandClassGuid;
constexpr BOOL kFocusSet = -1;

ComPtr<IUnknown> IdentityOf(IUnknown* object) {
    ComPtr<IUnknown> identity;
    object->QueryInterface(IID_IUnknown, identity.put_void());
    return identity;
}

HRESULT SetSiteOf(IUnknown* band, IUnknown* site) {
    ComPtr<IObjectWithSite> withSite;
    const HRESULT found = band->QueryInterface(IID_IObjectWithSite, withSite.put_void());
    return FAILED(found) ? found : withSite->SetSite(site);
}

// ---- Through the DLL -------------------------------------------------------

class BandTest : public ::testing::Test {
protected:
    void SetUp() override {
        DeleteFileA(settings_.Path().c_str());
        vtbtest::WriteTextFile(config_.Path(), vtbtest::kTestConfig);
        ASSERT_TRUE(dll_.module);
        ComPtr<IClassFactory> factory;
        ASSERT_EQ(S_OK, dll_.GetClassObject(kBandClsid, IID_IClassFactory, factory.put_void()));
        ASSERT_EQ(S_OK, factory->CreateInstance(nullptr, IID_IDeskBand, band_.put_void()));
    }
    void TearDown() override {
        band_.reset();
        EXPECT_EQ(0, site_.RefCount()) << "the band let go of its site";
        EXPECT_EQ(0, browser_.RefCount()) << "the band and its form let go of the browser";
        EXPECT_EQ(S_OK, dll_.CanUnloadNow());
    }

    HWND Sited() {
        EXPECT_EQ(S_OK, SetSiteOf(band_.get(), static_cast<IInputObjectSite*>(&site_)));
        HWND window = nullptr;
        EXPECT_EQ(S_OK, band_->GetWindow(&window));
        EXPECT_TRUE(IsWindow(window));
        return window;
    }
    template <typename I>
    ComPtr<I> As(REFIID iid) {
        ComPtr<I> result;
        EXPECT_EQ(S_OK, band_->QueryInterface(iid, result.put_void()));
        return result;
    }

    vtbtest::SavedFile config_{vtbtest::ExeDir() + vtb::kConfigFileName};
    vtbtest::SavedFile settings_{vtbtest::ExeDir() + vtb::kSettingsFileName};
    vtbtest::MessageBoxWatcher boxes_;
    RecordingBrowser browser_;
    TestSite site_{&browser_};
    vtbtest::ToolbarDll dll_;
    ComPtr<IDeskBand> band_;
};

TEST_F(BandTest, QueryInterfaceAnswersExactlyTheBandInterfaces) {
    const IID* accepted[] = {&IID_IUnknown,           &IID_ISupportErrorInfo, &IID_IInputObject, &IID_IObjectWithSite,
                             &IID_IPersistStreamInit, &IID_IPersist,          &IID_IDeskBand};
    const IID* refused[] = {&IID_IOleWindow, &IID_IDockingWindow,   &IID_IPersistStream, &IID_IDeskBand2,
                            &IID_IDispatch,  &IID_IOleObject,       &IID_IClassFactory,  &IID_IInputObjectSite,
                            &IID_IMarshal,   &IID_IOleCommandTarget};
    ComPtr<ISupportErrorInfo> errorInfo = As<ISupportErrorInfo>(IID_ISupportErrorInfo);
    ASSERT_TRUE(errorInfo);
    for (const IID* iid : accepted) {
        ComPtr<IUnknown> found;
        EXPECT_EQ(S_OK, band_->QueryInterface(*iid, found.put_void())) << vtb::GUIDToString(*iid);
        EXPECT_TRUE(found);
        EXPECT_EQ(S_OK, errorInfo->InterfaceSupportsErrorInfo(*iid)) << vtb::GUIDToString(*iid);
    }
    for (const IID* iid : refused) {
        void* found = &found;
        EXPECT_EQ(E_NOINTERFACE, band_->QueryInterface(*iid, &found)) << vtb::GUIDToString(*iid);
        EXPECT_EQ(nullptr, found);
        EXPECT_EQ(S_FALSE, errorInfo->InterfaceSupportsErrorInfo(*iid)) << vtb::GUIDToString(*iid);
    }

    ComPtr<IPersist> persist = As<IPersist>(IID_IPersist);
    ComPtr<IPersistStreamInit> streamInit = As<IPersistStreamInit>(IID_IPersistStreamInit);
    EXPECT_EQ(static_cast<IUnknown*>(streamInit.get()), static_cast<IUnknown*>(persist.get()));
    EXPECT_EQ(IdentityOf(band_.get()).get(), IdentityOf(streamInit.get()).get());
    EXPECT_EQ(IdentityOf(band_.get()).get(), IdentityOf(errorInfo.get()).get());
}

TEST_F(BandTest, MethodsWithFixedResults) {
    ComPtr<IPersistStreamInit> persist = As<IPersistStreamInit>(IID_IPersistStreamInit);
    ASSERT_TRUE(persist);
    CLSID id = {};
    EXPECT_EQ(S_OK, persist->GetClassID(&id));
    EXPECT_TRUE(IsEqualCLSID(kBandClsid, id));
    EXPECT_EQ(S_FALSE, persist->IsDirty());

    ComPtr<IStream> stream;
    ASSERT_EQ(S_OK, CreateStreamOnHGlobal(nullptr, TRUE, stream.put()));
    EXPECT_EQ(S_OK, persist->Save(stream.get(), TRUE));
    EXPECT_EQ(S_OK, persist->Load(stream.get()));
    STATSTG stat = {};
    ASSERT_EQ(S_OK, stream->Stat(&stat, STATFLAG_NONAME));
    EXPECT_EQ(0u, stat.cbSize.QuadPart) << "Save writes nothing";

    ULARGE_INTEGER size;
    size.QuadPart = 12345;
    EXPECT_EQ(E_NOTIMPL, persist->GetSizeMax(&size));
    EXPECT_EQ(12345u, size.QuadPart);
    EXPECT_EQ(E_NOTIMPL, persist->InitNew());

    EXPECT_EQ(E_NOTIMPL, band_->ContextSensitiveHelp(TRUE));
    vtbtest::CountingUnknown toolbarSite;
    RECT border = {0, 0, 10, 10};
    EXPECT_EQ(E_NOTIMPL, band_->ResizeBorderDW(&border, &toolbarSite, FALSE));
    EXPECT_EQ(0, toolbarSite.RefCount()) << "the toolbar site is not kept";

    EXPECT_EQ(E_POINTER, band_->GetWindow(nullptr));
    EXPECT_EQ(E_POINTER, band_->GetBandInfo(0, 0, nullptr));
    EXPECT_EQ(E_POINTER, persist->GetClassID(nullptr));
}

TEST_F(BandTest, GetSiteWithoutASiteFails) {
    ComPtr<IObjectWithSite> withSite = As<IObjectWithSite>(IID_IObjectWithSite);
    ASSERT_TRUE(withSite);
    void* site = &site;
    EXPECT_EQ(E_FAIL, withSite->GetSite(IID_IUnknown, &site));
    EXPECT_EQ(nullptr, site);
}

TEST_F(BandTest, SetSiteNullKeepsTheSiteUntilTheBandGoes) {
    ComPtr<IObjectWithSite> withSite = As<IObjectWithSite>(IID_IObjectWithSite);
    ASSERT_TRUE(withSite);
    EXPECT_EQ(S_OK, withSite->SetSite(static_cast<IInputObjectSite*>(&site_)));
    EXPECT_EQ(1, site_.ServiceQueries);
    EXPECT_GT(browser_.RefCount(), 0);

    EXPECT_EQ(S_OK, withSite->SetSite(nullptr));
    ComPtr<IOleWindow> window;
    EXPECT_EQ(S_OK, withSite->GetSite(IID_IOleWindow, window.put_void()));
    EXPECT_EQ(static_cast<IOleWindow*>(&site_), window.get());
    EXPECT_GT(site_.RefCount(), 1);
    EXPECT_GT(browser_.RefCount(), 0);

    void* none = &none;
    EXPECT_EQ(E_NOINTERFACE, withSite->GetSite(IID_IDeskBand, &none)) << "the site's own answer";
    EXPECT_EQ(nullptr, none);
    // TearDown checks that the final Release lets go of site and browser.
}

TEST_F(BandTest, ALaterSiteReplacesTheFirst) {
    const HWND form = Sited();
    RecordingBrowser otherBrowser;
    TestSite other(&otherBrowser);
    ComPtr<IObjectWithSite> withSite = As<IObjectWithSite>(IID_IObjectWithSite);
    ASSERT_TRUE(withSite);
    EXPECT_EQ(S_OK, withSite->SetSite(static_cast<IInputObjectSite*>(&other)));
    EXPECT_EQ(0, site_.RefCount()) << "the first site was released";

    ComPtr<IUnknown> current;
    EXPECT_EQ(S_OK, withSite->GetSite(IID_IUnknown, current.put_void()));
    EXPECT_EQ(static_cast<IInputObjectSite*>(&other), current.get());
    EXPECT_EQ(site_.Window(), GetParent(form)) << "the form keeps its parent";

    EXPECT_EQ(S_OK, band_->ShowDW(TRUE));
    EXPECT_TRUE(site_.FocusCalls.empty());
    EXPECT_EQ(1u, other.FocusCalls.size());

    current.reset();
    withSite.reset();
    band_.reset();
    EXPECT_EQ(0, other.RefCount());
    EXPECT_EQ(0, otherBrowser.RefCount());
}

TEST_F(BandTest, GetWindowCreatesOneFormInTheSiteWindow) {
    const HWND form = Sited();
    EXPECT_EQ(site_.Window(), GetParent(form));
    EXPECT_TRUE(GetWindowLongA(form, GWL_STYLE) & WS_CHILD);
    EXPECT_TRUE(boxes_.Boxes().empty()) << (boxes_.Boxes().empty() ? "" : boxes_.Boxes()[0].text);

    HWND again = nullptr;
    EXPECT_EQ(S_OK, band_->GetWindow(&again));
    EXPECT_EQ(form, again);

    // One hook: a click over a child reaches the band once.
    SendMessageA(form, WM_PARENTNOTIFY, WM_LBUTTONDOWN, MAKELPARAM(5, 5));
    ASSERT_EQ(1u, site_.FocusCalls.size());
    EXPECT_EQ(kFocusSet, site_.FocusCalls[0].setFocus);
    EXPECT_EQ(IdentityOf(band_.get()).get(), site_.FocusCalls[0].object);
    EXPECT_EQ(S_OK, As<IInputObject>(IID_IInputObject)->HasFocusIO());
}

TEST_F(BandTest, BandInfoReportsTheFormsSize) {
    DESKBANDINFO info;
    std::memset(&info, 0xA5, sizeof info);
    info.dwMask =
        DBIM_MINSIZE | DBIM_MAXSIZE | DBIM_INTEGRAL | DBIM_ACTUAL | DBIM_TITLE | DBIM_MODEFLAGS | DBIM_BKCOLOR;
    EXPECT_EQ(S_OK, band_->GetBandInfo(0, DBIF_VIEWMODE_NORMAL, &info));
    EXPECT_EQ(0, info.ptMinSize.x) << "no form yet: no size";
    EXPECT_EQ(0, info.ptActual.y);

    const HWND form = Sited();
    RECT client = {};
    GetClientRect(form, &client);
    ASSERT_GT(client.bottom, 0);
    std::memset(&info, 0xA5, sizeof info);
    const COLORREF untouched = info.crBkgnd;
    info.dwMask =
        DBIM_MINSIZE | DBIM_MAXSIZE | DBIM_INTEGRAL | DBIM_ACTUAL | DBIM_TITLE | DBIM_MODEFLAGS | DBIM_BKCOLOR;
    EXPECT_EQ(S_OK, band_->GetBandInfo(7, DBIF_VIEWMODE_VERTICAL, &info));
    EXPECT_GT(info.ptMinSize.x, 0) << "the main button's width";
    EXPECT_LE(info.ptMinSize.x, client.right);
    EXPECT_EQ(client.bottom, info.ptMinSize.y);
    EXPECT_EQ(-1, info.ptMaxSize.x);
    EXPECT_EQ(client.bottom, info.ptMaxSize.y);
    EXPECT_EQ(1, info.ptIntegral.x);
    EXPECT_EQ(1, info.ptIntegral.y);
    EXPECT_EQ(client.right, info.ptActual.x);
    EXPECT_EQ(client.bottom, info.ptActual.y);
    EXPECT_EQ(static_cast<DWORD>(DBIMF_BKCOLOR), info.dwModeFlags);
    EXPECT_EQ(L'\0', info.wszTitle[0]);
    EXPECT_EQ(
        static_cast<DWORD>(DBIM_MINSIZE | DBIM_MAXSIZE | DBIM_INTEGRAL | DBIM_ACTUAL | DBIM_TITLE | DBIM_MODEFLAGS),
        info.dwMask);
    EXPECT_EQ(untouched, info.crBkgnd);
}

TEST_F(BandTest, BandInfoWithOnlyTheBackgroundBitWritesNothing) {
    Sited();
    DESKBANDINFO info, expected;
    std::memset(&info, 0x5A, sizeof info);
    info.dwMask = DBIM_BKCOLOR;
    expected = info;
    expected.dwMask = 0;
    EXPECT_EQ(S_OK, band_->GetBandInfo(0, 0, &info));
    EXPECT_EQ(0, std::memcmp(&expected, &info, sizeof info));
}

TEST_F(BandTest, ShowAndActivationMoveTheFocusFlag) {
    ComPtr<IInputObject> input = As<IInputObject>(IID_IInputObject);
    ASSERT_TRUE(input);
    EXPECT_EQ(S_FALSE, input->HasFocusIO()) << "not focused at creation";
    EXPECT_EQ(S_OK, input->UIActivateIO(TRUE, nullptr)) << "no form, no site";
    EXPECT_EQ(S_OK, band_->ShowDW(TRUE)) << "no site to notify";

    const HWND form = Sited();
    const ComPtr<IUnknown> identity = IdentityOf(band_.get());
    EXPECT_EQ(S_OK, band_->ShowDW(TRUE));
    EXPECT_EQ(S_OK, input->HasFocusIO());
    EXPECT_EQ(S_OK, band_->ShowDW(FALSE));
    EXPECT_EQ(S_FALSE, input->HasFocusIO());
    ASSERT_EQ(2u, site_.FocusCalls.size());
    EXPECT_EQ(identity.get(), site_.FocusCalls[0].object);
    EXPECT_EQ(kFocusSet, site_.FocusCalls[0].setFocus);
    EXPECT_EQ(identity.get(), site_.FocusCalls[1].object);
    EXPECT_EQ(FALSE, site_.FocusCalls[1].setFocus);

    // Activation tells nobody and hands the keyboard to the form: to the
    // search box, its old query selected, so that typing replaces it.
    site_.Show();
    ShowWindow(form, SW_SHOW);
    const HWND combo = FindWindowExA(form, nullptr, "ComboBox", nullptr);
    SetWindowTextA(combo, "old query");
    EXPECT_EQ(S_OK, input->UIActivateIO(TRUE, nullptr));
    EXPECT_EQ(S_OK, input->HasFocusIO());
    const HWND focus = GetFocus();
    EXPECT_TRUE(focus && IsChild(combo, focus));
    EXPECT_EQ(MAKELONG(0, 9), SendMessageA(combo, CB_GETEDITSEL, 0, 0));
    EXPECT_EQ(S_OK, input->UIActivateIO(FALSE, nullptr));
    EXPECT_EQ(S_FALSE, input->HasFocusIO());
    EXPECT_EQ(2u, site_.FocusCalls.size());
}

// A window that records what reaches it.
std::vector<MSG> received;

LRESULT CALLBACK RecordingProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_KEYDOWN || msg == WM_KEYUP || msg == WM_CHAR)
        received.push_back({window, msg, wParam, lParam, 0, {0, 0}});
    return DefWindowProcA(window, msg, wParam, lParam);
}

TEST_F(BandTest, TranslateAcceleratorTakesOnlyTheToolbarsKeysAndNeverTab) {
    WNDCLASSA cls = {};
    cls.lpfnWndProc = RecordingProc;
    cls.hInstance = GetModuleHandleA(nullptr);
    cls.lpszClassName = "VtbKeyRecorder";
    RegisterClassA(&cls);
    vtb::UniqueWindow page(CreateWindowExA(0, "VtbKeyRecorder", "", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr,
                                           GetModuleHandleA(nullptr), nullptr));
    ASSERT_TRUE(page);
    ComPtr<IInputObject> input = As<IInputObject>(IID_IInputObject);
    ASSERT_TRUE(input);
    const HWND form = Sited();
    site_.Show();
    ASSERT_EQ(S_OK, band_->ShowDW(TRUE));  // the band holds the focus flag
    const HWND combo = FindWindowExA(form, nullptr, "ComboBox", nullptr);
    COMBOBOXINFO info{};
    info.cbSize = sizeof info;
    ASSERT_TRUE(GetComboBoxInfo(combo, &info));
    const HWND edit = info.hwndItem;
    const auto text = [combo] {
        char buffer[64] = {};
        GetWindowTextA(combo, buffer, sizeof buffer);
        return std::string(buffer);
    };
    SetWindowTextA(combo, "");
    EXPECT_TRUE(vtbtest::PumpPending());
    received.clear();

    // The page's keys are the browser's (F5, Ctrl+L, a letter): refused,
    // neither translated nor dispatched, so its accelerators run.
    for (const MSG& key : {MSG{page.get(), WM_KEYDOWN, VK_F5, 0x003F0001, 0, {0, 0}},
                           MSG{page.get(), WM_KEYDOWN, 'L', 0x00260001, 0, {0, 0}},
                           MSG{page.get(), WM_CHAR, 'q', 0x00100001, 0, {0, 0}}}) {
        MSG copy = key;
        EXPECT_EQ(S_FALSE, input->TranslateAcceleratorIO(&copy)) << key.wParam;
    }
    // Tab is the browser's wherever it is pressed.
    MSG tab = {edit, WM_KEYDOWN, VK_TAB, 0x000F0001, 0, {0, 0}};
    EXPECT_EQ(S_FALSE, input->TranslateAcceleratorIO(&tab));
    MSG tabUp = {edit, WM_KEYUP, VK_TAB, static_cast<LPARAM>(0xC00F0001), 0, {0, 0}};
    EXPECT_EQ(S_FALSE, input->TranslateAcceleratorIO(&tabUp));
    vtbtest::PumpToShowNothingHappens(20);
    EXPECT_TRUE(received.empty()) << "nothing reached the page through the band";
    EXPECT_EQ("", text());

    // The search box's keys are the toolbar's: a key press is translated,
    // its character follows in the queue.
    MSG letter = {edit, WM_CHAR, 'q', 0x00100001, 0, {0, 0}};
    EXPECT_EQ(S_OK, input->TranslateAcceleratorIO(&letter));
    MSG key = {edit, WM_KEYDOWN, 'A', 0x001E0001, 0, {0, 0}};
    EXPECT_EQ(S_OK, input->TranslateAcceleratorIO(&key));
    EXPECT_TRUE(vtbtest::PumpUntil([&] { return text() == "qa"; }));

    // Hidden, the toolbar has no keys.
    ShowWindow(form, SW_HIDE);
    MSG hidden = {edit, WM_CHAR, 'z', 0x002C0001, 0, {0, 0}};
    EXPECT_EQ(S_FALSE, input->TranslateAcceleratorIO(&hidden));
    EXPECT_EQ("qa", text());
    EXPECT_EQ(E_POINTER, input->TranslateAcceleratorIO(nullptr));
    EXPECT_EQ(S_OK, band_->CloseDW(0));
}

TEST_F(BandTest, EnterPassedByTheBrowserRunsOneSearch) {
    const HWND form = Sited();
    site_.Show();
    ASSERT_EQ(S_OK, band_->ShowDW(TRUE));
    const HWND combo = FindWindowExA(form, nullptr, "ComboBox", nullptr);
    ASSERT_TRUE(combo);
    SetWindowTextA(combo, "negligence");
    ComPtr<IInputObject> input = As<IInputObject>(IID_IInputObject);
    ASSERT_EQ(S_OK, input->UIActivateIO(TRUE, nullptr));
    const HWND edit = GetFocus();
    ASSERT_TRUE(edit == combo || IsChild(combo, edit));

    // The browser's loop: every keyboard message goes through the band.
    MSG key = {edit, WM_KEYDOWN, VK_RETURN, 0x001C0001, 0, {0, 0}};
    EXPECT_EQ(S_OK, input->TranslateAcceleratorIO(&key));
    MSG next;
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < vtbtest::kWaitMs && PeekMessageA(&next, nullptr, 0, 0, PM_REMOVE)) {
        if (next.message >= WM_KEYFIRST && next.message <= WM_KEYLAST) {
            input->TranslateAcceleratorIO(&next);
        } else {
            TranslateMessage(&next);
            DispatchMessageA(&next);
        }
    }
    ASSERT_EQ(1u, browser_.Navigations.size());
    EXPECT_EQ("https://lexa.example/search?m=all&q=negligence&from=bar", browser_.Navigations[0].url);
    EXPECT_EQ(S_OK, band_->CloseDW(0));
}

TEST_F(BandTest, AboutBoxNamesTheVersions) {
    std::string cfg = vtbtest::kTestConfig;
    cfg.replace(cfg.find("Home|https://lexa.example/home"), 30, "About us|@4");
    vtbtest::WriteTextFile(config_.Path(), cfg);
    Sited();
    site_.Show();
    // The main button's menu: its first entry.
    const HWND form = FindWindowExA(site_.Window(), nullptr, "TBandForm", nullptr);
    ASSERT_TRUE(form);
    vtbtest::MenuChooser chooser({VK_DOWN, VK_RETURN});
    PostMessageA(form, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(50, 12));
    PostMessageA(form, WM_LBUTTONUP, 0, MAKELPARAM(50, 12));
    EXPECT_TRUE(boxes_.WaitForBoxes(1, 6000));
    EXPECT_TRUE(chooser.Opened());
    const auto shown = boxes_.Boxes();
    ASSERT_EQ(1u, shown.size());
    const std::string& text = shown[0].text;
    EXPECT_TRUE(shown[0].noIcon);
    EXPECT_NE(std::string::npos, text.find("\r\rInternet Explorer Version: ")) << text;
    EXPECT_NE(std::string::npos, text.find(std::string("\rKorvi Toolbar Version:\t") + VTB_VERSION_TEXT + "\r")) << text;
    const std::string tail = "\rConfiguration Version: \t7.2\t (spring edition)";
    EXPECT_EQ(tail, text.substr(text.size() - tail.size())) << text;
    EXPECT_EQ(S_OK, band_->CloseDW(0));
}

TEST_F(BandTest, CloseDWDestroysTheFormAndSavesTheSettings) {
    const HWND form = Sited();
    EXPECT_FALSE(vtbtest::FileExists(settings_.Path()));
    EXPECT_EQ(S_OK, band_->ShowDW(FALSE));
    EXPECT_EQ(S_OK, band_->CloseDW(0));
    EXPECT_FALSE(IsWindow(form));
    EXPECT_NE(std::string::npos, vtbtest::ReadTextFile(settings_.Path()).find("[Settings]"));
    EXPECT_EQ(S_OK, band_->CloseDW(0)) << "nothing left to close";

    DESKBANDINFO info = {};
    info.dwMask = DBIM_ACTUAL;
    EXPECT_EQ(S_OK, band_->GetBandInfo(0, 0, &info));
    EXPECT_EQ(0, info.ptActual.x) << "no form after CloseDW";

    HWND again = nullptr;
    EXPECT_EQ(S_OK, band_->GetWindow(&again));
    EXPECT_TRUE(IsWindow(again));
    EXPECT_EQ(site_.Window(), GetParent(again));
}

TEST_F(BandTest, ReleasingTheBandWithoutCloseDWTakesTheFormAlong) {
    const HWND form = Sited();
    EXPECT_EQ(S_OK, band_->ShowDW(TRUE));
    const size_t calls = site_.FocusCalls.size();
    band_.reset();
    EXPECT_FALSE(IsWindow(form));
    EXPECT_TRUE(vtbtest::FileExists(settings_.Path())) << "the form saved the settings on its way";
    EXPECT_EQ(calls, site_.FocusCalls.size()) << "the dying form no longer calls the band";
    EXPECT_TRUE(vtbtest::PumpPending()) << "what the dying form left queued runs without it";
}

TEST_F(BandTest, SiteWindowGoneBeforeTheBandKeepsTheStoredHistory) {
    WritePrivateProfileStringA("Settings", "Search History0", "lien", settings_.Path().c_str());
    WritePrivateProfileStringA("Settings", "Search History1", "tort", settings_.Path().c_str());
    const HWND form = Sited();
    ASSERT_TRUE(IsWindow(form));
    DestroyWindow(site_.Window());  // the browser tears its window down first
    EXPECT_FALSE(IsWindow(form));
    band_.reset();
    char value[64];
    GetPrivateProfileStringA("Settings", "Search History0", "", value, sizeof value, settings_.Path().c_str());
    EXPECT_STREQ(value, "lien");
    GetPrivateProfileStringA("Settings", "Search History1", "", value, sizeof value, settings_.Path().c_str());
    EXPECT_STREQ(value, "tort");
}

TEST_F(BandTest, NoFormOnASiteWindowThatIsGone) {
    WritePrivateProfileStringA("Settings", "Search History0", "lien", settings_.Path().c_str());
    ASSERT_EQ(S_OK, SetSiteOf(band_.get(), static_cast<IInputObjectSite*>(&site_)));
    DestroyWindow(site_.Window());
    HWND window = nullptr;
    EXPECT_EQ(E_FAIL, band_->GetWindow(&window));
    EXPECT_EQ(nullptr, window);
    band_.reset();
    char value[64];
    GetPrivateProfileStringA("Settings", "Search History0", "", value, sizeof value, settings_.Path().c_str());
    EXPECT_STREQ(value, "lien");
}

TEST_F(BandTest, SitesLackingInterfacesAreAcceptedWithWhatTheyOffer) {
    band_.reset();
    struct Case {
        const char* name;
        TestSite::Offers offers;
    };
    const Case cases[] = {
        {"no input object site", {false, true, true, true}},
        {"no window", {true, false, true, true}},
        {"no command target", {true, true, false, true}},
        {"no service provider", {true, true, true, false}},
    };
    ComPtr<IClassFactory> factory;
    ASSERT_EQ(S_OK, dll_.GetClassObject(kBandClsid, IID_IClassFactory, factory.put_void()));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingBrowser browser;
        TestSite site(&browser, c.offers);
        {
            ComPtr<IDeskBand> band;
            ASSERT_EQ(S_OK, factory->CreateInstance(nullptr, IID_IDeskBand, band.put_void()));
            EXPECT_EQ(S_OK, SetSiteOf(band.get(), static_cast<IInputObjectSite*>(&site)));
            HWND window = reinterpret_cast<HWND>(1);
            const HRESULT windowResult = band->GetWindow(&window);
            if (c.offers.oleWindow) {
                EXPECT_EQ(S_OK, windowResult);
                EXPECT_EQ(site.Window(), GetParent(window));
            } else {
                EXPECT_EQ(E_FAIL, windowResult) << "no parent for the form";
                EXPECT_EQ(nullptr, window);
            }
            DESKBANDINFO info = {};
            info.dwMask = DBIM_ACTUAL | DBIM_MINSIZE;
            EXPECT_EQ(S_OK, band->GetBandInfo(0, 0, &info));
            EXPECT_EQ(S_OK, band->ShowDW(TRUE));
            EXPECT_EQ(c.offers.inputObjectSite ? 1u : 0u, site.FocusCalls.size());
            ComPtr<IInputObject> input;
            band->QueryInterface(IID_IInputObject, input.put_void());
            EXPECT_EQ(S_OK, input->UIActivateIO(TRUE, nullptr));
            ComPtr<IObjectWithSite> withSite;
            ASSERT_EQ(S_OK, band->QueryInterface(IID_IObjectWithSite, withSite.put_void()));
            ComPtr<IUnknown> found;
            EXPECT_EQ(c.offers.inputObjectSite ? S_OK : E_FAIL, withSite->GetSite(IID_IUnknown, found.put_void()));
            found.reset();
            withSite.reset();
            const bool reachesBrowser = c.offers.commandTarget && c.offers.serviceProvider;
            EXPECT_EQ(reachesBrowser ? 1 : 0, site.ServiceQueries);
            EXPECT_EQ(S_OK, band->CloseDW(0));
        }
        EXPECT_EQ(0, site.RefCount());
        EXPECT_EQ(0, browser.RefCount());
    }
    EXPECT_TRUE(boxes_.Boxes().empty());
}

// ---- The band's form from inside -----------------------------------------

// The test configuration with an underlined letter in every button's caption.
std::string ConfigWithAccelerators() {
    std::string cfg = vtbtest::kTestConfig;
    const std::pair<std::string, std::string> marked[] = {{"Lexa|", "&Lexa|"},
                                                          {"Find|", "&Find|"},
                                                          {"Options|", "&Options|"},
                                                          {"Cases|https", "&Cases|https"},
                                                          {"Statutes|https", "S&tatutes|https"},
                                                          {"Case Lookup|", "Case &Lookup|"}};
    for (const auto& [from, to] : marked) cfg.replace(cfg.find(from), from.size(), to);
    return cfg;
}

// The browser's top-level window entering its menu loop: what Alt and a
// letter that is none of the toolbar's do.
std::atomic<int> browserMenuLoops{0};
WNDPROC siteWindowProc = nullptr;
LRESULT CALLBACK CountMenuLoops(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_ENTERMENULOOP) ++browserMenuLoops;
    return CallWindowProcA(siteWindowProc, window, msg, wParam, lParam);
}

class BandFormTest : public ::testing::Test {
protected:
    void SetUp() override {
        vtb::test_seam::ResetModuleValues();
        DeleteFileA(settings_.Path().c_str());
        vtbtest::WriteTextFile(config_.Path(), vtbtest::kTestConfig);
        ASSERT_EQ(S_OK, factory_.CreateInstance(nullptr, IID_IDeskBand, band_.put_void()));
    }
    void TearDown() override {
        band_.reset();
        EXPECT_EQ(0, server_.ObjectCount());
        if (siteWindowProc && site_)
            SetWindowLongPtrA(site_->Window(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(siteWindowProc));
        siteWindowProc = nullptr;
    }
    vtb::TDeskBand& Band() { return *static_cast<vtb::TDeskBand*>(band_.get()); }
    // The test's site: it outlives the band also when a test stops at a
    // failed assertion with the band still holding it.
    TestSite& NewSite(IWebBrowser2* browser) {
        site_ = std::make_unique<TestSite>(browser);
        return *site_;
    }
    // Sited, built, shown and active, as the browser leaves a new band;
    // returns the form's window.
    HWND OpenShown(TestSite& site) {
        HWND window = nullptr;
        EXPECT_EQ(S_OK, SetSiteOf(band_.get(), static_cast<IInputObjectSite*>(&site)));
        EXPECT_EQ(S_OK, band_->GetWindow(&window));
        // At the top of the screen: the drop-down menus open below the
        // buttons, not over them.
        SetWindowPos(site.Window(), nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        site.Show();
        SetForegroundWindow(site.Window());
        EXPECT_EQ(S_OK, band_->ShowDW(TRUE));
        return window;
    }

    // The toolbar of the accelerator configuration, shown in the foreground
    // window, the focus moved into it as the browser does (UIActivateIO).
    ComPtr<IInputObject> FocusedInTheSearchBox() {
        vtbtest::WriteTextFile(config_.Path(), ConfigWithAccelerators());
        TestSite& site = NewSite(&browser_);
        OpenShown(site);
        siteWindowProc = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrA(site.Window(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CountMenuLoops)));
        browserMenuLoops = 0;
        ComPtr<IInputObject> input;
        band_->QueryInterface(IID_IInputObject, input.put_void());
        if (!input || !Band().Form()) return nullptr;
        EXPECT_TRUE(vtbtest::PumpUntil([&] { return GetForegroundWindow() == site.Window(); }));
        EXPECT_EQ(S_OK, input->UIActivateIO(TRUE, nullptr));
        const HWND box = Band().Form()->Search_Edit->Handle();
        EXPECT_TRUE(GetFocus() && IsChild(box, GetFocus()));
        return input;
    }
    bool Loop(IInputObject* input, const std::function<bool()>& done, DWORD ms = vtbtest::kWaitMs) {
        return vtbtest::BrowserLoopUntil(input, done, ms);
    }
    bool Navigated(IInputObject* input, std::size_t count) {
        return Loop(input, [&] { return browser_.Navigations.size() >= count; });
    }

    vtbtest::SavedFile config_{vtb::ChangeFileExt(vtb::ModulePath(), vtb::kConfigExtension)};
    vtbtest::SavedFile settings_{vtb::ChangeFileExt(vtb::ModulePath(), vtb::kSettingsExtension)};
    vtbtest::MessageBoxWatcher boxes_;
    RecordingBrowser browser_;
    vtb::TComServer server_;
    vtb::TDeskBandFactory factory_{server_};
    std::unique_ptr<TestSite> site_;
    ComPtr<IDeskBand> band_;
};

TEST_F(BandFormTest, TheFormGetsTheSitesBrowserAfterItsConstruction) {
    TestSite& site = NewSite(&browser_);
    ASSERT_EQ(S_OK, SetSiteOf(band_.get(), static_cast<IInputObjectSite*>(&site)));
    EXPECT_EQ(nullptr, Band().Form());
    HWND window = nullptr;
    ASSERT_EQ(S_OK, band_->GetWindow(&window));
    ASSERT_NE(nullptr, Band().Form());
    EXPECT_EQ(window, Band().Form()->Handle());
    EXPECT_EQ(static_cast<IWebBrowser2*>(&browser_), Band().Form()->WebBrowser.get());
    EXPECT_EQ(2, browser_.RefCount()) << "one for the band, one for its form";

    EXPECT_EQ(S_OK, band_->CloseDW(0));
    EXPECT_EQ(nullptr, Band().Form());
    EXPECT_EQ(1, browser_.RefCount());
    band_.reset();
    EXPECT_EQ(0, browser_.RefCount());
    EXPECT_EQ(0, site.RefCount());
}

TEST_F(BandFormTest, WithoutABrowserTheFormHasNone) {
    TestSite& site = NewSite(nullptr);
    ASSERT_EQ(S_OK, SetSiteOf(band_.get(), static_cast<IInputObjectSite*>(&site)));
    HWND window = nullptr;
    ASSERT_EQ(S_OK, band_->GetWindow(&window));
    ASSERT_NE(nullptr, Band().Form());
    EXPECT_FALSE(Band().Form()->WebBrowser);
    band_.reset();
}

TEST_F(BandFormTest, TheHookSwitchesTheTimer) {
    TestSite& site = NewSite(&browser_);
    ASSERT_EQ(S_OK, SetSiteOf(band_.get(), static_cast<IInputObjectSite*>(&site)));
    HWND window = nullptr;
    ASSERT_EQ(S_OK, band_->GetWindow(&window));
    vtb::TBandForm& form = *Band().Form();

    SendMessageA(window, WM_PARENTNOTIFY, WM_LBUTTONDOWN, 0);
    EXPECT_FALSE(form.TimerEnabled());
    SendMessageA(window, WM_NCHITTEST, 0, 0);
    EXPECT_FALSE(form.TimerEnabled()) << "a hit test is no input";
    // A menu's loop going idle is news only when the pointer moved since
    // the last idle step.
    SetCursorPos(1000, 700);
    vtb::TToolkit::ForThread().Idle();
    SendMessageA(window, WM_ENTERIDLE, MSGF_MENU, 0);
    EXPECT_FALSE(form.TimerEnabled()) << "the pointer stood still";
    SetCursorPos(990, 700);
    SendMessageA(window, WM_ENTERIDLE, MSGF_MENU, 0);
    EXPECT_TRUE(form.TimerEnabled()) << "the pointer moved";
    SendMessageA(window, WM_PARENTNOTIFY, WM_LBUTTONDOWN, 0);
    EXPECT_FALSE(form.TimerEnabled());
    SendMessageA(window, WM_NULL, 0, 0);
    EXPECT_TRUE(form.TimerEnabled()) << "every other message switches it on";
    SendMessageA(window, WM_PARENTNOTIFY, WM_LBUTTONDOWN, 0);
    EXPECT_FALSE(form.TimerEnabled());
    band_.reset();
}

// A flat button's frame as the screen shows it: the top row of its face in
// the highlight colour. Readable from any thread.
bool FramedOnScreen(const vtb::TGlyphButton& button) {
    const POINT edge = button.ClientToScreen({20, 0});
    const HDC screen = GetDC(nullptr);
    const COLORREF seen = GetPixel(screen, edge.x, edge.y);
    ReleaseDC(nullptr, screen);
    return seen == GetSysColor(COLOR_BTNHIGHLIGHT);
}

TEST_F(BandFormTest, TheTimerRestsUntilThePointerComesBack) {
    TestSite& site = NewSite(&browser_);
    const HWND window = OpenShown(site);
    ASSERT_NE(nullptr, Band().Form());
    vtb::TBandForm& form = *Band().Form();
    // Between the form and its band for this test: counts what the band hears.
    struct Counting final : vtb::TFormListener {
        vtb::TBandForm& form;
        vtb::TFormListener* band = form.Listener;
        std::atomic<int> ticks{0};
        std::atomic<int> messages{0};
        explicit Counting(vtb::TBandForm& f) : form(f) { form.Listener = this; }
        void FormMessage(UINT msg) override {
            ++messages;
            if (msg == WM_TIMER) ++ticks;
            band->FormMessage(msg);
        }
        void FormResized() override { band->FormResized(); }
        void FormFocusMoved(bool inToolbar) override { band->FormFocusMoved(inToolbar); }
    } counting(form);
    std::atomic<int>& ticks = counting.ticks;
    std::atomic<int>& messages = counting.messages;

    // The pointer elsewhere and the focus in the browser: one look, then rest.
    SetCursorPos(1000, 700);
    SetFocus(site.Window());
    SendMessageA(window, WM_NULL, 0, 0);
    EXPECT_TRUE(form.TimerEnabled());
    EXPECT_TRUE(vtbtest::PumpUntil([&] { return !form.TimerEnabled(); }, 2000));
    ticks = 0;
    vtbtest::PumpToShowNothingHappens(300);
    EXPECT_EQ(0, ticks) << "no tick while nothing of the toolbar is watched";

    // The first move over a button wakes it, and the button shows its hover colour.
    vtb::TGlyphButton& link = *form.SpdButn[0];
    const POINT over = link.ClientToScreen({20, 12});
    SetCursorPos(over.x - 3, over.y);
    EXPECT_TRUE(vtbtest::PumpUntil([&] { return ticks > 0; })) << "the move woke the timer";
    SetCursorPos(over.x, over.y);
    EXPECT_TRUE(vtbtest::PumpUntil([&] { return link.IsHovered() && FramedOnScreen(link); }, 2000));
    EXPECT_GT(ticks, 0);
    EXPECT_EQ(vtb::TBandForm::kHoverCaptionColor, link.Font.Color());

    // The pointer resting on the button: the timer rests too, the button lit.
    EXPECT_TRUE(vtbtest::PumpUntil([&] { return !form.TimerEnabled(); }, 2000));
    ticks = 0;
    vtbtest::PumpToShowNothingHappens(300);
    EXPECT_EQ(0, ticks) << "no tick while the pointer rests";
    EXPECT_TRUE(link.IsHovered());

    // Off the toolbar again: the leave is sent, then the timer rests.
    SetCursorPos(1000, 700);
    EXPECT_TRUE(vtbtest::PumpUntil([&] { return !link.IsHovered(); }, 3000));
    EXPECT_EQ(vtb::TBandForm::kCaptionColor, link.Font.Color());
    EXPECT_TRUE(vtbtest::PumpUntil([&] { return !form.TimerEnabled(); }, 2000));

    // The Settings menu opened by a click on its resting button, the pointer
    // still on it: the menu's loop says it is idle after each message it
    // handled, the ticks among them, and the timer rests all the same. The
    // watch over the pointer armed while the button rested is let go: it
    // would wake the menu's loop several times a second.
    std::atomic<int> ticksInMenu{-1};
    std::atomic<int> messagesInMenu{-1};
    vtbtest::MenuChooser chooser([&](HWND menu) {
        Sleep(300);  // the opening settles (a pause of the user's)
        const int before = ticks;
        const int messagesBefore = messages;
        Sleep(900);  // nothing moves, for more than two of the system's hover times
        ticksInMenu = ticks - before;
        messagesInMenu = messages - messagesBefore;
        vtbtest::MenuChooser::PostKey(menu, VK_ESCAPE);
    });
    const POINT settings = form.Settings_SpdButn->ClientToScreen({20, 12});
    SetCursorPos(settings.x, settings.y);
    EXPECT_TRUE(vtbtest::PumpUntil([&] { return form.Settings_SpdButn->IsHovered(); }, 2000));
    EXPECT_TRUE(vtbtest::PumpUntil([&] { return !form.TimerEnabled(); }, 2000));
    POINT client = settings;
    ScreenToClient(window, &client);
    PostMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(client.x, client.y));
    PostMessageA(window, WM_LBUTTONUP, 0, MAKELPARAM(client.x, client.y));
    EXPECT_TRUE(vtbtest::PumpUntil([&] { return chooser.Done(); }, 10000));
    EXPECT_TRUE(chooser.Opened());
    EXPECT_EQ(0, ticksInMenu) << "no tick while a menu is open and nothing moves";
    EXPECT_EQ(0, messagesInMenu) << "nothing wakes the menu's loop while nothing moves";
    form.Listener = counting.band;
    band_.reset();
}

TEST_F(BandFormTest, HoverFollowsThePointerWhileABoxOrAMenuIsUp) {
    TestSite& site = NewSite(&browser_);
    const HWND window = OpenShown(site);
    ASSERT_NE(nullptr, Band().Form());
    vtb::TBandForm& form = *Band().Form();
    vtb::TGlyphButton& link = *form.SpdButn[0];
    const POINT over = link.ClientToScreen({20, 12});
    const POINT away{1000, 700};

    // A box of the host comes up under a lit button; the pointer goes while
    // it is up: the frame goes with it, and comes back with the pointer.
    SetCursorPos(over.x, over.y);
    SendMessageA(window, WM_NULL, 0, 0);
    ASSERT_TRUE(vtbtest::PumpUntil([&] { return link.IsHovered(); }, 2000));
    bool wentWhileUp = false;
    boxes_.RunInNextBox([&] {
        SetCursorPos(away.x, away.y);
        wentWhileUp = vtbtest::PumpUntil([&] { return !link.IsHovered() && !FramedOnScreen(link); }, 3000);
    });
    MessageBoxA(site.Window(), "The host's own box", "host", MB_OK);
    EXPECT_TRUE(wentWhileUp);
    EXPECT_FALSE(link.IsHovered());
    SetCursorPos(over.x, over.y);
    EXPECT_TRUE(vtbtest::PumpUntil([&] { return link.IsHovered() && FramedOnScreen(link); }, 2000))
        << "the same button is entered again";

    // The toolbar's own drop-down menu is open: another button under the
    // pointer shows its hover look all the same.
    const POINT settings = form.Settings_SpdButn->ClientToScreen({20, 12});
    std::atomic<bool> litInMenu{false};
    vtbtest::MenuChooser chooser([&](HWND menu) {
        SetCursorPos(over.x, over.y);
        litInMenu = vtbtest::WaitUntil([&] { return FramedOnScreen(link); });
        vtbtest::MenuChooser::PostKey(menu, VK_ESCAPE);
    });
    SetCursorPos(settings.x, settings.y);
    const POINT at = form.Settings_SpdButn->ClientToScreen({0, 0});
    POINT client = at;
    ScreenToClient(window, &client);
    PostMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(client.x + 20, client.y + 12));
    PostMessageA(window, WM_LBUTTONUP, 0, MAKELPARAM(client.x + 20, client.y + 12));
    EXPECT_TRUE(vtbtest::PumpUntil([&] { return chooser.Done(); }, 10000));
    EXPECT_TRUE(chooser.Opened());
    EXPECT_TRUE(litInMenu) << "a button under the pointer lights while a menu is open";
    band_.reset();
}

// ---- Keys typed into the search box, through the browser's loop -------------

TEST_F(BandFormTest, AltAndALetterInTheSearchBoxPressesTheShownButtonOfThatLetter) {
    const ComPtr<IInputObject> input = FocusedInTheSearchBox();
    ASSERT_TRUE(input);
    vtb::TBandForm& form = *Band().Form();
    form.Search_Edit->SetText("tort");

    vtbtest::TypeKeys({VK_MENU, 'C'});  // a link button
    ASSERT_TRUE(Navigated(input.get(), 1));
    EXPECT_EQ("https://lexa.example/cases", browser_.Navigations[0].url);
    vtbtest::TypeKeys({VK_MENU, 'F'});  // the Search button
    ASSERT_TRUE(Navigated(input.get(), 2));
    EXPECT_EQ("https://lexa.example/search?m=all&q=tort&from=bar", browser_.Navigations[1].url);
    EXPECT_EQ(0, browserMenuLoops) << "a letter the toolbar took is not the browser's too";

    // The letter of a hidden button is no button's: the browser's menu key.
    vtbtest::TypeKeys({VK_MENU, 'T'});
    EXPECT_TRUE(Loop(input.get(), [] { return browserMenuLoops > 0; }));
    Loop(
        input.get(), [] { return false; }, 100);
    EXPECT_EQ(2u, browser_.Navigations.size());
    band_.reset();
}

TEST_F(BandFormTest, AMenuButtonsLetterOpensItsMenuUnderItWithTheFirstEntrySelected) {
    const ComPtr<IInputObject> input = FocusedInTheSearchBox();
    ASSERT_TRUE(input);
    vtb::TBandForm& form = *Band().Form();
    const HWND edit = GetFocus();

    std::atomic<bool> firstSelected{false};
    RECT menuRect{};
    vtbtest::MenuChooser chooser([&](HWND menu) {
        const auto items = reinterpret_cast<HMENU>(SendMessageA(menu, MN_GETHMENU, 0, 0));
        firstSelected = vtbtest::WaitUntil([&] { return (GetMenuState(items, 0, MF_BYPOSITION) & MF_HILITE) != 0; });
        GetWindowRect(menu, &menuRect);
        vtbtest::TypeKeys({VK_RETURN});
    });
    vtbtest::TypeKeys({VK_MENU, 'L'});
    ASSERT_TRUE(Loop(
        input.get(), [&] { return chooser.Done() && !browser_.Navigations.empty(); }, 10000));
    EXPECT_TRUE(chooser.Opened());
    EXPECT_TRUE(firstSelected);
    EXPECT_EQ("https://lexa.example/home", browser_.Navigations[0].url) << "Enter picks the first entry";
    const POINT below = form.Main_Menu_SpdButn->ClientToScreen({0, form.Main_Menu_SpdButn->Height()});
    EXPECT_EQ(below.x - 1, menuRect.left) << "under the button, as a click opens it";
    EXPECT_EQ(below.y, menuRect.top);

    // Opened by its letter, the button shows the face a click gives it, its
    // frame drawn as under the pointer (which stays away), while its menu is
    // open. Escape closes a menu, and the keys go on to the search box.
    SetCursorPos(1000, 700);
    const POINT corner = form.Settings_SpdButn->ClientToScreen({0, 0});
    std::atomic<bool> framed{false};
    vtbtest::MenuChooser closer([&](HWND) {
        framed = vtbtest::WaitUntil([&] {
            const HDC screen = GetDC(nullptr);
            const COLORREF seen = GetPixel(screen, corner.x, corner.y);
            ReleaseDC(nullptr, screen);
            return seen != GetSysColor(COLOR_BTNFACE);
        });
        vtbtest::TypeKeys({VK_ESCAPE});
    });
    vtbtest::TypeKeys({VK_MENU, 'O'});
    ASSERT_TRUE(Loop(
        input.get(), [&] { return closer.Done() && !form.Settings_SpdButn->IsMenuShowing(); }, 10000));
    EXPECT_TRUE(closer.Opened());
    EXPECT_TRUE(framed);
    EXPECT_EQ(edit, GetFocus());
    form.Search_Edit->SetText("");
    vtbtest::TypeKeys({'Q'});
    EXPECT_TRUE(Loop(input.get(), [&] { return form.Search_Edit->Text() == "q"; }));
    EXPECT_EQ(1u, browser_.Navigations.size());
    band_.reset();
}

// ---- Where the focus goes -----------------------------------------------------

TEST_F(BandFormTest, TheSiteHearsWhenTheFocusLeavesTheToolbarAndComesBack) {
    const ComPtr<IInputObject> input = FocusedInTheSearchBox();
    ASSERT_TRUE(input);
    const HWND edit = GetFocus();
    site_->FocusCalls.clear();
    SetFocus(site_->Window());  // the page, say
    ASSERT_EQ(1u, site_->FocusCalls.size());
    EXPECT_EQ(FALSE, site_->FocusCalls[0].setFocus);
    EXPECT_EQ(S_FALSE, input->HasFocusIO());
    SetFocus(edit);
    ASSERT_EQ(2u, site_->FocusCalls.size());
    EXPECT_EQ(kFocusSet, site_->FocusCalls[1].setFocus);
    // From one window of the toolbar to another is no news.
    SetFocus(Band().Form()->Handle());
    EXPECT_EQ(edit, GetFocus());
    EXPECT_EQ(2u, site_->FocusCalls.size());
    band_.reset();
}

TEST_F(BandFormTest, AToolbarHiddenWithTheFocusGivesItBackAndTakesNoKeys) {
    const ComPtr<IInputObject> input = FocusedInTheSearchBox();
    ASSERT_TRUE(input);
    vtb::TBandForm& form = *Band().Form();
    const HWND window = form.Handle();
    const HWND edit = GetFocus();
    site_->FocusCalls.clear();
    // "Hide toolbar" from the keyboard; the host hides the band as the
    // browser does.
    browser_.OnShowBrowserBar = [&] {
        band_->ShowDW(FALSE);
        ShowWindow(window, SW_HIDE);
    };
    form.RunMenuCommand("@3");
    browser_.OnShowBrowserBar = nullptr;
    EXPECT_EQ(site_->Window(), GetFocus());
    ASSERT_EQ(1u, site_->FocusCalls.size());
    EXPECT_EQ(FALSE, site_->FocusCalls[0].setFocus);
    // Typing, Enter, Alt and a letter: all the browser's now.
    for (const MSG& key : {MSG{edit, WM_CHAR, 'x', 0x002D0001, 0, {0, 0}},
                           MSG{edit, WM_KEYDOWN, VK_RETURN, 0x001C0001, 0, {0, 0}},
                           MSG{edit, WM_SYSCHAR, 'c', 0x202E0001, 0, {0, 0}}}) {
        MSG copy = key;
        EXPECT_EQ(S_FALSE, input->TranslateAcceleratorIO(&copy)) << key.message;
    }
    vtbtest::PumpToShowNothingHappens(50);
    EXPECT_TRUE(browser_.Navigations.empty());

    // A host that only hides the toolbar's window: the same.
    ShowWindow(window, SW_SHOW);
    ASSERT_EQ(S_OK, band_->ShowDW(TRUE));
    ASSERT_EQ(S_OK, input->UIActivateIO(TRUE, nullptr));
    ASSERT_EQ(edit, GetFocus());
    site_->FocusCalls.clear();
    ShowWindow(window, SW_HIDE);
    EXPECT_EQ(site_->Window(), GetFocus());
    ASSERT_EQ(1u, site_->FocusCalls.size());
    EXPECT_EQ(FALSE, site_->FocusCalls[0].setFocus);
    band_.reset();
}

TEST_F(BandFormTest, AfterABoxTheFocusIsBackInTheSearchBox) {
    const ComPtr<IInputObject> input = FocusedInTheSearchBox();
    ASSERT_TRUE(input);
    const HWND edit = GetFocus();
    Band().Form()->RunMenuCommand("@4");  // the about box, answered by the watcher
    ASSERT_EQ(1u, boxes_.Boxes().size());
    const vtbtest::MessageBoxWatcher::Box box = boxes_.Boxes()[0];
    EXPECT_EQ(site_->Window(), box.owner);
    EXPECT_TRUE(box.ownerDisabled) << "modal to the browser window";
    RECT work{};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    EXPECT_NEAR((box.place.left + box.place.right) / 2, (work.left + work.right) / 2, 2) << "centred";
    EXPECT_EQ(site_->Window(), GetActiveWindow());
    EXPECT_EQ(edit, GetFocus());
    band_.reset();
}

TEST_F(BandFormTest, EnterGivesOneSearchWhetherTheTimerRunsOrRests) {
    const ComPtr<IInputObject> input = FocusedInTheSearchBox();
    ASSERT_TRUE(input);
    vtb::TBandForm& form = *Band().Form();
    form.Search_Edit->SetText("tort");
    SetCursorPos(1000, 700);
    ASSERT_TRUE(Loop(input.get(), [&] { return !form.TimerEnabled(); }));
    vtbtest::TypeKeys({VK_RETURN});
    ASSERT_TRUE(Navigated(input.get(), 1));

    form.SetTimerEnabled(true);
    vtbtest::TypeKeys({VK_RETURN});
    ASSERT_TRUE(Navigated(input.get(), 2));
    Loop(
        input.get(), [] { return false; }, 200);
    EXPECT_EQ(2u, browser_.Navigations.size());
    band_.reset();
}

TEST_F(BandFormTest, TheHostHearsWhenTheFormChangesSize) {
    TestSite& site = NewSite(&browser_);
    ASSERT_EQ(S_OK, SetSiteOf(band_.get(), static_cast<IInputObjectSite*>(&site)));
    HWND window = nullptr;
    ASSERT_EQ(S_OK, band_->GetWindow(&window));
    vtb::TBandForm& form = *Band().Form();
    EXPECT_TRUE(site.BandCommands.empty());
    form.SettingsSpdButn[1]->Click();  // show a second link button
    ASSERT_EQ(1u, site.BandCommands.size());
    EXPECT_EQ(static_cast<DWORD>(DBID_BANDINFOCHANGED), site.BandCommands[0]);
    DESKBANDINFO info = {};
    info.dwMask = DBIM_ACTUAL;
    ASSERT_EQ(S_OK, band_->GetBandInfo(0, 0, &info));
    EXPECT_EQ(440 + 2 * 65, info.ptActual.x);
    band_.reset();
}

}  // namespace
