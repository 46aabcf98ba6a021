#include "toolbar/toolbar_accessible.h"

#include <algorithm>
#include <memory>

#include "core/caption_accelerator.h"
#include "toolbar/accessible_out.h"
#include "toolbar/band_form.h"
#include "toolbar/search_box_accessible.h"
#include "widgets/combo_box.h"
#include "widgets/glyph_button.h"
#include "win/oleacc.h"

namespace vtb {
namespace {

const char* const kPressAction = "Press";
const char* const kOpenAction = "Open";

HRESULT AnsiBstr(const std::string& text, BSTR* out) {
    *out = UniqueBstr::FromAnsi(text).release();
    return *out ? S_OK : E_OUTOFMEMORY;
}

void SetI4(VARIANT* v, LONG value) {
    VariantInit(v);
    V_VT(v) = VT_I4;
    V_I4(v) = value;
}

RECT ScreenRect(const TControl& control) {
    if (control.Handle()) {
        RECT r{};
        GetWindowRect(control.Handle(), &r);
        return r;
    }
    const RECT bounds = control.BoundsRect();
    const POINT topLeft = control.ClientToScreen({0, 0});
    return RECT{topLeft.x, topLeft.y, topLeft.x + (bounds.right - bounds.left),
                topLeft.y + (bounds.bottom - bounds.top)};
}

}  // namespace

ComPtr<TToolbarAccessible> TToolbarAccessible::Create(TBandForm& form, TObjectCounter* counter) {
    auto object = std::make_unique<TToolbarAccessible>(form, counter);
    object->FinishConstruction();
    return ComPtr<TToolbarAccessible>(object.release());
}

TToolbarAccessible::TToolbarAccessible(TBandForm& form, TObjectCounter* counter)
    : TComObject(counter, nullptr), form_(&form) {}

const TInterfaceTable& TToolbarAccessible::Interfaces() const {
    static const TInterfaceEntry entries[] = {
        {&IID_IAccessible, &InterfaceOf<TToolbarAccessible, IAccessible>},
        {&IID_IDispatch, &InterfaceOf<TToolbarAccessible, IAccessible>},
    };
    static const TInterfaceTable table = {entries, sizeof entries / sizeof entries[0], &kBaseInterfaces};
    return table;
}

HRESULT TToolbarAccessible::QueryInterface(REFIID riid, void** ppv) { return TComObject::QueryInterface(riid, ppv); }
ULONG TToolbarAccessible::AddRef() { return TComObject::AddRef(); }
ULONG TToolbarAccessible::Release() { return TComObject::Release(); }

void TToolbarAccessible::Disconnect() {
    form_ = nullptr;
    // Stubs held for readers in other processes let go of the objects; their
    // next call fails in their own process, not in the browser's. A box may
    // go as its stub lets go: it is off the list by then.
    const ComPtr<IUnknown> keep(Identity());
    while (!boxes_.empty()) {
        TSearchBoxAccessible* box = boxes_.back();
        boxes_.pop_back();
        box->Disconnect();
    }
    CoDisconnectObject(Identity(), 0);
}

void TToolbarAccessible::Forget(TSearchBoxAccessible* box) {
    boxes_.erase(std::remove(boxes_.begin(), boxes_.end(), box), boxes_.end());
}

// ---- The form's children ------------------------------------------------------------

bool TToolbarAccessible::Resolve(const VARIANT& child, TControl*& control) const {
    control = nullptr;
    if (V_VT(&child) != VT_I4) return false;
    const LONG id = V_I4(&child);
    if (id == CHILDID_SELF) return true;
    const std::vector<TControl*> shown = form_->ShownControls();
    if (id < 1 || static_cast<std::size_t>(id) > shown.size()) return false;
    control = shown[static_cast<std::size_t>(id - 1)];
    return true;
}

bool TToolbarAccessible::IsSearchBox(const TControl* control) const {
    return control && control == static_cast<const TControl*>(form_->Search_Edit);
}

std::string TToolbarAccessible::SearchBoxName() const {
    if (!form_ || !form_->Search_SpdButn) return "Search box";
    return AnnouncedName(form_->Search_SpdButn->Caption(), "Search box");
}

std::string TToolbarAccessible::NameOf(const TControl* control) const {
    if (IsSearchBox(control)) return SearchBoxName();
    const auto* button = dynamic_cast<const TGlyphButton*>(control);
    if (!button) return {};
    std::string place;
    if (button == form_->Main_Menu_SpdButn)
        place = "Main button";
    else if (button == form_->Search_SpdButn)
        place = "Search button";
    else if (button == form_->Settings_SpdButn)
        place = "Settings button";
    for (int n = 0; n < kLinkButtonCount; ++n)
        if (button == form_->SpdButn[n]) place = "Link button " + std::to_string(n + 1);
    return AnnouncedName(button->Caption(), place);
}

HRESULT TToolbarAccessible::SearchBoxObject(IDispatch** ppdisp) {
    *ppdisp = nullptr;
    ComPtr<IAccessible> box;
    const HRESULT hr = SearchBoxObjectFor(form_->Search_Edit->Handle(), box);
    if (FAILED(hr)) return hr;
    return box->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(ppdisp));
}

