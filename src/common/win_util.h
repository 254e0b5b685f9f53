// Small Win32 helpers shared by the command and the dialog.
#pragma once

#include <windows.h>

#include <string>

namespace vantrel2 {

// The module (the DLL, or a program the code is linked into) this code is in.
HMODULE ThisModule() noexcept;

// That module's full path; empty when it cannot be read.
std::wstring ThisModulePath();

// The calling thread's last error as an HRESULT; E_FAIL when none was set.
inline HRESULT LastErrorResult() noexcept {
    const DWORD error = ::GetLastError();
    return error == ERROR_SUCCESS ? E_FAIL : HRESULT_FROM_WIN32(error);
}

}  // namespace vantrel2
