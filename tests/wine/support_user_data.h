// The machine's choice between data beside the DLL and each user's own data
// folder, and that folder, for the tests that run in both modes.
#pragma once

#include <string>
#include <vector>

namespace vtbtest {

enum class DataMode { BesideTheDll, PerUser };

// Sets the machine's value PerUserData (1 per user; removed beside the DLL)
// for the object's lifetime and removes it afterwards, so that no other
// test runs per user by accident.
class MachineDataMode {
public:
    explicit MachineDataMode(DataMode mode);
    ~MachineDataMode();
    MachineDataMode(const MachineDataMode&) = delete;
    MachineDataMode& operator=(const MachineDataMode&) = delete;
};

// Writes the value as given (any DWORD), without removing it later.
void SetPerUserDataValue(unsigned long value);
void RemovePerUserDataValue();

// The user's data folder under LocalLow, with a trailing backslash, as the
// system names it; and a file of the same name as one beside the program.
std::string UserDataDir();
std::string UserFileFor(const std::string& besideTheProgram);
// The files a pattern ("...\\Veltrane_ToolBar.cfg.old-*") finds, with their
// folder, sorted by name.
std::vector<std::string> FilesLike(const std::string& pattern);
// Deletes the folder with every file in it.
void RemoveUserDataDir();

// Where a toolbar of the given mode keeps a file of this name beside the
// program: the name itself, or the user's file of that name.
std::string DataFile(DataMode mode, const std::string& besideTheProgram);

const char* ModeName(DataMode mode);

// The administrator's policies, under the machine's (machine true) or the
// user's policy key; both keys are removed when the object goes, so that no
// other test runs under a policy.
class ScopedPolicies {
public:
    ScopedPolicies();
    ~ScopedPolicies();
    ScopedPolicies(const ScopedPolicies&) = delete;
    ScopedPolicies& operator=(const ScopedPolicies&) = delete;

    void SetNumber(bool machine, const char* name, unsigned long value);
    void SetText(bool machine, const char* name, const std::string& value);
};

}  // namespace vtbtest

namespace vtbtest {

// A file's bytes and last write time, to tell that nothing wrote it.
struct FileSnapshot {
    explicit FileSnapshot(const std::string& path);
    bool operator==(const FileSnapshot& other) const;
    bool exists = false;
    std::string bytes;
    unsigned long long writeTime = 0;
};

// Sets a file's last write time, in hours from now.
void SetWriteTimeFromNow(const std::string& path, int hours);

// One key of the section "Settings" of the file; "<missing>" when absent.
std::string IniValue(const std::string& path, const std::string& key);

}  // namespace vtbtest
