// The type library embedded in the module that holds this code (resource
// TYPELIB 1), loaded from the module's own file without registering it.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include <string>

#include "win_handles.h"

namespace vantrel2 {

HRESULT LoadOwnTypeLibrary(ComPtr<ITypeLib>& library) noexcept;

// The type information of _OrvaneVbCommand: its dispatch side (what
// IDispatch::GetTypeInfo hands out) and its vtable side (what Invoke calls
// through; invoking through the dispatch side would come back to Invoke).
HRESULT LoadCommandTypeInfo(ComPtr<ITypeInfo>& dispatchSide,
                            ComPtr<ITypeInfo>& vtableSide) noexcept;

}  // namespace vantrel2
