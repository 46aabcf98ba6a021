// What the user does with the toolbar: search, links, menu commands, the
// Settings menu and hover colours, driven by posted mouse and keyboard
// messages and real pop-up menus.
#include <windows.h>
#include <commctrl.h>

#include <atomic>
#include <thread>

#include "core/identifiers.h"
#include "core/messages.h"
#include "core/search.h"
#include "tests/wine/support_browser.h"
#include "tests/wine/support_menu.h"
#include "tests/wine/toolbar_fixture.h"
#include "widgets/control.h"
#include "widgets/face_drawing.h"
#include "widgets/face_painter.h"
#include "widgets/toolkit.h"

namespace vtbtest {
namespace {

using vtb::TBandForm;

class CommandTest : public ToolbarFormTest {
protected:
    TBandForm& BuildShown(const std::string& config = kTestConfig) {
        TBandForm& form = Build(config);
        ShowWindow(Parent(), SW_SHOW);
        SetForegroundWindow(Parent());
        SetActiveWindow(Parent());
        form.WebBrowser = &browser_;
        EXPECT_TRUE(PumpUntil([this] { return GetForegroundWindow() == Parent(); }));
        EXPECT_TRUE(PumpPending());
        return form;
    }
    void Click(vtb::TControl& control) {
        const LPARAM at = MAKELPARAM(control.Left() + control.Width() / 2, control.Top() + control.Height() / 2);
        PostMessageA(form_->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, at);
        PostMessageA(form_->Handle(), WM_LBUTTONUP, 0, at);
        EXPECT_TRUE(PumpPending());
    }
    // Presses a drop-down button and chooses an entry of its menu by keys.
    bool ChooseFromMenu(vtb::TControl& button, std::vector<WORD> keys) {
        MenuChooser chooser(std::move(keys));
        Click(button);
        return WhenChosen(chooser);
    }
    // The menu's loop runs inside the click: once the chooser is done it has
    // ended, and the command it posted runs with what is pending.
    static bool WhenChosen(const MenuChooser& chooser) {
        EXPECT_TRUE(PumpUntil([&chooser] { return chooser.Done(); }, 2 * kWaitMs));
        EXPECT_TRUE(PumpPending());
        return chooser.Opened();
    }
    void Search(const std::string& query) {
        form_->Search_Edit->SetText(query);
        form_->Search_SpdButnClick(form_->Search_SpdButn);
    }
    std::string LastUrl() const { return browser_.Navigations.empty() ? "" : browser_.Navigations.back().url; }
    // The pointer to the middle of a control, and the idle step that notices.
    static void PointTo(const vtb::TControl& control) {
        const POINT p = control.ClientToScreen({control.Width() / 2, control.Height() / 2});
        SetCursorPos(p.x, p.y);
        vtb::TToolkit::ForThread().Idle();
    }

