// Where the toolbar lives decides its scale: the DPI of its window, which
// every size of the toolkit asks for (TControl::Dpi) and scales its design
// size by (core/display_scale.h).
#pragma once

#include <windows.h>

#include <optional>

namespace vtb {

// The window's DPI: its own where the system can tell (GetDpiForWindow,
// looked up at run time, so the DLL still loads where it is missing), else
// the screen's, which a host that is not DPI-aware sees as 96 (the system
// then stretches the whole browser itself).
int WindowDpi(HWND window);
// The system's DPI, which its own metrics and fonts are made for; a window's
// may differ in a host that follows the DPI of each monitor.
int SystemDpi();

// Sent to a child whose parent's DPI changed, in a host that follows the DPI
// of each monitor.
constexpr UINT kDpiChangedAfterParent = 0x02E3;

// For the tests only: the DPI every window counts as having, whatever the
// system says (under Wine no window changes its DPI while open); nullopt
// asks the system again.
namespace test_seam {
void ForceWindowDpi(std::optional<int> dpi);
}

}  // namespace vtb
