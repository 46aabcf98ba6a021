// The browser's list of toolbars in the registry.
#pragma once

#include <windows.h>

#include <vector>

namespace frame {

// The class identifiers named by the values of
// HKLM\SOFTWARE\Microsoft\Internet Explorer\Toolbar; other values are skipped.
std::vector<CLSID> RegisteredToolbars();

}  // namespace frame