HRESULT TToolbarAccessible::SearchBoxObjectFor(HWND window, ComPtr<IAccessible>& out) {
    out.reset();
    if (!form_) return CO_E_OBJNOTCONNECTED;
    ComPtr<IAccessible> standard;
    const HRESULT hr = StandardAccessible(window, OBJID_CLIENT, IID_IAccessible, standard.put_void());
    if (FAILED(hr)) return hr;
    if (!standard) return E_FAIL;
    const ComPtr<TSearchBoxAccessible> box = TSearchBoxAccessible::Create(*this, standard, Counter());
    return box->QueryInterface(IID_IAccessible, out.put_void());
}

HRESULT TToolbarAccessible::ChildVariant(TControl* control, VARIANT* out) {
    VariantInit(out);
    if (IsSearchBox(control)) {
        IDispatch* box = nullptr;
        const HRESULT hr = SearchBoxObject(&box);
        if (FAILED(hr)) return hr;
        V_VT(out) = VT_DISPATCH;
        V_DISPATCH(out) = box;
        return S_OK;
    }
    SetI4(out, control ? form_->AccessibleChildId(control) : CHILDID_SELF);
    return S_OK;
}

// ---- IDispatch --------------------------------------------------------------------

HRESULT TToolbarAccessible::GetTypeInfoCount(UINT* pctinfo) {
    if (!pctinfo) return E_POINTER;
    *pctinfo = 0;
    return form_ ? S_OK : CO_E_OBJNOTCONNECTED;
}

HRESULT TToolbarAccessible::GetTypeInfo(UINT, LCID, ITypeInfo** ppTInfo) {
    if (ppTInfo) *ppTInfo = nullptr;
    return form_ ? E_NOTIMPL : CO_E_OBJNOTCONNECTED;
}

HRESULT TToolbarAccessible::GetIDsOfNames(REFIID, LPOLESTR*, UINT cNames, LCID, DISPID* rgDispId) {
    ClearDispatchIds(rgDispId, cNames);
    return form_ ? E_NOTIMPL : CO_E_OBJNOTCONNECTED;
}

HRESULT TToolbarAccessible::Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT* pVarResult, EXCEPINFO* pExcepInfo,
                                   UINT* puArgErr) {
    ClearInvokeResults(pVarResult, pExcepInfo, puArgErr);
    return form_ ? E_NOTIMPL : CO_E_OBJNOTCONNECTED;
}

// ---- IAccessible ------------------------------------------------------------------

HRESULT TToolbarAccessible::get_accParent(IDispatch** ppdispParent) {
    if (!ppdispParent) return E_POINTER;
    *ppdispParent = nullptr;
    if (!form_) return CO_E_OBJNOTCONNECTED;
    // The form's window as the system presents it.
    return StandardAccessible(form_->Handle(), OBJID_WINDOW, IID_IDispatch, reinterpret_cast<void**>(ppdispParent));
}

