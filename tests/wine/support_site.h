// A stand-in for the browser's band site: the object a band receives in
// SetSite. It records the focus notifications, owns a real window to become
// the toolbar's parent, and hands out a browser through its service
// provider. Each interface can be left out to play a lacking site.
#pragma once

#include <windows.h>
#include <ole2.h>
#include <exdisp.h>
#include <servprov.h>
#include <shobjidl.h>

#include <functional>
#include <vector>

#include "win/handles.h"

namespace vtbtest {

class TestSite : public IInputObjectSite, public IOleWindow, public IOleCommandTarget, public IServiceProvider {
public:
    struct Offers {
        bool inputObjectSite = true;
        bool oleWindow = true;
        bool commandTarget = true;
        bool serviceProvider = true;
        // The window of a Unicode program, as the browser's are.
        bool unicodeWindow = false;
    };

    // browser: what QueryService answers for the browser service; null
    // makes it answer E_NOINTERFACE. Not counted by the site, so that the
    // browser's count shows only the references the band holds; it must
    // outlive the site.
    explicit TestSite(IWebBrowser2* browser = nullptr);
    TestSite(IWebBrowser2* browser, Offers offers);
    virtual ~TestSite();
    TestSite(const TestSite&) = delete;
    TestSite& operator=(const TestSite&) = delete;

    // The window handed out by IOleWindow::GetWindow: a top-level window,
    // hidden until Show().
    HWND Window() const { return window_.get(); }
    void Show() const { ShowWindow(window_.get(), SW_SHOW); }

    struct FocusCall {
        IUnknown* object;  // not counted
        BOOL setFocus;
    };
    std::vector<FocusCall> FocusCalls;
    // Run inside OnFocusChangeIS, as a host that answers the notice.
    std::function<void()> OnFocusChange;
    int ServiceQueries = 0;
    // Commands of the desk-band group received through Exec.
    std::vector<DWORD> BandCommands;

    // Counted, never freed: the object is the test's.
    LONG RefCount() const { return refs_; }

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override { return InterlockedIncrement(&refs_); }
    STDMETHODIMP_(ULONG) Release() override { return InterlockedDecrement(&refs_); }

    // IInputObjectSite
    STDMETHODIMP OnFocusChangeIS(IUnknown* punkObj, BOOL fSetFocus) override;

    // IOleWindow
    STDMETHODIMP GetWindow(HWND* phwnd) override;
    STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

    // IOleCommandTarget
    STDMETHODIMP QueryStatus(const GUID*, ULONG, OLECMD*, OLECMDTEXT*) override { return OLECMDERR_E_UNKNOWNGROUP; }
    STDMETHODIMP Exec(const GUID* group, DWORD command, DWORD, VARIANT*, VARIANT*) override {
        if (!group || !IsEqualGUID(*group, CGID_DeskBand)) return OLECMDERR_E_UNKNOWNGROUP;
        BandCommands.push_back(command);
        return S_OK;
    }

    // IServiceProvider
    STDMETHODIMP QueryService(REFGUID guidService, REFIID riid, void** ppv) override;

private:
    IWebBrowser2* browser_;
    Offers offers_;
    vtb::UniqueWindow window_;
    volatile LONG refs_ = 0;
};

// Sites the band with the site, gets its window and shows site and band, as
// the browser leaves a new band; the form's window.
HWND OpenShownBand(IDeskBand* band, TestSite& site);

// The browser's loop while a band holds the focus: every keyboard message
// goes to the band's TranslateAcceleratorIO first; one the band refuses
// (S_FALSE, Tab) is the browser's, translated and dispatched like every other
// message. Runs until done() holds or the time is up; says whether it holds.
// wide: the loop of a Unicode program, which reads with the wide API.
bool BrowserLoopUntil(IInputObject* band, const std::function<bool()>& done, DWORD ms, bool wide = false);

// An IUnknown that only counts its references: a stand-in for objects a
// method should not keep (e.g. the toolbar site of ResizeBorderDW).
class CountingUnknown : public IUnknown {
public:
    virtual ~CountingUnknown() = default;
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override { return InterlockedIncrement(&refs_); }
    STDMETHODIMP_(ULONG) Release() override { return InterlockedDecrement(&refs_); }
    LONG RefCount() const { return refs_; }

private:
    volatile LONG refs_ = 0;
};

}  // namespace vtbtest
