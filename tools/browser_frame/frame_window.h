// The demonstration browser's main window: a rebar with the address field
// and the registered toolbars, the browser control below it and a status
// line at the bottom. F6 and Tab move the focus from the address field into
// the toolbars and on, as the browser does; while a toolbar holds the focus,
// every keystroke is offered to it first.
#pragma once

#include <windows.h>

#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "tools/browser_frame/band_site.h"
#include "tools/browser_frame/browser_events.h"
#include "tools/browser_frame/browser_host.h"
#include "tools/browser_frame/browser_shell.h"
#include "tools/browser_frame/host_frame.h"
#include "tools/browser_frame/hosted_band.h"
#include "win/handles.h"

namespace frame {

struct FrameOptions {
    int exitAfterSeconds = 0;   // 0: run until the user closes the window
    std::wstring typeText;      // typed into the toolbar's search box, then Enter
    std::wstring logPath;       // what the frame saw, one line per event
    std::vector<POINT> clicks;  // clicked in the first toolbar after typing
    std::vector<POINT> hovers;  // the mouse pointer rests here, in the first toolbar
    // Pressed on the keyboard last, each a chord of virtual keys ({VK_MENU,
    // 'C'} is Alt+C), as a user presses them.
    std::vector<std::vector<WORD>> keys;
};

class FrameWindow final : public HostFrame {
public:
    explicit FrameWindow(FrameOptions options);
    ~FrameWindow() override;
    FrameWindow(const FrameWindow&) = delete;
    FrameWindow& operator=(const FrameWindow&) = delete;

    bool Create(HINSTANCE instance);
    int RunMessageLoop();

    // HostFrame
    HWND MainWindow() const override { return window_; }
    HWND BandParent() const override { return rebar_; }
    RECT BrowserArea() const override;
    IWebBrowser2* Browser() const override;
    void OnNavigate(const std::wstring& url) override;
    void OnNewWindow(const std::wstring& url) override;
    void SetStatus(const std::wstring& text) override;
    void OnBandFocus(IUnknown* band, bool focused) override;
    bool ShowToolbar(const std::wstring& clsid, bool show) override;
    void OnBandInfoChanged() override;

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
    void CreateChildren();
    // The address field's font and height at the window's DPI.
    void ScaleAddressField();
    void OpenBrowser();
    void OpenBands();
    void Layout();
    void TypeQuery();
    void Click(POINT at);
    void Hover(POINT at);
    void PressKeys();
    // The toolbar holding the keyboard focus, -1 when none does.
    int FocusedBand() const;
    // The focus to the next stop (step 1) or the previous one (-1) of the
    // address field and the toolbars, in a ring; key is the keystroke that
    // moves it, handed to the toolbar it moves into.
    void MoveFocus(int step, MSG* key);
    void Shutdown();
    bool RouteKey(MSG* msg);
    void Log(const std::wstring& line);

    FrameOptions options_;
    HWND window_ = nullptr;
    HWND rebar_ = nullptr;
    HWND address_ = nullptr;
    vtb::UniqueFont addressFont_;
    int dpi_ = 96;
    HWND status_ = nullptr;
    vtb::ComPtr<BandSite> site_;
    vtb::ComPtr<BrowserEvents> events_;
    vtb::ComPtr<BrowserHost> browser_;
    vtb::ComPtr<BrowserShell> shell_;
    std::vector<std::unique_ptr<HostedBand>> bands_;
    std::ofstream log_;
    bool closing_ = false;
};

}  // namespace frame