HRESULT TToolbarAccessible::get_accChildCount(long* pcountChildren) {
    if (!pcountChildren) return E_POINTER;
    *pcountChildren = 0;
    if (!form_) return CO_E_OBJNOTCONNECTED;
    *pcountChildren = static_cast<long>(form_->ShownControls().size());
    return S_OK;
}

HRESULT TToolbarAccessible::get_accChild(VARIANT varChild, IDispatch** ppdispChild) {
    if (!ppdispChild) return E_POINTER;
    *ppdispChild = nullptr;
    if (!form_) return CO_E_OBJNOTCONNECTED;
    TControl* control = nullptr;
    if (!Resolve(varChild, control) || !control) return E_INVALIDARG;
    if (IsSearchBox(control)) return SearchBoxObject(ppdispChild);
    return S_FALSE;  // a button is a simple element of this object
}

HRESULT TToolbarAccessible::get_accName(VARIANT varChild, BSTR* pszName) {
    if (!pszName) return E_POINTER;
    *pszName = nullptr;
    if (!form_) return CO_E_OBJNOTCONNECTED;
    TControl* control = nullptr;
    if (!Resolve(varChild, control)) return E_INVALIDARG;
    if (!control) {
        char caption[256] = {};
        GetWindowTextA(form_->Handle(), caption, sizeof caption);
        return AnsiBstr(caption, pszName);
    }
    return AnsiBstr(NameOf(control), pszName);
}

HRESULT TToolbarAccessible::get_accValue(VARIANT varChild, BSTR* pszValue) {
    if (!pszValue) return E_POINTER;
    *pszValue = nullptr;
    if (!form_) return CO_E_OBJNOTCONNECTED;
    TControl* control = nullptr;
    if (!Resolve(varChild, control)) return E_INVALIDARG;
    if (IsSearchBox(control)) {
        *pszValue = UniqueBstr::FromWide(form_->Search_Edit->WideText()).release();
        return *pszValue ? S_OK : E_OUTOFMEMORY;
    }
    return DISP_E_MEMBERNOTFOUND;
}

HRESULT TToolbarAccessible::get_accDescription(VARIANT varChild, BSTR* pszDescription) {
    if (!pszDescription) return E_POINTER;
    *pszDescription = nullptr;
    if (!form_) return CO_E_OBJNOTCONNECTED;
    TControl* control = nullptr;
    if (!Resolve(varChild, control)) return E_INVALIDARG;
    // A link button is described by the address it opens.
    for (const TGlyphButton* button : form_->SpdButn) {
        if (!control || control != button) continue;
        const TargetList& targets = form_->URLList();
        if (button->Tag >= 0 && static_cast<std::size_t>(button->Tag) < targets.size())
            return AnsiBstr(targets[static_cast<std::size_t>(button->Tag)], pszDescription);
    }
    return DISP_E_MEMBERNOTFOUND;
}

HRESULT TToolbarAccessible::get_accRole(VARIANT varChild, VARIANT* pvarRole) {
    if (!pvarRole) return E_POINTER;
    VariantInit(pvarRole);
    if (!form_) return CO_E_OBJNOTCONNECTED;
    TControl* control = nullptr;
    if (!Resolve(varChild, control)) return E_INVALIDARG;
    LONG role = ROLE_SYSTEM_TOOLBAR;
    if (IsSearchBox(control))
        role = ROLE_SYSTEM_COMBOBOX;
    else if (const auto* button = dynamic_cast<const TGlyphButton*>(control))
        role = button->DropDownMenu() ? ROLE_SYSTEM_BUTTONMENU : ROLE_SYSTEM_PUSHBUTTON;
    SetI4(pvarRole, role);
    return S_OK;
}

