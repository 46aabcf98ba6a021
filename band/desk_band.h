// The band object that the browser creates and sites: it hosts the toolbar
// form in the site's window, hands the form the browser, reports the band's
// sizes and passes focus and keystrokes. Its factory writes the registry
// entries through which the browser finds it.
#pragma once

#include <windows.h>
#include <ole2.h>
#include <exdisp.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <memory>

#include "band/com_objects.h"
#include "toolbar/band_form.h"
#include "win/handles.h"

namespace vtb {

// {9C7E4B7F-1648-49D4-9A3E-CCDF350E36F8}
extern const CLSID CLSID_VeltraneDeskBand;
// {00021492-0000-0000-C000-000000000046}, the component category of desk bands.
extern const GUID CATID_DeskBandCategory;

class TDeskBand : public TComObject,
                  public IInputObject,
                  public IObjectWithSite,
                  public IPersistStreamInit,
                  public IDeskBand {
public:
    TDeskBand(TComObjectFactory* factory, IUnknown* outer);
    ~TDeskBand() override;

    // IUnknown, one for all interfaces of the object.
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

    // IInputObject
    STDMETHODIMP UIActivateIO(BOOL fActivate, MSG* pMsg) override;
    STDMETHODIMP HasFocusIO() override;
    STDMETHODIMP TranslateAcceleratorIO(MSG* pMsg) override;

    // IObjectWithSite
    STDMETHODIMP SetSite(IUnknown* pUnkSite) override;
    STDMETHODIMP GetSite(REFIID riid, void** ppvSite) override;

    // IPersistStreamInit (also answering for IPersist)
    STDMETHODIMP GetClassID(CLSID* pClassID) override;
    STDMETHODIMP IsDirty() override;
    STDMETHODIMP Load(IStream* pStm) override;
    STDMETHODIMP Save(IStream* pStm, BOOL fClearDirty) override;
    STDMETHODIMP GetSizeMax(ULARGE_INTEGER* pcbSize) override;
    STDMETHODIMP InitNew() override;

    // IDeskBand with its IOleWindow and IDockingWindow parts
    STDMETHODIMP GetWindow(HWND* phwnd) override;
    STDMETHODIMP ContextSensitiveHelp(BOOL fEnterMode) override;
    STDMETHODIMP ShowDW(BOOL fShow) override;
    STDMETHODIMP CloseDW(DWORD dwReserved) override;
    STDMETHODIMP ResizeBorderDW(LPCRECT prcBorder, IUnknown* punkToolbarSite, BOOL fReserved) override;
    STDMETHODIMP GetBandInfo(DWORD dwBandID, DWORD dwViewMode, DESKBANDINFO* pdbi) override;

    // The form while one exists (for the tests).
    TBandForm* Form() const { return BandForm.get(); }

protected:
    const TInterfaceTable& Interfaces() const override;

private:
    LRESULT BandWindowProc(UINT msg, WPARAM wParam, LPARAM lParam);
    void NotifyFocusChange(bool focused);
    void NotifyBandInfoChanged();
    // Gives the form back its own handler and destroys it.
    void DestroyForm();

    bool HasFocus = false;
    TWndMethod SavedWindowProc;
    HWND SiteWindow = nullptr;
    ComPtr<IInputObjectSite> Site;
    ComPtr<IOleCommandTarget> CommandTarget;
    DWORD BandID = 0;
    bool Building = false;  // GetWindow is building the form
    std::unique_ptr<TBandForm> BandForm;
    ComPtr<IWebBrowser2> WebBrowser;
};

class TDeskBandFactory : public TComObjectFactory {
public:
    explicit TDeskBandFactory(TComServer& server);

    std::unique_ptr<TComObject> CreateComObject(IUnknown* outer) override;
    // The base's entries, then the browser's toolbar entries.
    void UpdateClassEntries(bool registerClass) override;

private:
    void WriteToolbarEntries();
    void RemoveToolbarEntries();
};

}  // namespace vtb
