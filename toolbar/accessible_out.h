// The out-parameters of the accessible objects' methods, set before anything
// else on every path, failures included: a reader frees what it gets back,
// and must never get back what it passed in.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <cstring>

namespace vtb {

inline void ClearOut(long* out) {
    if (out) *out = 0;
}
inline void ClearOut(BSTR* out) {
    if (out) *out = nullptr;
}
inline void ClearOut(IDispatch** out) {
    if (out) *out = nullptr;
}
inline void ClearOut(VARIANT* out) {
    if (out) VariantInit(out);
}
template <typename... Outs>
void ClearOuts(Outs... outs) {
    (ClearOut(outs), ...);
}

inline void ClearDispatchIds(DISPID* ids, UINT count) {
    if (!ids) return;
    for (UINT i = 0; i < count; ++i) ids[i] = DISPID_UNKNOWN;
}

inline void ClearInvokeResults(VARIANT* result, EXCEPINFO* exception, UINT* argError) {
    ClearOut(result);
    if (exception) std::memset(exception, 0, sizeof *exception);
    if (argError) *argError = 0;
}

}  // namespace vtb
