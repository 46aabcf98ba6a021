#include "toolbar/settings_file.h"

#include <windows.h>
#include <sddl.h>

#include <algorithm>
#include <cstdint>
#include <new>
#include <vector>

#include "core/fnv1a.h"
#include "core/user_settings.h"
#include "win/event_log.h"
#include "win/handles.h"

namespace vtb {
namespace {

// Far beyond any settings file: a section of more characters than this is
// not read.
constexpr DWORD kMaxSectionSize = 1u << 30;
DWORD maxSectionSize = kMaxSectionSize;
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
    return "Local\\VeltraneToolBarSettings-" + Hex64(Fnv1a64(key));
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

std::uint64_t FileSize(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return 0;
    return (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

// The section whole, or none, read with the wide functions: a file another
// program keeps in UTF-16 keeps that program's letters, which the 8-bit ones
// turn to "?". A section never has more characters than its file has bytes,
// so a buffer of the file's size takes it in one read; the system says a
// section was cut by filling all but two characters, and one that grew
// meanwhile is read again into twice the room.
std::optional<ProfileSection> ReadSectionOnce(const std::string& path) {
    const std::wstring file = Widen(path);
    const std::wstring section = Widen(kSettingsSection);
    std::uint64_t size = std::max<std::uint64_t>(4096, FileSize(path) + 2);
    while (size <= maxSectionSize) {
        std::wstring buffer;
        try {
            buffer.assign(static_cast<std::size_t>(size), L'\0');
        } catch (const std::bad_alloc&) {
            return std::nullopt;
        }
        const DWORD room = static_cast<DWORD>(size);
        const DWORD length = GetPrivateProfileSectionW(section.c_str(), buffer.data(), room, file.c_str());
        if (length < room - 2)
            return ProfileSection::FromWideSectionText(std::wstring_view(buffer.data(), length), TextCodePage());
        size *= 2;
    }
    return std::nullopt;
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

void test_seam::SetMaxSettingsSection(DWORD bytes) { maxSectionSize = bytes ? bytes : kMaxSectionSize; }

std::optional<ProfileSection> ReadSettingsSection(const std::string& path) {
    // A writer that does not take the lock (another program) may still be
    // rewriting the file: a section that reads empty from a file with bytes
    // in it is read again before it counts as no settings.
    std::optional<ProfileSection> section = ReadSectionOnce(path);
    for (int tries = 1; tries < kEmptyReadTries && section && section->Empty() && FileHasBytes(path); ++tries) {
        Sleep(10);
        section = ReadSectionOnce(path);
    }
    return section;
}

void WriteSettingsSection(const std::string& path, const ProfileSection& section) {
    if (!section.Changed()) return;
    const std::wstring text = section.ToWideSectionText(TextCodePage());
    if (!WritePrivateProfileSectionW(Widen(kSettingsSection).c_str(), text.c_str(), Widen(path).c_str())) {
        LogEvent(kSettingsNotWritten, {path.c_str(), SystemErrorText(GetLastError()).c_str()});
        throw ToolbarError("Unable to write to " + path);
    }
}

}  // namespace vtb
