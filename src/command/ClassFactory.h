// The class factory of OrvaneVbCommand and what DllGetClassObject hands out.
#pragma once

#include <windows.h>

namespace vantrel2 {

HRESULT GetClassObject(REFCLSID clsid, REFIID riid, void** object) noexcept;

}  // namespace vantrel2
