// A user at an open pop-up menu: a thread that waits for a menu of this
// process to open and then works it, with keys or with a script of its own.
#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
#include <thread>
#include <vector>

namespace vtbtest {

class MenuChooser {
public:
    // Sends the keys to the menu, as a user choosing an entry would.
    explicit MenuChooser(std::vector<WORD> keys);
    // Runs script(menu window) on the chooser's thread once the menu is open.
    explicit MenuChooser(std::function<void(HWND menu)> script);
    ~MenuChooser();
    MenuChooser(const MenuChooser&) = delete;
    MenuChooser& operator=(const MenuChooser&) = delete;

    bool Done() const { return done_; }
    bool Opened() const { return opened_; }

    // A key press (down and up) posted to a menu window.
    static void PostKey(HWND menu, WORD key);

private:
    void Run();

    std::function<void(HWND)> script_;
    std::atomic<bool> done_{false};
    std::atomic<bool> opened_{false};
    std::thread thread_;
};

}  // namespace vtbtest
