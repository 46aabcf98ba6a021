// The search box as a screen reader gets it from the toolbar: the system's
// own object for the box's window, named after the Search button's caption
// (the box's own text is the query, not what the box is for) and with the
// toolbar as its parent. Everything else is the system object's answer.
#pragma once

#include <windows.h>
#include <ole2.h>
#include <oleacc.h>

#include "win/com_object.h"
#include "win/handles.h"

namespace vtb {

class TToolbarAccessible;

class TSearchBoxAccessible : public TComObject, public IAccessible {
public:
    static ComPtr<TSearchBoxAccessible> Create(TToolbarAccessible& toolbar, ComPtr<IAccessible> standard,
                                               TObjectCounter* counter);
    TSearchBoxAccessible(TToolbarAccessible& toolbar, ComPtr<IAccessible> standard, TObjectCounter* counter);
    ~TSearchBoxAccessible() override;

    // The toolbar's form is going: as the toolbar's object, every call
    // answers CO_E_OBJNOTCONNECTED from now on and clients in other
    // apartments and processes are cut off.
    void Disconnect();

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

    STDMETHODIMP GetTypeInfoCount(UINT* pctinfo) override;
    STDMETHODIMP GetTypeInfo(UINT iTInfo, LCID lcid, ITypeInfo** ppTInfo) override;
    STDMETHODIMP GetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames, LCID lcid, DISPID* rgDispId) override;
    STDMETHODIMP Invoke(DISPID dispIdMember, REFIID riid, LCID lcid, WORD wFlags, DISPPARAMS* pDispParams,
                        VARIANT* pVarResult, EXCEPINFO* pExcepInfo, UINT* puArgErr) override;

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
    // The system object while the toolbar is there; null once it is gone.
    IAccessible* Standard() const { return connected_ ? standard_.get() : nullptr; }

    ComPtr<TToolbarAccessible> toolbar_;  // the parent a reader walks up to
    ComPtr<IAccessible> standard_;
    bool connected_ = true;
};

}  // namespace vtb
