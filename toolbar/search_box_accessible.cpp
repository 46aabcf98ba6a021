#include "toolbar/search_box_accessible.h"

#include <memory>

#include "toolbar/accessible_out.h"
#include "toolbar/toolbar_accessible.h"

namespace vtb {

ComPtr<TSearchBoxAccessible> TSearchBoxAccessible::Create(TToolbarAccessible& toolbar, ComPtr<IAccessible> standard,
                                                          TObjectCounter* counter) {
    auto object = std::make_unique<TSearchBoxAccessible>(toolbar, std::move(standard), counter);
    object->FinishConstruction();
    return ComPtr<TSearchBoxAccessible>(object.release());
}

TSearchBoxAccessible::TSearchBoxAccessible(TToolbarAccessible& toolbar, ComPtr<IAccessible> standard,
                                           TObjectCounter* counter)
    : TComObject(counter, nullptr), toolbar_(&toolbar), standard_(std::move(standard)) {
    // Made for a toolbar already cut off (a call on the stack as the form
    // went): cut off from the start.
    connected_ = toolbar.Connected();
    toolbar.Adopt(this);
}

TSearchBoxAccessible::~TSearchBoxAccessible() { toolbar_->Forget(this); }

void TSearchBoxAccessible::Disconnect() {
    connected_ = false;
    const ComPtr<IUnknown> keep(Identity());
    CoDisconnectObject(Identity(), 0);
}

const TInterfaceTable& TSearchBoxAccessible::Interfaces() const {
    static const TInterfaceEntry entries[] = {
        {&IID_IAccessible, &InterfaceOf<TSearchBoxAccessible, IAccessible>},
        {&IID_IDispatch, &InterfaceOf<TSearchBoxAccessible, IAccessible>},
    };
    static const TInterfaceTable table = {entries, sizeof entries / sizeof entries[0], &kBaseInterfaces};
    return table;
}

HRESULT TSearchBoxAccessible::QueryInterface(REFIID riid, void** ppv) { return TComObject::QueryInterface(riid, ppv); }
ULONG TSearchBoxAccessible::AddRef() { return TComObject::AddRef(); }
ULONG TSearchBoxAccessible::Release() { return TComObject::Release(); }

// Every answer is the system object's while the toolbar is there; the
// out-parameters are cleared first whatever the answer.
#define FORWARD(call)                   \
    IAccessible* standard = Standard(); \
    return standard ? standard->call : CO_E_OBJNOTCONNECTED

HRESULT TSearchBoxAccessible::GetTypeInfoCount(UINT* pctinfo) {
    if (!pctinfo) return E_POINTER;
    *pctinfo = 0;
    return connected_ ? S_OK : CO_E_OBJNOTCONNECTED;
}

HRESULT TSearchBoxAccessible::GetTypeInfo(UINT, LCID, ITypeInfo** ppTInfo) {
    if (ppTInfo) *ppTInfo = nullptr;
    return connected_ ? E_NOTIMPL : CO_E_OBJNOTCONNECTED;
}

HRESULT TSearchBoxAccessible::GetIDsOfNames(REFIID, LPOLESTR*, UINT cNames, LCID, DISPID* rgDispId) {
    ClearDispatchIds(rgDispId, cNames);
    return connected_ ? E_NOTIMPL : CO_E_OBJNOTCONNECTED;
}

HRESULT TSearchBoxAccessible::Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT* pVarResult,
                                     EXCEPINFO* pExcepInfo, UINT* puArgErr) {
    ClearInvokeResults(pVarResult, pExcepInfo, puArgErr);
    return connected_ ? E_NOTIMPL : CO_E_OBJNOTCONNECTED;
}

HRESULT TSearchBoxAccessible::get_accParent(IDispatch** ppdispParent) {
    if (!ppdispParent) return E_POINTER;
    *ppdispParent = nullptr;
    if (!connected_) return CO_E_OBJNOTCONNECTED;
    return toolbar_->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(ppdispParent));
}

HRESULT TSearchBoxAccessible::get_accName(VARIANT varChild, BSTR* pszName) {
    if (!pszName) return E_POINTER;
    *pszName = nullptr;
    if (!connected_) return CO_E_OBJNOTCONNECTED;
    // The box itself is named for what it is for; its parts as the system says.
    if (V_VT(&varChild) == VT_I4 && V_I4(&varChild) == CHILDID_SELF) {
        *pszName = UniqueBstr::FromAnsi(toolbar_->SearchBoxName()).release();
        return *pszName ? S_OK : E_OUTOFMEMORY;
    }
    return standard_->get_accName(varChild, pszName);
}

