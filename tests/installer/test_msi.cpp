// The Windows Installer package, as central deployment runs it: a silent
// installation per machine that the browser finds, registry rows equal to
// what the DLL registers itself, a later build replacing an earlier one,
// and a removal that leaves nothing of ours.
#include <windows.h>
#include <msi.h>
#include <msiquery.h>
#include <ole2.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "core/identifiers.h"
#include "tests/installer/support_install.h"
#include "tests/wine/support_user_data.h"
#include "tests/wine/support_wine.h"

namespace insttest {
namespace {

// What run_installer_tests.sh appends to the configuration file of the
// later build.
const char kLaterBuildMarker[] = "; a later build of the package\r\n";
const char kOtherClsid[] = "{5F0C3D1E-7A52-4E1B-9C0D-2B7A44E1D0C3}";

std::string TypeName(DWORD type) {
    switch (type) {
    case REG_SZ:
        return "REG_SZ";
    case REG_EXPAND_SZ:
        return "REG_EXPAND_SZ";
    case REG_DWORD:
        return "REG_DWORD";
    default:
        return "type " + std::to_string(type);
    }
}

// Every key under path and every value in them, one line each.
void Walk(HKEY root, const std::string& path, std::vector<std::string>* lines) {
    HKEY raw = nullptr;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &raw) != ERROR_SUCCESS) return;
    const vtb::UniqueKey key(raw);
    lines->push_back("key " + path);
    for (DWORD i = 0;; ++i) {
        char name[256];
        DWORD nameLength = sizeof name, type = 0;
        BYTE data[1024];
        DWORD size = sizeof data;
        if (RegEnumValueA(key.get(), i, name, &nameLength, nullptr, &type, data, &size) != ERROR_SUCCESS) break;
        lines->push_back("value " + path + " [" + name + "] " + TypeName(type) + " \"" +
                         std::string(reinterpret_cast<const char*>(data), size) + "\"");
    }
    std::vector<std::string> subkeys;
    for (DWORD i = 0;; ++i) {
        char name[256];
        DWORD nameLength = sizeof name;
        if (RegEnumKeyExA(key.get(), i, name, &nameLength, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        subkeys.push_back(name);
    }
    for (const std::string& subkey : subkeys) Walk(root, path + "\\" + subkey, lines);
}

// The band's registration: its class with everything under it, and its
// value in the browser's toolbar list.
std::vector<std::string> Registration() {
    std::vector<std::string> lines;
    Walk(HKEY_CLASSES_ROOT, std::string("CLSID\\") + kBandClsid, &lines);
    std::string text;
    if (ReadString(HKEY_LOCAL_MACHINE, kToolbarKey, kBandClsid, &text))
        lines.push_back(std::string("toolbar value \"") + text + "\"");
    std::sort(lines.begin(), lines.end());
    return lines;
}

// a.b.c.d of the DLL as the package's product version a.b.(1000 c + d).
std::string ProductVersionOf(const std::string& fileVersion) {
    unsigned a = 0, b = 0, c = 0, d = 0;
    if (sscanf(fileVersion.c_str(), "%u.%u.%u.%u", &a, &b, &c, &d) != 4) return "";
    return std::to_string(a) + "." + std::to_string(b) + "." + std::to_string(c * 1000 + d);
}

std::string ArpKey(const std::string& product) {
    return "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + product;
}

RunResult Install(const std::string& package) { return RunMsiexec("/i " + Quoted(package) + " /qn"); }

// A handle of the installer's database functions, closed with its holder.
struct MsiHandle {
    MSIHANDLE handle = 0;
    ~MsiHandle() {
        if (handle) MsiCloseHandle(handle);
    }
};

// The messages of the package's launch conditions, one line each.
std::string LaunchConditionText(const std::string& package) {
    MsiHandle database, view;
    std::string texts;
    if (MsiOpenDatabaseA(package.c_str(), MSIDBOPEN_READONLY, &database.handle) != ERROR_SUCCESS ||
        MsiDatabaseOpenViewA(database.handle, "SELECT `Description` FROM `LaunchCondition`", &view.handle) !=
            ERROR_SUCCESS ||
        MsiViewExecute(view.handle, 0) != ERROR_SUCCESS)
        return texts;
    for (MsiHandle record; MsiViewFetch(view.handle, &record.handle) == ERROR_SUCCESS;) {
        char text[1024] = {};
        DWORD size = sizeof text;
        if (MsiRecordGetStringA(record.handle, 1, text, &size) == ERROR_SUCCESS) texts += std::string(text) + "\n";
        MsiCloseHandle(record.handle);
        record.handle = 0;
    }
    return texts;
}

class WindowsInstaller : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(TheOptions().msi.empty() || TheOptions().msiNewer.empty()) << "--msi and --msi-newer";
        ASSERT_NO_FATAL_FAILURE(RemoveInstallation());
    }
    void TearDown() override { RemoveInstallation(); }

