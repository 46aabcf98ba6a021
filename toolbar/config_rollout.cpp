#include "toolbar/config_rollout.h"

#include <windows.h>

#include <limits>
#include <optional>

#include "core/config_rollout.h"
#include "core/toolbar_error.h"
#include "win/files.h"
#include "win/handles.h"

namespace vtb {
namespace {

constexpr DWORD kReplace = MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH;
// A record is one short line; anything longer is no record.
constexpr std::uint64_t kMaxRecordSize = 256;

std::string RecordPath(const DataPaths& paths) { return paths.UserConfig + ".superseded"; }
std::string AsidePath(const DataPaths& paths) { return paths.UserConfig + ".old"; }

std::optional<std::string> ReadIfPossible(const std::string& path, std::uint64_t maxSize) {
    if (!FileExists(path)) return std::nullopt;
    try {
        return ReadWholeFile(path, maxSize);
    } catch (const ToolbarError&) {
        return std::nullopt;
    }
}

bool WriteNewFile(const std::string& path, const std::string& bytes) {
    bool written = false;
    {
        const UniqueFile file(
            CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        DWORD count = 0;
        written = file && WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &count, nullptr) &&
                  count == bytes.size() && FlushFileBuffers(file.get());
    }
    if (!written) DeleteFileA(path.c_str());
    return written;
}

// The copy goes beside its old self; the record after it, so that a copy
// that could not move keeps standing as it did.
void SetUsersCopyAside(const DataPaths& paths) {
    if (MoveFileExA(paths.UserConfig.c_str(), AsidePath(paths).c_str(), kReplace))
        DeleteFileA(RecordPath(paths).c_str());
}

}  // namespace

std::string ConfigurationToRead(const DataPaths& paths, bool usersCopiesAllowed) {
    if (paths.UserConfig.empty() || !usersCopiesAllowed || !FileExists(paths.UserConfig)) return paths.MachineConfig;
    ConfigurationFacts facts;
    facts.UsersCopyExists = true;
    facts.Record = ReadIfPossible(RecordPath(paths), kMaxRecordSize);
    facts.MachineBytes = ReadIfPossible(paths.MachineConfig, std::numeric_limits<std::uint64_t>::max());
    switch (ChooseConfiguration(facts)) {
    case ConfigurationChoice::UsersCopy:
        return ReadsAsConfigurationFile(paths.UserConfig) ? paths.UserConfig : paths.MachineConfig;
    case ConfigurationChoice::SetUsersCopyAside:
        SetUsersCopyAside(paths);
        return paths.MachineConfig;
    case ConfigurationChoice::Machine:
        break;
    }
    return paths.MachineConfig;
}

bool PutDownloadedConfiguration(const DataPaths& paths, const std::string& downloaded) {
    if (!paths.PerUser) return MoveFileExA(downloaded.c_str(), paths.MachineConfig.c_str(), kReplace) != FALSE;
    if (paths.UserConfig.empty()) return false;
    const std::string record = RecordPath(paths);
    const std::string pending = record + ".download";
    const std::optional<std::string> machine =
        ReadIfPossible(paths.MachineConfig, std::numeric_limits<std::uint64_t>::max());
    if (!WriteNewFile(pending, ConfigurationRecord(machine) + "\r\n")) return false;
    if (!MoveFileExA(downloaded.c_str(), paths.UserConfig.c_str(), kReplace)) {
        DeleteFileA(pending.c_str());
        return false;
    }
    // A copy whose record did not follow stands on the record an earlier
    // update left, if any; without one it is set aside at the next start:
    // not lost, but not in force either.
    if (!MoveFileExA(pending.c_str(), record.c_str(), kReplace)) {
        DeleteFileA(pending.c_str());
        return false;
    }
    return true;
}

}  // namespace vtb
