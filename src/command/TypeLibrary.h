// The type library embedded in the module that holds this code (resource
// TYPELIB 1), read from the module's own file without registering it.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include "common/win32/win_handles.h"

namespace vantrel2 {

HRESULT LoadOwnTypeLibrary(ComPtr<ITypeLib>& library) noexcept;

// The platform the library is built for: 32-bit Windows as shipped, 64-bit
// for the test build on machines that run no 32-bit code.
inline constexpr SYSKIND kTypeLibrarySysKind = sizeof(void*) == 8 ? SYS_WIN64 : SYS_WIN32;

// The type information of _OrvaneVbCommand: its dispatch side (what
// IDispatch::GetTypeInfo hands out) and its vtable side (what Invoke calls
// through; invoking through the dispatch side would come back to Invoke).
struct CommandTypeInfo {
    ITypeInfo* dispatchSide = nullptr;
    ITypeInfo* vtableSide = nullptr;
};

// Loaded once for the module, on the first call that succeeds, and kept
// until it unloads; the pointers are borrowed. A failure is reported and
// the next call tries again.
HRESULT GetCommandTypeInfo(CommandTypeInfo& info) noexcept;

// Only for the module's own unload.
void ReleaseCommandTypeInfo() noexcept;

}  // namespace vantrel2
