// What a screen reader gets for the toolbar: one accessible object for the
// form's client area, whose children are the shown controls in their order
// from left to right: each glyph button a simple element, the search box
// the accessible object of its own window. Made when a client first asks.
#pragma once

#include <windows.h>
#include <ole2.h>
#include <oleacc.h>

#include <string>
#include <vector>

#include "win/com_object.h"
#include "win/handles.h"

namespace vtb {

class TBandForm;
class TControl;
class TSearchBoxAccessible;

class TToolbarAccessible : public TComObject, public IAccessible {
public:
    // counter: the band's factory, whose server counts the object as live
    // while anyone holds it; null for a form outside a band.
    static ComPtr<TToolbarAccessible> Create(TBandForm& form, TObjectCounter* counter);
    TToolbarAccessible(TBandForm& form, TObjectCounter* counter);

    // The form is going: every call of this object and of every search-box
    // object it made answers CO_E_OBJNOTCONNECTED from now on, and clients
    // in other apartments and processes are cut off. Again after a second
    // hand-out: cuts off the new clients too.
    void Disconnect();
    bool Connected() const { return form_ != nullptr; }
    // What the search box is announced as: the Search button's caption.
    std::string SearchBoxName() const;
    // The search-box objects alive, each told when the form goes.
    void Adopt(TSearchBoxAccessible* box) { boxes_.push_back(box); }
    void Forget(TSearchBoxAccessible* box);
    // The search box's object for one of its windows (the edit field that
    // holds the focus), named like the search box.
    HRESULT SearchBoxObjectFor(HWND window, ComPtr<IAccessible>& out);

    // IUnknown, one for all interfaces of the object.
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

    // IDispatch: no type information; clients call through the table.
    STDMETHODIMP GetTypeInfoCount(UINT* pctinfo) override;
    STDMETHODIMP GetTypeInfo(UINT iTInfo, LCID lcid, ITypeInfo** ppTInfo) override;
    STDMETHODIMP GetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames, LCID lcid, DISPID* rgDispId) override;
    STDMETHODIMP Invoke(DISPID dispIdMember, REFIID riid, LCID lcid, WORD wFlags, DISPPARAMS* pDispParams,
                        VARIANT* pVarResult, EXCEPINFO* pExcepInfo, UINT* puArgErr) override;

    // IAccessible
    STDMETHODIMP get_accParent(IDispatch** ppdispParent) override;
    STDMETHODIMP get_accChildCount(long* pcountChildren) override;
    STDMETHODIMP get_accChild(VARIANT varChild, IDispatch** ppdispChild) override;
    STDMETHODIMP get_accName(VARIANT varChild, BSTR* pszName) override;
    STDMETHODIMP get_accValue(VARIANT varChild, BSTR* pszValue) override;
    STDMETHODIMP get_accDescription(VARIANT varChild, BSTR* pszDescription) override;
    STDMETHODIMP get_accRole(VARIANT varChild, VARIANT* pvarRole) override;
    STDMETHODIMP get_accState(VARIANT varChild, VARIANT* pvarState) override;
    STDMETHODIMP get_accHelp(VARIANT varChild, BSTR* pszHelp) override;
    STDMETHODIMP get_accHelpTopic(BSTR* pszHelpFile, VARIANT varChild, long* pidTopic) override;
    STDMETHODIMP get_accKeyboardShortcut(VARIANT varChild, BSTR* pszKeyboardShortcut) override;
    STDMETHODIMP get_accFocus(VARIANT* pvarChild) override;
    STDMETHODIMP get_accSelection(VARIANT* pvarChildren) override;
    STDMETHODIMP get_accDefaultAction(VARIANT varChild, BSTR* pszDefaultAction) override;
    STDMETHODIMP accSelect(long flagsSelect, VARIANT varChild) override;
    STDMETHODIMP accLocation(long* pxLeft, long* pyTop, long* pcxWidth, long* pcyHeight, VARIANT varChild) override;
    STDMETHODIMP accNavigate(long navDir, VARIANT varStart, VARIANT* pvarEndUpAt) override;
    STDMETHODIMP accHitTest(long xLeft, long yTop, VARIANT* pvarChild) override;
    STDMETHODIMP accDoDefaultAction(VARIANT varChild) override;
    STDMETHODIMP put_accName(VARIANT varChild, BSTR szName) override;
    STDMETHODIMP put_accValue(VARIANT varChild, BSTR szValue) override;

protected:
    const TInterfaceTable& Interfaces() const override;

private:
    // The control a child id names (null for the toolbar itself); false for
    // an id that names nothing.
    bool Resolve(const VARIANT& child, TControl*& control) const;
    bool IsSearchBox(const TControl* control) const;
    std::string NameOf(const TControl* control) const;
    // The child at a child id as a VARIANT: the search box's object, or the id.
    HRESULT ChildVariant(TControl* control, VARIANT* out);
    HRESULT SearchBoxObject(IDispatch** ppdisp);

    TBandForm* form_;
    std::vector<TSearchBoxAccessible*> boxes_;  // not counted: each forgets itself when it goes
};

}  // namespace vtb
