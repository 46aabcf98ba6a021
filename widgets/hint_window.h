// The hint: the system's tooltip window, shown where the pointer paused
// with a text of the control under it, until told to go.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string>

#include "win/handles.h"

namespace vtb {

class THintWindow {
public:
    THintWindow() = default;
    ~THintWindow();
    THintWindow(const THintWindow&) = delete;
    THintWindow& operator=(const THintWindow&) = delete;

    // Shows text with its top-left corner at a screen point, above the
    // windows of owner (the top-level window holding the control), in the
    // system's hint font at the control's DPI.
    void Show(HWND owner, POINT at, const std::string& text, int dpi);
    void Hide();
    bool Shown() const { return window_ && IsWindow(window_) && IsWindowVisible(window_); }

private:
    bool Make(HWND owner);
    TOOLINFOA Tool();
    void Destroy();
    void ScaleFont(int dpi);

    HWND window_ = nullptr;
    int fontDpi_ = 0;          // the DPI the window's font is for; 0: the system's own
    HFONT systemFont_ = nullptr;  // the window's own font, not ours
    UniqueFont font_;
    HWND owner_ = nullptr;
    std::string text_;
};

}  // namespace vtb
