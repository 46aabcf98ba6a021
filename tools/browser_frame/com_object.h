// What the frame's small COM objects share: a reference count and the lookup
// of an interface in the object's table.
#pragma once

#include <windows.h>
#include <unknwn.h>

#include <cstddef>

namespace frame {

template <typename Self>
struct InterfaceEntry {
    const IID* iid;
    IUnknown* (*get)(Self*);
};

// QueryInterface through the object's table; the first entry answers IUnknown.
template <typename Self, std::size_t N>
HRESULT FindInterface(Self* self, const InterfaceEntry<Self> (&table)[N], REFIID riid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    for (const auto& entry : table) {
        if (IsEqualIID(riid, *entry.iid) || (&entry == table && IsEqualIID(riid, IID_IUnknown))) {
            IUnknown* unknown = entry.get(self);
            unknown->AddRef();
            *out = unknown;
            return S_OK;
        }
    }
    return E_NOINTERFACE;
}

// The count starts at 0: the first ComPtr takes the first reference.
class RefCount {
public:
    ULONG Add() { return static_cast<ULONG>(InterlockedIncrement(&count_)); }
    ULONG Drop() { return static_cast<ULONG>(InterlockedDecrement(&count_)); }

private:
    LONG count_ = 0;
};

}  // namespace frame
