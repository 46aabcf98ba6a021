#include "tools/browser_frame/toolbar_list.h"

#include <objbase.h>

#include "win/handles.h"

namespace frame {

std::vector<CLSID> RegisteredToolbars() {
    std::vector<CLSID> toolbars;
    HKEY raw = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Internet Explorer\\Toolbar", 0, KEY_READ, &raw) !=
        ERROR_SUCCESS)
        return toolbars;
    vtb::UniqueKey key(raw);
    for (DWORD index = 0;; ++index) {
        wchar_t name[256];
        DWORD length = ARRAYSIZE(name);
        const LONG result = RegEnumValueW(key.get(), index, name, &length, nullptr, nullptr, nullptr, nullptr);
        if (result == ERROR_NO_MORE_ITEMS) break;
        if (result != ERROR_SUCCESS) continue;
        CLSID clsid;
        // Only a value named like "{...}" is a toolbar; the browser keeps
        // other settings in the same key.
        if (name[0] == L'{' && SUCCEEDED(CLSIDFromString(name, &clsid))) toolbars.push_back(clsid);
    }
    return toolbars;
}

}  // namespace frame
