#include "band/desk_band.h"

#include <shlguid.h>

#include <string>

#include "band/com_server.h"
#include "band/registry.h"
#include "widgets/toolkit.h"
#include "win/class_id.h"
#include "win/module.h"

namespace vtb {

const CLSID CLSID_VeltraneDeskBand = kBandClassGuid;
const GUID CATID_DeskBandCategory = {0x00021492, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

namespace {

constexpr WPARAM kTabKey = VK_TAB;
// The toolbar says TRUE to OnFocusChangeIS with all bits set; the site
// takes any non-zero value for TRUE.
constexpr BOOL kFocusSet = -1;

const char* const kIEToolbarKey = "SOFTWARE\\Microsoft\\Internet Explorer\\Toolbar";

std::string ClassKey() { return "CLSID\\" + GUIDToString(CLSID_VeltraneDeskBand); }
std::string CategoryName() { return GUIDToString(CATID_DeskBandCategory); }

}  // namespace

// ---- TDeskBand -------------------------------------------------------------

TDeskBand::TDeskBand(TComObjectFactory* factory, IUnknown* outer) : TComObject(factory, outer) {}

TDeskBand::~TDeskBand() {
    // No window may call into a freed band: a form left without CloseDW goes first.
    DestroyForm();
}

const TInterfaceTable& TDeskBand::Interfaces() const {
    static const TInterfaceEntry entries[] = {
        {&IID_IInputObject, &InterfaceOf<TDeskBand, IInputObject>},
        {&IID_IObjectWithSite, &InterfaceOf<TDeskBand, IObjectWithSite>},
        {&IID_IPersistStreamInit, &InterfaceOf<TDeskBand, IPersistStreamInit>},
        {&IID_IPersist, &InterfaceOf<TDeskBand, IPersistStreamInit>},
        {&IID_IDeskBand, &InterfaceOf<TDeskBand, IDeskBand>},
    };
    static const TInterfaceTable table = {entries, sizeof entries / sizeof entries[0], &kBaseInterfaces};
    return table;
}

HRESULT TDeskBand::QueryInterface(REFIID riid, void** ppv) { return TComObject::QueryInterface(riid, ppv); }
ULONG TDeskBand::AddRef() { return TComObject::AddRef(); }
ULONG TDeskBand::Release() { return TComObject::Release(); }

void TDeskBand::DestroyForm() {
    if (BandForm) TBandForm::Close(std::move(BandForm));
}

void TDeskBand::NotifyBandInfoChanged() {
    // The host asks GetBandInfo again and gives the band its new size.
    if (!CommandTarget) return;
    UniqueVariant band;
    V_VT(band.get()) = VT_I4;
    V_I4(band.get()) = static_cast<LONG>(BandID);
    CommandTarget->Exec(&CGID_DeskBand, DBID_BANDINFOCHANGED, OLECMDEXECOPT_DODEFAULT, band.get(), nullptr);
}

void TDeskBand::NotifyFocusChange(bool focused) {
    if (Site) Site->OnFocusChangeIS(Identity(), focused ? kFocusSet : FALSE);
}

void TDeskBand::FocusMoved(bool inToolbar) {
    // As bands do: the site hears when the focus comes into the toolbar's
    // windows and when it leaves them, so that it passes the keys on only
    // while the toolbar has them.
    if (inToolbar == HasFocus) return;
    HasFocus = inToolbar;
    NotifyFocusChange(inToolbar);
}

bool TDeskBand::KeyIsForToolbar(const MSG& msg) const { return BandForm && BandForm->TakesKeysFor(msg.hwnd); }

void TDeskBand::BandHook(UINT msg) {
    // A message the form receives switches its timer on when the form says
    // it is news, but a click into a child (the search box) switches it off
    // and gives the band the focus.
    if (msg == WM_PARENTNOTIFY) {
        HasFocus = true;
        NotifyFocusChange(true);
        if (BandForm) BandForm->SetTimerEnabled(false);
    } else if (BandForm && BandForm->WakesTimer(msg)) {
        BandForm->SetTimerEnabled(true);
    }
}

// IInputObject

HRESULT TDeskBand::DoUIActivateIO(BOOL fActivate, MSG* /*pMsg*/) {
    HasFocus = fActivate != FALSE;
    if (HasFocus && BandForm) BandForm->TakeFocus();
    return S_OK;
}

HRESULT TDeskBand::DoHasFocusIO() { return HasFocus ? S_OK : S_FALSE; }

HRESULT TDeskBand::DoTranslateAcceleratorIO(MSG* pMsg) {
    if (!pMsg) return E_POINTER;
    // Tab is the browser's: it moves the focus on.
    if (pMsg->wParam == kTabKey) return S_FALSE;
    // So is every key for a window that is not the toolbar's (the page's F5,
    // Ctrl+L): the browser's accelerators run only when the band refuses it.
    if (!KeyIsForToolbar(*pMsg)) return S_FALSE;
    // The same handling as a key the timer's tick takes: the toolbar's
    // controls hear it first (accelerators, the form's key preview).
    TToolkit::HandleHostKey(*pMsg, HostReadsWide);
    return S_OK;
}

// IObjectWithSite

HRESULT TDeskBand::DoSetSite(IUnknown* pUnkSite) {
    // The references are dropped only when the band is destroyed.
    if (!pUnkSite) return S_OK;

    // Each reference is what the new site offers, null when it lacks it.
    pUnkSite->QueryInterface(IID_IInputObjectSite, Site.put_void());

    HWND window = nullptr;
    ComPtr<IOleWindow> oleWindow;
    if (SUCCEEDED(pUnkSite->QueryInterface(IID_IOleWindow, oleWindow.put_void())) && oleWindow)
        oleWindow->GetWindow(&window);
    SiteWindow = window;
    HostReadsWide = TToolkit::HostReadsWide(window);

    pUnkSite->QueryInterface(IID_IOleCommandTarget, CommandTarget.put_void());

    WebBrowser.reset();
    ComPtr<IServiceProvider> services;
    if (CommandTarget && SUCCEEDED(CommandTarget->QueryInterface(IID_IServiceProvider, services.put_void())) &&
        services)
        services->QueryService(SID_SWebBrowserApp, IID_IWebBrowser2, WebBrowser.put_void());
    return S_OK;
}

HRESULT TDeskBand::DoGetSite(REFIID riid, void** ppvSite) {
    if (!ppvSite) return E_POINTER;
    if (!Site) {
        *ppvSite = nullptr;
        return E_FAIL;
    }
    return Site->QueryInterface(riid, ppvSite);
}

// IPersistStreamInit

HRESULT TDeskBand::DoGetClassID(CLSID* pClassID) {
    if (!pClassID) return E_POINTER;
    *pClassID = CLSID_VeltraneDeskBand;
    return S_OK;
}

// IDeskBand

HRESULT TDeskBand::DoGetWindow(HWND* phwnd) {
    if (!phwnd) return E_POINTER;
    *phwnd = nullptr;
    if (BandForm) {
        *phwnd = BandForm->Handle();
        return S_OK;
    }
    // Asked again while the form is being built: there is no second form.
    if (Building) return E_FAIL;
    // The form is a child window: without the site's window there is no place for it.
    if (!SiteWindow || !IsWindow(SiteWindow)) return E_FAIL;
    std::string error;
    Building = true;
    try {
        // A screen reader's hold keeps the module loaded, also on an object
        // taken while the form is being built.
        std::unique_ptr<TBandForm> form = TBandForm::Build(SiteWindow, error, Counter());
        Building = false;
        if (!form) return E_FAIL;
        if (!form->Handle()) {
            // Without its window, the form goes the way every form goes.
            BandForm = std::move(form);
            DestroyForm();
            return E_FAIL;
        }
        // The form has no browser during its construction.
        form->WebBrowser = WebBrowser;
        BandForm = std::move(form);
        BandForm->Listener = this;
    } catch (...) {
        Building = false;
        return E_FAIL;
    }
    if (!error.empty()) ShowErrorMessage(error);
    if (!BandForm) return E_FAIL;  // closed while the box was open
    *phwnd = BandForm->Handle();
    return S_OK;
}

HRESULT TDeskBand::DoShowDW(BOOL fShow) {
    HasFocus = fShow != FALSE;
    NotifyFocusChange(HasFocus);
    // A hidden toolbar keeps no focus: the site heard it lose it just now.
    if (!fShow && BandForm) BandForm->ReleaseFocus();
    return S_OK;
}

HRESULT TDeskBand::DoCloseDW() {
    DestroyForm();
    return S_OK;
}

HRESULT TDeskBand::DoGetBandInfo(DWORD dwBandID, DWORD /*dwViewMode*/, DESKBANDINFO* pdbi) {
    if (!pdbi) return E_POINTER;
    BandID = dwBandID;  // only to name the band when its size changes
    // Without a form the band has no size yet.
    SIZE client = {0, 0};
    int mainButtonWidth = 0;
    if (BandForm) {
        client = BandForm->ClientSize();
        mainButtonWidth = BandForm->MainButtonWidth();
    }
    if (pdbi->dwMask & DBIM_MINSIZE) pdbi->ptMinSize = {mainButtonWidth, client.cy};
    if (pdbi->dwMask & DBIM_MAXSIZE) pdbi->ptMaxSize = {-1, client.cy};  // no width limit
    if (pdbi->dwMask & DBIM_INTEGRAL) pdbi->ptIntegral = {1, 1};
    if (pdbi->dwMask & DBIM_ACTUAL) pdbi->ptActual = {client.cx, client.cy};
    if (pdbi->dwMask & DBIM_MODEFLAGS) pdbi->dwModeFlags = DBIMF_BKCOLOR;
    // The host paints its default background.
    if (pdbi->dwMask & DBIM_BKCOLOR) pdbi->dwMask &= ~static_cast<DWORD>(DBIM_BKCOLOR);
    if (pdbi->dwMask & DBIM_TITLE) pdbi->wszTitle[0] = L'\0';
    return S_OK;
}

// ---- TDeskBandFactory ------------------------------------------------------

TDeskBandFactory::TDeskBandFactory(TComServer& server)
    : TComObjectFactory(server, CLSID_VeltraneDeskBand, "", "", TClassInstancing::ciMultiInstance,
                        TThreadingModel::tmApartment) {}

std::unique_ptr<TComObject> TDeskBandFactory::CreateComObject(IUnknown* outer) {
    return std::make_unique<TDeskBand>(this, outer);
}

void TDeskBandFactory::UpdateClassEntries(bool registerClass) {
    TComObjectFactory::UpdateClassEntries(registerClass);
    if (registerClass)
        WriteToolbarEntries();
    else
        RemoveToolbarEntries();
}

void TDeskBandFactory::WriteToolbarEntries() {
    const std::string classKey = ClassKey();
    // The class's server and threading model are the base's; a key that
    // cannot be opened skips its step, a value that cannot be written stops
    // the registration.
    if (UniqueKey key = OpenOrCreateRegKey(HKEY_CLASSES_ROOT, classKey))
        WriteRegString(key.get(), nullptr, kBandTitle);
    OpenOrCreateRegKey(HKEY_CLASSES_ROOT, classKey + "\\Implemented Categories\\" + CategoryName());
    if (UniqueKey key = OpenOrCreateRegKey(HKEY_LOCAL_MACHINE, kIEToolbarKey))
        WriteRegString(key.get(), GUIDToString(CLSID_VeltraneDeskBand).c_str(), "");
}

void TDeskBandFactory::RemoveToolbarEntries() {
    const std::string classKey = ClassKey();
    DeleteRegTree(HKEY_CLASSES_ROOT, "Component Categories\\" + CategoryName() + "\\Enum");
    DeleteRegTree(HKEY_CLASSES_ROOT, classKey + "\\Implemented Categories\\" + CategoryName());
    DeleteRegTree(HKEY_CLASSES_ROOT, classKey + "\\InProcServer32");
    DeleteRegTree(HKEY_CLASSES_ROOT, classKey);

    HKEY opened = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kIEToolbarKey, 0, KEY_SET_VALUE, &opened) != ERROR_SUCCESS) return;
    const UniqueKey key(opened);
    RegDeleteValueA(key.get(), GUIDToString(CLSID_VeltraneDeskBand).c_str());
}

}  // namespace vtb
