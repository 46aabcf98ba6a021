#include "widgets/toolkit.h"

#include "widgets/control.h"

namespace vtb {

TToolkit& TToolkit::ForThread() {
    thread_local TToolkit toolkit;
    return toolkit;
}

TWinControl* TToolkit::FindControl(HWND window) { return TWinControl::FromHandle(window); }

TWinControl* TToolkit::FindControlAtOrAbove(HWND window) {
    for (HWND w = window; w; w = GetParent(w)) {
        if (TWinControl* c = TWinControl::FromHandle(w)) return c;
    }
    return nullptr;
}

TControl* TToolkit::ControlAtCursor() {
    POINT p;
    if (!GetCursorPos(&p)) return nullptr;
    TWinControl* window = FindControlAtOrAbove(WindowFromPoint(p));
    if (!window) return nullptr;
    POINT client = p;
    ScreenToClient(window->Handle(), &client);
    if (TControl* child = window->ControlAtPos(client, true); child && !child->Handle()) return child;
    return window;
}

void TToolkit::ControlDestroyed(TControl* control) {
    if (mouseControl_ == control) mouseControl_ = nullptr;
}

void TToolkit::Idle() {
    TControl* target = ControlAtCursor();
    TControl* capture = nullptr;
    if (TWinControl* holder = FindControl(GetCapture())) {
        capture = holder->CaptureControl() ? holder->CaptureControl() : holder;
    }
    if (target == mouseControl_) return;
    // While a control holds the capture, only it hears of the mouse.
    if (mouseControl_ && (!capture || mouseControl_ == capture)) mouseControl_->Perform(CM_MOUSELEAVE, 0, 0);
    mouseControl_ = target;
    if (mouseControl_ && (!capture || mouseControl_ == capture)) mouseControl_->Perform(CM_MOUSEENTER, 0, 0);
}

bool TToolkit::IsKeyMessage(const MSG& msg) {
    if (msg.message < WM_KEYFIRST || msg.message > WM_KEYLAST) return false;
    HWND target = nullptr;
    if (const HWND capture = GetCapture()) {
        // A window of another module holding the capture keeps its keys.
        if (!FindControl(capture)) return false;
        target = capture;
    } else {
        TWinControl* control = FindControlAtOrAbove(msg.hwnd);
        target = control ? control->Handle() : msg.hwnd;
    }
    return target && SendMessageA(target, CN_BASE + msg.message, msg.wParam, msg.lParam) != 0;
}

bool TToolkit::ProcessMessage(MSG& msg) {
    if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) return false;
    if (msg.message == WM_QUIT) {
        // The browser's own loop must still see it and end.
        PostQuitMessage(static_cast<int>(msg.wParam));
        return true;
    }
    if (!IsKeyMessage(msg)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return true;
}

void TToolkit::HandleMessage() {
    MSG msg;
    if (ProcessMessage(msg)) return;
    Idle();
    WaitMessage();
}

}  // namespace vtb
