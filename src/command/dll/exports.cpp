// The four in-process server entry points, the DLL's only exports.
#include <windows.h>

#include "command/ClassFactory.h"
#include "common/ModuleCounts.h"
#include "command/Registration.h"

extern "C" {

HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID riid, void** object) {
    return vantrel2::GetClassObject(clsid, riid, object);
}

HRESULT STDAPICALLTYPE DllCanUnloadNow() { return vantrel2::CanUnloadNow(); }

HRESULT STDAPICALLTYPE DllRegisterServer() { return vantrel2::RegisterServer(); }

HRESULT STDAPICALLTYPE DllUnregisterServer() { return vantrel2::UnregisterServer(); }
}
