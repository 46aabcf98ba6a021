// The toolbar as a screen reader reads it through the system's
// accessibility interface: the tree of the sample toolbar, names, states,
// places on the screen, hit tests, default actions posted to the form,
// events seen by a WinEvent hook, a reader in another process, and an
// object that outlives its toolbar.
#include <windows.h>
#include <oleacc.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "core/caption_accelerator.h"
#include "tests/wine/support_accessible.h"
#include "tests/wine/support_browser.h"
#include "tests/wine/support_menu.h"
#include "tests/wine/support_site.h"
#include "tests/wine/support_wine.h"
#include "tests/wine/toolbar_fixture.h"
#include "widgets/toolkit.h"
#include "win/class_id.h"
#include "toolbar/module_values.h"

namespace vtbtest {
namespace {

using vtb::ComPtr;

const CLSID kBandClsid = vtb::kBandClassGuid;

std::string SampleFile(const char* name) {
    std::string path = std::string("Z:") + VTB_SOURCE_DIR + "/resources/sample/" + name;
    for (char& c : path)
        if (c == '/') c = '\\';
    return ReadTextFile(path);
}

ComPtr<IAccessible> Adopt(IAccessible* object) {
    ComPtr<IAccessible> held(object);
    if (object) object->Release();
    return held;
}

std::string Name(IAccessible* object, LONG id) {
    vtb::UniqueBstr name;
    if (object->get_accName(ChildId(id), name.put()) != S_OK || !name.get()) return "<none>";
    return vtb::Narrow(name.get());
}

LONG State(IAccessible* object, LONG id) {
    vtb::UniqueVariant state;
    object->get_accState(ChildId(id), state.get());
    return V_VT(state.get()) == VT_I4 ? V_I4(state.get()) : -1;
}

// Events of one window, as a reader's hook receives them.
struct SeenEvent {
    DWORD event;
    LONG object, child;
    bool operator==(const SeenEvent& o) const { return event == o.event && object == o.object && child == o.child; }
};
HWND watchedWindow = nullptr;
std::vector<SeenEvent> seenEvents;

void CALLBACK RecordEvent(HWINEVENTHOOK, DWORD event, HWND window, LONG object, LONG child, DWORD, DWORD) {
    if (window == watchedWindow) seenEvents.push_back({event, object, child});
}

// This test program again, as a screen reader of the window.
struct ReaderProcess {
    ReaderProcess(const char* mode, HWND window, const std::string& file)
        : process(StartThisProgram(std::string(mode) + " " + std::to_string(reinterpret_cast<UINT_PTR>(window)) +
                                   " \"" + file + "\"")) {}
    // Its calls arrive through this thread's messages: they are dispatched
    // until it ends. Its exit code, or -1 when it did not end in time.
    long Finish(DWORD ms = 30000) {
        if (!process) return -1;
        const HANDLE running = process.get();
        if (!PumpUntil([running] { return WaitForSingleObject(running, 0) == WAIT_OBJECT_0; }, ms)) {
            TerminateProcess(process.get(), 1);
            return -1;
        }
        DWORD code = 1;
        GetExitCodeProcess(process.get(), &code);
        return static_cast<long>(code);
    }
    vtb::UniqueKernelHandle process;
};

class ScreenReader : public ToolbarFormTest {
protected:
    // The sample toolbar: its configuration and settings as shipped.
    vtb::TBandForm& BuildSample() {
        WriteTextFile(SettingsPath(), SampleFile(vtb::kSettingsFileName));
        vtb::TBandForm& form = Build(SampleFile(vtb::kConfigFileName));
        ShowWindow(Parent(), SW_SHOW);
        SetForegroundWindow(Parent());
        EXPECT_TRUE(PumpUntil([this] { return GetForegroundWindow() == Parent(); }));
        EXPECT_TRUE(PumpPending());
        return form;
    }
    ComPtr<IAccessible> Toolbar() { return Adopt(ClientObject(form_->Handle())); }
    LONG IdOf(const vtb::TControl* control) const { return form_->AccessibleChildId(control); }
    static POINT Centre(const vtb::TControl& c) { return c.ClientToScreen({c.Width() / 2, c.Height() / 2}); }
};

// ---- What a reader finds -------------------------------------------------------------

TEST_F(ScreenReader, SampleToolbarReadsAsNamedButtonsAndASearchBox) {
    BuildSample();
    const ComPtr<IAccessible> toolbar = Toolbar();
    ASSERT_TRUE(toolbar) << "the form answers WM_GETOBJECT for its client area";
    const std::vector<std::string> expected = {
        "tool bar|Veltrane ToolBar|", "  menu button|Veltrane|Open", "  combo box|Search|",
        "  push button|Search|Press", "  menu button|Settings|Open", "  push button|Cases|Press",
        "  push button|Laws|Press",   "  push button|Lookup|Press",  "  push button|Forms|Press",
        "  push button|Terms|Press",
    };
    EXPECT_EQ(expected, ReadTree(toolbar.get()));

    // The search box is its own window's object, with the toolbar above it.
    ComPtr<IDispatch> child;
    ASSERT_EQ(S_OK, toolbar->get_accChild(ChildId(2), child.put()));
    ComPtr<IAccessible> box;
    ASSERT_EQ(S_OK, child->QueryInterface(IID_IAccessible, box.put_void()));
    ComPtr<IDispatch> parent;
    ASSERT_EQ(S_OK, box->get_accParent(parent.put()));
    ComPtr<IAccessible> parentObject;
    ASSERT_EQ(S_OK, parent->QueryInterface(IID_IAccessible, parentObject.put_void()));
    EXPECT_EQ("Veltrane ToolBar", Name(parentObject.get(), CHILDID_SELF));
    EXPECT_EQ(E_INVALIDARG, toolbar->get_accName(ChildId(10), vtb::UniqueBstr().put())) << "nine shown controls";
}

TEST_F(ScreenReader, NamesAreWholeCaptionsWithoutTheMarkerOrThePlace) {
    std::string config = kTestConfig;
    config.replace(config.find("Cases|"), 6, "&Cases && Codes of a length no button shows|");
    config.replace(config.find("Statutes|"), 9, "|");
    SetIni("SpdButn_2", "1");
    vtb::TBandForm& form = Build(config);
    const ComPtr<IAccessible> toolbar = Toolbar();
    ASSERT_TRUE(toolbar);
    EXPECT_EQ("Cases & Codes of a length no button shows", Name(toolbar.get(), IdOf(form.SpdButn[0])));
    EXPECT_EQ("Link button 2", Name(toolbar.get(), IdOf(form.SpdButn[1])));
    EXPECT_EQ("Find", Name(toolbar.get(), IdOf(form.Search_Edit))) << "the box is named after the Search button";
}

HWND focusEventWindow = nullptr;
void CALLBACK RecordFocus(HWINEVENTHOOK, DWORD, HWND window, LONG object, LONG child, DWORD, DWORD) {
    if (object == OBJID_CLIENT && child == CHILDID_SELF) focusEventWindow = window;
}

TEST_F(ScreenReader, ShortcutsAreToldAndTheFocusedSearchBoxHasItsName) {
    vtb::TBandForm& form = BuildSample();
    const ComPtr<IAccessible> toolbar = Toolbar();
    ASSERT_TRUE(toolbar);
    form.SpdButn[0]->SetCaption("&Cases");
    vtb::UniqueBstr key;
    ASSERT_EQ(S_OK, toolbar->get_accKeyboardShortcut(ChildId(IdOf(form.SpdButn[0])), key.put()));
    EXPECT_EQ("Alt+C", vtb::Narrow(key.get()));
    // A letter beyond ASCII is named in the upper case it is matched with.
    form.SpdButn[0]->SetCaption("&\xE9tudes");
    vtb::UniqueBstr accented;
    ASSERT_EQ(S_OK, toolbar->get_accKeyboardShortcut(ChildId(IdOf(form.SpdButn[0])), accented.put()));
    EXPECT_EQ(std::wstring(L"Alt+\u00C9"), accented.get());
    form.SpdButn[0]->SetCaption("Cases");
    vtb::UniqueBstr none;
    EXPECT_NE(S_OK, toolbar->get_accKeyboardShortcut(ChildId(IdOf(form.SpdButn[0])), none.put()));
    EXPECT_EQ(nullptr, none.get()) << "nothing for a caption without a marked letter";

    // The focus goes into the search box: the event names the window that
    // holds it, and a reader asking that window hears the search box's name.
    focusEventWindow = nullptr;
    const HWINEVENTHOOK hook = SetWinEventHook(EVENT_OBJECT_FOCUS, EVENT_OBJECT_FOCUS, nullptr, RecordFocus,
                                               GetCurrentProcessId(), 0, WINEVENT_OUTOFCONTEXT);
    ASSERT_NE(nullptr, hook);
    form.TakeFocus();
    const HWND box = form.Search_Edit->Handle();
    EXPECT_TRUE(PumpUntil([&] { return focusEventWindow && IsChild(box, focusEventWindow); }));
    UnhookWinEvent(hook);
    ASSERT_TRUE(focusEventWindow);
    IAccessible* found = nullptr;
    vtb::UniqueVariant child;
    ASSERT_EQ(S_OK, AccessibleObjectFromEvent(focusEventWindow, OBJID_CLIENT, CHILDID_SELF, &found, child.get()));
    const ComPtr<IAccessible> focused = Adopt(found);
    ASSERT_EQ(VT_I4, V_VT(child.get()));
    EXPECT_EQ(vtb::AnnouncedName(form.Search_SpdButn->Caption(), ""), Name(focused.get(), V_I4(child.get())));
    EXPECT_EQ(STATE_SYSTEM_FOCUSED, State(focused.get(), CHILDID_SELF) & STATE_SYSTEM_FOCUSED);
}

TEST_F(ScreenReader, LocationsAndHitTestsAreTheButtonsOnTheScreen) {
    vtb::TBandForm& form = BuildSample();
    const ComPtr<IAccessible> toolbar = Toolbar();
    ASSERT_TRUE(toolbar);
    long previousLeft = -1;
    const std::vector<vtb::TControl*> shown = form.ShownControls();
    for (vtb::TControl* control : shown) {
        const LONG id = IdOf(control);
        long x = 0, y = 0, cx = 0, cy = 0;
        ASSERT_EQ(S_OK, toolbar->accLocation(&x, &y, &cx, &cy, ChildId(id)));
        RECT expected{};
        if (control->Handle()) {
            GetWindowRect(control->Handle(), &expected);
        } else {
            const POINT topLeft = control->ClientToScreen({0, 0});
            expected = {topLeft.x, topLeft.y, topLeft.x + control->Width(), topLeft.y + control->Height()};
        }
        EXPECT_EQ(expected.left, x) << control->Name;
        EXPECT_EQ(expected.top, y) << control->Name;
        EXPECT_EQ(expected.right - expected.left, cx) << control->Name;
        EXPECT_EQ(expected.bottom - expected.top, cy) << control->Name;
        EXPECT_GT(x, previousLeft) << "children stand from left to right";
        previousLeft = x;

        if (control->Handle()) continue;  // the box's window answers for itself
        const POINT centre = Centre(*control);
        vtb::UniqueVariant hit;
        ASSERT_EQ(S_OK, toolbar->accHitTest(centre.x, centre.y, hit.get()));
        ASSERT_EQ(VT_I4, V_VT(hit.get()));
        EXPECT_EQ(id, V_I4(hit.get())) << control->Name;
    }
    // Beside the last button, still on the form's row: nothing but the toolbar.
    RECT client;
    GetClientRect(form.Handle(), &client);
    POINT outside{client.right + 5, 5};
    ClientToScreen(form.Handle(), &outside);
    vtb::UniqueVariant none;
    EXPECT_EQ(S_FALSE, toolbar->accHitTest(outside.x, outside.y, none.get()));
    EXPECT_EQ(VT_EMPTY, V_VT(none.get()));

    // The system's own walk from a point reaches the same button.
    const POINT onLaws = Centre(*form.SpdButn[1]);
    IAccessible* found = nullptr;
    vtb::UniqueVariant child;
    ASSERT_EQ(S_OK, AccessibleObjectFromPoint(onLaws, &found, child.get()));
    const ComPtr<IAccessible> at = Adopt(found);
    ASSERT_EQ(VT_I4, V_VT(child.get()));
    EXPECT_EQ("Laws", Name(at.get(), V_I4(child.get())));
}

TEST_F(ScreenReader, StatesFollowPointerEnabledAndShown) {
    vtb::TBandForm& form = BuildSample();
    const ComPtr<IAccessible> toolbar = Toolbar();
    ASSERT_TRUE(toolbar);
    const LONG search = IdOf(form.Search_SpdButn);
    EXPECT_EQ(0, State(toolbar.get(), search));
    EXPECT_EQ(STATE_SYSTEM_HASPOPUP, State(toolbar.get(), IdOf(form.Settings_SpdButn)));

    const POINT over = Centre(*form.Search_SpdButn);
    SetCursorPos(over.x, over.y);
    vtb::TToolkit::ForThread().Idle();
    EXPECT_EQ(STATE_SYSTEM_HOTTRACKED, State(toolbar.get(), search)) << "hot while the pointer is over it";

    form.SpdButn[0]->SetEnabled(false);
    EXPECT_EQ(STATE_SYSTEM_UNAVAILABLE, State(toolbar.get(), IdOf(form.SpdButn[0])));

    // Hidden through the Settings menu: no child any more, the others move up.
    long before = 0, after = 0;
    toolbar->get_accChildCount(&before);
    form.SettingsClick(form.SettingsSpdButn[1]);
    toolbar->get_accChildCount(&after);
    EXPECT_EQ(before - 1, after);
    for (LONG id = 1; id <= after; ++id) EXPECT_NE("Laws", Name(toolbar.get(), id));
    EXPECT_EQ("Lookup", Name(toolbar.get(), IdOf(form.SpdButn[2])));
}

// ---- Doing ----------------------------------------------------------------------------

TEST_F(ScreenReader, DefaultActionOfALinkButtonNavigatesOnceAfterTheCall) {
    vtb::TBandForm& form = BuildSample();
    RecordingBrowser browser;
    form.WebBrowser = &browser;
    const ComPtr<IAccessible> toolbar = Toolbar();
    ASSERT_TRUE(toolbar);
    ASSERT_EQ(S_OK, toolbar->accDoDefaultAction(ChildId(IdOf(form.SpdButn[0]))));
    EXPECT_TRUE(browser.Navigations.empty()) << "posted to the form, not run inside the call";
    ASSERT_TRUE(PumpUntil([&] { return !browser.Navigations.empty(); }, 5000));
    PumpToShowNothingHappens(50);
    ASSERT_EQ(1u, browser.Navigations.size());
    EXPECT_EQ("https://www.veltrane.example/cases", browser.Navigations[0].url);
    form.WebBrowser.reset();
}

TEST_F(ScreenReader, DefaultActionOfSettingsOpensItsMenuUnderIt) {
    vtb::TBandForm& form = BuildSample();
    RecordingBrowser browser;
    form.WebBrowser = &browser;
    const ComPtr<IAccessible> toolbar = Toolbar();
    ASSERT_TRUE(toolbar);
    const auto& controls = form.Controls();
    const WPARAM cases = std::find(controls.begin(), controls.end(), form.SpdButn[0]) - controls.begin();
    LONG stateWhileOpen = 0;
    MenuChooser chooser([&](HWND menu) {
        stateWhileOpen = form.Settings_SpdButn->AccessibleState();
        // A reader's request for another button reaches the menu's loop:
        // no click could, so it is not taken.
        PostMessageA(form.Handle(), vtb::TBandForm::kDefaultActionMessage, cases, 0);
        MenuChooser::PostKey(menu, VK_ESCAPE);
    });
    ASSERT_EQ(S_OK, toolbar->accDoDefaultAction(ChildId(IdOf(form.Settings_SpdButn))));
    EXPECT_FALSE(chooser.Opened()) << "the menu's loop does not run inside the call";
    EXPECT_TRUE(PumpUntil([&] { return chooser.Done(); }, 5000));
    EXPECT_TRUE(chooser.Opened());
    EXPECT_EQ(STATE_SYSTEM_HASPOPUP | STATE_SYSTEM_PRESSED, stateWhileOpen);
    PumpToShowNothingHappens(50);
    EXPECT_TRUE(browser.Navigations.empty());
    EXPECT_EQ(STATE_SYSTEM_HASPOPUP, State(toolbar.get(), IdOf(form.Settings_SpdButn))) << "up again once closed";
    form.WebBrowser.reset();
}

TEST_F(ScreenReader, EventsReachAWinEventHookWithTheChildsId) {
    vtb::TBandForm& form = BuildSample();
    watchedWindow = form.Handle();
    seenEvents.clear();
    const HWINEVENTHOOK hook = SetWinEventHook(EVENT_OBJECT_SHOW, EVENT_OBJECT_NAMECHANGE, nullptr, RecordEvent,
                                               GetCurrentProcessId(), 0, WINEVENT_OUTOFCONTEXT);
    ASSERT_NE(nullptr, hook);
    const auto seen = [](SeenEvent e) {
        return PumpUntil([&] { return std::find(seenEvents.begin(), seenEvents.end(), e) != seenEvents.end(); }, 3000);
    };

    const POINT over = Centre(*form.Search_SpdButn);
    SetCursorPos(over.x, over.y);
    vtb::TToolkit::ForThread().Idle();
    EXPECT_TRUE(seen({EVENT_OBJECT_STATECHANGE, OBJID_CLIENT, IdOf(form.Search_SpdButn)})) << "hover";

    form.SpdButn[4]->SetCaption("Glossary");
    EXPECT_TRUE(seen({EVENT_OBJECT_NAMECHANGE, OBJID_CLIENT, IdOf(form.SpdButn[4])}));

    const LONG laws = IdOf(form.SpdButn[1]);
    form.SettingsClick(form.SettingsSpdButn[1]);
    EXPECT_TRUE(seen({EVENT_OBJECT_REORDER, OBJID_CLIENT, CHILDID_SELF}));
    // By the time a reader asks, the hidden button's number is the next
    // button's: no event names the hidden one by it.
    EXPECT_EQ(seenEvents.end(),
              std::find(seenEvents.begin(), seenEvents.end(), SeenEvent{EVENT_OBJECT_HIDE, OBJID_CLIENT, laws}));
    // A hidden button is no child: its changes are not told under the
    // number the next button now has. The caption change after it marks
    // when everything before it has arrived.
    seenEvents.clear();
    form.SpdButn[1]->SetEnabled(false);
    form.SpdButn[4]->SetCaption("Terms");
    EXPECT_TRUE(seen({EVENT_OBJECT_NAMECHANGE, OBJID_CLIENT, IdOf(form.SpdButn[4])}));
    EXPECT_EQ(seenEvents.end(),
              std::find(seenEvents.begin(), seenEvents.end(), SeenEvent{EVENT_OBJECT_STATECHANGE, OBJID_CLIENT, laws}));
    form.SpdButn[1]->SetEnabled(true);

    form.SettingsClick(form.SettingsSpdButn[1]);
    EXPECT_TRUE(seen({EVENT_OBJECT_SHOW, OBJID_CLIENT, laws}));
    UnhookWinEvent(hook);
    watchedWindow = nullptr;
}

TEST_F(ScreenReader, ASecondProcessReadsTheSameTree) {
    BuildSample();
    const ComPtr<IAccessible> toolbar = Toolbar();
    ASSERT_TRUE(toolbar);
    const std::vector<std::string> here = ReadTree(toolbar.get());

    const std::string file = ExeDir() + "tree_from_reader.txt";
    DeleteFileA(file.c_str());
    ReaderProcess reader("--read-tree", form_->Handle(), file);
    ASSERT_TRUE(reader.process);
    EXPECT_EQ(0, reader.Finish());
    std::vector<std::string> there;
    std::string text = ReadTextFile(file);
    for (std::size_t start = 0, end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
        there.push_back(text.substr(start, end - start));
    EXPECT_EQ(here, there);
    DeleteFileA(file.c_str());
}

TEST_F(ScreenReader, AReaderInAnotherProcessHoldsNeitherTheFormNorTheHost) {
    BuildSample();
    const std::string file = ExeDir() + "held_by_reader.txt";
    DeleteFileA(file.c_str());
    ReaderProcess holder("--hold-object", form_->Handle(), file);
    ASSERT_TRUE(holder.process);
    ASSERT_TRUE(PumpUntil([&] { return ReadTextFile(file) == "held\n"; }, 30000));
    const HWND window = form_->Handle();
    Close();  // as the band's CloseDW does
    EXPECT_FALSE(IsWindow(window)) << "the reader's hold does not keep the form";
    EXPECT_EQ(0, holder.Finish());
    // Cut off: the reader's calls fail in its own process (as the system
    // reports a disconnected object: RPC_E_DISCONNECTED, or Wine's unknown
    // interface), and the browser's process is not called.
    const std::string answers = ReadTextFile(file);
    unsigned long counted = 0, named = 0;
    ASSERT_EQ(2, std::sscanf(answers.c_str(), "held\n%lx %lx", &counted, &named)) << answers;
    EXPECT_TRUE(FAILED(static_cast<HRESULT>(counted))) << answers;
    EXPECT_TRUE(FAILED(static_cast<HRESULT>(named))) << answers;
    EXPECT_TRUE(HeapsValid());
    DeleteFileA(file.c_str());
}

// ---- Lifetime, through the DLL as the browser loads it --------------------------------

class ScreenReaderLifetime : public ::testing::Test {
protected:
    void SetUp() override {
        vtb::test_seam::ResetModuleValues();
        WriteTextFile(config_.Path(), SampleFile(vtb::kConfigFileName));
        DeleteFileA(settings_.Path().c_str());
    }
    // A band of the DLL, sited, built and shown, as the browser opens one.
    ComPtr<IDeskBand> OpenBand(ToolbarDll& dll, HWND& form) {
        ComPtr<IClassFactory> factory;
        ComPtr<IDeskBand> band;
        ComPtr<IObjectWithSite> withSite;
        form = nullptr;
        if (dll.GetClassObject(kBandClsid, IID_IClassFactory, factory.put_void()) != S_OK ||
            factory->CreateInstance(nullptr, IID_IDeskBand, band.put_void()) != S_OK ||
            band->QueryInterface(IID_IObjectWithSite, withSite.put_void()) != S_OK ||
            withSite->SetSite(static_cast<IInputObjectSite*>(&site_)) != S_OK || band->GetWindow(&form) != S_OK ||
            band->ShowDW(TRUE) != S_OK)
            ADD_FAILURE() << "the band did not open";
        return band;
    }
    // As the browser closes a band before its last release.
    static void CloseBand(IDeskBand* band) {
        band->ShowDW(FALSE);
        band->CloseDW(0);
        ComPtr<IObjectWithSite> withSite;
        if (SUCCEEDED(band->QueryInterface(IID_IObjectWithSite, withSite.put_void()))) withSite->SetSite(nullptr);
    }

    SavedFile config_{ExeDir() + vtb::kConfigFileName};
    SavedFile settings_{ExeDir() + vtb::kSettingsFileName};
    MessageBoxWatcher boxes_;
    RecordingBrowser browser_;
    TestSite site_{&browser_};
};

// A reader on a thread of its own (an apartment of its own): takes the
// window's object, answers what its first call returned, and calls again
// when told, after the close.
class ReaderThread {
public:
    explicit ReaderThread(HWND window, LONG child = CHILDID_SELF)
        : thread_([this, window, child] { Run(window, child); }) {}
    ~ReaderThread() {
        Again();
        if (thread_.joinable()) thread_.join();
    }
    // The first call's result, pumping this thread (the object's) meanwhile.
    HRESULT First() {
        PumpUntil([this] { return step_ >= 1; });
        return first_;
    }
    // Calls again, pumping this thread until the call is done.
    HRESULT Again() {
        Continue();
        PumpUntil([this] { return step_ >= 2; });
        return again_;
    }
    bool Holds() const { return step_ == 1; }

private:
    void Continue() { SetEvent(go_.get()); }
    void Run(HWND window, LONG child) {
        CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        {
            ComPtr<IAccessible> object = Adopt(ClientObject(window));
            if (object && child != CHILDID_SELF) {
                ComPtr<IDispatch> dispatch;
                object->get_accChild(ChildId(child), dispatch.put());
                object.reset();
                if (dispatch) dispatch->QueryInterface(IID_IAccessible, object.put_void());
            }
            long count = 0;
            first_ = object ? object->get_accChildCount(&count) : E_FAIL;
            step_ = 1;
            WaitForSingleObject(go_.get(), 30000);
            again_ = object ? object->get_accChildCount(&count) : E_FAIL;
        }
        CoUninitialize();
        step_ = 2;
    }
    vtb::UniqueKernelHandle go_{CreateEventA(nullptr, TRUE, FALSE, nullptr)};
    std::atomic<int> step_{0};
    HRESULT first_ = E_FAIL, again_ = E_FAIL;
    std::thread thread_;
};

// Each method with its out-parameters preset to what a careless reader
// leaves in them: every one is set, whatever the method answers.
void ExpectEveryOutParameterSet(IAccessible* object) {
    const VARIANT self = ChildId(CHILDID_SELF);
    const BSTR stale = reinterpret_cast<BSTR>(0x1234);
    IDispatch* const staleDispatch = reinterpret_cast<IDispatch*>(0x1234);
    const auto staleVariant = [] {
        VARIANT v = ChildId(77);
        return v;
    };
    using BstrGetter = HRESULT (STDMETHODCALLTYPE IAccessible::*)(VARIANT, BSTR*);
    for (BstrGetter get :
         {&IAccessible::get_accName, &IAccessible::get_accValue, &IAccessible::get_accDescription,
          &IAccessible::get_accHelp, &IAccessible::get_accKeyboardShortcut, &IAccessible::get_accDefaultAction}) {
        BSTR text = stale;
        (object->*get)(self, &text);
        EXPECT_EQ(nullptr, text);
    }
    using VariantGetter = HRESULT (STDMETHODCALLTYPE IAccessible::*)(VARIANT, VARIANT*);
    for (VariantGetter get : {&IAccessible::get_accRole, &IAccessible::get_accState}) {
        VARIANT v = staleVariant();
        (object->*get)(self, &v);
        EXPECT_EQ(VT_EMPTY, V_VT(&v));
    }
    VARIANT focus = staleVariant(), selection = staleVariant(), reached = staleVariant(), hit = staleVariant();
    object->get_accFocus(&focus);
    object->get_accSelection(&selection);
    object->accNavigate(NAVDIR_NEXT, self, &reached);
    object->accHitTest(1, 1, &hit);
    for (const VARIANT& v : {focus, selection, reached, hit}) EXPECT_EQ(VT_EMPTY, V_VT(&v));
    IDispatch *parent = staleDispatch, *child = staleDispatch;
    object->get_accParent(&parent);
    object->get_accChild(ChildId(1), &child);
    EXPECT_EQ(nullptr, parent);
    EXPECT_EQ(nullptr, child);
    long count = 77, topic = 77, x = 77, y = 77, cx = 77, cy = 77;
    BSTR helpFile = stale;
    object->get_accChildCount(&count);
    object->get_accHelpTopic(&helpFile, self, &topic);
    object->accLocation(&x, &y, &cx, &cy, self);
    EXPECT_EQ(nullptr, helpFile);
    for (long value : {count, topic, x, y, cx, cy}) EXPECT_EQ(0, value);
    DISPID id = 77;
    LPOLESTR names[] = {const_cast<LPOLESTR>(L"accName")};
    object->GetIDsOfNames(IID_NULL, names, 1, 0, &id);
    EXPECT_EQ(DISPID_UNKNOWN, id);
    VARIANT result = staleVariant();
    UINT argError = 77;
    DISPPARAMS none{};
    object->Invoke(DISPID_ACC_NAME, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, &result, nullptr, &argError);
    EXPECT_EQ(VT_EMPTY, V_VT(&result));
}

// Takes the toolbar's object on the form's creation, from inside the
// band's GetWindow, as a reader's in-context hook does.
HWND formTakenFrom = nullptr;
IAccessible* takenOnCreation = nullptr;

void CALLBACK TakeOnCreation(HWINEVENTHOOK, DWORD, HWND window, LONG object, LONG, DWORD, DWORD) {
    char name[32] = {};
    if (takenOnCreation || object != OBJID_WINDOW || !GetClassNameA(window, name, sizeof name) ||
        std::string(name) != "TBandForm")
        return;
    formTakenFrom = window;
    takenOnCreation = ClientObject(window);
}

TEST_F(ScreenReaderLifetime, HeldObjectAnswersNotConnectedAndKeepsTheModule) {
    ToolbarDll dll;
    ASSERT_TRUE(dll.module);
    ComPtr<IAccessible> toolbar;
    ComPtr<IDispatch> box;
    {
        HWND form = nullptr;
        const ComPtr<IDeskBand> band = OpenBand(dll, form);
        toolbar = Adopt(ClientObject(form));
        ASSERT_TRUE(toolbar);
        EXPECT_EQ("Cases", Name(toolbar.get(), 5));
        ASSERT_EQ(S_OK, toolbar->get_accChild(ChildId(2), box.put()));
        CloseBand(band.get());
        EXPECT_FALSE(IsWindow(form));
    }
    long count = 0;
    vtb::UniqueBstr name;
    EXPECT_EQ(CO_E_OBJNOTCONNECTED, toolbar->get_accChildCount(&count));
    EXPECT_EQ(CO_E_OBJNOTCONNECTED, toolbar->get_accName(ChildId(CHILDID_SELF), name.put()));
    EXPECT_EQ(CO_E_OBJNOTCONNECTED, toolbar->accDoDefaultAction(ChildId(5)));
    vtb::UniqueVariant hit;
    EXPECT_EQ(CO_E_OBJNOTCONNECTED, toolbar->accHitTest(10, 10, hit.get()));
    UINT typeInfos = 0;
    EXPECT_EQ(CO_E_OBJNOTCONNECTED, toolbar->GetTypeInfoCount(&typeInfos));
    ComPtr<IAccessible> boxObject;
    ASSERT_EQ(S_OK, box->QueryInterface(IID_IAccessible, boxObject.put_void()));
    EXPECT_EQ(CO_E_OBJNOTCONNECTED, boxObject->get_accName(ChildId(CHILDID_SELF), vtb::UniqueBstr().put()));
    EXPECT_EQ(CO_E_OBJNOTCONNECTED, boxObject->get_accValue(ChildId(CHILDID_SELF), vtb::UniqueBstr().put()));
    EXPECT_EQ(S_FALSE, dll.CanUnloadNow()) << "the reader's hold keeps the module loaded";
    toolbar.reset();
    EXPECT_EQ(S_FALSE, dll.CanUnloadNow()) << "the search box's object counts too";
    boxObject.reset();
    box.reset();
    PumpUntil([&dll] { return dll.CanUnloadNow() == S_OK; });
    EXPECT_EQ(S_OK, dll.CanUnloadNow());
    EXPECT_TRUE(browser_.Navigations.empty());
    EXPECT_TRUE(boxes_.Boxes().empty());
    EXPECT_TRUE(HeapsValid());
}

// The save refused, the form shows its box from inside its destruction; a
// reader asking then, here and from another apartment, gets only an object
// already cut off, and none reads the form once it is freed.
TEST_F(ScreenReaderLifetime, AReaderAskingDuringTheClosingBoxGetsOnlyACutOffObject) {
    ToolbarDll dll;
    ASSERT_TRUE(dll.module);
    ASSERT_TRUE(CreateDirectoryA(settings_.Path().c_str(), nullptr));  // the save is refused
    ComPtr<IAccessible> early, during;
    HRESULT duringHere = S_OK, duringThere = S_OK;
    std::unique_ptr<ReaderThread> there;
    {
        HWND form = nullptr;
        ComPtr<IDeskBand> band = OpenBand(dll, form);
        ASSERT_TRUE(form);
        early = Adopt(ClientObject(form));
        ASSERT_TRUE(early);
        boxes_.RunInNextBox([&] {
            during = Adopt(ClientObject(form));
            long count = 0;
            duringHere = during ? during->get_accChildCount(&count) : E_FAIL;
            there = std::make_unique<ReaderThread>(form);
            duringThere = there->First();
        });
        CloseBand(band.get());
        EXPECT_FALSE(IsWindow(form));
    }
    RemoveDirectoryA(settings_.Path().c_str());
    ASSERT_EQ(1u, boxes_.Boxes().size());
    EXPECT_EQ(0u, boxes_.Boxes().front().text.find("Unable to write to "));
    EXPECT_EQ(CO_E_OBJNOTCONNECTED, duringHere);
    EXPECT_TRUE(FAILED(duringThere));
    long count = 0;
    ASSERT_TRUE(during);
    EXPECT_EQ(CO_E_OBJNOTCONNECTED, during->get_accChildCount(&count));
    EXPECT_EQ(CO_E_OBJNOTCONNECTED, early->get_accChildCount(&count));
    ASSERT_TRUE(there);
    EXPECT_TRUE(FAILED(there->Again()));
    there.reset();
    early.reset();
    during.reset();
    EXPECT_TRUE(PumpUntil([&dll] { return dll.CanUnloadNow() == S_OK; }));
    EXPECT_TRUE(HeapsValid());
}

// A reader's in-context hook takes the object while the band builds the
// form: the object keeps the module loaded as long as the reader holds it.
TEST_F(ScreenReaderLifetime, AnObjectTakenWhileTheFormIsBuiltKeepsTheModule) {
    ToolbarDll dll;
    ASSERT_TRUE(dll.module);
    takenOnCreation = nullptr;
    formTakenFrom = nullptr;
    const HWINEVENTHOOK hook = SetWinEventHook(EVENT_OBJECT_CREATE, EVENT_OBJECT_SHOW, GetModuleHandleA(nullptr),
                                               TakeOnCreation, GetCurrentProcessId(), 0, WINEVENT_INCONTEXT);
    ASSERT_TRUE(hook);
    {
        HWND form = nullptr;
        ComPtr<IDeskBand> band = OpenBand(dll, form);
        UnhookWinEvent(hook);
        EXPECT_EQ(form, formTakenFrom);
        CloseBand(band.get());
    }
    ComPtr<IAccessible> taken = Adopt(takenOnCreation);
    takenOnCreation = nullptr;
    ASSERT_TRUE(taken) << "the hook took the object while the form was built";
    long count = 0;
    EXPECT_EQ(CO_E_OBJNOTCONNECTED, taken->get_accChildCount(&count));
    EXPECT_EQ(S_FALSE, dll.CanUnloadNow()) << "the reader's hold keeps the module loaded";
    taken.reset();
    EXPECT_TRUE(PumpUntil([&dll] { return dll.CanUnloadNow() == S_OK; }));
    EXPECT_TRUE(HeapsValid());
}

// After the close every method of both objects sets its out-parameters,
// and a reader in another apartment holds neither object: both are cut off.
TEST_F(ScreenReaderLifetime, BothObjectsAreCutOffAndSetTheirOutParameters) {
    ToolbarDll dll;
    ASSERT_TRUE(dll.module);
    ComPtr<IAccessible> toolbar, box;
    std::unique_ptr<ReaderThread> boxThere;
    {
        HWND form = nullptr;
        ComPtr<IDeskBand> band = OpenBand(dll, form);
        toolbar = Adopt(ClientObject(form));
        ASSERT_TRUE(toolbar);
        ComPtr<IDispatch> dispatch;
        ASSERT_EQ(S_OK, toolbar->get_accChild(ChildId(2), dispatch.put()));
        ASSERT_EQ(S_OK, dispatch->QueryInterface(IID_IAccessible, box.put_void()));
        boxThere = std::make_unique<ReaderThread>(form, 2);
        EXPECT_EQ(S_OK, boxThere->First());
        CloseBand(band.get());
    }
    {
        SCOPED_TRACE("the toolbar's object");
        ExpectEveryOutParameterSet(toolbar.get());
    }
    {
        SCOPED_TRACE("the search box's object");
        ExpectEveryOutParameterSet(box.get());
    }
    toolbar.reset();
    box.reset();
    EXPECT_TRUE(boxThere->Holds());
    EXPECT_TRUE(PumpUntil([&dll] { return dll.CanUnloadNow() == S_OK; }))
        << "a stub for the other apartment still holds the search box's object";
    EXPECT_TRUE(FAILED(boxThere->Again()));
    boxThere.reset();
    EXPECT_TRUE(boxes_.Boxes().empty());
    EXPECT_TRUE(HeapsValid());
}

}  // namespace
}  // namespace vtbtest
