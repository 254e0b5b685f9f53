// What the stand-in host and the start benchmark both do as a host would: a
// main window of its own, and the command object created by ProgID
// (registered) or from a DLL path (no registration).
#pragma once

#include <windows.h>

#include <string>

#include "Vantrel2_idl.h"

namespace vantrel2::host {

HWND CreateMainWindow();

// `dll` empty: by ProgID. Otherwise `library` receives the loaded DLL.
HRESULT CreateCommand(const std::wstring& dll, HMODULE& library, _OrvaneVbCommand** command);

}  // namespace vantrel2::host
