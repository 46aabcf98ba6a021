// The browser as the toolbar sees it: Wine's browser control, passed through
// unchanged, except for the two requests the control leaves to its host. A
// navigation to a new window ("_blank") is shown as such instead of replacing
// the page, and ShowBrowserBar shows or hides a toolbar of this frame.
#pragma once

#include <windows.h>
#include <exdisp.h>

#include "tools/browser_frame/com_object.h"
#include "tools/browser_frame/host_frame.h"
#include "win/handles.h"

namespace frame {

class BrowserShell final : public IWebBrowser2 {
public:
    BrowserShell(HostFrame* host, IWebBrowser2* inner) : host_(host), inner_(inner) {}
    // Released objects destroy themselves; only Release deletes.
    ~BrowserShell() = default;
    void Detach() { host_ = nullptr; }

    // IUnknown: the browser's own interfaces here, anything else from the control.
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return refs_.Add(); }
    ULONG STDMETHODCALLTYPE Release() override;

    // IDispatch
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override { return inner_->GetTypeInfoCount(count); }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) override {
        return inner_->GetTypeInfo(index, lcid, info);
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID lcid, DISPID* ids) override {
        return inner_->GetIDsOfNames(riid, names, count, lcid, ids);
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                                     EXCEPINFO* info, UINT* argError) override {
        return inner_->Invoke(id, riid, lcid, flags, params, result, info, argError);
    }

    // IWebBrowser, IWebBrowserApp, IWebBrowser2
    HRESULT STDMETHODCALLTYPE GoBack() override { return inner_->GoBack(); }
    HRESULT STDMETHODCALLTYPE GoForward() override { return inner_->GoForward(); }
    HRESULT STDMETHODCALLTYPE GoHome() override { return inner_->GoHome(); }
    HRESULT STDMETHODCALLTYPE GoSearch() override { return inner_->GoSearch(); }
    HRESULT STDMETHODCALLTYPE Navigate(BSTR URL, VARIANT* Flags, VARIANT* TargetFrameName, VARIANT* PostData,
                                       VARIANT* Headers) override;
    HRESULT STDMETHODCALLTYPE Refresh() override { return inner_->Refresh(); }
    HRESULT STDMETHODCALLTYPE Refresh2(VARIANT* Level) override { return inner_->Refresh2(Level); }
    HRESULT STDMETHODCALLTYPE Stop() override { return inner_->Stop(); }
    HRESULT STDMETHODCALLTYPE get_Application(IDispatch** ppDisp) override { return inner_->get_Application(ppDisp); }
    HRESULT STDMETHODCALLTYPE get_Parent(IDispatch** ppDisp) override { return inner_->get_Parent(ppDisp); }
    HRESULT STDMETHODCALLTYPE get_Container(IDispatch** ppDisp) override { return inner_->get_Container(ppDisp); }
    HRESULT STDMETHODCALLTYPE get_Document(IDispatch** ppDisp) override { return inner_->get_Document(ppDisp); }
    HRESULT STDMETHODCALLTYPE get_TopLevelContainer(VARIANT_BOOL* pBool) override {
        return inner_->get_TopLevelContainer(pBool);
    }
    HRESULT STDMETHODCALLTYPE get_Type(BSTR* Type) override { return inner_->get_Type(Type); }
    HRESULT STDMETHODCALLTYPE get_Left(LONG* pl) override { return inner_->get_Left(pl); }
    HRESULT STDMETHODCALLTYPE put_Left(LONG Left) override { return inner_->put_Left(Left); }
    HRESULT STDMETHODCALLTYPE get_Top(LONG* pl) override { return inner_->get_Top(pl); }
    HRESULT STDMETHODCALLTYPE put_Top(LONG Top) override { return inner_->put_Top(Top); }
    HRESULT STDMETHODCALLTYPE get_Width(LONG* pl) override { return inner_->get_Width(pl); }
    HRESULT STDMETHODCALLTYPE put_Width(LONG Width) override { return inner_->put_Width(Width); }
    HRESULT STDMETHODCALLTYPE get_Height(LONG* pl) override { return inner_->get_Height(pl); }
    HRESULT STDMETHODCALLTYPE put_Height(LONG Height) override { return inner_->put_Height(Height); }
    HRESULT STDMETHODCALLTYPE get_LocationName(BSTR* LocationName) override {
        return inner_->get_LocationName(LocationName);
    }
    HRESULT STDMETHODCALLTYPE get_LocationURL(BSTR* LocationURL) override {
        return inner_->get_LocationURL(LocationURL);
    }
    HRESULT STDMETHODCALLTYPE get_Busy(VARIANT_BOOL* pBool) override { return inner_->get_Busy(pBool); }
    HRESULT STDMETHODCALLTYPE Quit() override { return inner_->Quit(); }
    HRESULT STDMETHODCALLTYPE ClientToWindow(int* pcx, int* pcy) override { return inner_->ClientToWindow(pcx, pcy); }
    HRESULT STDMETHODCALLTYPE PutProperty(BSTR Property, VARIANT vtValue) override {
        return inner_->PutProperty(Property, vtValue);
    }
    HRESULT STDMETHODCALLTYPE GetProperty(BSTR Property, VARIANT* pvtValue) override {
        return inner_->GetProperty(Property, pvtValue);
    }
    HRESULT STDMETHODCALLTYPE get_Name(BSTR* Name) override { return inner_->get_Name(Name); }
    HRESULT STDMETHODCALLTYPE get_HWND(SHANDLE_PTR* pHWND) override { return inner_->get_HWND(pHWND); }
    HRESULT STDMETHODCALLTYPE get_FullName(BSTR* FullName) override { return inner_->get_FullName(FullName); }
    HRESULT STDMETHODCALLTYPE get_Path(BSTR* Path) override { return inner_->get_Path(Path); }
    HRESULT STDMETHODCALLTYPE get_Visible(VARIANT_BOOL* pBool) override { return inner_->get_Visible(pBool); }
    HRESULT STDMETHODCALLTYPE put_Visible(VARIANT_BOOL Value) override { return inner_->put_Visible(Value); }
    HRESULT STDMETHODCALLTYPE get_StatusBar(VARIANT_BOOL* pBool) override { return inner_->get_StatusBar(pBool); }
    HRESULT STDMETHODCALLTYPE put_StatusBar(VARIANT_BOOL Value) override { return inner_->put_StatusBar(Value); }
    HRESULT STDMETHODCALLTYPE get_StatusText(BSTR* StatusText) override { return inner_->get_StatusText(StatusText); }
    HRESULT STDMETHODCALLTYPE put_StatusText(BSTR StatusText) override { return inner_->put_StatusText(StatusText); }
    HRESULT STDMETHODCALLTYPE get_ToolBar(int* Value) override { return inner_->get_ToolBar(Value); }
    HRESULT STDMETHODCALLTYPE put_ToolBar(int Value) override { return inner_->put_ToolBar(Value); }
    HRESULT STDMETHODCALLTYPE get_MenuBar(VARIANT_BOOL* Value) override { return inner_->get_MenuBar(Value); }
    HRESULT STDMETHODCALLTYPE put_MenuBar(VARIANT_BOOL Value) override { return inner_->put_MenuBar(Value); }
    HRESULT STDMETHODCALLTYPE get_FullScreen(VARIANT_BOOL* pbFullScreen) override {
        return inner_->get_FullScreen(pbFullScreen);
    }
    HRESULT STDMETHODCALLTYPE put_FullScreen(VARIANT_BOOL bFullScreen) override {
        return inner_->put_FullScreen(bFullScreen);
    }
    HRESULT STDMETHODCALLTYPE Navigate2(VARIANT* URL, VARIANT* Flags, VARIANT* TargetFrameName, VARIANT* PostData,
                                        VARIANT* Headers) override;
    HRESULT STDMETHODCALLTYPE QueryStatusWB(OLECMDID cmdID, OLECMDF* pcmdf) override {
        return inner_->QueryStatusWB(cmdID, pcmdf);
    }
    HRESULT STDMETHODCALLTYPE ExecWB(OLECMDID cmdID, OLECMDEXECOPT cmdexecopt, VARIANT* pvaIn,
                                     VARIANT* pvaOut) override {
        return inner_->ExecWB(cmdID, cmdexecopt, pvaIn, pvaOut);
    }
    HRESULT STDMETHODCALLTYPE ShowBrowserBar(VARIANT* pvaClsid, VARIANT* pvarShow, VARIANT* pvarSize) override;
    HRESULT STDMETHODCALLTYPE get_ReadyState(READYSTATE* plReadyState) override {
        return inner_->get_ReadyState(plReadyState);
    }
    HRESULT STDMETHODCALLTYPE get_Offline(VARIANT_BOOL* pbOffline) override { return inner_->get_Offline(pbOffline); }
    HRESULT STDMETHODCALLTYPE put_Offline(VARIANT_BOOL bOffline) override { return inner_->put_Offline(bOffline); }
    HRESULT STDMETHODCALLTYPE get_Silent(VARIANT_BOOL* pbSilent) override { return inner_->get_Silent(pbSilent); }
    HRESULT STDMETHODCALLTYPE put_Silent(VARIANT_BOOL bSilent) override { return inner_->put_Silent(bSilent); }
    HRESULT STDMETHODCALLTYPE get_RegisterAsBrowser(VARIANT_BOOL* pbRegister) override {
        return inner_->get_RegisterAsBrowser(pbRegister);
    }
    HRESULT STDMETHODCALLTYPE put_RegisterAsBrowser(VARIANT_BOOL bRegister) override {
        return inner_->put_RegisterAsBrowser(bRegister);
    }
    HRESULT STDMETHODCALLTYPE get_RegisterAsDropTarget(VARIANT_BOOL* pbRegister) override {
        return inner_->get_RegisterAsDropTarget(pbRegister);
    }
    HRESULT STDMETHODCALLTYPE put_RegisterAsDropTarget(VARIANT_BOOL bRegister) override {
        return inner_->put_RegisterAsDropTarget(bRegister);
    }
    HRESULT STDMETHODCALLTYPE get_TheaterMode(VARIANT_BOOL* pbRegister) override {
        return inner_->get_TheaterMode(pbRegister);
    }
    HRESULT STDMETHODCALLTYPE put_TheaterMode(VARIANT_BOOL bRegister) override {
        return inner_->put_TheaterMode(bRegister);
    }
    HRESULT STDMETHODCALLTYPE get_AddressBar(VARIANT_BOOL* Value) override { return inner_->get_AddressBar(Value); }
    HRESULT STDMETHODCALLTYPE put_AddressBar(VARIANT_BOOL Value) override { return inner_->put_AddressBar(Value); }
    HRESULT STDMETHODCALLTYPE get_Resizable(VARIANT_BOOL* Value) override { return inner_->get_Resizable(Value); }
    HRESULT STDMETHODCALLTYPE put_Resizable(VARIANT_BOOL Value) override { return inner_->put_Resizable(Value); }

private:
    HostFrame* host_;
    vtb::ComPtr<IWebBrowser2> inner_;
    RefCount refs_;
};

}  // namespace frame
