#include "tests/wine/support_menu.h"

#include "tests/wine/support_wine.h"

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
              Sleep(30);  // the user's pace: one key, then the next
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
    opened_ = WaitUntil([&menu] {
        EnumWindows(FindMenu, reinterpret_cast<LPARAM>(&menu));
        return menu != nullptr;
    });
    // The user's pace: the menu is seen before it is worked. A pointer moved
    // the very moment the menu shows may go unseen by the toolbar.
    if (opened_) Sleep(20);
    if (menu) script_(menu);
    done_ = true;
}

}  // namespace vtbtest
