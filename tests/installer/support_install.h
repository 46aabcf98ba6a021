// Helpers of the installer tests: the programs under test and what they
// ship, processes waited for with everything they start, the registry, the
// files of an installation, and the machine brought into a known state.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "win/handles.h"

namespace insttest {

// Given on the command line by tests/installer/run_installer_tests.sh.
struct Options {
    std::string setup;     // Veltrane_ToolBar_Setup.exe
    std::string payload;   // folder with exactly the files the setup installs
    std::string frame;     // browser_frame.exe; empty: the frame test is skipped
    std::string msi;       // Veltrane_ToolBar.msi
    std::string msiNewer;  // the same with a later version and a changed configuration file
};
Options& TheOptions();

extern const char* const kBandClsid;  // registry form, with braces
extern const CLSID kBandClassId;
extern const char kUninstallKey[];  // under HKEY_LOCAL_MACHINE
extern const char kToolbarKey[];    // under HKEY_LOCAL_MACHINE
extern const char kDeskBandCategory[];
extern const char kMachineKey[];      // under HKEY_LOCAL_MACHINE: the value PerUserData
extern const char kEventSourceKey[];  // under HKEY_LOCAL_MACHINE: the toolbar's events
extern const char kMsiUpgradeCode[];  // every build of the Windows Installer package

// The folder the setup installs into by default, and a file in it.
std::string InstallDir();
std::string Installed(const std::string& name);
// A file of the payload folder.
std::string Shipped(const std::string& name);
// The installed files besides the uninstaller (DLL, configuration, glyphs,
// settings file), by name.
std::vector<std::string> ShippedNames();

// A program started in a job object of its own, so that everything it starts
// (the uninstaller's copy of itself in the temporary folder, icacls) is
// waited for and, if need be, ended with it.
class JobProcess {
public:
    explicit JobProcess(const std::string& commandLine);
    ~JobProcess();  // ends whatever still runs
    JobProcess(const JobProcess&) = delete;
    JobProcess& operator=(const JobProcess&) = delete;

    bool Started() const { return static_cast<bool>(process_); }
    // Waits until the program and every process it started have ended;
    // false when that takes longer than timeoutMs.
    bool WaitForAll(DWORD timeoutMs);
    DWORD ExitCode() const;  // of the program started; STILL_ACTIVE while it runs
    // Visible top-level windows of the job's processes.
    std::vector<HWND> Windows() const;
    void Terminate();

private:
    vtb::UniqueKernelHandle job_, process_;
};

// Driving a setup's windows as a user would; each waits up to timeoutMs
// for the window and false when it did not come.
// A visible window of the job: its first page is up.
bool WaitForWindow(const JobProcess& process, DWORD timeoutMs = 30000);
// Presses the enabled button with this caption (without "&") and identifier.
bool PressButton(const JobProcess& process, const std::string& caption, int id, DWORD timeoutMs = 30000);
// Answers a message box with the button of this identifier; gives its text.
bool AnswerMessageBox(const JobProcess& process, int id, std::string* text, DWORD timeoutMs = 30000);

struct RunResult {
    bool started = false;
    bool finished = false;  // the program and all it started ended in time
    DWORD exitCode = STILL_ACTIVE;
    DWORD ms = 0;
};
// Runs a command line to its end, with everything it starts.
RunResult RunToEnd(const std::string& commandLine, DWORD timeoutMs = 120000);

std::string Quoted(const std::string& path);
// The system's msiexec with these arguments.
RunResult RunMsiexec(const std::string& arguments);
// Product codes of the installed builds of our Windows Installer package.
std::vector<std::string> InstalledMsiProducts();
RunResult RunSetup(const std::string& switches = "/S");
// The uninstaller as Add/Remove Programs runs it silently: the registered
// QuietUninstallString, with extra switches appended.
RunResult RunQuietUninstall(const std::string& extraSwitches = "");

// Registry reading; false when the key or value is missing or of another type.
bool KeyExists(HKEY root, const std::string& key);
bool ValueExists(HKEY root, const std::string& key, const std::string& name);
bool ReadString(HKEY root, const std::string& key, const std::string& name, std::string* out);
bool ReadExpandString(HKEY root, const std::string& key, const std::string& name, std::string* out);
bool ReadDword(HKEY root, const std::string& key, const std::string& name, DWORD* out);
void WriteString(HKEY root, const std::string& key, const std::string& name, const std::string& data);
void DeleteTree(HKEY root, const std::string& key);
// The renames and deletions that wait for the next start of Windows.
struct PendingOperation {
    std::string from, to;  // to is empty for a deletion
};
std::vector<PendingOperation> PendingFileOperations();

// Files: vtbtest::FileExists, ReadTextFile and WriteTextFile besides these.
bool DirExists(const std::string& path);
std::vector<std::string> FilesIn(const std::string& dir);   // names, no folders
std::string LongPath(const std::string& path);              // "" when missing
bool SamePath(const std::string& a, const std::string& b);  // any case, long form
// The file version of a module's version resource, as "a.b.c.d".
std::string FileVersion(const std::string& path);

// States of the machine. Each test starts from one of these; helpers
// that fail report it to the test (check HasFatalFailure).
void RemoveInstallation();  // nothing of ours installed (either package), no settings kept
void FreshInstallation();   // removed, then installed silently

// The toolbar created the way the browser creates it, in a process of its
// own: see band_child.cpp. Exit codes of the child.
enum ChildResult : DWORD {
    kChildOk = 0,
    kChildNoCom = 10,
    kChildNotCreated = 11,
    kChildOtherDll = 12,
    kChildNoWindow = 13,
    kChildNoSize = 14,
    kChildMessageBox = 15,
    kChildNoEvents = 16,
};
std::string ChildResultText(DWORD code);
// This test program's own path, for the child modes.
std::string SelfPath();
// Runs --create-band on the installed DLL; the child's exit code.
DWORD CreateBandInChild();
int RunBandChild(int argc, char** argv);  // --create-band / --hold-band modes

// Stands in for the system's icacls.exe: see fake_icacls.cpp.
bool IsFakeIcacls();
int RunFakeIcacls();

}  // namespace insttest
