#include "tests/installer/support_install.h"
#include "tests/wine/support_user_data.h"

#include <msi.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <algorithm>

#include "tests/wine/support_wine.h"
#include "win/class_id.h"

namespace insttest {

Options& TheOptions() {
    static Options options;
    return options;
}

const char* const kBandClsid = vtb::kBandClassIdText;
const CLSID kBandClassId = vtb::kBandClassGuid;
const char kUninstallKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Veltrane ToolBar";
const char kToolbarKey[] = "SOFTWARE\\Microsoft\\Internet Explorer\\Toolbar";
const char kDeskBandCategory[] = "{00021492-0000-0000-C000-000000000046}";
const char kMachineKey[] = "Software\\Veltrane ToolBar";
const char kEventSourceKey[] = "SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\Veltrane ToolBar";
const char kMsiUpgradeCode[] = "{83629D71-2024-49C3-87B2-F93DF6561BBF}";

namespace {

const char kSessionManagerKey[] = "System\\CurrentControlSet\\Control\\Session Manager";
const char kPendingValue[] = "PendingFileRenameOperations";
constexpr DWORD kPollMs = 20;

vtb::UniqueKey OpenKey(HKEY root, const std::string& key, REGSAM access = KEY_READ) {
    HKEY raw = nullptr;
    if (RegOpenKeyExA(root, key.c_str(), 0, access, &raw) != ERROR_SUCCESS) return vtb::UniqueKey();
    return vtb::UniqueKey(raw);
}

// A value's raw bytes and type; false when missing.
bool ReadValue(HKEY root, const std::string& key, const std::string& name, DWORD* type, std::string* data) {
    const vtb::UniqueKey k = OpenKey(root, key);
    if (!k) return false;
    DWORD size = 0;
    if (RegQueryValueExA(k.get(), name.c_str(), nullptr, type, nullptr, &size) != ERROR_SUCCESS) return false;
    data->assign(size, '\0');
    if (size == 0) return true;
    return RegQueryValueExA(k.get(), name.c_str(), nullptr, type, reinterpret_cast<BYTE*>(&(*data)[0]), &size) ==
           ERROR_SUCCESS;
}

}  // namespace

std::string InstallDir() {
    char folder[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathA(nullptr, CSIDL_PROGRAM_FILES, nullptr, SHGFP_TYPE_CURRENT, folder)))
        return "C:\\Program Files\\Veltrane ToolBar";
    return std::string(folder) + "\\Veltrane ToolBar";
}

std::string Installed(const std::string& name) { return InstallDir() + "\\" + name; }

std::string Shipped(const std::string& name) { return TheOptions().payload + "\\" + name; }

std::vector<std::string> ShippedNames() { return FilesIn(TheOptions().payload); }

JobProcess::JobProcess(const std::string& commandLine) : job_(CreateJobObjectA(nullptr, nullptr)) {
    if (!job_) return;
    // Whatever still runs when the test is over ends with the job.
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits = {};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    SetInformationJobObject(job_.get(), JobObjectExtendedLimitInformation, &limits, sizeof limits);

    std::string line = commandLine;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr, nullptr, &startup,
                        &info))
        return;
    const vtb::UniqueKernelHandle thread(info.hThread);
    process_.reset(info.hProcess);
    // In the job before it runs, so that nothing it starts escapes.
    if (!AssignProcessToJobObject(job_.get(), info.hProcess)) {
        TerminateProcess(info.hProcess, 1);
        process_.reset();
        return;
    }
    ResumeThread(info.hThread);
}

JobProcess::~JobProcess() { Terminate(); }

bool JobProcess::WaitForAll(DWORD timeoutMs) {
    if (!process_) return false;
    const DWORD start = GetTickCount();
    if (WaitForSingleObject(process_.get(), timeoutMs) != WAIT_OBJECT_0) return false;
    for (;;) {
        JOBOBJECT_BASIC_ACCOUNTING_INFORMATION accounting = {};
        if (!QueryInformationJobObject(job_.get(), JobObjectBasicAccountingInformation, &accounting, sizeof accounting,
                                       nullptr))
            return false;
        if (accounting.ActiveProcesses == 0) return true;
        if (GetTickCount() - start >= timeoutMs) return false;
        Sleep(kPollMs);
    }
}

