// The glyph button on a real window: mouse messages through the host's
// routing, hover from the idle step, drop-down menus, groups, accelerators,
// auto-repeat and the transparent face.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "core/config_file.h"
#include "tests/wine/support_wine.h"
#include "widgets/face_drawing.h"
#include "widgets/face_painter.h"
#include "widgets/form.h"
#include "widgets/glyph_button.h"
#include "widgets/menus.h"
#include "widgets/toolkit.h"

namespace {

using S = vtb::TButtonFaceState;

constexpr char kHostClass[] = "VtbGlyphButtonTestHost";
constexpr int kHostLeft = 120;
constexpr int kHostTop = 140;

// A top-level form window hosting the buttons under test.
class TestHost : public vtb::TCustomForm {
public:
    TestHost() : TCustomForm(nullptr, "host") {
        static const ATOM atom = [] {
            WNDCLASSEXA wc{};
            wc.cbSize = sizeof wc;
            wc.style = CS_DBLCLKS;
            wc.lpfnWndProc = &TWinControl::StaticWndProc;
            wc.hInstance = GetModuleHandleA(nullptr);
            wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
            wc.lpszClassName = kHostClass;
            return RegisterClassExA(&wc);
        }();
        (void)atom;
        CreateWindowExA(0, kHostClass, "glyph button host", WS_POPUP | WS_VISIBLE, kHostLeft, kHostTop, 400, 80,
                        nullptr, nullptr, GetModuleHandleA(nullptr), static_cast<vtb::TWinControl*>(this));
        SetBounds(0, 0, 400, 80);
    }
    ~TestHost() override {
        if (Handle()) DestroyWindow(Handle());
    }
};

// Counts of what a button reported.
struct Events {
    int clicks = 0, dblClicks = 0, enters = 0, leaves = 0;
    std::vector<UINT> downs, ups;

    void Attach(vtb::TGlyphButton& b) {
        b.OnClick = [this](vtb::TComponent*) { ++clicks; };
        b.OnDblClick = [this](vtb::TComponent*) { ++dblClicks; };
        b.OnMouseEnter = [this](vtb::TComponent*) { ++enters; };
        b.OnMouseLeave = [this](vtb::TComponent*) { ++leaves; };
        b.OnMouseDown = [this](vtb::TComponent*, UINT button, int, int) { downs.push_back(button); };
        b.OnMouseUp = [this](vtb::TComponent*, UINT button, int, int) { ups.push_back(button); };
    }
};

class GlyphButtonHost : public ::testing::Test {
protected:
    void SetUp() override {
        host_ = std::make_unique<TestHost>();
        ASSERT_NE(host_->Handle(), nullptr);
        SetForegroundWindow(host_->Handle());
        SetActiveWindow(host_->Handle());
        vtbtest::PumpUntil([] { return vtb::ActiveWindowInThread(); });
        ASSERT_TRUE(vtb::ActiveWindowInThread());
        button_ = NewButton("b", 10, 10);
        events_.Attach(*button_);
        Away();
    }
    void TearDown() override {
        buttons_.clear();
        host_.reset();
        EXPECT_TRUE(vtbtest::PumpPending());
    }

    vtb::TGlyphButton* NewButton(const std::string& name, int left, int top) {
        buttons_.push_back(std::make_unique<vtb::TGlyphButton>(host_.get(), name));
        buttons_.back()->SetBounds(left, top, 65, 25);
        return buttons_.back().get();
    }
    HWND Window() const { return host_->Handle(); }

    // A mouse message at a point of the host's client area.
    void Send(UINT msg, int x, int y, WPARAM keys = 0) { SendMessageA(Window(), msg, keys, MAKELPARAM(x, y)); }
    void Click(int x, int y) {
        Send(WM_LBUTTONDOWN, x, y, MK_LBUTTON);
        Send(WM_LBUTTONUP, x, y);
    }
    POINT Screen(int x, int y) const {
        POINT p{x, y};
        ClientToScreen(Window(), &p);
        return p;
    }
    // The cursor to a point of the host, and one idle step of the toolkit.
    void CursorTo(int x, int y) {
        const POINT p = Screen(x, y);
        SetCursorPos(p.x, p.y);
        vtb::TToolkit::ForThread().Idle();
    }
    void Away() {
        SetCursorPos(kHostLeft + 390, kHostTop + 75);  // inside the host, over no control
        vtb::TToolkit::ForThread().Idle();
    }

