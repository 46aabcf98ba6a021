#include "widgets/hint_window.h"

#include <commctrl.h>

#include "widgets/display_scale.h"
#include "win/module.h"

namespace vtb {

THintWindow::~THintWindow() { Destroy(); }

void THintWindow::Destroy() {
    if (window_ && IsWindow(window_)) DestroyWindow(window_);
    window_ = nullptr;
    owner_ = nullptr;
    fontDpi_ = 0;
    systemFont_ = nullptr;
}

void THintWindow::ScaleFont(int dpi) {
    // The control's own font is the system's, made for the system's DPI.
    const int system = SystemDpi();
    if (dpi == system) dpi = 0;
    if (dpi == fontDpi_) return;
    if (!fontDpi_) systemFont_ = reinterpret_cast<HFONT>(SendMessageA(window_, WM_GETFONT, 0, 0));
    UniqueFont scaled;
    if (dpi) {
        NONCLIENTMETRICSA metrics{};
        metrics.cbSize = sizeof metrics;
        if (!SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) return;
        metrics.lfStatusFont.lfHeight = MulDiv(metrics.lfStatusFont.lfHeight, dpi, system);
        metrics.lfStatusFont.lfWidth = 0;
        scaled.reset(CreateFontIndirectA(&metrics.lfStatusFont));
        if (!scaled) return;
    }
    SendMessageA(window_, WM_SETFONT, reinterpret_cast<WPARAM>(dpi ? scaled.get() : systemFont_), FALSE);
    font_ = std::move(scaled);  // the old one only once the window lets go of it
    fontDpi_ = dpi;
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

void THintWindow::Show(HWND owner, POINT at, const std::string& text, int dpi) {
    text_ = text;
    if (!Make(owner)) return;
    ScaleFont(dpi);
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
