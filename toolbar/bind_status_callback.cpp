#include "toolbar/bind_status_callback.h"

namespace vtb {
namespace {

// See test_seam::RunDuringNextDownload.
void (*duringNextDownload)(void*) = nullptr;
void* duringNextDownloadContext = nullptr;

class BindStatusCallback final : public IBindStatusCallback {
public:
    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
        if (!object) return E_POINTER;
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IBindStatusCallback)) {
            *object = static_cast<IBindStatusCallback*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return InterlockedIncrement(&refs_); }
    ULONG STDMETHODCALLTYPE Release() override {
        const LONG refs = InterlockedDecrement(&refs_);
        if (refs == 0) delete this;
        return refs;
    }

    // IBindStatusCallback
    HRESULT STDMETHODCALLTYPE OnStartBinding(DWORD, IBinding*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetPriority(LONG*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OnLowResource(DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OnProgress(ULONG, ULONG, ULONG, LPCWSTR) override {
        if (void (*action)(void*) = duringNextDownload) {
            duringNextDownload = nullptr;
            action(duringNextDownloadContext);
        }
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE OnStopBinding(HRESULT, LPCWSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetBindInfo(DWORD*, BINDINFO*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OnDataAvailable(DWORD, DWORD, FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OnObjectAvailable(REFIID, IUnknown*) override { return E_NOTIMPL; }

private:
    ~BindStatusCallback() = default;
    LONG refs_ = 0;
};

}  // namespace

void test_seam::RunDuringNextDownload(void (*action)(void*), void* context) {
    duringNextDownload = action;
    duringNextDownloadContext = context;
}

ComPtr<IBindStatusCallback> CreateBindStatusCallback() { return ComPtr<IBindStatusCallback>(new BindStatusCallback()); }

}  // namespace vtb
