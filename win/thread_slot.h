// A pointer per thread in a slot of the system's thread-local storage: no
// runtime support and no thread-exit destructors, which a DLL that is
// unloaded while the browser's threads live on could not run.
#pragma once

#include <windows.h>

namespace vtb {

class ThreadSlot {
public:
    ThreadSlot() : index_(TlsAlloc()) {}
    ~ThreadSlot() {
        if (index_ != TLS_OUT_OF_INDEXES) TlsFree(index_);
    }
    ThreadSlot(const ThreadSlot&) = delete;
    ThreadSlot& operator=(const ThreadSlot&) = delete;

    void* Get() const { return index_ == TLS_OUT_OF_INDEXES ? nullptr : TlsGetValue(index_); }
    void Set(void* value) const {
        if (index_ != TLS_OUT_OF_INDEXES) TlsSetValue(index_, value);
    }

private:
    DWORD index_;
};

}  // namespace vtb
