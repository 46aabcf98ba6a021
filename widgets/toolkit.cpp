#include "widgets/toolkit.h"

#include <algorithm>

#include "core/code_page.h"
#include "widgets/control.h"
#include "widgets/form.h"
#include "widgets/display_scale.h"
#include "widgets/hint_window.h"
#include "win/thread_slot.h"

namespace vtb {
namespace {

// The state itself lives on the heap and goes when the thread has nothing
// left in it: nothing of it outlives the module.
const ThreadSlot currentSlot;

TToolkit* Current() { return static_cast<TToolkit*>(currentSlot.Get()); }

bool IsKeyboardMessage(UINT msg) { return msg >= WM_KEYFIRST && msg <= WM_KEYLAST; }

// How long the pointer rests on a control before its hint shows.
constexpr UINT kHintPauseMs = 500;

// A click or a key ends a shown hint.
bool EndsHint(UINT msg) { return ButtonPressedBy(msg) != 0 || msg == WM_KEYDOWN || msg == WM_SYSKEYDOWN; }

// A menu's loop, a window move or a size runs on this thread.
bool InSystemLoop() {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    return GetGUIThreadInfo(GetCurrentThreadId(), &info) &&
           (info.flags & (GUI_INMENUMODE | GUI_POPUPMENUMODE | GUI_SYSTEMMENUMODE | GUI_INMOVESIZE));
}

// Frees the calling thread's state once nothing refers to it any more.
void CollectIfUnused();

}  // namespace

TToolkit& TToolkit::ForThread() {
    TToolkit* toolkit = Current();
    if (!toolkit) {
        toolkit = new TToolkit();
        currentSlot.Set(toolkit);
    }
    return *toolkit;
}

namespace {

void CollectIfUnused() {
    TToolkit* toolkit = Current();
    if (!toolkit || !toolkit->Unused()) return;
    currentSlot.Set(nullptr);
    delete toolkit;
}

}  // namespace

bool TToolkit::Unused() const {
    return handlerDepth_ == 0 && releasing_ == 0 && pending_.empty() && windows_.empty() && !mouseControl_ &&
           !hintControl_;
}

TToolkit::~TToolkit() {
    if (hintTimer_) KillTimer(nullptr, hintTimer_);
}

// ---- Windows of this thread ------------------------------------------------

TWinControl* TToolkit::FindControl(HWND window) {
    const TToolkit* toolkit = Current();
    if (!window || !toolkit) return nullptr;
    for (const auto& [handle, control] : toolkit->windows_)
        if (handle == window) return control;
    return nullptr;
}

TWinControl* TToolkit::FindControlAtOrAbove(HWND window) {
    const TToolkit* toolkit = Current();
    if (!toolkit || toolkit->windows_.empty()) return nullptr;
    for (HWND w = window; w; w = GetParent(w)) {
        if (TWinControl* c = FindControl(w)) return c;
    }
    return nullptr;
}

void TToolkit::RegisterWindow(HWND window, TWinControl* control) {
    for (auto& entry : windows_)
        if (entry.first == window) {
            entry.second = control;
            return;
        }
    windows_.emplace_back(window, control);
}

void TToolkit::UnregisterWindow(HWND window, const TWinControl* control) {
    const auto it =
        std::find(windows_.begin(), windows_.end(), std::make_pair(window, const_cast<TWinControl*>(control)));
    if (it != windows_.end()) windows_.erase(it);
    CollectIfUnused();
}

TControl* TToolkit::ControlAtCursor() {
    POINT p;
    const TToolkit* toolkit = Current();
    if (!toolkit || toolkit->windows_.empty() || !GetCursorPos(&p)) return nullptr;
    TWinControl* window = FindControlAtOrAbove(WindowFromPoint(p));
    if (!window) return nullptr;
    POINT client = p;
    ScreenToClient(window->Handle(), &client);
    if (TControl* child = window->ControlAtPos(client, true); child && !child->Handle()) return child;
    return window;
}

void TToolkit::ControlDestroyed(TControl* control) {
    TToolkit* toolkit = Current();
    if (!toolkit) return;
    if (toolkit->mouseControl_ == control) toolkit->mouseControl_ = nullptr;
    if (toolkit->hintControl_ == control) {
        toolkit->HideHint();
        toolkit->hintControl_ = nullptr;
    }
    CollectIfUnused();
}

// ---- Handlers on the stack and objects destroyed after them ----------------

TToolkit::HandlerScope::HandlerScope() : toolkit_(ForThread()) { ++toolkit_.handlerDepth_; }

TToolkit::HandlerScope::~HandlerScope() {
    if (--toolkit_.handlerDepth_ == 0) toolkit_.DestroyPending();
    CollectIfUnused();
}

void TToolkit::Destroy(std::unique_ptr<TComponent> component) {
    if (!component) return;
    TToolkit& toolkit = ForThread();
    if (toolkit.handlerDepth_ == 0) {
        component.reset();
        CollectIfUnused();
        return;
    }
    component->Closing();
    toolkit.pending_.push_back(std::move(component));
}

void TToolkit::DestroyPending() {
    // Destroying one may show a box whose loop runs handlers again; those
    // destroy what they queue themselves when they return. The state stays
    // until the last is gone, even when it then has nothing else left.
    ++releasing_;
    while (!pending_.empty() && handlerDepth_ == 0) {
        std::unique_ptr<TComponent> next = std::move(pending_.front());
        pending_.erase(pending_.begin());
        next.reset();
    }
    --releasing_;
}

// ---- The idle step ---------------------------------------------------------------

bool TToolkit::Idle() {
    const HandlerScope scope;  // a notified handler may close what it belongs to
    GetCursorPos(&idleCursor_);
    TControl* target = ControlAtCursor();
    TControl* capture = nullptr;
    // A menu's loop holds the capture for itself, not for a control.
    if (TWinControl* holder = FindControl(GetCapture()); holder && !InSystemLoop()) {
        capture = holder->CaptureControl() ? holder->CaptureControl() : holder;
    }
    UpdateHint(target, InSystemLoop());
    if (target == mouseControl_) return false;
    // While a control holds the capture, only it hears of the mouse.
    if (mouseControl_ && (!capture || mouseControl_ == capture)) mouseControl_->Perform(CM_MOUSELEAVE, 0, 0);
    mouseControl_ = target;
    if (mouseControl_ && (!capture || mouseControl_ == capture)) mouseControl_->Perform(CM_MOUSEENTER, 0, 0);
    return true;
}

// ---- The hint step ------------------------------------------------------------------

void TToolkit::UpdateHint(TControl* target, bool inLoop) {
    // A menu's or a move's loop shows no hints of ours.
    if (inLoop) target = nullptr;
    if (target == hintControl_) return;
    HideHint();
    hintControl_ = target;
    if (target && !target->HintText().empty())
        hintTimer_ = SetTimer(nullptr, 0, kHintPauseMs, &TToolkit::HintPauseEnded);
}

void CALLBACK TToolkit::HintPauseEnded(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    TToolkit* toolkit = Current();
    if (!toolkit || toolkit->hintTimer_ != id) return;
    toolkit->hintTimer_ = 0;
    const HandlerScope scope;
    toolkit->ShowHint();
}

void TToolkit::ShowHint() {
    // Still the control under the pointer, and still with a hint to show.
    if (!hintControl_ || ControlAtCursor() != hintControl_ || InSystemLoop()) return;
    const std::string text = hintControl_->HintText();
    const TWinControl* window = hintControl_->Handle() ? FindControl(hintControl_->Handle()) : hintControl_->Parent();
    if (text.empty() || !window || !window->Handle()) return;
    POINT at;
    if (!GetCursorPos(&at)) return;
    // Below the pointer's arrow, as the system's own hints stand, both at the
    // control's DPI.
    const int dpi = hintControl_->Dpi();
    at.y += MulDiv(GetSystemMetrics(SM_CYCURSOR) * 3 / 4, dpi, SystemDpi());
    if (!hint_) hint_ = std::make_unique<THintWindow>();
    hint_->Show(GetAncestor(window->Handle(), GA_ROOT), at, text, dpi);
}

void TToolkit::HideHint() {
    if (hintTimer_) KillTimer(nullptr, hintTimer_);
    hintTimer_ = 0;
    if (hint_) hint_->Hide();
}

void TToolkit::EndHintOn(UINT msg) {
    if (!EndsHint(msg)) return;
    // The control keeps its place: its hint comes again only once the
    // pointer went to another control and back.
    if (TToolkit* toolkit = Current()) toolkit->HideHint();
}

bool TToolkit::PointerMovedSinceIdle() const {
    POINT p;
    return !GetCursorPos(&p) || p.x != idleCursor_.x || p.y != idleCursor_.y;
}

void TToolkit::TrackLeaveUnderCursor() {
    POINT p;
    if (!GetCursorPos(&p)) return;
    const HWND under = WindowFromPoint(p);
    if (!FindControlAtOrAbove(under)) return;  // another thread's or process's window, or none of ours
    TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, under, 0};
    TrackMouseEvent(&track);
}

