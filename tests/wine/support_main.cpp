// Entry point of the Wine test program: the main thread is an OLE apartment
// like the browser's user-interface thread, with the common controls ready.
#include <windows.h>
#include <commctrl.h>
#include <ole2.h>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);

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
