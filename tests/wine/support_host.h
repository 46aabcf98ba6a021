// A browser window of the test's own, hosting the toolbar DLL as the browser
// does: a band made through the DLL's factory, sited in a window of its own
// with a recording browser, shown. Used on several threads of this process
// and, through `wine_tests.exe --toolbar-host LEFT TOP`, in a second process.
#pragma once

#include <windows.h>
#include <ole2.h>
#include <shlobj.h>

#include <memory>
#include <string>

#include "tests/wine/support_browser.h"
#include "tests/wine/support_site.h"
#include "win/handles.h"

namespace vtbtest {

// The DLL's factory of the band, as DllGetClassObject hands it out.
vtb::ComPtr<IClassFactory> BandFactory(HMODULE dll);

class HostedToolbar {
public:
    // Opens the band in a site window at (left, top) of the screen.
    HostedToolbar(IClassFactory* factory, int left, int top);
    ~HostedToolbar();  // ShowDW(FALSE), CloseDW, SetSite(null), the last Release
    HostedToolbar(const HostedToolbar&) = delete;
    HostedToolbar& operator=(const HostedToolbar&) = delete;

    bool Opened() const { return form_ != nullptr; }
    HWND Form() const { return form_; }
    HWND SiteWindow() const { return site_.Window(); }
    RecordingBrowser& Browser() { return browser_; }
    // A screen point of the form.
    POINT Screen(int x, int y) const;
    // Clicks a point of the form with posted messages, as the mouse would.
    void Click(int x, int y) const;

private:
    RecordingBrowser browser_;
    TestSite site_{&browser_};
    vtb::ComPtr<IDeskBand> band_;
    HWND form_ = nullptr;
};

// Commands a test sends to the host process's thread.
constexpr UINT kHostActivate = WM_APP + 0x61;
constexpr UINT kHostQuit = WM_APP + 0x62;

// The second process: hosts a toolbar at (left, top) until told to quit;
// returns 0 when it opened and closed the toolbar cleanly.
int RunToolbarHost(int left, int top);

// A second process for the settings file: opens and closes toolbars in a
// row together with the test; returns 0 when every open found the history.
int RunSettingsCloser(int cycles);

// A second process for the settings file: opens a toolbar, searches the
// query (an empty one clears the history) and closes it when the test says.
int RunSettingsSearcher(const std::string& query);

}  // namespace vtbtest