    static void ExpectInstalled(const RunResult& run) {
        ASSERT_TRUE(run.finished);
        ASSERT_EQ(0u, run.exitCode);
    }
};

TEST_F(WindowsInstaller, InstallsPerMachineAndTheBrowserCreatesTheToolbar) {
    const RunResult install = Install(TheOptions().msi);
    ASSERT_NO_FATAL_FAILURE(ExpectInstalled(install));
    printf("msiexec /i /qn: %lu ms\n", static_cast<unsigned long>(install.ms));

    std::vector<std::string> expected = ShippedNames();
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(expected, FilesIn(InstallDir()));
    for (const std::string& name : expected)
        EXPECT_TRUE(vtbtest::ReadTextFile(Shipped(name)) == vtbtest::ReadTextFile(Installed(name))) << name;

    const std::vector<std::string> products = InstalledMsiProducts();
    ASSERT_EQ(1u, products.size());
    char name[64] = {};
    DWORD size = sizeof name;
    EXPECT_EQ(static_cast<UINT>(ERROR_SUCCESS),
              MsiGetProductInfoExA(products[0].c_str(), nullptr, MSIINSTALLCONTEXT_MACHINE, INSTALLPROPERTY_PRODUCTNAME,
                                   name, &size))
        << "installed per machine";
    const std::string dllVersion = FileVersion(Installed(vtb::kToolbarDllName));
    std::string text;
    EXPECT_TRUE(ReadString(HKEY_LOCAL_MACHINE, ArpKey(products[0]), "DisplayName", &text));
    EXPECT_EQ("Veltrane ToolBar", text);
    EXPECT_TRUE(ReadString(HKEY_LOCAL_MACHINE, ArpKey(products[0]), "DisplayVersion", &text));
    EXPECT_EQ(ProductVersionOf(dllVersion), text);
    EXPECT_TRUE(ReadString(HKEY_LOCAL_MACHINE, ArpKey(products[0]), "Comments", &text));
    EXPECT_EQ("Veltrane ToolBar " + dllVersion, text);
    DWORD perUser = 0;
    EXPECT_TRUE(ReadDword(HKEY_LOCAL_MACHINE, kMachineKey, "PerUserData", &perUser));
    EXPECT_EQ(1u, perUser);
    // The event source, its texts in the DLL.
    EXPECT_TRUE(ReadExpandString(HKEY_LOCAL_MACHINE, kEventSourceKey, "EventMessageFile", &text));
    EXPECT_TRUE(SamePath(Installed(vtb::kToolbarDllName), text)) << text;

    const DWORD band = CreateBandInChild();
    EXPECT_EQ(kChildOk, band) << ChildResultText(band);
}

void RemoveFolder(const std::string& dir) {
    for (const std::string& name : FilesIn(dir)) DeleteFileA((dir + "\\" + name).c_str());
    RemoveDirectoryA(dir.c_str());
}

// What the DLL registers of itself from that folder, run by regsvr32.
std::vector<std::string> RegisteredByTheDll(const std::string& dir) {
    std::vector<std::string> registration;
    EXPECT_TRUE(CreateDirectoryA(dir.c_str(), nullptr)) << dir;
    for (const std::string& name : ShippedNames())
        EXPECT_TRUE(CopyFileA(Shipped(name).c_str(), (dir + "\\" + name).c_str(), FALSE)) << name;
    char system[MAX_PATH] = {};
    GetSystemDirectoryA(system, MAX_PATH);
    const std::string regsvr32 = Quoted(std::string(system) + "\\regsvr32.exe");
    const std::string dll = Quoted(dir + "\\" + vtb::kToolbarDllName);
    const RunResult registered = RunToEnd(regsvr32 + " /s " + dll);
    EXPECT_TRUE(registered.finished && registered.exitCode == 0);
    registration = Registration();
    EXPECT_TRUE(RunToEnd(regsvr32 + " /u /s " + dll).finished);
    RemoveFolder(dir);
    return registration;
}

