#include "toolbar/settings_file.h"

#include <windows.h>
#include <sddl.h>

#include <vector>

#include "core/user_settings.h"
#include "win/event_log.h"
#include "win/handles.h"

namespace vtb {
namespace {

constexpr DWORD kMaxSectionSize = 1u << 20;
// Each holder reads or writes one small file: far less than this.
constexpr DWORD kLockWaitMs = 3000;
// An empty section from a file that has bytes is read again this often.
constexpr int kEmptyReadTries = 4;

// One name for every spelling of the same file: its full path, upper case,
// hashed (a name holds no backslash and is limited in length). The session's
// namespace: each user's browser processes share one.
std::string LockName(const std::string& path) {
    char full[MAX_PATH * 2] = {};
    const DWORD n = GetFullPathNameA(path.c_str(), sizeof full, full, nullptr);
    std::string key = n > 0 && n < sizeof full ? std::string(full, n) : path;
    CharUpperBuffA(&key[0], static_cast<DWORD>(key.size()));
    unsigned long long hash = 14695981039346656037ull;  // FNV-1a
    for (const unsigned char c : key) hash = (hash ^ c) * 1099511628211ull;
    // Hexadecimal by hand: the printf family would bring its own formatter.
    std::string name = "Local\\VeltraneToolBarSettings-";
    for (int shift = 60; shift >= 0; shift -= 4) name += "0123456789abcdef"[(hash >> shift) & 0xF];
    return name;
}

// Browser tabs at low integrity must open and wait on the lock that a tab at
// medium integrity made, and the other way round.
HANDLE CreateLockMutex(const std::string& name) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    const BOOL made = ConvertStringSecurityDescriptorToSecurityDescriptorA("D:(A;;GA;;;WD)S:(ML;;NW;;;LW)",
                                                                           SDDL_REVISION_1, &descriptor, nullptr);
    const UniqueLocal owned(made ? descriptor : nullptr);
    SECURITY_ATTRIBUTES attributes{sizeof attributes, owned.get(), FALSE};
    if (HANDLE mutex = CreateMutexA(owned ? &attributes : nullptr, FALSE, name.c_str())) return mutex;
    // Made by another process with other rights: opening may still be allowed.
    return OpenMutexA(SYNCHRONIZE, FALSE, name.c_str());
}

void DebugNote(const std::string& text) { OutputDebugStringA(("Veltrane ToolBar: " + text + "\n").c_str()); }

bool FileHasBytes(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    return GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data) &&
           (data.nFileSizeLow != 0 || data.nFileSizeHigh != 0);
}

ProfileSection ReadSectionOnce(const std::string& path) {
    // The system says a section was cut by filling all but two characters.
    for (DWORD size = 4096; size <= kMaxSectionSize; size *= 2) {
        std::vector<char> buffer(size, '\0');
        const DWORD length = GetPrivateProfileSectionA(kSettingsSection, buffer.data(), size, path.c_str());
        if (length < size - 2 || size == kMaxSectionSize)
            return ProfileSection::FromSectionText(std::string_view(buffer.data(), length));
    }
    return ProfileSection();
}

}  // namespace

SettingsFileLock::SettingsFileLock(const std::string& path) : mutex_(CreateLockMutex(LockName(path))) {
    if (!mutex_) {
        DebugNote("no lock for the settings file " + path + "; it is read and written without one");
        return;
    }
    // An abandoned lock (its holder ended) is ours all the same.
    const DWORD waited = WaitForSingleObject(mutex_.get(), kLockWaitMs);
    held_ = waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED;
    if (!held_) DebugNote("the lock of the settings file " + path + " was not had in time; going on without it");
}

SettingsFileLock::~SettingsFileLock() {
    if (held_) ReleaseMutex(mutex_.get());
}

ProfileSection ReadSettingsSection(const std::string& path) {
    // A writer that does not take the lock (another program) may still be
    // rewriting the file: a section that reads empty from a file with bytes
    // in it is read again before it counts as no settings.
    ProfileSection section = ReadSectionOnce(path);
    for (int tries = 1; tries < kEmptyReadTries && section.Empty() && FileHasBytes(path); ++tries) {
        Sleep(10);
        section = ReadSectionOnce(path);
    }
    return section;
}

void WriteSettingsSection(const std::string& path, const ProfileSection& section) {
    if (!section.Changed()) return;
    const std::string text = section.ToSectionText();
    if (!WritePrivateProfileSectionA(kSettingsSection, text.c_str(), path.c_str())) {
        LogEvent(kSettingsNotWritten, {path.c_str(), SystemErrorText(GetLastError()).c_str()});
        throw ToolbarError("Unable to write to " + path);
    }
}

}  // namespace vtb