    RecordingBrowser browser_;
};

TEST_F(CommandTest, SearchBuildsTheUrlAndPassesOneVariantByReference) {
    BuildShown();
    Search("C++ & torts #2");
    ASSERT_EQ(browser_.Navigations.size(), 1u);
    const NavigateCall& call = browser_.Navigations[0];
    EXPECT_EQ(call.url, "https://lexa.example/search?m=all&q=C%2B%2B+%26+torts+%232&from=bar");
    for (const VariantArg* arg : {&call.flags, &call.targetFrameName, &call.postData, &call.headers}) {
        EXPECT_EQ(arg->vt, VT_I4);
        EXPECT_EQ(arg->intValue, 0);
        EXPECT_EQ(arg->address, call.flags.address);  // the one variant for all four
    }
    Search("rule one  two");
    EXPECT_EQ(LastUrl(), "https://lexa.example/search?m=all&q=rule+one++two&from=bar");
}

TEST_F(CommandTest, EmptyQueryGoesToTheSearchButtonsOwnAddress) {
    BuildShown();
    const int before = form_->Search_Edit->Count();
    Search("");
    EXPECT_EQ(LastUrl(), "https://lexa.example/find");
    EXPECT_EQ(form_->Search_Edit->Count(), before);
}

TEST_F(CommandTest, HistoryHoldsSevenAndDropsTheFirstInSortOrder) {
    BuildShown();
    form_->Search_Edit->ClearItems();
    for (const char* q : {"g", "b", "f", "d", "a", "e", "c"}) Search(q);
    EXPECT_EQ(form_->Search_Edit->Count(), 7);
    Search("h");
    EXPECT_EQ(form_->Search_Edit->Count(), 7);
    EXPECT_EQ(form_->Search_Edit->IndexOf("a"), -1);
    EXPECT_EQ(form_->Search_Edit->Item(0), "b");
    Search("B");  // known in another case: nothing changes, the URL carries it as typed
    EXPECT_EQ(form_->Search_Edit->Count(), 7);
    EXPECT_EQ(form_->Search_Edit->Item(0), "b");
    EXPECT_EQ(LastUrl(), "https://lexa.example/search?m=all&q=B&from=bar");
}

TEST_F(CommandTest, FailingNavigationShowsTheSystemTextAndKeepsTheHistory) {
    BuildShown();
    browser_.Result = E_ACCESSDENIED;
    form_->Search_Edit->SetText("estoppel");
    Click(*form_->Search_SpdButn);
    ASSERT_TRUE(boxes_.WaitForBoxes(1, 3000));
    EXPECT_EQ(boxes_.Boxes().front().text, vtb::WithFullStop(vtb::SystemErrorText(E_ACCESSDENIED)));
    EXPECT_TRUE(boxes_.Boxes().front().errorIcon);
    EXPECT_GE(form_->Search_Edit->IndexOf("estoppel"), 0);
}

TEST_F(CommandTest, EnterInTheSearchBoxRunsExactlyOneSearch) {
    BuildShown();
    form_->SetTimerEnabled(false);
    form_->Search_Edit->SetText("habeas");
    // As the browser does: the key-down is dispatched to the focused box, and
    // the character message it makes follows through the same way.
    form_->Search_Edit->SetFocus();
    const HWND edit = GetFocus();
    MSG down{edit, WM_KEYDOWN, VK_RETURN, 0x001C0001, 0, {0, 0}};
    TranslateMessage(&down);
    DispatchMessageA(&down);
    PumpUntil([this] { return !browser_.Navigations.empty(); });
    PumpToShowNothingHappens(100);
    ASSERT_EQ(browser_.Navigations.size(), 1u);
    EXPECT_EQ(LastUrl(), "https://lexa.example/search?m=all&q=habeas&from=bar");
    EXPECT_EQ(form_->Search_Edit->Text(), "habeas");  // the Enter never reached the box
}

TEST_F(CommandTest, LinkButtonsNavigateInTheSameOrANewWindow) {
    SetIni("SpdButn_3", "1");
    TBandForm& form = BuildShown();
    const POINT away = form.SpdButn[0]->ClientToScreen({10, 60});  // below the toolbar
    SetCursorPos(away.x, away.y);
    Click(*form.SpdButn[0]);
    ASSERT_EQ(browser_.Navigations.size(), 1u);
    EXPECT_EQ(LastUrl(), "https://lexa.example/cases");
    EXPECT_EQ(browser_.Navigations[0].targetFrameName.vt, VT_I4);
    EXPECT_EQ(vtb::ColorToRGB(form.SpdButn[0]->Font.Color()), RGB(0, 0, 0));  // black after the click
    // With the pointer still over it, the click ends in the hover colour.
    const POINT over = form.SpdButn[0]->ClientToScreen({10, 10});
    SetCursorPos(over.x, over.y);
    Click(*form.SpdButn[0]);
    EXPECT_EQ(vtb::ColorToRGB(form.SpdButn[0]->Font.Color()), RGB(0, 0, 255));
    SetCursorPos(away.x, away.y);
    browser_.Navigations.pop_back();

    Click(*form.SpdButn[2]);  // "Case Lookup"
    ASSERT_EQ(browser_.Navigations.size(), 2u);
    EXPECT_EQ(LastUrl(), "https://lexa.example/lookup");
    EXPECT_EQ(browser_.Navigations[1].targetFrameName.vt, VT_BSTR);
    EXPECT_EQ(browser_.Navigations[1].targetFrameName.text, "_blank");
    EXPECT_EQ(browser_.Navigations[1].flags.vt, VT_I4);
}

TEST_F(CommandTest, CommandCodesAreNotInterpretedForButtons) {
    TBandForm& form = BuildShown("v|n\r\n[Buttons]\r\n4\r\nM|m\r\nS|s\r\nT|t\r\nlookup help|@4\r\n");
    Click(*form.SpdButn[0]);
    EXPECT_EQ(LastUrl(), "@4");
    EXPECT_EQ(browser_.Navigations.back().targetFrameName.vt, VT_I4);  // "lookup" in lower case
    EXPECT_TRUE(boxes_.Boxes().empty());
}

TEST_F(CommandTest, MainMenuEntriesChosenInTheRealMenu) {
    TBandForm& form = BuildShown();
    ASSERT_TRUE(ChooseFromMenu(*form.Main_Menu_SpdButn, {VK_DOWN, VK_RETURN}));
    EXPECT_EQ(LastUrl(), "https://lexa.example/home");

    // "Help" holds "help": a new window.
    ASSERT_TRUE(ChooseFromMenu(*form.Main_Menu_SpdButn, {VK_UP, VK_RETURN}));
    EXPECT_EQ(LastUrl(), "https://lexa.example/help");
    EXPECT_EQ(browser_.Navigations.back().targetFrameName.text, "_blank");
    EXPECT_EQ(form.Main_Menu_SpdButn->FaceState(), vtb::TButtonFaceState::bfsUp);
}

TEST_F(CommandTest, EveryEntryOfTwoFullMenusRunsItsOwnCommand) {
    std::string config = "v|n\r\n[Main Menu]\r\n" + std::to_string(vtb::kMaxMenuEntries) + "\r\n";
    for (std::size_t i = 0; i < vtb::kMaxMenuEntries; ++i)
        config += "M" + std::to_string(i) + "|https://m.example/" + std::to_string(i) + "\r\n";
    config += "[Settings Menu - Search]\r\n3\r\nSearch in|\r\nAll|all\r\nCases|cases\r\nLaws|laws\r\n";
    config += "[Settings Menu - Misc]\r\n" + std::to_string(vtb::kMaxMenuEntries) + "\r\n";
    for (std::size_t i = 0; i < vtb::kMaxMenuEntries; ++i)
        config += "S" + std::to_string(i) + "|https://s.example/" + std::to_string(i) + "\r\n";
    TBandForm& form = BuildShown(config);

    // The last entry of the main menu, then a search method and the last
    // entry of the Settings menu: each runs its own command.
    ASSERT_TRUE(ChooseFromMenu(*form.Main_Menu_SpdButn, {VK_UP, VK_RETURN}));
    EXPECT_EQ(LastUrl(), "https://m.example/" + std::to_string(vtb::kMaxMenuEntries - 1));
    const std::size_t navigations = browser_.Navigations.size();
    ASSERT_TRUE(ChooseFromMenu(*form.Settings_SpdButn, {VK_DOWN, VK_RIGHT, VK_DOWN, VK_RETURN}));
    EXPECT_TRUE(form.SearchOption[1]->Checked);
    EXPECT_EQ(browser_.Navigations.size(), navigations) << "a search method navigates nowhere";
    ASSERT_TRUE(ChooseFromMenu(*form.Settings_SpdButn, {VK_UP, VK_RETURN}));
    EXPECT_EQ(LastUrl(), "https://s.example/" + std::to_string(vtb::kMaxMenuEntries - 1));
    ASSERT_TRUE(ChooseFromMenu(*form.Main_Menu_SpdButn, {VK_DOWN, VK_RETURN}));
    EXPECT_EQ(LastUrl(), "https://m.example/0");
}

TEST_F(CommandTest, ClearHistoryKeepsTheTextInTheBox) {
    TBandForm& form = BuildShown();
    Search("res judicata");
    form.Search_Edit->SetText("typed");
    // Settings menu: Search options, Buttons, (separator), Clear history.
    ASSERT_TRUE(ChooseFromMenu(*form.Settings_SpdButn, {VK_DOWN, VK_DOWN, VK_DOWN, VK_RETURN}));
    EXPECT_EQ(form.Search_Edit->Count(), 0);
    EXPECT_EQ(form.Search_Edit->Text(), "typed");
}

TEST_F(CommandTest, HelpIsTestedBeforeTheCommandCodes) {
    TBandForm& form = BuildShown("v|n\r\n[Main Menu]\r\n2\r\nA|x/help@1\r\nB|x@2y\r\n");
    form.Search_Edit->Add("kept?");
    form.Main_Menu->Items().Item(0)->Click();
    EXPECT_EQ(LastUrl(), "x/help@1");
    EXPECT_TRUE(boxes_.Boxes().empty());
    form.Main_Menu->Items().Item(1)->Click();  // "@2" inside other text still clears
    EXPECT_EQ(form.Search_Edit->Count(), 0);
}

TEST_F(CommandTest, HideAsksTheBrowserToHideThisBand) {
    TBandForm& form = BuildShown("v|n\r\n[Main Menu]\r\n1\r\nHide|@3\r\n");
    ASSERT_TRUE(ChooseFromMenu(*form.Main_Menu_SpdButn, {VK_DOWN, VK_RETURN}));
    ASSERT_EQ(browser_.BrowserBarCalls.size(), 1u);
    const ShowBrowserBarCall& call = browser_.BrowserBarCalls[0];
    EXPECT_EQ(call.classId.vt, VT_BSTR);
    EXPECT_EQ(call.classId.text, vtb::kBandClassIdText);
    EXPECT_EQ(call.show.vt, VT_BOOL);
    EXPECT_FALSE(call.show.boolValue);
    EXPECT_EQ(call.size.vt, VT_I4);
    EXPECT_EQ(call.size.intValue, 0);

    browser_.Result = E_NOTIMPL;
    ASSERT_TRUE(ChooseFromMenu(*form.Main_Menu_SpdButn, {VK_DOWN, VK_RETURN}));
    ASSERT_TRUE(boxes_.WaitForBoxes(1, 3000));
    EXPECT_EQ(boxes_.Boxes().front().text, vtb::WithFullStop(vtb::SystemErrorText(E_NOTIMPL)));
}

TEST_F(CommandTest, WithoutABrowserNavigationDoesNothing) {
    TBandForm& form = BuildShown();
    form.WebBrowser = nullptr;
    Search("quiet");
    Click(*form.SpdButn[0]);
    form.HideToolbar();
    PumpToShowNothingHappens(50);
    EXPECT_TRUE(boxes_.Boxes().empty());
    EXPECT_GE(form.Search_Edit->IndexOf("quiet"), 0);
}

TEST_F(CommandTest, SettingsMenuShowsAndHidesLinkButtons) {
    SetIni("SpdButn_1", "1");
    SetIni("SpdButn_3", "1");
    TBandForm& form = BuildShown();
    EXPECT_EQ(form.SpdButn[2]->Left(), 505);
    struct Resizes final : vtb::TFormListener {
        vtb::TBandForm& form;
        int count = 0;
        explicit Resizes(vtb::TBandForm& f) : form(f) { form.Listener = this; }
        ~Resizes() { form.Listener = nullptr; }
        void FormMessage(UINT) override {}
        void FormResized() override { ++count; }
        void FormFocusMoved(bool) override {}
    } resizes(form);
    const int& resized = resizes.count;
    // Buttons sub-menu, its second entry: show "Statutes".
    ASSERT_TRUE(ChooseFromMenu(*form.Settings_SpdButn, {VK_DOWN, VK_DOWN, VK_RIGHT, VK_DOWN, VK_RETURN}));
    EXPECT_TRUE(form.SpdButn[1]->Visible());
    EXPECT_TRUE(form.SettingsSpdButn[1]->Checked);
    EXPECT_EQ(form.SpdButn[1]->Left(), 505);
    EXPECT_EQ(form.SpdButn[2]->Left(), 570);
    EXPECT_EQ(form.ClientSize().cx, 635);
    EXPECT_EQ(resized, 1);

    form.SettingsSpdButn[0]->Click();  // hide the first: the others move up, slots stay 65 wide
    EXPECT_FALSE(form.SpdButn[0]->Visible());
    EXPECT_EQ(form.SpdButn[1]->Left(), 440);
    EXPECT_EQ(form.SpdButn[2]->Left(), 505);
    EXPECT_EQ(form.VisibleButtons, (std::vector<std::string>{"SpdButn_2", "SpdButn_3"}));
}

TEST_F(CommandTest, ChosenSearchMethodAppliesToTheNextSearch) {
    TBandForm& form = BuildShown();
    form.SearchOption[2]->Click();
    EXPECT_TRUE(form.SearchOption[2]->Checked);
    EXPECT_FALSE(form.SearchOption[0]->Checked);
    EXPECT_TRUE(browser_.Navigations.empty());
    Search("lien");
    EXPECT_EQ(LastUrl(), "https://lexa.example/search?m=statutes&q=lien&from=bar");
    Close();
    EXPECT_EQ(Ini("Search Method"), "statutes");
}

TEST_F(CommandTest, HoverColoursFollowTheMouse) {
    TBandForm& form = BuildShown();
    vtb::TGlyphButton& link = *form.SpdButn[0];
    POINT over = link.ClientToScreen({10, 10});
    SetCursorPos(over.x, over.y);
    vtb::TToolkit::ForThread().Idle();
    EXPECT_EQ(vtb::ColorToRGB(link.Font.Color()), RGB(0, 0, 255));
    POINT away = form.Search_SpdButn->ClientToScreen({5, 5});
    SetCursorPos(away.x, away.y);
    vtb::TToolkit::ForThread().Idle();
    EXPECT_EQ(vtb::ColorToRGB(link.Font.Color()), RGB(0, 0, 0));
    EXPECT_EQ(vtb::ColorToRGB(form.Search_SpdButn->Font.Color()), RGB(0, 0, 255));

    // Opening a drop-down menu turns both menu buttons black.
    form.Settings_SpdButn->Font.SetColor(RGB(0, 0, 255));
    form.Main_Menu_SpdButn->Font.SetColor(RGB(0, 0, 255));
    ASSERT_TRUE(ChooseFromMenu(*form.Settings_SpdButn, {VK_ESCAPE}));
    EXPECT_EQ(vtb::ColorToRGB(form.Settings_SpdButn->Font.Color()), RGB(0, 0, 0));
    EXPECT_EQ(vtb::ColorToRGB(form.Main_Menu_SpdButn->Font.Color()), RGB(0, 0, 0));
}

// System colours changed for a test, put back when it is done.
class SystemColours {
public:
    explicit SystemColours(std::initializer_list<std::pair<int, COLORREF>> colours) {
        for (const auto& [index, colour] : colours) {
            indexes_.push_back(index);
            saved_.push_back(GetSysColor(index));
            changed_.push_back(colour);
        }
        SetSysColors(static_cast<int>(indexes_.size()), indexes_.data(), changed_.data());
    }
    ~SystemColours() { Restore(); }
    void Restore() {
        if (!indexes_.empty()) SetSysColors(static_cast<int>(indexes_.size()), indexes_.data(), saved_.data());
        indexes_.clear();
    }

private:
    std::vector<int> indexes_;
    std::vector<COLORREF> saved_, changed_;
};

// How many pixels of a control the screen shows in a colour.
int OnScreen(const vtb::TControl& control, COLORREF colour) {
    vtb::DibBitmap shot = vtb::CreateDib(control.Width(), control.Height());
    const vtb::UniqueDc memory(CreateCompatibleDC(nullptr));
    const HGDIOBJ before = SelectObject(memory.get(), shot.Bitmap.get());
    const HDC screen = GetDC(nullptr);
    const POINT at = control.ClientToScreen({0, 0});
    BitBlt(memory.get(), 0, 0, shot.Width, shot.Height, screen, at.x, at.y, SRCCOPY);
    ReleaseDC(nullptr, screen);
    SelectObject(memory.get(), before);
    const std::uint32_t wanted = (GetRValue(colour) << 16) | (GetGValue(colour) << 8) | GetBValue(colour);
    int count = 0;
    for (int y = 0; y < shot.Height; ++y)
        for (int x = 0; x < shot.Width; ++x) count += (shot.At(x, y) & 0xFFFFFF) == wanted;
    return count;
}

TEST_F(CommandTest, CaptionsKeepToTheSystemColoursInADarkScheme) {
    const COLORREF black = RGB(0, 0, 0), white = RGB(255, 255, 255), yellow = RGB(255, 255, 0);
    SystemColours dark(
        {{COLOR_BTNFACE, black}, {COLOR_BTNTEXT, white}, {COLOR_WINDOWTEXT, white}, {COLOR_HOTLIGHT, yellow}});
    TBandForm& form = BuildShown();
    vtb::TGlyphButton& link = *form.SpdButn[0];
    vtb::TGlyphButton& main = *form.Main_Menu_SpdButn;
    // What the screen shows once the toolbar has painted what is pending.
    const auto seen = [](const vtb::TControl& control, COLORREF colour) {
        EXPECT_TRUE(PumpPending());
        return OnScreen(control, colour);
    };
    EXPECT_GT(seen(link, white), 0) << "before the pointer came";
    const int mainWhite = seen(main, white);  // its caption and its triangle
    EXPECT_GT(mainWhite, 0);
    // Blue on black is not read at a glance: the scheme's colour of
    // hot-tracked items is, high contrast or not.
    PointTo(link);
    EXPECT_GT(seen(link, yellow), 0) << "under the pointer";
    EXPECT_EQ(0, seen(link, RGB(0, 0, 255)));
    PointTo(*form.Search_SpdButn);
    EXPECT_GT(seen(link, white), 0) << "after the pointer left";
    EXPECT_EQ(0, seen(link, yellow));
    ASSERT_TRUE(ChooseFromMenu(*form.Settings_SpdButn, {VK_ESCAPE}));
    EXPECT_EQ(mainWhite, seen(main, white)) << "never under the pointer, after a menu opened";

    // The system's colours again: the captions follow at once.
    dark.Restore();
    EXPECT_GT(seen(link, black), 0);
    EXPECT_EQ(0, seen(main, white));
}

// Dark windows around light button faces: a caption drawn in the window's
// text colour would vanish into its face.
TEST_F(CommandTest, IdleCaptionsTakeTheButtonTextColour) {
    const COLORREF windowText = RGB(254, 254, 254), face = RGB(212, 208, 200), text = RGB(1, 2, 3);
    SystemColours scheme({{COLOR_WINDOW, RGB(0, 0, 0)}, {COLOR_WINDOWTEXT, windowText}, {COLOR_BTNFACE, face},
                          {COLOR_BTNTEXT, text}});
    TBandForm& form = BuildShown();
    EXPECT_TRUE(PumpPending());
    for (const vtb::TControl* button : {static_cast<vtb::TControl*>(form.SpdButn[0]),
                                        static_cast<vtb::TControl*>(form.Main_Menu_SpdButn)}) {
        EXPECT_GT(OnScreen(*button, text), 0) << button->Name;
        EXPECT_EQ(OnScreen(*button, windowText), 0) << button->Name;
    }
}

// The text of the hint this thread shows, empty when none shows.
std::string ShownHint() {
    const HWND hint = ShownHintWindow();
    if (!hint) return {};
    char text[256] = {};
    TOOLINFOA tool{};
    tool.cbSize = TTTOOLINFOA_V2_SIZE;
    if (!SendMessageA(hint, TTM_ENUMTOOLSA, 0, reinterpret_cast<LPARAM>(&tool))) return {};
    tool.lpszText = text;
    SendMessageA(hint, TTM_GETTEXTA, sizeof text, reinterpret_cast<LPARAM>(&tool));
    return text;
}

TEST_F(CommandTest, ACutCaptionShowsWholeInAHintWhenThePointerPauses) {
    const std::string whole = "Cases && decisions of the high courts";
    std::string config = kTestConfig;
    config.replace(config.find("Cases|https"), 5, whole);
    TBandForm& form = BuildShown(config);
    PointTo(*form.SpdButn[0]);
    EXPECT_TRUE(PumpUntil([] { return ShownHint() == "Cases & decisions of the high courts"; }));
    // A caption that fits has none, and the pointer going ends the one shown.
    PointTo(*form.Search_SpdButn);
    EXPECT_EQ("", ShownHint());
    PumpToShowNothingHappens(700);
    EXPECT_EQ("", ShownHint());
    // A key ends it too.
    PointTo(*form.SpdButn[0]);
    ASSERT_TRUE(PumpUntil([] { return !ShownHint().empty(); }));
    SendMessageA(form.Handle(), WM_KEYDOWN, VK_SHIFT, 1);
    EXPECT_EQ("", ShownHint());
}

TEST_F(CommandTest, TimerTickHandlesOneMessageAndRoutesKeysToTheToolbar) {
    TBandForm& form = BuildShown();
    EXPECT_TRUE(PumpPending());
    form.Search_Edit->SetText("mandamus");
    HWND edit = GetWindow(form.Search_Edit->Handle(), GW_CHILD);
    PostMessageA(edit ? edit : form.Search_Edit->Handle(), WM_CHAR, '\r', 1);
    form.Timer1Timer(&form);
    EXPECT_EQ(browser_.Navigations.size(), 1u);
    MSG left;
    EXPECT_FALSE(PeekMessageA(&left, edit, WM_CHAR, WM_CHAR, PM_NOREMOVE));

    // A quit message and any other message of the thread itself stay for
    // the browser's loop: no window could take them from a tick.
    PostQuitMessage(7);
    form.Timer1Timer(&form);
    MSG quit;
    ASSERT_TRUE(PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(quit.wParam, 7u);
    constexpr UINT kBrowserSignal = WM_APP + 17;
    ASSERT_TRUE(PostThreadMessageA(GetCurrentThreadId(), kBrowserSignal, 3, 0));
    form.Timer1Timer(&form);
    MSG signal;
    ASSERT_TRUE(PeekMessageA(&signal, nullptr, kBrowserSignal, kBrowserSignal, PM_REMOVE));
    EXPECT_EQ(signal.wParam, 3u);
}

TEST_F(CommandTest, OneEnterThroughTheTimerIsOneSearchWhateverTheBrowserAnswers) {
    TBandForm& form = BuildShown();
    browser_.Result = E_FAIL;
    form.Search_Edit->SetText("certiorari");
    const HWND edit = GetWindow(form.Search_Edit->Handle(), GW_CHILD);
    PostMessageA(edit ? edit : form.Search_Edit->Handle(), WM_CHAR, '\r', 1);
    form.Timer1Timer(&form);
    EXPECT_TRUE(boxes_.WaitForBoxes(1, 3000));
    PumpToShowNothingHappens(100);
    EXPECT_EQ(browser_.Navigations.size(), 1u);
    EXPECT_EQ(boxes_.Boxes().size(), 1u);
}

TEST_F(CommandTest, KeysForAnOpenMenuAreTheMenusWhileTicksRun) {
    TBandForm& form = BuildShown();
    // Each key of the user arrives right behind a tick of the toolbar's timer.
    for (int round = 0; round < 5; ++round) {
        form.SearchOption[0]->Click();
        const HWND owner = form.Handle();
        MenuChooser chooser([owner](HWND menu) {
            for (WORD key : {VK_DOWN, VK_RIGHT, VK_DOWN, VK_RETURN}) {
                Sleep(20);  // the user's pace
                PostMessageA(owner, WM_TIMER, 1, 0);
                MenuChooser::PostKey(menu, key);
            }
        });
        Click(*form.Settings_SpdButn);
        ASSERT_TRUE(WhenChosen(chooser));
        EXPECT_TRUE(form.SearchOption[1]->Checked) << "round " << round;
        EXPECT_EQ(vtb::CurrentSearchMethod(), "cases") << "round " << round;
    }
}

TEST_F(CommandTest, TheTickLeavesKeysForTheBrowsersOwnWindows) {
    TBandForm& form = BuildShown();
    EXPECT_TRUE(PumpPending());
    PostMessageA(form.Handle(), WM_TIMER, 1, 0);
    PostMessageA(Parent(), WM_KEYDOWN, 'L', 1);
    // The browser's loop, which runs its accelerators on every key it gets.
    std::vector<MSG> keys;
    MSG msg;
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < kWaitMs && PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message >= WM_KEYFIRST && msg.message <= WM_KEYLAST) keys.push_back(msg);
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    ASSERT_FALSE(keys.empty());
    EXPECT_EQ(keys[0].message, static_cast<UINT>(WM_KEYDOWN));
    for (const MSG& key : keys) EXPECT_EQ(key.hwnd, Parent());
}

TEST_F(CommandTest, AColourChangeForwardedByTheHostReachesTheButtons) {
    TBandForm& form = BuildShown();
    vtb::DecodedBitmap glyph;
    glyph.Width = glyph.Height = 16;
    glyph.Pixels.assign(256, 0x0000FF);
    vtb::TGlyphButton& link = *form.SpdButn[0];
    link.SetGlyph(glyph);
    RedrawWindow(form.Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    ASSERT_GE(link.FaceGlyph().StateImageIndex(vtb::TButtonFaceState::bfsUp), 0);
    // A browser that passes the top-level window's notification on to its bands.
    SendMessageA(form.Handle(), WM_SYSCOLORCHANGE, 0, 0);
    // Dropped, to be made again with the new colours at the next paint.
    EXPECT_EQ(link.FaceGlyph().StateImageIndex(vtb::TButtonFaceState::bfsUp), -1);
}

// Wine's own browser object. Its local server is started once per process:
// the test runner gives this suite a process of its own, since the object's
// start-up does not always succeed in a process that has run many tests.
class RealBrowser : public CommandTest {};

TEST_F(RealBrowser, WineInternetExplorerNavigatesAndRefusesToHideTheBar) {
    TBandForm& form = BuildShown(
        "v|n\r\n[Buttons]\r\n4\r\nM|m\r\nS|s\r\nT|t\r\nBlank|about:blank\r\n[Main Menu]\r\n1\r\nHide|@3\r\n");
    vtb::ComPtr<IWebBrowser2> ie;
    const HRESULT hr =
        CoCreateInstance(CLSID_InternetExplorer, nullptr, CLSCTX_SERVER, IID_IWebBrowser2, ie.put_void());
    ASSERT_EQ(hr, S_OK);
    form.WebBrowser = ie;
    Click(*form.SpdButn[0]);
    EXPECT_TRUE(boxes_.Boxes().empty());
    ASSERT_TRUE(ChooseFromMenu(*form.Main_Menu_SpdButn, {VK_DOWN, VK_RETURN}));
    ASSERT_TRUE(boxes_.WaitForBoxes(1, 3000));
    EXPECT_EQ(boxes_.Boxes().front().text, vtb::WithFullStop(vtb::SystemErrorText(E_NOTIMPL)));
    form.WebBrowser = nullptr;
    ie->Quit();
}

}  // namespace
}  // namespace vtbtest
