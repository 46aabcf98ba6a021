// The user's settings file: its section "Settings", read and written whole
// through the system's profile-file functions.
#pragma once

#include <string>

#include "core/profile_section.h"

namespace vtb {

// The section as the file holds it now; empty when the file or the section
// is missing.
ProfileSection ReadSettingsSection(const std::string& path);

// Writes the section back when it changed. Throws ToolbarError
// "Unable to write to <path>" when the system refuses.
void WriteSettingsSection(const std::string& path, const ProfileSection& section);

}  // namespace vtb