    std::unique_ptr<TestHost> host_;
    std::vector<std::unique_ptr<vtb::TGlyphButton>> buttons_;
    vtb::TGlyphButton* button_ = nullptr;
    Events events_;
};

// ---- Clicks ---------------------------------------------------------------------

TEST_F(GlyphButtonHost, ClickIsLeftPressAndReleaseInside) {
    Click(20, 20);
    EXPECT_EQ(events_.clicks, 1);
    EXPECT_EQ(button_->FaceState(), S::bfsUp);

    // Out before the release: no click, and the face came up on leaving.
    Send(WM_LBUTTONDOWN, 20, 20, MK_LBUTTON);
    EXPECT_EQ(button_->FaceState(), S::bfsPressed);
    Send(WM_MOUSEMOVE, 10 + 65, 20, MK_LBUTTON);
    EXPECT_EQ(button_->FaceState(), S::bfsUp);
    Send(WM_LBUTTONUP, 10 + 65, 20);
    EXPECT_EQ(events_.clicks, 1);

    // Out and back in: one click.
    Send(WM_LBUTTONDOWN, 20, 20, MK_LBUTTON);
    Send(WM_MOUSEMOVE, 200, 60, MK_LBUTTON);
    Send(WM_MOUSEMOVE, 30, 15, MK_LBUTTON);
    EXPECT_EQ(button_->FaceState(), S::bfsPressed);
    Send(WM_LBUTTONUP, 30, 15);
    EXPECT_EQ(events_.clicks, 2);
}

TEST_F(GlyphButtonHost, RowBelowCountsRightEdgeDoesNot) {
    Send(WM_LBUTTONDOWN, 20, 20, MK_LBUTTON);
    Send(WM_LBUTTONUP, 20, 10 + 25);  // y = client height
    EXPECT_EQ(events_.clicks, 1);
    Send(WM_LBUTTONDOWN, 20, 20, MK_LBUTTON);
    Send(WM_LBUTTONUP, 10 + 65, 20);  // x = client width
    EXPECT_EQ(events_.clicks, 1);
    EXPECT_FALSE(button_->IsTracking());
}

TEST_F(GlyphButtonHost, RightButtonNeverClicks) {
    Send(WM_RBUTTONDOWN, 20, 20, MK_RBUTTON);
    EXPECT_EQ(button_->FaceState(), S::bfsUp);
    EXPECT_FALSE(button_->IsTracking());
    Send(WM_RBUTTONUP, 20, 20);
    EXPECT_EQ(events_.clicks, 0);
    EXPECT_EQ(events_.downs, std::vector<UINT>{MK_RBUTTON});
    EXPECT_EQ(events_.ups, std::vector<UINT>{MK_RBUTTON});
}

TEST_F(GlyphButtonHost, CaptureStaysWhileAnyButtonIsHeld) {
    Send(WM_LBUTTONDOWN, 20, 20, MK_LBUTTON);
    Send(WM_RBUTTONDOWN, 20, 20, MK_LBUTTON | MK_RBUTTON);
    Send(WM_RBUTTONUP, 20, 20, MK_LBUTTON);
    Send(WM_MBUTTONDOWN, 20, 20, MK_LBUTTON | MK_MBUTTON);
    Send(WM_MBUTTONUP, 20, 20, MK_LBUTTON);
    EXPECT_EQ(GetCapture(), Window()) << "the left button is still held";
    // Moved off and released there, the press ends without a click.
    Send(WM_MOUSEMOVE, 300, 60, MK_LBUTTON);
    EXPECT_EQ(button_->FaceState(), S::bfsUp);
    Send(WM_LBUTTONUP, 300, 60);
    EXPECT_FALSE(button_->IsTracking());
    EXPECT_FALSE(button_->IsHovered());
    EXPECT_EQ(GetCapture(), nullptr) << "released with the last button";
    EXPECT_EQ(events_.clicks, 0);
    EXPECT_EQ(events_.ups, (std::vector<UINT>{MK_RBUTTON, MK_MBUTTON, MK_LBUTTON}));
}

TEST_F(GlyphButtonHost, RightAndMiddleDoubleClicksArePresses) {
    Send(WM_RBUTTONDOWN, 20, 20, MK_RBUTTON);
    Send(WM_RBUTTONUP, 20, 20);
    Send(WM_RBUTTONDBLCLK, 20, 20, MK_RBUTTON);
    EXPECT_EQ(GetCapture(), Window());
    Send(WM_RBUTTONUP, 20, 20);
    Send(WM_MBUTTONDOWN, 20, 20, MK_MBUTTON);
    Send(WM_MBUTTONUP, 20, 20);
    Send(WM_MBUTTONDBLCLK, 20, 20, MK_MBUTTON);
    Send(WM_MBUTTONUP, 20, 20);
    EXPECT_EQ(events_.downs, (std::vector<UINT>{MK_RBUTTON, MK_RBUTTON, MK_MBUTTON, MK_MBUTTON}));
    EXPECT_EQ(events_.ups, (std::vector<UINT>{MK_RBUTTON, MK_RBUTTON, MK_MBUTTON, MK_MBUTTON}));
    EXPECT_EQ(events_.clicks, 0);
    EXPECT_EQ(events_.dblClicks, 0);
    EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(GlyphButtonHost, DoubleClickIsASecondPress) {
    Click(20, 20);
    Send(WM_LBUTTONDBLCLK, 20, 20, MK_LBUTTON);
    Send(WM_LBUTTONUP, 20, 20);
    EXPECT_EQ(events_.clicks, 2);
    EXPECT_EQ(events_.dblClicks, 0);

    // A down button of a group hears of the double-click.
    button_->SetGroupIndex(1);
    button_->SetAllowAllUp(true);
    Click(20, 20);
    ASSERT_TRUE(button_->Down());
    Send(WM_LBUTTONDBLCLK, 20, 20, MK_LBUTTON);
    EXPECT_EQ(events_.dblClicks, 1);
    Send(WM_LBUTTONUP, 20, 20);
    EXPECT_FALSE(button_->Down());
}

TEST_F(GlyphButtonHost, ClickSetsTheFormsModalResult) {
    button_->ModalResult = 4;
    host_->ModalResult = 0;
    Click(20, 20);
    EXPECT_EQ(host_->ModalResult, 4);
}

TEST_F(GlyphButtonHost, DisabledButtonIgnoresPressesAndHover) {
    button_->SetEnabled(false);
    Click(20, 20);
    CursorTo(20, 20);
    EXPECT_EQ(events_.clicks, 0);
    EXPECT_EQ(events_.enters, 0);
    EXPECT_FALSE(button_->IsHovered());
}

// ---- Hover --------------------------------------------------------------------------

TEST_F(GlyphButtonHost, HoverFollowsTheIdleStep) {
    CursorTo(20, 20);
    EXPECT_TRUE(button_->IsHovered());
    EXPECT_EQ(events_.enters, 1);
    CursorTo(25, 22);
    EXPECT_EQ(events_.enters, 1);
    Away();
    EXPECT_FALSE(button_->IsHovered());
    EXPECT_EQ(events_.leaves, 1);
}

TEST_F(GlyphButtonHost, LeavingWhileHeldKeepsTheHover) {
    CursorTo(20, 20);
    Send(WM_LBUTTONDOWN, 20, 20, MK_LBUTTON);
    Away();
    EXPECT_TRUE(button_->IsHovered());
    EXPECT_EQ(events_.leaves, 0);
    Send(WM_LBUTTONUP, 390, 75);
    // The end of the press clears the hover; the pointer is elsewhere now.
    EXPECT_FALSE(button_->IsHovered());
    EXPECT_EQ(events_.clicks, 0);
}

TEST_F(GlyphButtonHost, ClickUnderThePointerEntersAgain) {
    CursorTo(20, 20);
    ASSERT_EQ(events_.enters, 1);
    Click(20, 20);
    EXPECT_EQ(events_.clicks, 1);
    EXPECT_EQ(events_.enters, 2);
    EXPECT_TRUE(button_->IsHovered());
}

TEST_F(GlyphButtonHost, NoHoverWhileAnotherApplicationIsActive) {
    // A window of another thread takes the activation.
    std::atomic<HWND> other{nullptr};
    vtb::UniqueKernelHandle quit(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    std::thread thread([&] {
        HWND w = CreateWindowExA(0, "STATIC", "other", WS_POPUP | WS_VISIBLE, 600, 400, 100, 100, nullptr, nullptr,
                                 nullptr, nullptr);
        SetForegroundWindow(w);
        other = w;
        const HANDLE stop = quit.get();
        while (MsgWaitForMultipleObjects(1, &stop, FALSE, 2000, QS_ALLINPUT) == WAIT_OBJECT_0 + 1) {
            MSG msg;
            while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
        }
        DestroyWindow(w);
    });
    // This thread hears of its deactivation through its own messages.
    vtbtest::PumpUntil([&] { return other && GetForegroundWindow() == other && !vtb::ActiveWindowInThread(); });
    ASSERT_EQ(GetForegroundWindow(), other.load());
    EXPECT_FALSE(vtb::ActiveWindowInThread());
    CursorTo(20, 20);
    EXPECT_FALSE(button_->IsHovered());
    EXPECT_EQ(events_.enters, 0);
    SetEvent(quit.get());
    thread.join();
}

// ---- Groups ---------------------------------------------------------------------------

TEST_F(GlyphButtonHost, GroupKeepsOneButtonDown) {
    vtb::TGlyphButton* second = NewButton("b2", 80, 10);
    vtb::TGlyphButton* third = NewButton("b3", 150, 10);
    for (vtb::TGlyphButton* b : {button_, second, third}) b->SetGroupIndex(1);

    Click(20, 20);
    EXPECT_TRUE(button_->Down());
    EXPECT_EQ(button_->FaceState(), S::bfsLatched);
    Click(90, 20);
    EXPECT_TRUE(second->Down());
    EXPECT_FALSE(button_->Down());
    EXPECT_EQ(button_->FaceState(), S::bfsUp);

    // Without AllowAllUp the down button stays down.
    Click(90, 20);
    EXPECT_TRUE(second->Down());
    EXPECT_EQ(second->FaceState(), S::bfsLatched);

    // AllowAllUp on one is shared by the group.
    second->SetAllowAllUp(true);
    EXPECT_TRUE(button_->AllowAllUp());
    EXPECT_TRUE(third->AllowAllUp());
    Click(90, 20);
    EXPECT_FALSE(second->Down());
    for (vtb::TGlyphButton* b : {button_, second, third}) EXPECT_FALSE(b->Down()) << b->Name;

    // Released outside, the face stays as the pointer's last move left it:
    // pressed without a move, up after one out of the button. Not down.
    Send(WM_LBUTTONDOWN, 160, 20, MK_LBUTTON);
    Send(WM_LBUTTONUP, 300, 60);
    EXPECT_EQ(third->FaceState(), S::bfsPressed);
    EXPECT_FALSE(third->Down());
    Send(WM_LBUTTONDOWN, 160, 20, MK_LBUTTON);
    Send(WM_MOUSEMOVE, 300, 60, MK_LBUTTON);
    Send(WM_LBUTTONUP, 300, 60);
    EXPECT_EQ(third->FaceState(), S::bfsUp);
    EXPECT_FALSE(third->Down());
}

TEST_F(GlyphButtonHost, GroupNoticesFromElsewhereAreIgnored) {
    vtb::TGlyphButton* other = NewButton("b2", 80, 10);
    button_->SetGroupIndex(1);
    other->SetGroupIndex(2);
    button_->SetDown(true);
    other->SetDown(true);  // another group: both stay down
    EXPECT_TRUE(button_->Down());

    vtb::TControl plain(host_.get(), "plain");
    button_->Perform(vtb::CM_BUTTONPRESSED, 1, reinterpret_cast<LPARAM>(&plain));
    button_->Perform(vtb::CM_BUTTONPRESSED, 1, 0);
    button_->Perform(vtb::CM_BUTTONPRESSED, 1, reinterpret_cast<LPARAM>(static_cast<vtb::TControl*>(button_)));
    EXPECT_TRUE(button_->Down());
}

TEST_F(GlyphButtonHost, DownNeedsAGroup) {
    button_->SetDown(true);
    EXPECT_FALSE(button_->Down());
    EXPECT_EQ(button_->FaceState(), S::bfsUp);
}

// ---- Properties --------------------------------------------------------------------------

TEST(GlyphButtonProperties, DefaultsAndSetterRules) {
    vtb::TGlyphButton b(nullptr, "b");
    EXPECT_EQ(b.Width(), 25);
    EXPECT_EQ(b.Height(), 25);
    EXPECT_EQ(b.Alignment(), vtb::taCenter);
    EXPECT_FALSE(b.AllowAllUp());
    EXPECT_FALSE(b.AllowTimer());
    EXPECT_EQ(b.Caption(), "");
    EXPECT_FALSE(b.Down());
    EXPECT_EQ(b.DropDownMenu(), nullptr);
    EXPECT_TRUE(b.Enabled());
    EXPECT_FALSE(b.Flat());
    EXPECT_TRUE(b.ParentFont);
    EXPECT_FALSE(b.HasGlyph());
    EXPECT_TRUE(b.GrayedInactive());
    EXPECT_EQ(b.GroupIndex(), 0);
    EXPECT_EQ(b.InitPause, 500);
    EXPECT_EQ(b.Layout(), vtb::blGlyphTop);
    EXPECT_EQ(b.Margin(), -1);
    EXPECT_TRUE(b.MarkDropDown());
    EXPECT_EQ(b.MenuPosition, vtb::dmpBottom);
    EXPECT_EQ(b.ModalResult, 0);
    EXPECT_EQ(b.NumGlyphs(), 1);
    EXPECT_EQ(b.RepeatInterval, 100);
    EXPECT_TRUE(b.ShowHint);
    EXPECT_FALSE(b.ParentShowHint);
    EXPECT_EQ(b.Spacing(), 1);
    EXPECT_EQ(b.Style(), vtb::bsAutoDetect);
    EXPECT_FALSE(b.Transparent());
    EXPECT_FALSE(b.WordWrap());
    EXPECT_TRUE(b.Visible());
    EXPECT_EQ(b.FaceState(), S::bfsUp);

    b.SetMargin(4);
    b.SetMargin(-5);
    EXPECT_EQ(b.Margin(), 4);
    b.SetMargin(-1);
    EXPECT_EQ(b.Margin(), -1);
    b.SetNumGlyphs(7);
    EXPECT_EQ(b.NumGlyphs(), 5);
    b.SetNumGlyphs(0);
    EXPECT_EQ(b.NumGlyphs(), 5);
    b.SetWordWrap(true);
    b.SetAlignment(vtb::taLeftJustify);
    EXPECT_TRUE(b.FaceGlyph().WordWrap);
    EXPECT_EQ(b.FaceGlyph().Alignment, vtb::taLeftJustify);
}

TEST(GlyphButtonProperties, AcceleratorClicks) {
    vtb::TGlyphButton b(nullptr, "b");
    int clicks = 0;
    b.OnClick = [&](vtb::TComponent*) { ++clicks; };
    b.SetCaption("Sa&ve && go");
    EXPECT_EQ(b.Perform(vtb::CM_DIALOGCHAR, 'V', 0), 1);
    EXPECT_EQ(b.Perform(vtb::CM_DIALOGCHAR, 'v', 0), 1);
    EXPECT_EQ(b.Perform(vtb::CM_DIALOGCHAR, 'g', 0), 0);
    EXPECT_EQ(clicks, 2);
    b.SetEnabled(false);
    EXPECT_EQ(b.Perform(vtb::CM_DIALOGCHAR, 'v', 0), 0);
    b.SetEnabled(true);
    b.SetVisible(false);  // a hidden button cannot be meant
    EXPECT_EQ(b.Perform(vtb::CM_DIALOGCHAR, 'v', 0), 0);
    EXPECT_EQ(clicks, 2);
}

TEST_F(GlyphButtonHost, AcceleratorThroughTheHost) {
    button_->SetCaption("&Search");
    EXPECT_EQ(SendMessageA(Window(), vtb::CN_BASE + WM_SYSCHAR, 's', 0), 1);
    EXPECT_EQ(events_.clicks, 1);
}

// ---- Auto-repeat ------------------------------------------------------------------------

TEST_F(GlyphButtonHost, AutoRepeatWhileHeld) {
    button_->SetAllowTimer(true);
    button_->InitPause = 40;
    button_->RepeatInterval = 20;
    CursorTo(20, 20);  // the pointer's own moves reach the held button
    Send(WM_LBUTTONDOWN, 20, 20, MK_LBUTTON);
    vtbtest::PumpUntil([this] { return events_.clicks >= 2; });
    const int held = events_.clicks;
    EXPECT_GE(held, 2);
    Send(WM_LBUTTONUP, 20, 20);
    EXPECT_EQ(events_.clicks, held + 1);  // the release itself clicks
    vtbtest::PumpToShowNothingHappens(150);
    EXPECT_EQ(events_.clicks, held + 1);

    // Held outside the button: the face is up and nothing repeats.
    Send(WM_LBUTTONDOWN, 20, 20, MK_LBUTTON);
    Away();
    Send(WM_MOUSEMOVE, 300, 60, MK_LBUTTON);
    vtbtest::PumpToShowNothingHappens(200);
    EXPECT_EQ(button_->FaceState(), S::bfsUp);
    EXPECT_EQ(events_.clicks, held + 1);
    Send(WM_LBUTTONUP, 300, 60);

    button_->SetAllowTimer(false);
    CursorTo(20, 20);
    Send(WM_LBUTTONDOWN, 20, 20, MK_LBUTTON);
    vtbtest::PumpToShowNothingHappens(150);
    EXPECT_EQ(events_.clicks, held + 1);
    Send(WM_LBUTTONUP, 300, 60);
}

TEST_F(GlyphButtonHost, FailingRepeatStopsTheTimer) {
    vtbtest::MessageBoxWatcher boxes;
    int tries = 0;
    button_->OnClick = [&](vtb::TComponent*) {
        ++tries;
        throw vtb::ToolbarError("Repeat failed");
    };
    button_->SetAllowTimer(true);
    button_->InitPause = 20;
    button_->RepeatInterval = 20;
    CursorTo(20, 20);
    Send(WM_LBUTTONDOWN, 20, 20, MK_LBUTTON);
    ASSERT_TRUE(boxes.WaitForBoxes(1, 3000));
    vtbtest::PumpToShowNothingHappens(200);
    EXPECT_EQ(tries, 1);
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(boxes.Boxes()[0].text, "Repeat failed.");
    button_->OnClick = nullptr;
    Send(WM_LBUTTONUP, 300, 60);
}

// ---- Drop-down menu ---------------------------------------------------------------------

// Closes the open menu from inside its loop and notes where it was.
struct MenuCloser {
    static RECT lastRect;
    static void CALLBACK Close(HWND, UINT, UINT_PTR id, DWORD) {
        KillTimer(nullptr, id);
        if (HWND menu = FindWindowA("#32768", nullptr)) GetWindowRect(menu, &lastRect);
        EndMenu();
    }
    static UINT_PTR Arm(UINT ms) {
        lastRect = RECT{-1, -1, -1, -1};
        return SetTimer(nullptr, 0, ms, &Close);
    }
};
RECT MenuCloser::lastRect{};

class DropDownTest : public GlyphButtonHost {
protected:
    void SetUp() override {
        GlyphButtonHost::SetUp();
        menu_ = std::make_unique<vtb::TPopupMenu>("menu");
        auto item = std::make_unique<vtb::TMenuItem>("entry");
        item->Caption = "Entry";
        menu_->Items().Add(std::move(item));
        menu_->Owner = Window();
        menu_->OnPopup = [this](vtb::TComponent*) {
            ++popups_;
            stateAtPopup_ = button_->FaceState();
            showingAtPopup_ = button_->IsMenuShowing();
            if (onPopup_) onPopup_();
        };
        button_->SetDropDownMenu(menu_.get());
    }
    void TearDown() override {
        for (UINT_PTR id : timers_) KillTimer(nullptr, id);
        menu_.reset();
        GlyphButtonHost::TearDown();
    }
    void CloseMenuAfter(UINT ms) { timers_.push_back(MenuCloser::Arm(ms)); }

    std::unique_ptr<vtb::TPopupMenu> menu_;
    std::function<void()> onPopup_;
    int popups_ = 0;
    S stateAtPopup_ = S::bfsUp;
    bool showingAtPopup_ = false;
    std::vector<UINT_PTR> timers_;
};

TEST_F(DropDownTest, PressOpensTheMenuUnderTheButtonWithoutAClick) {
    CursorTo(20, 20);
    ASSERT_EQ(events_.enters, 1);
    onPopup_ = [this] { CloseMenuAfter(100); };
    Send(WM_LBUTTONDOWN, 20, 20, MK_LBUTTON);

    EXPECT_EQ(popups_, 1);
    EXPECT_EQ(stateAtPopup_, S::bfsPressed);  // painted pressed before the menu
    EXPECT_TRUE(showingAtPopup_);
    EXPECT_EQ(menu_->PopupComponent, button_);
    // Left-aligned: one pixel left of the button, at its bottom edge.
    const POINT anchor = Screen(10 - 1, 10 + 25);
    EXPECT_EQ(MenuCloser::lastRect.left, anchor.x);
    EXPECT_EQ(MenuCloser::lastRect.top, anchor.y);

    EXPECT_EQ(events_.clicks, 0);
    EXPECT_EQ(button_->FaceState(), S::bfsUp);
    EXPECT_FALSE(button_->IsMenuShowing());
    EXPECT_FALSE(button_->IsTracking());
    // Still under the pointer: entered again.
    EXPECT_TRUE(button_->IsHovered());
    EXPECT_EQ(events_.enters, 2);
}

TEST_F(DropDownTest, CentredMenuOpensUnderTheMiddle) {
    menu_->Alignment = vtb::paCenter;
    onPopup_ = [this] { CloseMenuAfter(100); };
    Send(WM_LBUTTONDOWN, 20, 20, MK_LBUTTON);
    ASSERT_EQ(popups_, 1);
    const POINT anchor = Screen(10 + 65 / 2, 10 + 25);
    const RECT& r = MenuCloser::lastRect;
    EXPECT_LE(std::abs((r.left + r.right) / 2 - anchor.x), 1);
    EXPECT_EQ(r.top, anchor.y);
}

TEST_F(DropDownTest, ClickThatClosesTheMenuDoesNotReopenIt) {
    const POINT onButton = Screen(30, 20);
    onPopup_ = [&] {
        if (popups_ > 1) {
            CloseMenuAfter(50);  // reopened: close it again
            return;
        }
        // The user clicks the button again while its menu is open.
        SetCursorPos(onButton.x, onButton.y);
        PostMessageA(Window(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(30, 20));
        CloseMenuAfter(2000);  // in case the click does not close it
    };
    Send(WM_LBUTTONDOWN, 20, 20, MK_LBUTTON);
    MSG left;
    EXPECT_FALSE(PeekMessageA(&left, Window(), WM_LBUTTONDOWN, WM_LBUTTONDOWN, PM_NOREMOVE));
    vtbtest::PumpToShowNothingHappens(150);
    EXPECT_EQ(popups_, 1);
    EXPECT_EQ(events_.clicks, 0);
}

TEST_F(DropDownTest, ClosingClickElsewhereStaysQueued) {
    onPopup_ = [&] {
        const POINT elsewhere = Screen(300, 60);
        SetCursorPos(elsewhere.x, elsewhere.y);
        PostMessageA(Window(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(300, 60));
        CloseMenuAfter(2000);
    };
    Send(WM_LBUTTONDOWN, 20, 20, MK_LBUTTON);
    MSG left;
    EXPECT_TRUE(PeekMessageA(&left, Window(), WM_LBUTTONDOWN, WM_LBUTTONDOWN, PM_REMOVE));
    EXPECT_EQ(popups_, 1);
}

TEST_F(DropDownTest, NoMenuWithoutAutoPopup) {
    menu_->AutoPopup = false;
    Click(20, 20);
    EXPECT_EQ(popups_, 0);
    EXPECT_EQ(events_.clicks, 1);
}

TEST_F(DropDownTest, DestroyedMenuLeavesNoMenuAndNoMark) {
    auto paintedText = [this] {
        vtb::DibBitmap dib = vtb::CreateDib(65, 25);
        vtb::UniqueDc dc(CreateCompatibleDC(nullptr));
        int n = 0;
        {
            vtb::SelectGuard sel(dc.get(), dib.Bitmap.get());
            button_->Paint(dc.get());
            GdiFlush();
            for (int y = 0; y < 25; ++y)
                for (int x = 0; x < 65; ++x) n += (dib.At(x, y) & 0xFFFFFF) == vtb::SysPixel(COLOR_BTNTEXT);
        }
        return n;
    };
    EXPECT_EQ(paintedText(), 16);  // the triangle
    menu_.reset();
    EXPECT_EQ(button_->DropDownMenu(), nullptr);
    EXPECT_EQ(paintedText(), 0);
    Click(20, 20);
    EXPECT_EQ(events_.clicks, 1);
}

// ---- Painting errors ---------------------------------------------------------------------

TEST_F(GlyphButtonHost, AFailingPaintEndsItsPaintAndIsToldOnce) {
    vtbtest::MessageBoxWatcher boxes;
    vtb::DecodedBitmap glyph;
    glyph.Width = glyph.Height = 16;
    glyph.Pixels.assign(256, 0x0000FF);
    button_->SetGlyph(glyph);  // its images are built at the next paint, which fails
    vtb::test_seam::FailNextImageStores(1000);
    for (int i = 0; i < 5; ++i) {
        InvalidateRect(Window(), nullptr, TRUE);
        UpdateWindow(Window());
        EXPECT_TRUE(vtbtest::PumpPending());
    }
    EXPECT_TRUE(boxes.WaitForBoxes(1, 3000));
    vtbtest::PumpToShowNothingHappens(100);
    vtb::test_seam::FailNextImageStores(0);
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(boxes.Boxes()[0].text, "Unable to Replace Image.");
    RECT pending;
    EXPECT_FALSE(GetUpdateRect(Window(), &pending, FALSE)) << "every paint ended, failed or not";

    // A paint that succeeds again ends the episode: the next failure is told.
    InvalidateRect(Window(), nullptr, TRUE);
    UpdateWindow(Window());
    EXPECT_GE(button_->FaceGlyph().StateImageIndex(S::bfsUp), 0);
    button_->SetGlyph(glyph);
    vtb::test_seam::FailNextImageStores(1);
    InvalidateRect(Window(), nullptr, TRUE);
    UpdateWindow(Window());
    EXPECT_TRUE(boxes.WaitForBoxes(2, 3000));
}

// ---- Transparent face and shared lists ------------------------------------------------

TEST_F(GlyphButtonHost, TransparentFaceShowsParentAndControlsBeneath) {
    host_->BackgroundColor = RGB(10, 200, 30);
    vtb::TGlyphButton* top = NewButton("top", 40, 10);  // above button_, overlapping 40..75
    top->SetFlat(true);
    top->SetTransparent(true);
    vtb::DibBitmap dib = vtb::CreateDib(65, 25);
    vtb::UniqueDc dc(CreateCompatibleDC(nullptr));
    {
        vtb::SelectGuard sel(dc.get(), dib.Bitmap.get());
        top->Paint(dc.get());
        GdiFlush();
    }
    EXPECT_EQ(dib.At(60, 12) & 0xFFFFFF, 0x0AC81Eu);                     // the form's background
    EXPECT_EQ(dib.At(10, 12) & 0xFFFFFF, vtb::SysPixel(COLOR_BTNFACE));  // the button beneath
    // The lower button's frame edge lies at x = 75 - 1 on the form: 34 here.
    EXPECT_NE(dib.At(34, 12) & 0xFFFFFF, 0x0AC81Eu);
}

TEST_F(GlyphButtonHost, ButtonsWithSameGlyphSizeShareOneList) {
    vtb::DecodedBitmap glyph;
    glyph.Width = glyph.Height = 16;
    glyph.Pixels.assign(256, 0xFF0000);
    vtb::TGlyphButton* second = NewButton("b2", 80, 10);
    button_->SetGlyph(glyph);
    second->SetGlyph(glyph);
    button_->FaceGlyph().MakeStateImage(S::bfsIdle);
    second->FaceGlyph().MakeStateImage(S::bfsIdle);
    ASSERT_NE(vtb::SharedGlyphCache(), nullptr);
    EXPECT_EQ(vtb::SharedGlyphCache()->ListCount(), 1);
    EXPECT_EQ(button_->FaceGlyph().SharedList(), second->FaceGlyph().SharedList());
    buttons_.clear();
    EXPECT_EQ(vtb::SharedGlyphCache(), nullptr);
}

}  // namespace
