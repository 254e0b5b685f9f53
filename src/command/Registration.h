// DllRegisterServer / DllUnregisterServer: the class, its ProgID, and the
// type library (which also registers the interface with the automation
// marshaller).
#pragma once

#include <windows.h>

namespace vantrel2 {

HRESULT RegisterServer() noexcept;

// Removes exactly what RegisterServer writes; nothing to remove is success.
HRESULT UnregisterServer() noexcept;

}  // namespace vantrel2
