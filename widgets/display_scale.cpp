#include "widgets/display_scale.h"

#include "core/display_scale.h"
#include "win/handles.h"

namespace vtb {
namespace {

using GetDpiForWindowFn = UINT(WINAPI*)(HWND);

// Looked up each time: asked only when a toolbar is built or its DPI changes.
GetDpiForWindowFn DpiForWindow() {
    return reinterpret_cast<GetDpiForWindowFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("user32.dll"), "GetDpiForWindow")));
}

std::optional<int> forcedDpi;

}  // namespace

void test_seam::ForceWindowDpi(std::optional<int> dpi) { forcedDpi = dpi; }

int WindowDpi(HWND window) {
    if (forcedDpi) return ValidDpi(*forcedDpi);
    if (const GetDpiForWindowFn fn = DpiForWindow(); fn && window) {
        if (const UINT dpi = fn(window)) return ValidDpi(static_cast<int>(dpi));
    }
    return SystemDpi();
}

int SystemDpi() {
    const WindowDc screen(nullptr);
    return ValidDpi(screen.get() ? GetDeviceCaps(screen.get(), LOGPIXELSY) : kDesignDpi);
}

}  // namespace vtb