// Compared with the DLL registering itself from the same folder, on the
// same machine cleaned in between: in Program Files, whose path has spaces,
// and in a folder whose path has none.
TEST_F(WindowsInstaller, RegistryRowsEqualWhatTheDllRegistersItself) {
    const std::string withoutSpaces = "C:\\VeltraneToolBarTest";
    for (const std::string& dir : {InstallDir(), withoutSpaces}) {
        SCOPED_TRACE(dir);
        const std::vector<std::string> byTheDll = RegisteredByTheDll(dir);
        ASSERT_EQ(std::vector<std::string>{}, Registration());

        const std::string folder = dir == InstallDir() ? "" : " INSTALLDIR=" + Quoted(dir);
        ASSERT_NO_FATAL_FAILURE(ExpectInstalled(RunMsiexec("/i " + Quoted(TheOptions().msi) + folder + " /qn")));
        EXPECT_TRUE(vtbtest::FileExists(dir + "\\" + vtb::kToolbarDllName));
        EXPECT_EQ(byTheDll, Registration());
        // Four keys (the class, its server, the category and its parent),
        // three values under them and the browser's toolbar value.
        EXPECT_EQ(8u, byTheDll.size());
        ASSERT_TRUE(RunMsiexec("/x " + Quoted(TheOptions().msi) + " /qn").finished);
    }
    RemoveFolder(withoutSpaces);
}

TEST_F(WindowsInstaller, ALaterBuildReplacesTheEarlierOne) {
    ASSERT_NO_FATAL_FAILURE(ExpectInstalled(Install(TheOptions().msi)));
    const std::vector<std::string> earlier = InstalledMsiProducts();
    ASSERT_EQ(1u, earlier.size());

    const RunResult upgrade = Install(TheOptions().msiNewer);
    ASSERT_NO_FATAL_FAILURE(ExpectInstalled(upgrade));
    printf("msiexec /i /qn of a later build over an earlier one: %lu ms\n", static_cast<unsigned long>(upgrade.ms));
    const std::vector<std::string> products = InstalledMsiProducts();
    ASSERT_EQ(1u, products.size()) << "one product";
    EXPECT_NE(earlier[0], products[0]);
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, ArpKey(earlier[0])));
    EXPECT_EQ(vtbtest::ReadTextFile(Shipped(vtb::kConfigFileName)) + kLaterBuildMarker,
              vtbtest::ReadTextFile(Installed(vtb::kConfigFileName)));
    // One version: the later package's is its DLL's, in Add/Remove too.
    const std::string later = FileVersion(Installed(vtb::kToolbarDllName));
    EXPECT_NE(FileVersion(Shipped(vtb::kToolbarDllName)), later);
    std::string text;
    EXPECT_TRUE(ReadString(HKEY_LOCAL_MACHINE, ArpKey(products[0]), "DisplayVersion", &text));
    EXPECT_EQ(ProductVersionOf(later), text);
    EXPECT_TRUE(ReadString(HKEY_LOCAL_MACHINE, ArpKey(products[0]), "Comments", &text));
    EXPECT_EQ("Veltrane ToolBar " + later, text);
    std::vector<std::string> expected = ShippedNames();
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(expected, FilesIn(InstallDir()));
    const DWORD band = CreateBandInChild();
    EXPECT_EQ(kChildOk, band) << ChildResultText(band);
}

TEST_F(WindowsInstaller, RemovalLeavesNothingOfOurs) {
    ASSERT_NO_FATAL_FAILURE(ExpectInstalled(Install(TheOptions().msi)));
    const std::string product = InstalledMsiProducts().at(0);
    // Another toolbar, the system's cache of the desk bands, a user's own data.
    WriteString(HKEY_LOCAL_MACHINE, kToolbarKey, kOtherClsid, "");
    const std::string cache = std::string("Component Categories\\") + kDeskBandCategory + "\\Enum";
    WriteString(HKEY_CLASSES_ROOT, cache, "", "");
    ASSERT_TRUE(CreateDirectoryA(vtbtest::UserDataDir().c_str(), nullptr));
    const std::string usersOwn = vtbtest::UserFileFor(Installed(vtb::kSettingsFileName));
    vtbtest::WriteTextFile(usersOwn, "[Settings]\r\nSearch History0=mine\r\n");

    const RunResult removal = RunMsiexec("/x " + Quoted(TheOptions().msi) + " /qn");
    ASSERT_TRUE(removal.finished);
    EXPECT_EQ(0u, removal.exitCode);
    printf("msiexec /x /qn: %lu ms\n", static_cast<unsigned long>(removal.ms));

    EXPECT_FALSE(DirExists(InstallDir()));
    EXPECT_EQ(std::vector<std::string>{}, Registration());
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, cache));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kMachineKey));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kEventSourceKey));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, ArpKey(product)));
    EXPECT_EQ(std::vector<std::string>{}, InstalledMsiProducts());
    IUnknown* band = nullptr;
    EXPECT_EQ(REGDB_E_CLASSNOTREG, CoCreateInstance(kBandClassId, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                                                    reinterpret_cast<void**>(&band)));
    EXPECT_TRUE(ValueExists(HKEY_LOCAL_MACHINE, kToolbarKey, kOtherClsid));
    EXPECT_TRUE(vtbtest::FileExists(usersOwn)) << "a user's own data is theirs";

    RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, kToolbarKey, kOtherClsid);
}