DWORD JobProcess::ExitCode() const {
    DWORD code = STILL_ACTIVE;
    if (process_) GetExitCodeProcess(process_.get(), &code);
    return code;
}

namespace {

struct WindowSearch {
    std::vector<DWORD> pids;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectWindowsOf(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<WindowSearch*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (IsWindowVisible(window) && std::count(search->pids.begin(), search->pids.end(), pid))
        search->found.push_back(window);
    return TRUE;
}

}  // namespace

std::vector<HWND> JobProcess::Windows() const {
    struct {
        JOBOBJECT_BASIC_PROCESS_ID_LIST list;
        ULONG_PTR more[63];
    } ids = {};
    ids.list.NumberOfAssignedProcesses = 64;
    WindowSearch search;
    if (!job_ || !QueryInformationJobObject(job_.get(), JobObjectBasicProcessIdList, &ids, sizeof ids, nullptr))
        return search.found;
    for (DWORD i = 0; i < ids.list.NumberOfProcessIdsInList; ++i)
        search.pids.push_back(static_cast<DWORD>(ids.list.ProcessIdList[i]));
    EnumWindows(CollectWindowsOf, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

void JobProcess::Terminate() {
    if (job_) TerminateJobObject(job_.get(), 1);
}

namespace {

constexpr int kMessageTextId = 0xFFFF;  // the text of a message box

std::string ControlText(HWND control) {
    char text[1024] = {};
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutA(control, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), SMTO_NORMAL, 3000,
                             &copied))
        return std::string();
    std::string caption(text, copied);
    caption.erase(std::remove(caption.begin(), caption.end(), '&'), caption.end());
    return caption;
}

void Click(HWND dialog, int id, HWND button) {
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(button));
}

// Polls the job's windows until found() takes one or the time is up.
template <typename Found>
bool PollWindows(const JobProcess& process, DWORD timeoutMs, Found found) {
    const DWORD start = GetTickCount();
    for (;;) {
        for (HWND window : process.Windows())
            if (found(window)) return true;
        if (GetTickCount() - start >= timeoutMs) return false;
        Sleep(kPollMs);
    }
}

}  // namespace

bool WaitForWindow(const JobProcess& process, DWORD timeoutMs) {
    return PollWindows(process, timeoutMs, [](HWND) { return true; });
}

bool PressButton(const JobProcess& process, const std::string& caption, int id, DWORD timeoutMs) {
    return PollWindows(process, timeoutMs, [&](HWND window) {
        const HWND button = GetDlgItem(window, id);
        if (!button || !IsWindowEnabled(button) || !IsWindowVisible(button) || ControlText(button) != caption)
            return false;
        Click(window, id, button);
        return true;
    });
}

bool AnswerMessageBox(const JobProcess& process, int id, std::string* text, DWORD timeoutMs) {
    return PollWindows(process, timeoutMs, [&](HWND window) {
        const HWND message = GetDlgItem(window, kMessageTextId), button = GetDlgItem(window, id);
        if (!message || !button) return false;
        *text = ControlText(message);
        Click(window, id, button);
        return true;
    });
}

RunResult RunToEnd(const std::string& commandLine, DWORD timeoutMs) {
    RunResult result;
    const DWORD start = GetTickCount();
    JobProcess process(commandLine);
    result.started = process.Started();
    if (!result.started) return result;
    result.finished = process.WaitForAll(timeoutMs);
    result.exitCode = process.ExitCode();
    result.ms = GetTickCount() - start;
    return result;
}

std::string Quoted(const std::string& path) { return "\"" + path + "\""; }

RunResult RunSetup(const std::string& switches) { return RunToEnd(Quoted(TheOptions().setup) + " " + switches); }

