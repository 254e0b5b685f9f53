// What the stand-in host and the start benchmark both do as a host would: a
// main window of its own, and the command object created by ProgID
// (registered) or from a DLL path (no registration).
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "Vantrel2_idl.h"

namespace vantrel2::host {

HWND CreateMainWindow();

// The options both programs take: --dll <path> and --cmdline <number>.
struct HostOptions {
    std::wstring dll;
    long cmdLine = 0;
};

// The program's arguments, without its own name.
std::vector<std::wstring> Arguments();

// Reads a host option at `args[at]`, moving `at` past its value; false when
// the argument is none of them.
bool TakeHostOption(const std::vector<std::wstring>& args, size_t& at, HostOptions& options);

// `dll` empty: by ProgID. Otherwise `library` receives the loaded DLL.
HRESULT CreateCommand(const std::wstring& dll, HMODULE& library, _OrvaneVbCommand** command);

// As a host runs a command: COM on this thread, the main window, the command
// object; then `work` with them, and everything released again. 2 (after
// printing "create hr=...") when the object cannot be made, else what
// `work` returns.
using HostWork = std::function<int(HWND window, HMODULE library, _OrvaneVbCommand* command)>;
int RunAsHost(const HostOptions& options, const HostWork& work);

}  // namespace vantrel2::host
