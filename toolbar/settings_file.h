// The user's settings file: its section "Settings", read and written whole
// through the system's profile-file functions.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "core/profile_section.h"
#include "win/handles.h"

namespace vtb {

// Toolbars of every browser process close together when the browser does,
// and a read that meets another process's rewrite of the file sees an
// empty section. So the read at construction and the read-merge-write at
// close of one settings file take turns across processes: each holds this
// lock, named after the file's full path, for the whole step. A lock that
// cannot be had in a short time (a holder that hangs) is done without,
// with a note in the debug output.
class SettingsFileLock {
public:
    explicit SettingsFileLock(const std::string& path);
    ~SettingsFileLock();
    SettingsFileLock(const SettingsFileLock&) = delete;
    SettingsFileLock& operator=(const SettingsFileLock&) = delete;

    bool Held() const { return held_; }

private:
    UniqueKernelHandle mutex_;
    bool held_ = false;
};

// The section as the file holds it now, whatever its size; empty when the
// file or the section is missing. None when it could not be read whole (no
// memory for it): a part of it must never be written back. Call it holding
// the file's lock.
std::optional<ProfileSection> ReadSettingsSection(const std::string& path);

namespace test_seam {
// The largest section read (0: the toolbar's own limit).
void SetMaxSettingsSection(DWORD bytes);
}  // namespace test_seam

// Writes the section back when it changed. Throws ToolbarError
// "Unable to write to <path>" when the system refuses.
void WriteSettingsSection(const std::string& path, const ProfileSection& section);

}  // namespace vtb
