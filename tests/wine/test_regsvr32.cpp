// Installing and removing the toolbar the way a user does: the system's own
// regsvr32 in a separate process, then COM finding (or no longer finding)
// the band class through the registry.
#include <windows.h>
#include <ole2.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <string>

#include "tests/wine/support_wine.h"
#include "win/class_id.h"
#include "win/handles.h"

namespace {

const CLSID kBandClsid = vtb::kBandClassGuid;
const char kToolbarKey[] = "SOFTWARE\\Microsoft\\Internet Explorer\\Toolbar";
const char* const kBandValue = vtb::kBandClassIdText;

// Runs regsvr32 with the given switches on the DLL; its exit code, or -1.
long RunRegsvr32(const std::string& switches) {
    std::string command = "regsvr32.exe " + switches + " \"" + vtbtest::DllPath() + "\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) return -1;
    vtb::UniqueKernelHandle process(info.hProcess), thread(info.hThread);
    if (WaitForSingleObject(process.get(), 60000) != WAIT_OBJECT_0) return -1;
    DWORD code = 0;
    GetExitCodeProcess(process.get(), &code);
    return static_cast<long>(code);
}

bool BrowserListsBand() {
    HKEY raw = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kToolbarKey, 0, KEY_READ, &raw) != ERROR_SUCCESS) return false;
    vtb::UniqueKey key(raw);
    return RegQueryValueExA(key.get(), kBandValue, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

HRESULT CreateBand() {
    vtb::ComPtr<IDeskBand> band;
    // Let COM drop a server it loaded for an earlier call.
    CoFreeUnusedLibraries();
    return CoCreateInstance(kBandClsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDeskBand, band.put_void());
}

TEST(Regsvr32, RegistersTheBandForTheBrowserAndRemovesItAgain) {
    ASSERT_TRUE(vtbtest::FileExists(vtbtest::DllPath())) << vtbtest::DllPath();

    ASSERT_EQ(0, RunRegsvr32("/s"));
    EXPECT_EQ(S_OK, CreateBand());
    EXPECT_TRUE(BrowserListsBand());

    ASSERT_EQ(0, RunRegsvr32("/u /s"));
    EXPECT_EQ(REGDB_E_CLASSNOTREG, CreateBand());
    EXPECT_FALSE(BrowserListsBand());
}

}  // namespace