void TToolkit::CancelLeaveTracking() {
    TRACKMOUSEEVENT query{sizeof query, TME_QUERY, nullptr, 0};
    if (!TrackMouseEvent(&query) || !(query.dwFlags & TME_LEAVE) || !FindControlAtOrAbove(query.hwndTrack)) return;
    TRACKMOUSEEVENT cancel{sizeof cancel, TME_CANCEL | TME_LEAVE, query.hwndTrack, 0};
    TrackMouseEvent(&cancel);
}

void TToolkit::NotifyFormOfInput(const TWinControl& control, UINT msg, WPARAM wParam) {
    const bool input = (msg >= WM_KEYFIRST && msg <= WM_KEYLAST) || msg == WM_MOUSEMOVE || msg == WM_MOUSELEAVE ||
                       msg == WM_SETFOCUS || msg == WM_KILLFOCUS;
    if (!input) return;
    const TControl* form = control.ParentForm();
    if (form && form != &control && form->Handle()) SendMessageA(form->Handle(), CM_CHILDINPUT, msg, wParam);
}

// ---- One step of the message loop --------------------------------------------------

bool TToolkit::InOtherModalLoop() const {
    // The tick's own timer message is one handler; any other handler below
    // it runs a loop of its own (a drop-down menu, a message box, a download).
    return handlerDepth_ > 1 || InSystemLoop();
}

