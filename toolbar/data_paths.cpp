#include "toolbar/data_paths.h"

#include <windows.h>
#include <knownfolders.h>
#include <shlobj.h>

#include "core/config_file.h"
#include "core/config_rule.h"
#include "core/file_paths.h"
#include "core/identifiers.h"
#include "core/settings_defaults.h"
#include "toolbar/settings_file.h"
#include "win/files.h"
#include "win/module.h"

namespace vtb {
namespace {

constexpr char kMachineKey[] = "Software\\Veltrane ToolBar";
constexpr char kPerUserValue[] = "PerUserData";
constexpr char kUserFolderName[] = "Veltrane ToolBar";

// A REG_DWORD that is not 0; any other type or a missing value is off.
bool PerUserDataSwitchedOn() {
    DWORD value = 0;
    DWORD size = sizeof value;
    return RegGetValueA(HKEY_LOCAL_MACHINE, kMachineKey, kPerUserValue, RRF_RT_REG_DWORD, nullptr, &value, &size) ==
               ERROR_SUCCESS &&
           value != 0;
}

// The user's application-data folder that low-integrity processes may
// write; empty when the system has none for this user. A folder 8-bit text
// cannot name is empty too, and shown holds it for the error.
std::string LocalLowFolder(std::string& shown) {
    PWSTR wide = nullptr;
    std::string folder;
    if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_LocalAppDataLow, KF_FLAG_CREATE, nullptr, &wide)) && wide) {
        if (std::optional<std::string> ansi = AnsiPath(wide))
            folder = *ansi;
        else
            shown = ShownPath(wide);
    }
    CoTaskMemFree(wide);
    return folder;
}

std::string FileName(const std::string& path) { return path.substr(ExtractFilePath(path).size()); }
}  // namespace

bool ReadsAsConfigurationFile(const std::string& path) {
    try {
        const std::optional<std::string> text = ReadWholeFile(path);
        return text && ReadsAsConfiguration(*text);
    } catch (const ToolbarError&) {
        return false;
    }
}

DataPaths CurrentDataPaths() {
    DataPaths paths;
    const std::string module = ModulePath();
    paths.MachineConfig = ChangeFileExt(module, kConfigExtension);
    paths.MachineSettings = ChangeFileExt(module, kSettingsExtension);
    paths.PerUser = PerUserDataSwitchedOn();
    if (!paths.PerUser) {
        paths.Settings = paths.MachineSettings;
        return paths;
    }
    std::string shown;
    const std::string localLow = LocalLowFolder(shown);
    if (!localLow.empty()) {
        paths.UserFolder = localLow + "\\" + kUserFolderName;
        paths.UserConfig = paths.UserFolder + "\\" + FileName(paths.MachineConfig);
        paths.Settings = paths.UserFolder + "\\" + FileName(paths.MachineSettings);
    } else if (!shown.empty()) {
        paths.UnnamedSettings = shown + "\\" + kUserFolderName + "\\" + FileName(paths.MachineSettings);
    }
    return paths;
}

std::optional<ProfileSection> ReadUserSettings(const DataPaths& paths) {
    if (!paths.PerUser) return ReadSettingsSection(paths.Settings);
    if (!paths.Settings.empty() && FileExists(paths.Settings)) return ReadSettingsSection(paths.Settings);
    // The machine's file only lends defaults; one that cannot be read whole lends none.
    return DefaultsWithoutHistory(ReadSettingsSection(paths.MachineSettings).value_or(ProfileSection()));
}

void PrepareUserFolder(const DataPaths& paths) {
    if (!paths.PerUser) return;
    if (!paths.UnnamedSettings.empty())
        throw ToolbarError("Unable to write to " + paths.UnnamedSettings +
                           ": its folder cannot be named in the system's code page");
    if (paths.UserFolder.empty()) throw ToolbarError("Unable to write to " + std::string(kUserFolderName));
    if (!CreateDirectoryA(paths.UserFolder.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
        throw ToolbarError("Unable to write to " + paths.Settings);
}

}  // namespace vtb