// One package at a time, in both orders; each refusal leaves the other
// installation as it was and names how to remove it.
TEST_F(WindowsInstaller, RefusesWhileTheSetupsInstallationIsThereAndTheSetupTheOtherWay) {
    ASSERT_NO_FATAL_FAILURE(FreshInstallation());
    const RunResult refused = Install(TheOptions().msi);
    ASSERT_TRUE(refused.finished);
    EXPECT_EQ(1603u, refused.exitCode);
    EXPECT_EQ(std::vector<std::string>{}, InstalledMsiProducts());
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
    EXPECT_TRUE(vtbtest::FileExists(Installed("uninstall.exe")));
    // Wine's log leaves out the text of a launch condition: it is read from
    // the package, where Windows takes it for its log.
    const std::string why = LaunchConditionText(TheOptions().msi);
    EXPECT_NE(std::string::npos, why.find("installed by its setup program (Veltrane_ToolBar_Setup.exe)")) << why;
    EXPECT_NE(std::string::npos, why.find("uninstall.exe /S")) << why;
    ASSERT_NO_FATAL_FAILURE(RemoveInstallation());

    ASSERT_NO_FATAL_FAILURE(ExpectInstalled(Install(TheOptions().msi)));
    const RunResult setup = RunSetup();
    ASSERT_TRUE(setup.finished);
    EXPECT_EQ(1638u, setup.exitCode);
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
    EXPECT_FALSE(vtbtest::FileExists(Installed("uninstall.exe")));
    EXPECT_EQ(1u, InstalledMsiProducts().size());
}

// An administrator's folder holds for every later build; the Add/Remove
// entry says where it is and where help is.
TEST_F(WindowsInstaller, ALaterBuildGoesWhereTheFirstWent) {
    const std::string dir = "C:\\Firm Tools\\Toolbar";
    ASSERT_NO_FATAL_FAILURE(
        ExpectInstalled(RunMsiexec("/i " + Quoted(TheOptions().msi) + " INSTALLDIR=" + Quoted(dir) + " /qn")));
    ASSERT_NO_FATAL_FAILURE(ExpectInstalled(Install(TheOptions().msiNewer)));
    EXPECT_EQ(vtbtest::ReadTextFile(Shipped(vtb::kConfigFileName)) + kLaterBuildMarker,
              vtbtest::ReadTextFile(dir + "\\" + vtb::kConfigFileName));
    EXPECT_FALSE(DirExists(InstallDir()));
    const std::vector<std::string> products = InstalledMsiProducts();
    ASSERT_EQ(1u, products.size());
    std::string text;
    EXPECT_TRUE(ReadString(HKEY_LOCAL_MACHINE, ArpKey(products[0]), "InstallLocation", &text));
    EXPECT_TRUE(SamePath(dir, text.substr(0, text.find_last_not_of('\\') + 1))) << text;
    EXPECT_TRUE(ReadString(HKEY_LOCAL_MACHINE, ArpKey(products[0]), "HelpLink", &text));
    EXPECT_EQ("https://www.veltrane.example/toolbar/help", text);
    ASSERT_TRUE(RunMsiexec("/x " + products[0] + " /qn").finished);
    EXPECT_FALSE(DirExists(dir));
    RemoveDirectoryA("C:\\Firm Tools");
}