HRESULT TSearchBoxAccessible::get_accChildCount(long* pcountChildren) {
    ClearOuts(pcountChildren);
    FORWARD(get_accChildCount(pcountChildren));
}
HRESULT TSearchBoxAccessible::get_accChild(VARIANT varChild, IDispatch** ppdispChild) {
    ClearOuts(ppdispChild);
    FORWARD(get_accChild(varChild, ppdispChild));
}
HRESULT TSearchBoxAccessible::get_accValue(VARIANT varChild, BSTR* pszValue) {
    ClearOuts(pszValue);
    FORWARD(get_accValue(varChild, pszValue));
}
HRESULT TSearchBoxAccessible::get_accDescription(VARIANT varChild, BSTR* pszDescription) {
    ClearOuts(pszDescription);
    FORWARD(get_accDescription(varChild, pszDescription));
}
HRESULT TSearchBoxAccessible::get_accRole(VARIANT varChild, VARIANT* pvarRole) {
    if (!pvarRole) return E_POINTER;
    VariantInit(pvarRole);
    if (!connected_) return CO_E_OBJNOTCONNECTED;
    // Some systems present every client area as a plain client: the box
    // says what it is.
    if (V_VT(&varChild) == VT_I4 && V_I4(&varChild) == CHILDID_SELF) {
        V_VT(pvarRole) = VT_I4;
        V_I4(pvarRole) = ROLE_SYSTEM_COMBOBOX;
        return S_OK;
    }
    return standard_->get_accRole(varChild, pvarRole);
}
HRESULT TSearchBoxAccessible::get_accState(VARIANT varChild, VARIANT* pvarState) {
    ClearOuts(pvarState);
    FORWARD(get_accState(varChild, pvarState));
}
HRESULT TSearchBoxAccessible::get_accHelp(VARIANT varChild, BSTR* pszHelp) {
    ClearOuts(pszHelp);
    FORWARD(get_accHelp(varChild, pszHelp));
}
HRESULT TSearchBoxAccessible::get_accHelpTopic(BSTR* pszHelpFile, VARIANT varChild, long* pidTopic) {
    ClearOuts(pszHelpFile, pidTopic);
    FORWARD(get_accHelpTopic(pszHelpFile, varChild, pidTopic));
}
HRESULT TSearchBoxAccessible::get_accKeyboardShortcut(VARIANT varChild, BSTR* pszKeyboardShortcut) {
    ClearOuts(pszKeyboardShortcut);
    FORWARD(get_accKeyboardShortcut(varChild, pszKeyboardShortcut));
}
HRESULT TSearchBoxAccessible::get_accFocus(VARIANT* pvarChild) {
    ClearOuts(pvarChild);
    FORWARD(get_accFocus(pvarChild));
}
HRESULT TSearchBoxAccessible::get_accSelection(VARIANT* pvarChildren) {
    ClearOuts(pvarChildren);
    FORWARD(get_accSelection(pvarChildren));
}
HRESULT TSearchBoxAccessible::get_accDefaultAction(VARIANT varChild, BSTR* pszDefaultAction) {
    ClearOuts(pszDefaultAction);
    FORWARD(get_accDefaultAction(varChild, pszDefaultAction));
}
HRESULT TSearchBoxAccessible::accSelect(long flagsSelect, VARIANT varChild) {
    FORWARD(accSelect(flagsSelect, varChild));
}
HRESULT TSearchBoxAccessible::accLocation(long* pxLeft, long* pyTop, long* pcxWidth, long* pcyHeight,
                                          VARIANT varChild) {
    ClearOuts(pxLeft, pyTop, pcxWidth, pcyHeight);
    FORWARD(accLocation(pxLeft, pyTop, pcxWidth, pcyHeight, varChild));
}
HRESULT TSearchBoxAccessible::accNavigate(long navDir, VARIANT varStart, VARIANT* pvarEndUpAt) {
    ClearOuts(pvarEndUpAt);
    FORWARD(accNavigate(navDir, varStart, pvarEndUpAt));
}
HRESULT TSearchBoxAccessible::accHitTest(long xLeft, long yTop, VARIANT* pvarChild) {
    ClearOuts(pvarChild);
    FORWARD(accHitTest(xLeft, yTop, pvarChild));
}
HRESULT TSearchBoxAccessible::accDoDefaultAction(VARIANT varChild) { FORWARD(accDoDefaultAction(varChild)); }
HRESULT TSearchBoxAccessible::put_accName(VARIANT varChild, BSTR szName) { FORWARD(put_accName(varChild, szName)); }
HRESULT TSearchBoxAccessible::put_accValue(VARIANT varChild, BSTR szValue) { FORWARD(put_accValue(varChild, szValue)); }

#undef FORWARD

}  // namespace vtb