RunResult RunMsiexec(const std::string& arguments) {
    char system[MAX_PATH] = {};
    GetSystemDirectoryA(system, MAX_PATH);
    return RunToEnd(Quoted(std::string(system) + "\\msiexec.exe") + " " + arguments);
}

std::vector<std::string> InstalledMsiProducts() {
    std::vector<std::string> products;
    char product[39] = {};
    for (DWORD i = 0; MsiEnumRelatedProductsA(kMsiUpgradeCode, 0, i, product) == ERROR_SUCCESS; ++i)
        products.push_back(product);
    return products;
}

RunResult RunQuietUninstall(const std::string& extraSwitches) {
    std::string command;
    if (!ReadString(HKEY_LOCAL_MACHINE, kUninstallKey, "QuietUninstallString", &command)) return RunResult();
    if (!extraSwitches.empty()) command += " " + extraSwitches;
    return RunToEnd(command);
}

bool KeyExists(HKEY root, const std::string& key) { return static_cast<bool>(OpenKey(root, key)); }

bool ValueExists(HKEY root, const std::string& key, const std::string& name) {
    DWORD type = 0;
    std::string data;
    return ReadValue(root, key, name, &type, &data);
}

bool ReadString(HKEY root, const std::string& key, const std::string& name, std::string* out) {
    DWORD type = 0;
    std::string data;
    if (!ReadValue(root, key, name, &type, &data) || type != REG_SZ) return false;
    *out = data.substr(0, data.find('\0'));
    return true;
}

bool ReadExpandString(HKEY root, const std::string& key, const std::string& name, std::string* out) {
    DWORD type = 0;
    std::string data;
    if (!ReadValue(root, key, name, &type, &data) || type != REG_EXPAND_SZ) return false;
    *out = data.substr(0, data.find('\0'));
    return true;
}

bool ReadDword(HKEY root, const std::string& key, const std::string& name, DWORD* out) {
    DWORD type = 0;
    std::string data;
    if (!ReadValue(root, key, name, &type, &data) || type != REG_DWORD || data.size() != sizeof(DWORD)) return false;
    std::copy(data.begin(), data.end(), reinterpret_cast<char*>(out));
    return true;
}

void WriteString(HKEY root, const std::string& key, const std::string& name, const std::string& data) {
    HKEY raw = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(root, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &raw, nullptr))
        << key;
    const vtb::UniqueKey k(raw);
    ASSERT_EQ(ERROR_SUCCESS,
              RegSetValueExA(k.get(), name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                             static_cast<DWORD>(data.size() + 1)))
        << key << " " << name;
}

void DeleteTree(HKEY root, const std::string& key) { RegDeleteTreeA(root, key.c_str()); }

std::vector<PendingOperation> PendingFileOperations() {
    std::vector<PendingOperation> operations;
    DWORD type = 0;
    std::string data;
    if (!ReadValue(HKEY_LOCAL_MACHINE, kSessionManagerKey, kPendingValue, &type, &data) || type != REG_MULTI_SZ)
        return operations;
    // Pairs of names, each in the kernel's form "\??\C:\...": the file, then
    // its new name or nothing for a deletion.
    std::vector<std::string> names;
    std::string::size_type at = 0;
    while (at < data.size()) {
        const std::string::size_type end = std::min(data.find('\0', at), data.size());
        std::string name = data.substr(at, end - at);
        if (name.compare(0, 4, "\\??\\") == 0) name.erase(0, 4);
        if (name.size() > 3 && name.back() == '\\') name.pop_back();  // a folder
        names.push_back(name);
        at = end + 1;
    }
    for (size_t i = 0; i + 1 < names.size(); i += 2) operations.push_back({names[i], names[i + 1]});
    return operations;
}

