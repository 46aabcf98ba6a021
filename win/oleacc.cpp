#include "win/oleacc.h"

#include "win/handles.h"

namespace vtb {
namespace {

using LresultFromObjectFn = LRESULT(WINAPI*)(REFIID, WPARAM, LPUNKNOWN);
using CreateStdAccessibleObjectFn = HRESULT(WINAPI*)(HWND, LONG, REFIID, void**);

// Loaded once and kept until the module goes: objects handed out may call
// into it until then.
UniqueModule oleacc;
LresultFromObjectFn lresultFromObject = nullptr;
CreateStdAccessibleObjectFn createStdAccessibleObject = nullptr;
INIT_ONCE oleaccOnce = INIT_ONCE_STATIC_INIT;

template <typename Fn>
Fn Export(const char* name) {
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(oleacc.get(), name)));
}

BOOL CALLBACK LoadOleacc(PINIT_ONCE, PVOID, PVOID*) {
    oleacc.reset(LoadLibraryA("OLEACC.DLL"));
    if (oleacc) {
        lresultFromObject = Export<LresultFromObjectFn>("LresultFromObject");
        createStdAccessibleObject = Export<CreateStdAccessibleObjectFn>("CreateStdAccessibleObject");
    }
    return TRUE;
}

void Load() { InitOnceExecuteOnce(&oleaccOnce, LoadOleacc, nullptr, nullptr); }

}  // namespace

LRESULT AccessibleResult(REFIID riid, WPARAM wParam, IUnknown* object) {
    Load();
    return lresultFromObject ? lresultFromObject(riid, wParam, object) : 0;
}

HRESULT StandardAccessible(HWND window, LONG objectId, REFIID riid, void** ppv) {
    Load();
    if (!createStdAccessibleObject) {
        *ppv = nullptr;
        return E_FAIL;
    }
    return createStdAccessibleObject(window, objectId, riid, ppv);
}

}  // namespace vtb
