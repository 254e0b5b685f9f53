// Stand-in for the host CAD system: a main window of its own, the command
// object created by ProgID (registered) or from a DLL path (no registration),
// one VekProcStartCmd with the window's handle, and the outcome printed.
//
//   VantrelHost.exe [--dll <path to Vantrel2.dll>] [--cmdline <number>]
//
// Prints "VekProcStartCmd hr=0x........ nCode=N" and, on failure, the error
// description. Exit code 0 on success, 1 when the start failed, 2 when the
// object could not be created.
#include <windows.h>
#include <oleauto.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "host_command.h"
#include "common/win32/win_handles.h"
#include "common/win32/code_page.h"

namespace {

using vantrel2::ComPtr;
using vantrel2::UniqueBstr;

bool ParseOptions(vantrel2::host::HostOptions& options) {
    const std::vector<std::wstring> args = vantrel2::host::Arguments();
    for (size_t at = 0; at < args.size(); ++at) {
        if (!vantrel2::host::TakeHostOption(args, at, options)) return false;
    }
    return true;
}

void PrintErrorDescription() {
    ComPtr<IErrorInfo> info;
    if (::GetErrorInfo(0, info.put()) != S_OK || !info) return;
    UniqueBstr description;
    if (SUCCEEDED(info->GetDescription(description.put())) && description) {
        std::printf("error: %s\n", vantrel2::Utf8(description.get()).c_str());
    }
}

}  // namespace

int main() {
    vantrel2::host::HostOptions options;
    if (!ParseOptions(options)) {
        std::fprintf(stderr, "usage: VantrelHost.exe [--dll <path>] [--cmdline <number>]\n");
        return 2;
    }
    return vantrel2::host::RunAsHost(options, [&](HWND window, HMODULE, _OrvaneVbCommand* command) {
        LONG nCode = 0;
        const HRESULT hr = command->VekProcStartCmd(
            static_cast<LONG>(reinterpret_cast<INT_PTR>(window)), options.cmdLine, &nCode);
        std::printf("VekProcStartCmd hr=0x%08lX nCode=%ld\n", static_cast<unsigned long>(hr),
                    static_cast<long>(nCode));
        if (FAILED(hr)) {
            PrintErrorDescription();
            return 1;
        }
        return 0;
    });
}