// A firm's own configuration in one command line: checked, installed in
// place of the sample, and installed again from the same path by a later
// build and by a repair, unless another is given.
TEST_F(WindowsInstaller, AFirmsConfigurationIsInstalledAndKeptByUpgradesAndRepairs) {
    const std::string share = "C:\\FirmShare";
    CreateDirectoryA(share.c_str(), nullptr);
    const std::string firm = share + "\\firm.cfg";
    const std::string firmBytes = vtbtest::ReadTextFile(Shipped(vtb::kConfigFileName)) + "; the firm's own\r\n";
    vtbtest::WriteTextFile(firm, firmBytes);
    ASSERT_NO_FATAL_FAILURE(ExpectInstalled(
        RunMsiexec("/i " + Quoted(TheOptions().msi) + " CONFIGFILE=" + Quoted(firm) + " /qn /norestart")));
    EXPECT_EQ(firmBytes, vtbtest::ReadTextFile(Installed(vtb::kConfigFileName)));
    std::string text;
    EXPECT_TRUE(ReadString(HKEY_LOCAL_MACHINE, kMachineKey, "ConfigFile", &text));
    EXPECT_EQ(firm, text);

    // A later build over it, then a repair after an edit of the installed file.
    ASSERT_NO_FATAL_FAILURE(ExpectInstalled(Install(TheOptions().msiNewer)));
    EXPECT_EQ(firmBytes, vtbtest::ReadTextFile(Installed(vtb::kConfigFileName)));
    vtbtest::WriteTextFile(Installed(vtb::kConfigFileName), "edited by hand\r\n");
    // The guide's repair, with the installed build's package.
    const std::string repair = "/i " + Quoted(TheOptions().msiNewer) + " REINSTALL=ALL REINSTALLMODE=vomus";
    ASSERT_NO_FATAL_FAILURE(ExpectInstalled(RunMsiexec(repair + " /qn /norestart")));
    EXPECT_EQ(firmBytes, vtbtest::ReadTextFile(Installed(vtb::kConfigFileName)));

    // Another file given with the guide's other repair (the installed
    // build's package) replaces it and is remembered in its place.
    const std::string other = share + "\\other.cfg";
    vtbtest::WriteTextFile(other, firmBytes + "; another\r\n");
    ASSERT_NO_FATAL_FAILURE(ExpectInstalled(
        RunMsiexec(repair + " CONFIGFILE=" + Quoted(other) + " /qn /norestart")));
    EXPECT_EQ(firmBytes + "; another\r\n", vtbtest::ReadTextFile(Installed(vtb::kConfigFileName)));
    EXPECT_TRUE(ReadString(HKEY_LOCAL_MACHINE, kMachineKey, "ConfigFile", &text));
    EXPECT_EQ(other, text);

    const std::vector<std::string> products = InstalledMsiProducts();
    ASSERT_EQ(1u, products.size());
    ASSERT_TRUE(RunMsiexec("/x " + products[0] + " /qn /norestart").finished);
    EXPECT_FALSE(DirExists(InstallDir()));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kMachineKey));
    DeleteFileA(firm.c_str());
    DeleteFileA(other.c_str());
    RemoveDirectoryA(share.c_str());
}

// A file that would fail a toolbar's construction, or that cannot be read,
// stops the installation before anything is installed; the log says why.
TEST_F(WindowsInstaller, AFirmsConfigurationThatWouldFailStopsTheInstallation) {
    const std::string bad = InstallDir() + "-bad.cfg";
    vtbtest::WriteTextFile(bad, "7.2|x\r\n[Buttons]\r\n3\r\nA|a\r\nB|b\r\nC|c\r\n[Main Menu]\r\n12 \r\n");
    const std::string log = InstallDir() + "-install.log";
    const std::string missing = InstallDir() + "-missing.cfg";
    const struct {
        std::string file, reason;
    } cases[] = {{bad, bad + "(8): '12 ' is not a valid integer value."}, {missing, missing + ": the file cannot be read."}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        DeleteFileA(log.c_str());
        const RunResult refused = RunMsiexec("/i " + Quoted(TheOptions().msi) + " CONFIGFILE=" + Quoted(c.file) +
                                             " /qn /norestart /l*v " + Quoted(log));
        ASSERT_TRUE(refused.finished);
        EXPECT_EQ(1603u, refused.exitCode);
        EXPECT_EQ(std::vector<std::string>{}, InstalledMsiProducts());
        EXPECT_FALSE(DirExists(InstallDir()));
        EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kMachineKey));
        // The installer's log is UTF-16 or 8-bit, as the system writes it.
        std::string text = vtbtest::ReadTextFile(log);
        text.erase(std::remove(text.begin(), text.end(), '\0'), text.end());
        EXPECT_NE(std::string::npos, text.find(c.reason)) << c.reason;
    }
    DeleteFileA(bad.c_str());
    DeleteFileA(log.c_str());
}

}  // namespace
}  // namespace insttest
