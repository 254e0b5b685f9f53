// The four functions of the host's command library that the command calls.
// Each is looked up by name on its first call in the process and the binding
// is kept; a library or function that cannot be found is looked up again on
// the next call. A failure sets the COM error object and returns
// kHostLibraryNotFound or kHostEntryPointNotFound.
#pragma once

#include <windows.h>

#include <cstdint>

#include "command/TextBoxStatus.h"

namespace vantrel2 {

inline constexpr wchar_t kHostLibraryName[] = L"VekCmdLib.dll";

// Gives back the reference the binding took on the library. Only for the
// DLL's own unload (FreeLibrary), when nothing of it can run any more.
void ReleaseHostLibrary() noexcept;

HRESULT HostInitVBCmdLib(std::int32_t hWnd, std::int32_t nCmdLine) noexcept;
HRESULT HostExitCommand() noexcept;
HRESULT HostGetCSBHandle(std::int16_t csbID, std::int32_t& handle) noexcept;
HRESULT HostGetTextBoxStatus(std::int32_t handle, std::int16_t itemID,
                             TextBoxStatusA& record) noexcept;

}  // namespace vantrel2
