#include "tests/wine/support_menu.h"

namespace vtbtest {
namespace {

BOOL CALLBACK FindMenu(HWND window, LPARAM found) {
    char name[16];
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process == GetCurrentProcessId() && IsWindowVisible(window) && GetClassNameA(window, name, sizeof name) &&
        lstrcmpA(name, "#32768") == 0) {
        *reinterpret_cast<HWND*>(found) = window;
        return FALSE;
    }
    return TRUE;
}

}  // namespace

MenuChooser::MenuChooser(std::vector<WORD> keys)
    : MenuChooser([keys](HWND menu) {
          for (WORD key : keys) {
              Sleep(30);
              PostKey(menu, key);
          }
      }) {}

MenuChooser::MenuChooser(std::function<void(HWND menu)> script) : script_(std::move(script)) {
    thread_ = std::thread([this] { Run(); });
}

MenuChooser::~MenuChooser() { thread_.join(); }

void MenuChooser::PostKey(HWND menu, WORD key) {
    PostMessageA(menu, WM_KEYDOWN, key, 1);
    PostMessageA(menu, WM_KEYUP, key, 0xC0000001);
}

void MenuChooser::Run() {
    HWND menu = nullptr;
    for (int i = 0; i < 250 && !menu; ++i) {
        Sleep(20);
        EnumWindows(FindMenu, reinterpret_cast<LPARAM>(&menu));
    }
    opened_ = menu != nullptr;
    if (menu) script_(menu);
    done_ = true;
}

}  // namespace vtbtest