HRESULT TToolbarAccessible::get_accState(VARIANT varChild, VARIANT* pvarState) {
    if (!pvarState) return E_POINTER;
    VariantInit(pvarState);
    if (!form_) return CO_E_OBJNOTCONNECTED;
    TControl* control = nullptr;
    if (!Resolve(varChild, control)) return E_INVALIDARG;
    LONG state = 0;
    if (!control) {
        if (!IsWindowVisible(form_->Handle())) state |= STATE_SYSTEM_INVISIBLE;
    } else if (IsSearchBox(control)) {
        state = STATE_SYSTEM_FOCUSABLE;
        const HWND focus = GetFocus();
        if (focus && (focus == control->Handle() || IsChild(control->Handle(), focus))) state |= STATE_SYSTEM_FOCUSED;
    } else if (const auto* button = dynamic_cast<const TGlyphButton*>(control)) {
        state = static_cast<LONG>(button->AccessibleState());
    }
    SetI4(pvarState, state);
    return S_OK;
}

HRESULT TToolbarAccessible::get_accHelp(VARIANT, BSTR* pszHelp) {
    if (!pszHelp) return E_POINTER;
    *pszHelp = nullptr;
    return form_ ? DISP_E_MEMBERNOTFOUND : CO_E_OBJNOTCONNECTED;
}

HRESULT TToolbarAccessible::get_accHelpTopic(BSTR* pszHelpFile, VARIANT, long* pidTopic) {
    if (pszHelpFile) *pszHelpFile = nullptr;
    if (pidTopic) *pidTopic = 0;
    if (!pszHelpFile || !pidTopic) return E_POINTER;
    return form_ ? DISP_E_MEMBERNOTFOUND : CO_E_OBJNOTCONNECTED;
}

HRESULT TToolbarAccessible::get_accKeyboardShortcut(VARIANT varChild, BSTR* pszKeyboardShortcut) {
    if (!pszKeyboardShortcut) return E_POINTER;
    *pszKeyboardShortcut = nullptr;
    if (!form_) return CO_E_OBJNOTCONNECTED;
    TControl* control = nullptr;
    if (!Resolve(varChild, control)) return E_INVALIDARG;
    // Alt and the caption's marked letter press the button from the search box.
    const auto* button = dynamic_cast<const TGlyphButton*>(control);
    const std::string key = button ? AcceleratorKeyName(button->Caption(), UpperAnsi) : std::string();
    if (key.empty()) return DISP_E_MEMBERNOTFOUND;
    return AnsiBstr(key, pszKeyboardShortcut);
}

HRESULT TToolbarAccessible::get_accFocus(VARIANT* pvarChild) {
    if (!pvarChild) return E_POINTER;
    VariantInit(pvarChild);
    if (!form_) return CO_E_OBJNOTCONNECTED;
    const HWND focus = GetFocus();
    if (!focus) return S_FALSE;
    if (focus == form_->Handle()) {
        SetI4(pvarChild, CHILDID_SELF);
        return S_OK;
    }
    TControl* box = form_->Search_Edit;
    if (box && box->Visible() && (focus == box->Handle() || IsChild(box->Handle(), focus)))
        return ChildVariant(box, pvarChild);
    return S_FALSE;
}

HRESULT TToolbarAccessible::get_accSelection(VARIANT* pvarChildren) {
    if (!pvarChildren) return E_POINTER;
    VariantInit(pvarChildren);
    return form_ ? S_FALSE : CO_E_OBJNOTCONNECTED;
}

HRESULT TToolbarAccessible::get_accDefaultAction(VARIANT varChild, BSTR* pszDefaultAction) {
    if (!pszDefaultAction) return E_POINTER;
    *pszDefaultAction = nullptr;
    if (!form_) return CO_E_OBJNOTCONNECTED;
    TControl* control = nullptr;
    if (!Resolve(varChild, control)) return E_INVALIDARG;
    const auto* button = dynamic_cast<const TGlyphButton*>(control);
    if (!button) return DISP_E_MEMBERNOTFOUND;
    return AnsiBstr(button->DropDownMenu() ? kOpenAction : kPressAction, pszDefaultAction);
}

HRESULT TToolbarAccessible::accSelect(long, VARIANT) { return form_ ? DISP_E_MEMBERNOTFOUND : CO_E_OBJNOTCONNECTED; }

