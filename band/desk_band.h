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

#include "band/com_factory.h"
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
                  public IDeskBand,
                  private TFormListener {
public:
    TDeskBand(TComObjectFactory* factory, IUnknown* outer);
    ~TDeskBand() override;

    // IUnknown, one for all interfaces of the object.
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

    // Every entry into the band from the host or the system, each interface
    // method here and each callback of the form, passes through Enter, which
    // holds the band for the whole call: a host may hide, close and release
    // the band from inside any call that reaches it or shows a box, and the
    // band still finishes what it was doing before it goes. (The fixed
    // answers below touch nothing and need no hold.)

    // IInputObject
    STDMETHODIMP UIActivateIO(BOOL fActivate, MSG* pMsg) override {
        return Enter(&TDeskBand::DoUIActivateIO, fActivate, pMsg);
    }
    STDMETHODIMP HasFocusIO() override { return Enter(&TDeskBand::DoHasFocusIO); }
    STDMETHODIMP TranslateAcceleratorIO(MSG* pMsg) override {
        return Enter(&TDeskBand::DoTranslateAcceleratorIO, pMsg);
    }

    // IObjectWithSite
    STDMETHODIMP SetSite(IUnknown* pUnkSite) override { return Enter(&TDeskBand::DoSetSite, pUnkSite); }
    STDMETHODIMP GetSite(REFIID riid, void** ppvSite) override { return Enter(&TDeskBand::DoGetSite, riid, ppvSite); }

    // IPersistStreamInit (also answering for IPersist): the band has no state to keep.
    STDMETHODIMP GetClassID(CLSID* pClassID) override { return Enter(&TDeskBand::DoGetClassID, pClassID); }
    STDMETHODIMP IsDirty() override { return S_FALSE; }
    STDMETHODIMP Load(IStream* /*pStm*/) override { return S_OK; }
    STDMETHODIMP Save(IStream* /*pStm*/, BOOL /*fClearDirty*/) override { return S_OK; }
    STDMETHODIMP GetSizeMax(ULARGE_INTEGER* /*pcbSize*/) override { return E_NOTIMPL; }
    STDMETHODIMP InitNew() override { return E_NOTIMPL; }

    // IDeskBand with its IOleWindow and IDockingWindow parts
    STDMETHODIMP GetWindow(HWND* phwnd) override { return Enter(&TDeskBand::DoGetWindow, phwnd); }
    STDMETHODIMP ContextSensitiveHelp(BOOL /*fEnterMode*/) override { return E_NOTIMPL; }
    STDMETHODIMP ShowDW(BOOL fShow) override { return Enter(&TDeskBand::DoShowDW, fShow); }
    STDMETHODIMP CloseDW(DWORD /*dwReserved*/) override { return Enter(&TDeskBand::DoCloseDW); }
    STDMETHODIMP ResizeBorderDW(LPCRECT /*prcBorder*/, IUnknown* /*punkToolbarSite*/, BOOL /*fReserved*/) override {
        return E_NOTIMPL;
    }
    STDMETHODIMP GetBandInfo(DWORD dwBandID, DWORD dwViewMode, DESKBANDINFO* pdbi) override {
        return Enter(&TDeskBand::DoGetBandInfo, dwBandID, dwViewMode, pdbi);
    }

    // The form while one exists (for the tests).
    TBandForm* Form() const { return BandForm.get(); }

protected:
    const TInterfaceTable& Interfaces() const override;

private:
    template <typename Result, typename... Params, typename... Args>
    Result Enter(Result (TDeskBand::*method)(Params...), Args... args) {
        const ComPtr<IUnknown> hold(Identity());
        return (this->*method)(args...);
    }

    HRESULT DoUIActivateIO(BOOL fActivate, MSG* pMsg);
    HRESULT DoHasFocusIO();
    HRESULT DoTranslateAcceleratorIO(MSG* pMsg);
    HRESULT DoSetSite(IUnknown* pUnkSite);
    HRESULT DoGetSite(REFIID riid, void** ppvSite);
    HRESULT DoGetClassID(CLSID* pClassID);
    HRESULT DoGetWindow(HWND* phwnd);
    HRESULT DoShowDW(BOOL fShow);
    HRESULT DoCloseDW();
    HRESULT DoGetBandInfo(DWORD dwBandID, DWORD dwViewMode, DESKBANDINFO* pdbi);

    // What the form tells its band, each through Enter.
    void FormMessage(UINT msg) override { Enter(&TDeskBand::BandHook, msg); }
    void FormResized() override { Enter(&TDeskBand::NotifyBandInfoChanged); }
    void FormFocusMoved(bool inToolbar) override { Enter(&TDeskBand::FocusMoved, inToolbar); }
    void BandHook(UINT msg);
    void FocusMoved(bool inToolbar);
    // Is this key for us? Only one for a shown window of the toolbar.
    bool KeyIsForToolbar(const MSG& msg) const;
    void NotifyFocusChange(bool focused);
    void NotifyBandInfoChanged();
    // Stops hearing the form and destroys it.
    void DestroyForm();

    bool HasFocus = false;
    HWND SiteWindow = nullptr;
    bool HostReadsWide = false;  // how the browser's loop reads the keys it hands over
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
