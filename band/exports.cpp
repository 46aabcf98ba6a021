// The DLL's entry point and its four exports.
#include <windows.h>
#include <ole2.h>
#include <olectl.h>

#include <memory>

#include "band/com_factory.h"
#include "band/com_server.h"
#include "band/desk_band.h"
#include "win/handles.h"

namespace {

// What the module holds between load and unload.
struct ModuleState {
    vtb::UniqueModule oleaut;
    std::unique_ptr<vtb::TComServer> server;
};

ModuleState moduleState;  // made when the module is loaded

ModuleState& State() { return moduleState; }

bool Attach() {
    ModuleState& state = State();
    // Loaded quietly: a missing library must not raise the system's box.
    const UINT oldMode = SetErrorMode(SEM_NOOPENFILEERRORBOX | SEM_FAILCRITICALERRORS);
    state.oleaut.reset(LoadLibraryA("OLEAUT32.DLL"));
    SetErrorMode(oldMode);
    try {
        state.server = std::make_unique<vtb::TComServer>();
        state.server->AddFactory(std::make_unique<vtb::TDeskBandFactory>(*state.server));
    } catch (...) {
        state.server.reset();
        state.oleaut.reset();
        return false;
    }
    return true;
}

void Detach() {
    ModuleState& state = State();
    state.server.reset();  // destroys the factories
    state.oleaut.reset();
    vtb::NoteComShutdown();
}

HRESULT UpdateEntries(bool registerServer) {
    vtb::TComServer* server = State().server.get();
    if (!server) return E_FAIL;
    try {
        server->UpdateServerEntries(registerServer);
    } catch (...) {
        return E_FAIL;
    }
    return S_OK;
}

}  // namespace

// The exports of the .def file: the link optimises the DLL as a whole
// program (-fwhole-program), which keeps only what these reach.
#define VTB_EXPORTED __attribute__((externally_visible))
extern "C" {
VTB_EXPORTED HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID rclsid, REFIID riid, LPVOID* ppv);
VTB_EXPORTED HRESULT STDAPICALLTYPE DllCanUnloadNow();
VTB_EXPORTED HRESULT STDAPICALLTYPE DllRegisterServer();
VTB_EXPORTED HRESULT STDAPICALLTYPE DllUnregisterServer();
VTB_EXPORTED BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved);
}

extern "C" BOOL WINAPI DllMain(HINSTANCE /*instance*/, DWORD reason, LPVOID /*reserved*/) {
    switch (reason) {
    case DLL_PROCESS_ATTACH:
        return Attach() ? TRUE : FALSE;
    case DLL_PROCESS_DETACH:
        Detach();
        break;
    default:
        break;
    }
    return TRUE;
}

STDAPI DllGetClassObject(REFCLSID rclsid, REFIID riid, LPVOID* ppv) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    vtb::TComObjectFactory* factory = vtb::ComClassManager().GetFactoryFromClassID(rclsid);
    if (!factory) return CLASS_E_CLASSNOTAVAILABLE;
    return factory->QueryInterface(riid, ppv);
}

STDAPI DllCanUnloadNow() {
    const vtb::TComServer* server = State().server.get();
    if (!server) return S_OK;
    return server->ObjectCount() == 0 && server->FactoryCount() == 0 ? S_OK : S_FALSE;
}

STDAPI DllRegisterServer() { return UpdateEntries(true); }

STDAPI DllUnregisterServer() { return UpdateEntries(false); }
