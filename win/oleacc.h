// The system's accessibility library, loaded when a screen reader first
// asks for the toolbar: a toolbar nobody reads does not load it.
#pragma once

#include <windows.h>
#include <ole2.h>

namespace vtb {

// LresultFromObject: the answer to WM_GETOBJECT for object; 0 when the
// library is missing.
LRESULT AccessibleResult(REFIID riid, WPARAM wParam, IUnknown* object);

// CreateStdAccessibleObject: the system's own object for a window's part
// (OBJID_WINDOW, OBJID_CLIENT); E_FAIL when the library is missing.
HRESULT StandardAccessible(HWND window, LONG objectId, REFIID riid, void** ppv);

}  // namespace vtb
