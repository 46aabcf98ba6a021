#include "widgets/hint_window.h"

#include <commctrl.h>

#include "win/module.h"

namespace vtb {

THintWindow::~THintWindow() { Destroy(); }

void THintWindow::Destroy() {
    if (window_ && IsWindow(window_)) DestroyWindow(window_);
    window_ = nullptr;
    owner_ = nullptr;
}

TOOLINFOA THintWindow::Tool() {
    TOOLINFOA tool{};
    // The size every version of the control takes.
    tool.cbSize = TTTOOLINFOA_V2_SIZE;
    tool.uFlags = TTF_TRACK | TTF_ABSOLUTE;
    tool.hwnd = owner_;
    tool.uId = 1;
    tool.lpszText = text_.data();
    return tool;
}

bool THintWindow::Make(HWND owner) {
    // A window of a top-level window that went with it, or another owner:
    // a window of its own for this one.
    if (window_ && (!IsWindow(window_) || owner != owner_)) Destroy();
    if (window_) return true;
    INITCOMMONCONTROLSEX classes{sizeof classes, ICC_WIN95_CLASSES};
    InitCommonControlsEx(&classes);
    window_ =
        CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP, CW_USEDEFAULT,
                        CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, owner, nullptr, ModuleInstance(), nullptr);
    if (!window_) return false;
    owner_ = owner;
    TOOLINFOA tool = Tool();
    SendMessageA(window_, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
    return true;
}

void THintWindow::Show(HWND owner, POINT at, const std::string& text) {
    text_ = text;
    if (!Make(owner)) return;
    TOOLINFOA tool = Tool();
    SendMessageA(window_, TTM_UPDATETIPTEXTA, 0, reinterpret_cast<LPARAM>(&tool));
    SendMessageA(window_, TTM_TRACKPOSITION, 0, MAKELPARAM(at.x, at.y));
    SendMessageA(window_, TTM_TRACKACTIVATE, TRUE, reinterpret_cast<LPARAM>(&tool));
}

void THintWindow::Hide() {
    if (!window_ || !IsWindow(window_)) return;
    TOOLINFOA tool = Tool();
    SendMessageA(window_, TTM_TRACKACTIVATE, FALSE, reinterpret_cast<LPARAM>(&tool));
}

}  // namespace vtb