bool TToolkit::IsOutsideKey(const MSG& msg) const {
    return IsKeyboardMessage(msg.message) && !FindControlAtOrAbove(msg.hwnd);
}

std::optional<char> TToolkit::KeyOfCharacter(WPARAM wParam, bool wide) {
    if (!wide || wParam < 0x80) return static_cast<char>(wParam);
    // A character beyond ASCII: its byte in the code page, when it has one
    // of its own. "\u010D" cut to a byte would be a carriage return.
    if (wParam > 0xFFFF) return std::nullopt;
    bool exact = true;
    const std::string key = TextCodePage().FromUtf16(Utf16String(1, static_cast<wchar_t>(wParam)), exact);
    if (!exact || key.size() != 1) return std::nullopt;
    return key[0];
}

bool TToolkit::HostReadsWide(HWND siteWindow) {
    const HWND top = siteWindow ? GetAncestor(siteWindow, GA_ROOT) : nullptr;
    return top && IsWindowUnicode(top);
}

void TToolkit::HandleHostKey(const MSG& msg, bool wide) {
    if (PreTranslateKey(msg, wide)) return;
    TranslateMessage(&msg);
    if (wide)
        DispatchMessageW(&msg);
    else
        DispatchMessageA(&msg);
}

bool TToolkit::PreTranslateKey(const MSG& msg, bool wide) {
    if (!IsKeyboardMessage(msg.message)) return false;
    EndHintOn(msg.message);
    WPARAM key = msg.wParam;
    if (msg.message == WM_CHAR || msg.message == WM_SYSCHAR || msg.message == WM_DEADCHAR ||
        msg.message == WM_SYSDEADCHAR) {
        const std::optional<char> byte = KeyOfCharacter(msg.wParam, wide);
        if (!byte) return false;
        key = static_cast<unsigned char>(*byte);
    }
    HWND target = nullptr;
    if (const HWND capture = GetCapture()) {
        // A window of another module holding the capture keeps its keys.
        if (!FindControl(capture)) return false;
        target = capture;
    } else if (TWinControl* control = FindControlAtOrAbove(msg.hwnd)) {
        target = control->Handle();
    }
    return target && SendMessageA(target, CN_BASE + msg.message, key, msg.lParam) != 0;
}

TToolkit::TickResult TToolkit::HandleMessage(HWND form) {
    // A timer message that a tick took and dispatched itself: that tick
    // already is this step of the loop.
    if (handlerDepth_ > 1 && handlerDepth_ == tickDispatchDepth_ + 1) return TickResult::Skipped;
    // A modal dialog disables the window it belongs to; its loop runs ours.
    const HWND root = form ? GetAncestor(form, GA_ROOT) : nullptr;
    if (InOtherModalLoop() || (root && !IsWindowEnabled(root))) {
        idleMoved_ = Idle();
        return TickResult::Busy;
    }
    MSG msg;
    if (PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
        // The browser's loop must see its own keys: its accelerators run
        // there. A message of the thread itself (no window, a quit among
        // them) is the browser's too: dispatched here it would go nowhere.
        if (IsOutsideKey(msg) || !msg.hwnd) return TickResult::Skipped;
        // Read as its window reads: a Unicode window (the search box) gets
        // every character, an 8-bit one the code page's bytes.
        const bool wide = IsWindowUnicode(msg.hwnd) != FALSE;
        const auto take = wide ? PeekMessageW : PeekMessageA;
        if (!take(&msg, msg.hwnd, msg.message, msg.message, PM_REMOVE)) return TickResult::Handled;
        if (!PreTranslateKey(msg, wide)) {
            TranslateMessage(&msg);
            const int saved = tickDispatchDepth_;
            tickDispatchDepth_ = handlerDepth_;
            if (wide)
                DispatchMessageW(&msg);
            else
                DispatchMessageA(&msg);
            tickDispatchDepth_ = saved;
        }
        return TickResult::Handled;
    }
    idleMoved_ = Idle();
    return TickResult::Idle;
}

}  // namespace vtb