bool DirExists(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::vector<std::string> FilesIn(const std::string& dir) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    const HANDLE search = FindFirstFileA((dir + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(found.cFileName);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    std::sort(names.begin(), names.end());
    return names;
}

std::string LongPath(const std::string& path) {
    char buffer[MAX_PATH * 2] = {};
    const DWORD n = GetLongPathNameA(path.c_str(), buffer, sizeof buffer);
    return n > 0 && n < sizeof buffer ? std::string(buffer, n) : std::string();
}

bool SamePath(const std::string& a, const std::string& b) {
    const std::string longA = LongPath(a), longB = LongPath(b);
    return !longA.empty() && lstrcmpiA(longA.c_str(), longB.c_str()) == 0;
}

std::string FileVersion(const std::string& path) {
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(path.c_str(), &ignored);
    if (size == 0) return std::string();
    std::string block(size, '\0');
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    if (!GetFileVersionInfoA(path.c_str(), 0, size, &block[0]) ||
        !VerQueryValueA(&block[0], "\\", reinterpret_cast<void**>(&fixed), &length) || !fixed)
        return std::string();
    return std::to_string(HIWORD(fixed->dwFileVersionMS)) + "." + std::to_string(LOWORD(fixed->dwFileVersionMS)) + "." +
           std::to_string(HIWORD(fixed->dwFileVersionLS)) + "." + std::to_string(LOWORD(fixed->dwFileVersionLS));
}

void RemoveInstallation() {
    for (const std::string& product : InstalledMsiProducts())
        ASSERT_TRUE(RunMsiexec("/x " + product + " /qn").finished) << "msiexec did not finish";
    if (KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey)) {
        const RunResult removed = RunQuietUninstall("/KEEPSETTINGS=0");
        ASSERT_TRUE(removed.finished) << "the uninstaller did not finish";
    }
    // What a test that stopped half-way may have left: a DLL moved aside by
    // an upgrade, kept settings, registry entries.
    const std::string dir = InstallDir();
    for (const std::string& name : FilesIn(dir)) DeleteFileA((dir + "\\" + name).c_str());
    RemoveDirectoryA(dir.c_str());
    DeleteTree(HKEY_CLASSES_ROOT, std::string("CLSID\\") + kBandClsid);
    DeleteTree(HKEY_LOCAL_MACHINE, kUninstallKey);
    if (const vtb::UniqueKey toolbars = OpenKey(HKEY_LOCAL_MACHINE, kToolbarKey, KEY_SET_VALUE))
        RegDeleteValueA(toolbars.get(), kBandClsid);
    if (const vtb::UniqueKey session = OpenKey(HKEY_LOCAL_MACHINE, kSessionManagerKey, KEY_SET_VALUE))
        RegDeleteValueA(session.get(), kPendingValue);
    DeleteTree(HKEY_LOCAL_MACHINE, kMachineKey);
    // The user's own data of an earlier test.
    vtbtest::RemoveUserDataDir();
    ASSERT_FALSE(DirExists(dir)) << dir << " could not be removed";
}

void FreshInstallation() {
    RemoveInstallation();
    if (testing::Test::HasFatalFailure()) return;
    const RunResult setup = RunSetup();
    ASSERT_TRUE(setup.finished) << "the setup did not finish";
    ASSERT_EQ(0u, setup.exitCode);
}

std::string SelfPath() {
    char path[MAX_PATH] = {};
    const DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    return std::string(path, n);
}

DWORD CreateBandInChild() {
    const RunResult child =
        RunToEnd(Quoted(SelfPath()) + " --create-band " + Quoted(Installed(vtb::kToolbarDllName)), 60000);
    return child.finished ? child.exitCode : STILL_ACTIVE;
}

std::string ChildResultText(DWORD code) {
    switch (code) {
    case kChildOk:
        return "ok";
    case kChildNoCom:
        return "COM could not be initialised";
    case kChildNotCreated:
        return "CoCreateInstance failed";
    case kChildOtherDll:
        return "the band came from another DLL";
    case kChildNoWindow:
        return "the band made no toolbar window in its site";
    case kChildNoSize:
        return "the band reported no size";
    case kChildMessageBox:
        return "the toolbar showed a message box";
    case kChildNoEvents:
        return "the events of the test were missing";
    case STILL_ACTIVE:
        return "the child did not finish";
    default:
        return "exit code " + std::to_string(code);
    }
}

}  // namespace insttest