HRESULT TToolbarAccessible::accLocation(long* pxLeft, long* pyTop, long* pcxWidth, long* pcyHeight, VARIANT varChild) {
    for (long* out : {pxLeft, pyTop, pcxWidth, pcyHeight})
        if (out) *out = 0;
    if (!pxLeft || !pyTop || !pcxWidth || !pcyHeight) return E_POINTER;
    if (!form_) return CO_E_OBJNOTCONNECTED;
    TControl* control = nullptr;
    if (!Resolve(varChild, control)) return E_INVALIDARG;
    RECT r{};
    if (control) {
        r = ScreenRect(*control);
    } else {
        GetClientRect(form_->Handle(), &r);
        MapWindowPoints(form_->Handle(), nullptr, reinterpret_cast<POINT*>(&r), 2);
    }
    *pxLeft = r.left;
    *pyTop = r.top;
    *pcxWidth = r.right - r.left;
    *pcyHeight = r.bottom - r.top;
    return S_OK;
}

HRESULT TToolbarAccessible::accNavigate(long navDir, VARIANT varStart, VARIANT* pvarEndUpAt) {
    if (!pvarEndUpAt) return E_POINTER;
    VariantInit(pvarEndUpAt);
    if (!form_) return CO_E_OBJNOTCONNECTED;
    TControl* start = nullptr;
    if (!Resolve(varStart, start)) return E_INVALIDARG;
    const std::vector<TControl*> shown = form_->ShownControls();
    long index = -1;  // of the child reached, in shown
    if (!start) {
        // From the toolbar itself only into it.
        if (navDir == NAVDIR_FIRSTCHILD) index = 0;
        if (navDir == NAVDIR_LASTCHILD) index = static_cast<long>(shown.size()) - 1;
    } else {
        const long at = form_->AccessibleChildId(start) - 1;
        if (navDir == NAVDIR_NEXT || navDir == NAVDIR_RIGHT) index = at + 1;
        if (navDir == NAVDIR_PREVIOUS || navDir == NAVDIR_LEFT) index = at - 1;
    }
    if (index < 0 || index >= static_cast<long>(shown.size())) return S_FALSE;
    return ChildVariant(shown[static_cast<std::size_t>(index)], pvarEndUpAt);
}

HRESULT TToolbarAccessible::accHitTest(long xLeft, long yTop, VARIANT* pvarChild) {
    if (!pvarChild) return E_POINTER;
    VariantInit(pvarChild);
    if (!form_) return CO_E_OBJNOTCONNECTED;
    POINT p{xLeft, yTop};
    RECT client{};
    GetClientRect(form_->Handle(), &client);
    ScreenToClient(form_->Handle(), &p);
    if (!PtInRect(&client, p)) return S_FALSE;
    // Disabled buttons are found too: a reader tells they are unavailable.
    return ChildVariant(form_->ControlAtPos(p, true), pvarChild);
}

HRESULT TToolbarAccessible::accDoDefaultAction(VARIANT varChild) {
    if (!form_) return CO_E_OBJNOTCONNECTED;
    TControl* control = nullptr;
    if (!Resolve(varChild, control)) return E_INVALIDARG;
    const auto* button = dynamic_cast<const TGlyphButton*>(control);
    if (!button) return DISP_E_MEMBERNOTFOUND;
    // Disabled, or the toolbar is in a menu or behind a box: no click now.
    if (!button->Enabled() || !form_->TakesClicks()) return E_FAIL;
    // Run from the form's own queue: a menu's loop or a message box must
    // not run inside the reader's call.
    const auto& controls = form_->Controls();
    const auto at = std::find(controls.begin(), controls.end(), control) - controls.begin();
    return PostMessageA(form_->Handle(), TBandForm::kDefaultActionMessage, static_cast<WPARAM>(at), 0)
               ? S_OK
               : HRESULT_FROM_WIN32(GetLastError());
}

HRESULT TToolbarAccessible::put_accName(VARIANT, BSTR) { return form_ ? DISP_E_MEMBERNOTFOUND : CO_E_OBJNOTCONNECTED; }

HRESULT TToolbarAccessible::put_accValue(VARIANT, BSTR) { return form_ ? DISP_E_MEMBERNOTFOUND : CO_E_OBJNOTCONNECTED; }

}  // namespace vtb
