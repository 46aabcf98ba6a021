#include "band/registry.h"

#include <shlwapi.h>

#include <stdexcept>

#include "win/handles.h"

namespace vtb {

std::string GUIDToString(const GUID& guid) {
    wchar_t text[40] = {};
    if (StringFromGUID2(guid, text, 40) == 0) return {};
    return Narrow(text);
}

void WriteRegString(HKEY key, const char* valueName, const std::string& value) {
    const LONG status = RegSetValueExA(key, valueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                                       static_cast<DWORD>(value.size() + 1));
    if (status != ERROR_SUCCESS)
        throw std::runtime_error("Error writing registry value " + std::string(valueName ? valueName : "(default)") +
                                 ": " + SystemErrorText(status));
}

UniqueKey OpenOrCreateRegKey(HKEY root, const std::string& key, LONG* status) {
    HKEY opened = nullptr;
    const LONG result = RegCreateKeyExA(root, key.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_READ | KEY_WRITE,
                                        nullptr, &opened, nullptr);
    if (status) *status = result;
    return UniqueKey(result == ERROR_SUCCESS ? opened : nullptr);
}

void CreateRegKey(HKEY root, const std::string& key, const char* valueName, const std::string& value) {
    LONG status = ERROR_SUCCESS;
    const UniqueKey opened = OpenOrCreateRegKey(root, key, &status);
    if (!opened) throw std::runtime_error("Error creating registry key " + key + ": " + SystemErrorText(status));
    WriteRegString(opened.get(), valueName, value);
}

void DeleteRegKey(HKEY root, const std::string& key) { RegDeleteKeyA(root, key.c_str()); }

void DeleteRegTree(HKEY root, const std::string& key) { SHDeleteKeyA(root, key.c_str()); }

}  // namespace vtb
