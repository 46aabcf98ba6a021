// What the frame's COM objects (band site, browser container, event sink)
// ask of the frame window.
#pragma once

#include <windows.h>
#include <exdisp.h>

#include <string>

namespace frame {

class HostFrame {
public:
    virtual ~HostFrame() = default;
    virtual HWND MainWindow() const = 0;
    virtual HWND BandParent() const = 0;        // the rebar
    virtual RECT BrowserArea() const = 0;       // client rectangle of the page view
    virtual IWebBrowser2* Browser() const = 0;  // null when there is no browser control
    virtual void OnNavigate(const std::wstring& url) = 0;
    virtual void OnNewWindow(const std::wstring& url) = 0;
    virtual void SetStatus(const std::wstring& text) = 0;
    virtual void OnBandFocus(IUnknown* band, bool focused) = 0;
    // Shows or hides the toolbar of that class; false when the frame has none.
    virtual bool ShowToolbar(const std::wstring& clsid, bool show) = 0;
    // A toolbar's sizes changed: the frame asks every band again.
    virtual void OnBandInfoChanged() = 0;
};

}  // namespace frame
