// Where the toolbar keeps its data. Installed for all users, the machine's
// value "PerUserData" under HKLM\Software\Veltrane ToolBar puts each user's
// settings and configuration updates into the user's own folder, one that
// a browser at low integrity may write; without it everything lies beside
// the DLL. The glyphs always lie beside the DLL.
#pragma once

#include <optional>
#include <string>

#include "core/profile_section.h"

namespace vtb {

struct DataPaths {
    bool PerUser = false;
    std::string MachineConfig;    // beside the DLL
    std::string MachineSettings;  // beside the DLL
    // Per user: "<LocalLow>\Veltrane ToolBar" and the user's files in it;
    // empty when the system knows no such folder for the user, or when
    // 8-bit text cannot name it: UnnamedSettings then shows the user's
    // settings file for the error.
    std::string UserFolder;
    std::string UserConfig;
    std::string UnnamedSettings;
    // The settings file that is read and written: the user's when per user,
    // else the machine's.
    std::string Settings;
};

// Decided afresh from the registry on each call.
DataPaths CurrentDataPaths();

// The settings as a construction loads them. A user without a file of their
// own starts from the machine's file without its search history. None when
// the file that is written at the close could not be read whole.
std::optional<ProfileSection> ReadUserSettings(const DataPaths& paths);

// Makes the user's folder exist before a file is written into it. Throws
// ToolbarError "Unable to write to <settings file>" when it cannot (with
// the reason when 8-bit text cannot name the folder).
void PrepareUserFolder(const DataPaths& paths);

// Whether the file reads as a configuration, by the configuration checker's
// rule; false when it cannot be read.
bool ReadsAsConfigurationFile(const std::string& path);

}  // namespace vtb
