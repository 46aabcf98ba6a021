#include "toolbar/settings_file.h"

#include <windows.h>

namespace vtb {
namespace {

constexpr char kSection[] = "Settings";
// A value nobody types, to tell a missing key from an empty one.
constexpr char kMissing[] = "\x01\x02missing\x02\x01";

}  // namespace

std::optional<std::string> ProfileSettingsStore::Read(const std::string& key) {
    char buffer[2048];
    GetPrivateProfileStringA(kSection, key.c_str(), kMissing, buffer, sizeof buffer, path_.c_str());
    if (std::string(buffer) == kMissing) return std::nullopt;
    return std::string(buffer);
}

void ProfileSettingsStore::Write(const std::string& key, const std::string& value) {
    if (!WritePrivateProfileStringA(kSection, key.c_str(), value.c_str(), path_.c_str()))
        throw ToolbarError("Unable to write to " + path_);
}

void ProfileSettingsStore::Remove(const std::string& key) {
    if (!Read(key)) return;  // nothing to remove, nothing to write
    if (!WritePrivateProfileStringA(kSection, key.c_str(), nullptr, path_.c_str()))
        throw ToolbarError("Unable to write to " + path_);
}

}  // namespace vtb
