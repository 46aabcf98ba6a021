#include "toolbar/config_rollout.h"

#include <windows.h>

#include <limits>
#include <optional>
#include <vector>

#include "core/config_rollout.h"
#include "core/file_paths.h"
#include "core/toolbar_error.h"
#include "win/event_log.h"
#include "win/files.h"
#include "win/handles.h"

namespace vtb {
namespace {

constexpr DWORD kReplace = MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH;
// A record is one short line; anything longer is no record.
constexpr std::uint64_t kMaxRecordSize = 256;
// Windows setting copies aside at the same moment: far more than happen.
constexpr int kMaxSetAsideTries = 100;

std::string RecordPath(const DataPaths& paths) { return paths.UserConfig + ".superseded"; }

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

// The names of the copies set aside beside the user's copy.
std::vector<std::string> SetAsideNames(const DataPaths& paths) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA found{};
    const HANDLE search = FindFirstFileA((paths.UserConfig + ".old-*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.emplace_back(found.cFileName);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return names;
}

// The copy goes under a name of its own, with the moment it was set aside,
// never over another; the record after it, so that a copy that could not
// move keeps standing as it did. Beyond the newest few, the oldest go.
void SetUsersCopyAside(const DataPaths& paths) {
    SYSTEMTIME now{};
    GetSystemTime(&now);
    const UtcTime when{now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond};
    const std::string folder = ExtractFilePath(paths.UserConfig);
    const std::string copyName = paths.UserConfig.substr(folder.size());
    std::vector<std::string> names = SetAsideNames(paths);
    const int first = NextSetAsideSequence(copyName, names, when);
    for (int sequence = first; sequence < first + kMaxSetAsideTries; ++sequence) {
        const std::string suffix = SetAsideSuffix(when, sequence);
        const std::string aside = paths.UserConfig + suffix;
        if (MoveFileExA(paths.UserConfig.c_str(), aside.c_str(), MOVEFILE_WRITE_THROUGH)) {
            DeleteFileA(RecordPath(paths).c_str());
            LogEvent(kCopySetAside, {paths.UserConfig.c_str(), aside.c_str()});
            names.push_back(copyName + suffix);
            for (const std::string& name : SetAsidesBeyond(copyName, names)) DeleteFileA((folder + name).c_str());
            return;
        }
        // Another window set a copy aside at this moment: the next name.
        const DWORD error = GetLastError();
        if (error != ERROR_ALREADY_EXISTS && error != ERROR_FILE_EXISTS) return;
    }
}

}  // namespace

ConfigurationSource ConfigurationToRead(const DataPaths& paths, bool usersCopiesAllowed) {
    ConfigurationSource machine{paths.MachineConfig, {}};
    if (paths.UserConfig.empty() || !usersCopiesAllowed || !FileExists(paths.UserConfig)) return machine;
    ConfigurationFacts facts;
    facts.UsersCopyExists = true;
    facts.Record = ReadIfPossible(RecordPath(paths), kMaxRecordSize);
    facts.MachineBytes = ReadIfPossible(paths.MachineConfig, std::numeric_limits<std::uint64_t>::max());
    switch (ChooseConfiguration(facts)) {
    case ConfigurationChoice::UsersCopy:
        if (ReadsAsConfigurationFile(paths.UserConfig))
            return ConfigurationSource{paths.UserConfig, ConfigurationRecord(facts.MachineBytes)};
        return machine;
    case ConfigurationChoice::SetUsersCopyAside:
        SetUsersCopyAside(paths);
        return machine;
    case ConfigurationChoice::Machine:
        break;
    }
    return machine;
}

std::optional<std::string> PutDownloadedConfiguration(const DataPaths& paths, const std::string& downloaded,
                                                      const std::string& machineRecord) {
    std::optional<std::string> reason;
    const auto failed = [&reason] { reason = SystemErrorText(GetLastError()); };
    if (!paths.PerUser) {
        // One step: the new file is in force, or the old one still is.
        if (!MoveFileExA(downloaded.c_str(), paths.MachineConfig.c_str(), kReplace)) failed();
        return reason;
    }
    // The copy and its record change together: the new record waits beside
    // the old one, the copy in force is kept under a name of its own until
    // both new files stand, and anything that fails on the way puts the
    // copy back, so that the old copy and its old record are in force.
    const std::string record = RecordPath(paths);
    const std::string pendingRecord = record + ".download";
    const std::string previous = paths.UserConfig + ".previous";
    const bool hadCopy = FileExists(paths.UserConfig);
    if (!WriteNewFile(pendingRecord, machineRecord + "\r\n") ||
        (hadCopy && !MoveFileExA(paths.UserConfig.c_str(), previous.c_str(), kReplace))) {
        failed();
    } else if (!MoveFileExA(downloaded.c_str(), paths.UserConfig.c_str(), kReplace)) {
        failed();
        if (hadCopy) MoveFileExA(previous.c_str(), paths.UserConfig.c_str(), kReplace);
    } else if (!MoveFileExA(pendingRecord.c_str(), record.c_str(), kReplace)) {
        failed();
        // The download goes back where the caller removes it, the copy
        // before it back in force.
        MoveFileExA(paths.UserConfig.c_str(), downloaded.c_str(), kReplace);
        if (hadCopy) MoveFileExA(previous.c_str(), paths.UserConfig.c_str(), kReplace);
    } else {
        DeleteFileA(previous.c_str());
    }
    DeleteFileA(pendingRecord.c_str());
    return reason;
}

}  // namespace vtb
