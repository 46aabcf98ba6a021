// Entry point of the Wine test program: the main thread is an OLE apartment
// like the browser's user-interface thread, with the common controls ready.
#include <windows.h>
#include <commctrl.h>
#include <ole2.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "tests/wine/support_accessible.h"
#include "tests/wine/support_host.h"
#include "tests/wine/support_user_data.h"

int main(int argc, char** argv) {
    // A second browser process for the tests of this one.
    if (argc == 4 && std::strcmp(argv[1], "--toolbar-host") == 0)
        return vtbtest::RunToolbarHost(std::atoi(argv[2]), std::atoi(argv[3]));
    if (argc == 3 && std::strcmp(argv[1], "--settings-closer") == 0) {
        OleInitialize(nullptr);
        return vtbtest::RunSettingsCloser(std::atoi(argv[2]));
    }
    if (argc == 3 && std::strcmp(argv[1], "--settings-searcher") == 0) {
        OleInitialize(nullptr);
        return vtbtest::RunSettingsSearcher(argv[2]);
    }

    // A screen reader in a process of its own.
    if (argc == 4 && std::strcmp(argv[1], "--read-tree") == 0)
        return vtbtest::RunTreeReader(reinterpret_cast<HWND>(std::strtoul(argv[2], nullptr, 0)), argv[3]);
    if (argc == 4 && std::strcmp(argv[1], "--hold-object") == 0)
        return vtbtest::RunObjectHolder(reinterpret_cast<HWND>(std::strtoul(argv[2], nullptr, 0)), argv[3]);

    testing::InitGoogleTest(&argc, argv);
    // A run cut short may have left the machine per user: every test that
    // wants that mode sets it itself.
    vtbtest::RemovePerUserDataValue();

    const HRESULT ole = OleInitialize(nullptr);
    if (FAILED(ole)) {
        fprintf(stderr, "OleInitialize failed: 0x%08lx\n", static_cast<unsigned long>(ole));
        return 1;
    }
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_WIN95_CLASSES | ICC_COOL_CLASSES};
    InitCommonControlsEx(&controls);

    const int result = RUN_ALL_TESTS();
    OleUninitialize();
    return result;
}
