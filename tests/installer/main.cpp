// Entry point of the installer tests, run under Wine in a prefix of their
// own by tests/installer/run_installer_tests.sh:
//
//   installer_tests.exe --setup=SETUP.exe --payload=DIR [--frame=browser_frame.exe]
//       [--msi=PACKAGE.msi --msi-newer=LATER.msi] [GoogleTest options]
//
// The same program also plays the browser (--create-band, --hold-band) and
// the system's icacls.exe for the tests.
#include <windows.h>
#include <ole2.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "tests/installer/support_install.h"

namespace {

bool TakeOption(const char* arg, const char* name, std::string* value) {
    const size_t length = std::strlen(name);
    if (std::strncmp(arg, name, length) != 0) return false;
    *value = arg + length;
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (insttest::IsFakeIcacls()) return insttest::RunFakeIcacls();
    if (argc > 1 && (std::strcmp(argv[1], "--create-band") == 0 || std::strcmp(argv[1], "--hold-band") == 0))
        return insttest::RunBandChild(argc, argv);

    testing::InitGoogleTest(&argc, argv);
    insttest::Options& options = insttest::TheOptions();
    for (int i = 1; i < argc; ++i) {
        if (!TakeOption(argv[i], "--setup=", &options.setup) && !TakeOption(argv[i], "--payload=", &options.payload) &&
            !TakeOption(argv[i], "--frame=", &options.frame) && !TakeOption(argv[i], "--msi=", &options.msi) &&
            !TakeOption(argv[i], "--msi-newer=", &options.msiNewer)) {
            fprintf(stderr, "unknown argument: %s\n", argv[i]);
            return 2;
        }
    }
    if (options.setup.empty() || options.payload.empty()) {
        fprintf(stderr, "usage: installer_tests.exe --setup=SETUP.exe --payload=DIR [--frame=EXE]\n");
        return 2;
    }
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 1;
    const int result = RUN_ALL_TESTS();
    CoUninitialize();
    return result;
}
