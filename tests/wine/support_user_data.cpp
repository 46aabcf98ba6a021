#include "tests/wine/support_user_data.h"

#include <windows.h>
#include <knownfolders.h>
#include <shlobj.h>

#include <algorithm>

#include <gtest/gtest.h>

#include "tests/wine/support_wine.h"
#include "win/handles.h"

namespace vtbtest {
namespace {

const char kMachineKey[] = "Software\\Veltrane ToolBar";

}  // namespace

void SetPerUserDataValue(unsigned long value) {
    const DWORD data = value;
    ASSERT_EQ(ERROR_SUCCESS,
              RegSetKeyValueA(HKEY_LOCAL_MACHINE, kMachineKey, "PerUserData", REG_DWORD, &data, sizeof data));
}

void RemovePerUserDataValue() {
    RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, kMachineKey, "PerUserData");
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, kMachineKey);
}

namespace {

const char kPolicyKey[] = "Software\\Policies\\Veltrane\\ToolBar";

void RemovePolicyKeys() {
    for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) RegDeleteTreeA(root, kPolicyKey);
}

}  // namespace

ScopedPolicies::ScopedPolicies() { RemovePolicyKeys(); }
ScopedPolicies::~ScopedPolicies() { RemovePolicyKeys(); }

void ScopedPolicies::SetNumber(bool machine, const char* name, unsigned long value) {
    const DWORD data = value;
    ASSERT_EQ(ERROR_SUCCESS, RegSetKeyValueA(machine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER, kPolicyKey, name,
                                             REG_DWORD, &data, sizeof data));
}

void ScopedPolicies::SetText(bool machine, const char* name, const std::string& value) {
    ASSERT_EQ(ERROR_SUCCESS, RegSetKeyValueA(machine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER, kPolicyKey, name, REG_SZ,
                                             value.c_str(), static_cast<DWORD>(value.size() + 1)));
}

MachineDataMode::MachineDataMode(DataMode mode) {
    RemovePerUserDataValue();
    if (mode == DataMode::PerUser) SetPerUserDataValue(1);
}

MachineDataMode::~MachineDataMode() { RemovePerUserDataValue(); }

std::string UserDataDir() {
    PWSTR wide = nullptr;
    EXPECT_EQ(S_OK, SHGetKnownFolderPath(FOLDERID_LocalAppDataLow, 0, nullptr, &wide));
    char folder[MAX_PATH] = {};
    if (wide) WideCharToMultiByte(CP_ACP, 0, wide, -1, folder, MAX_PATH, nullptr, nullptr);
    CoTaskMemFree(wide);
    return std::string(folder) + "\\Veltrane ToolBar\\";
}

std::string UserFileFor(const std::string& besideTheProgram) {
    return UserDataDir() + besideTheProgram.substr(besideTheProgram.find_last_of('\\') + 1);
}

void RemoveUserDataDir() {
    const std::string dir = UserDataDir();
    WIN32_FIND_DATAA found{};
    const HANDLE find = FindFirstFileA((dir + "*").c_str(), &found);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) DeleteFileA((dir + found.cFileName).c_str());
        } while (FindNextFileA(find, &found));
        FindClose(find);
    }
    RemoveDirectoryA(dir.c_str());
}

std::vector<std::string> FilesLike(const std::string& pattern) {
    const std::string dir = pattern.substr(0, pattern.find_last_of('\\') + 1);
    std::vector<std::string> files;
    WIN32_FIND_DATAA found{};
    const HANDLE find = FindFirstFileA(pattern.c_str(), &found);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) files.push_back(dir + found.cFileName);
        } while (FindNextFileA(find, &found));
        FindClose(find);
    }
    std::sort(files.begin(), files.end());
    return files;
}

std::string DataFile(DataMode mode, const std::string& besideTheProgram) {
    return mode == DataMode::PerUser ? UserFileFor(besideTheProgram) : besideTheProgram;
}

const char* ModeName(DataMode mode) { return mode == DataMode::PerUser ? "PerUser" : "BesideTheDll"; }

}  // namespace vtbtest

namespace vtbtest {

FileSnapshot::FileSnapshot(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    exists = GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data) != 0;
    if (!exists) return;
    writeTime = (static_cast<unsigned long long>(data.ftLastWriteTime.dwHighDateTime) << 32) |
                data.ftLastWriteTime.dwLowDateTime;
    bytes = ReadTextFile(path);
}

bool FileSnapshot::operator==(const FileSnapshot& other) const {
    return exists == other.exists && bytes == other.bytes && writeTime == other.writeTime;
}

void SetWriteTimeFromNow(const std::string& path, int hours) {
    FILETIME now{};
    GetSystemTimeAsFileTime(&now);
    ULARGE_INTEGER time{};
    time.LowPart = now.dwLowDateTime;
    time.HighPart = now.dwHighDateTime;
    time.QuadPart += static_cast<long long>(hours) * 3600LL * 10000000LL;
    const FILETIME when = {time.LowPart, time.HighPart};
    const vtb::UniqueFile file(CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                           FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(file) << path;
    ASSERT_TRUE(SetFileTime(file.get(), nullptr, nullptr, &when));
}

std::string IniValue(const std::string& path, const std::string& key) {
    char buffer[2048];
    GetPrivateProfileStringA("Settings", key.c_str(), "<missing>", buffer, sizeof buffer, path.c_str());
    return buffer;
}

}  // namespace vtbtest
