#include "win/com_object.h"

#include <atomic>
#include <memory>

namespace vtb {

namespace {

std::atomic<bool> comShuttingDown{false};

}  // namespace

void NoteComShutdown() { comShuttingDown = true; }
bool ComShuttingDown() { return comShuttingDown; }

// ---- TComObject ------------------------------------------------------------

TComObject::TComObject(TObjectCounter* counter, IUnknown* outer, bool exempt)
    : outer_(outer), counter_(counter), exempt_(exempt) {
    if (counter_ && !exempt_) counter_->CountObject(true);
}

TComObject::~TComObject() {
    if (ComShuttingDown()) return;
    if (counter_ && !exempt_) counter_->CountObject(false);
    // Destroyed while still referenced: cut off the clients of its stubs.
    if (refCount_ > 0) CoDisconnectObject(&inner_, 0);
}

void TComObject::FinishConstruction() {
    Initialize();
    refCount_ = 0;
}

IUnknown* TComObject::SupportErrorInfoOf(TComObject* object) { return static_cast<ISupportErrorInfo*>(object); }

const TInterfaceEntry TComObject::kBaseEntries[2] = {
    {&IID_ISupportErrorInfo, &TComObject::SupportErrorInfoOf},
    {&IID_IUnknown, &TComObject::InnerOf},
};
const TInterfaceTable TComObject::kBaseInterfaces = {kBaseEntries, 2, nullptr};

const TInterfaceTable& TComObject::Interfaces() const { return BaseInterfaces(); }

const TInterfaceEntry* TComObject::FindInterface(REFIID riid) const {
    for (const TInterfaceTable* table = &Interfaces(); table; table = table->base)
        for (std::size_t i = 0; i < table->count; ++i)
            if (IsEqualIID(riid, *table->entries[i].iid)) return &table->entries[i];
    return nullptr;
}

IUnknown* TComObject::Identity() { return outer_ ? outer_ : &inner_; }

HRESULT TComObject::ObjQueryInterface(REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    const TInterfaceEntry* entry = FindInterface(riid);
    if (!entry) {
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    IUnknown* found = entry->get(this);
    found->AddRef();
    *ppv = found;
    return S_OK;
}

ULONG TComObject::ObjAddRef() { return InterlockedIncrement(&refCount_); }

ULONG TComObject::ObjRelease() {
    const LONG count = InterlockedDecrement(&refCount_);
    if (count == 0) {
        // The last reference owned the object.
        std::unique_ptr<TComObject> last(this);
    }
    return count;
}

HRESULT TComObject::QueryInterface(REFIID riid, void** ppv) {
    return outer_ ? outer_->QueryInterface(riid, ppv) : ObjQueryInterface(riid, ppv);
}

ULONG TComObject::AddRef() { return outer_ ? outer_->AddRef() : ObjAddRef(); }

ULONG TComObject::Release() { return outer_ ? outer_->Release() : ObjRelease(); }

HRESULT TComObject::InterfaceSupportsErrorInfo(REFIID riid) { return FindInterface(riid) ? S_OK : S_FALSE; }

HRESULT TComObject::TInnerUnknown::QueryInterface(REFIID riid, void** ppv) {
    return object_.ObjQueryInterface(riid, ppv);
}

ULONG TComObject::TInnerUnknown::AddRef() { return object_.ObjAddRef(); }

ULONG TComObject::TInnerUnknown::Release() { return object_.ObjRelease(); }

}  // namespace vtb
