#include "host_command.h"

#include <shellapi.h>

#include <cstdio>
#include <cstdlib>

#include "common/win32/win_handles.h"

namespace vantrel2::host {

std::vector<std::wstring> Arguments() {
    int count = 0;
    LPWSTR* args = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    if (!args) return {};
    std::vector<std::wstring> arguments(args + (count > 0 ? 1 : 0), args + count);
    ::LocalFree(args);
    return arguments;
}

bool TakeHostOption(const std::vector<std::wstring>& args, size_t& at, HostOptions& options) {
    if (at + 1 >= args.size()) return false;
    if (args[at] == L"--dll") {
        options.dll = args[++at];
    } else if (args[at] == L"--cmdline") {
        options.cmdLine = std::wcstol(args[++at].c_str(), nullptr, 10);
    } else {
        return false;
    }
    return true;
}

HWND CreateMainWindow() {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = ::DefWindowProcW;
    windowClass.hInstance = ::GetModuleHandleW(nullptr);
    windowClass.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_APPWORKSPACE + 1);
    windowClass.lpszClassName = L"VantrelHostWindow";
    ::RegisterClassW(&windowClass);
    HWND window = ::CreateWindowExW(0, windowClass.lpszClassName, L"Vantrel host (stand-in)",
                                    WS_OVERLAPPEDWINDOW, 0, 0, 900, 680, nullptr, nullptr,
                                    windowClass.hInstance, nullptr);
    if (window) ::ShowWindow(window, SW_SHOWNORMAL);
    return window;
}

HRESULT CreateCommand(const std::wstring& dll, HMODULE& library, _OrvaneVbCommand** command) {
    if (dll.empty()) {
        CLSID clsid{};
        HRESULT hr = ::CLSIDFromProgID(L"Vantrel2.OrvaneVbCommand", &clsid);
        if (FAILED(hr)) return hr;
        return ::CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, __uuidof(_OrvaneVbCommand),
                                  reinterpret_cast<void**>(command));
    }
    library = ::LoadLibraryW(dll.c_str());
    if (!library) return HRESULT_FROM_WIN32(::GetLastError());
    using GetClassObject = HRESULT(__stdcall*)(REFCLSID, REFIID, void**);
    auto getClassObject = reinterpret_cast<GetClassObject>(
        reinterpret_cast<void*>(::GetProcAddress(library, "DllGetClassObject")));
    if (!getClassObject) return HRESULT_FROM_WIN32(ERROR_PROC_NOT_FOUND);
    vantrel2::ComPtr<IClassFactory> factory;
    const HRESULT hr = getClassObject(__uuidof(OrvaneVbCommand), IID_IClassFactory,
                                      reinterpret_cast<void**>(factory.put()));
    if (FAILED(hr)) return hr;
    return factory->CreateInstance(nullptr, __uuidof(_OrvaneVbCommand),
                                   reinterpret_cast<void**>(command));
}

int RunAsHost(const HostOptions& options, const HostWork& work) {
    if (FAILED(::CoInitialize(nullptr))) return 2;
    int exitCode = 2;
    HWND window = CreateMainWindow();
    HMODULE library = nullptr;
    _OrvaneVbCommand* command = nullptr;
    const HRESULT created = window ? CreateCommand(options.dll, library, &command) : E_HANDLE;
    if (FAILED(created)) {
        std::printf("create hr=0x%08lX\n", static_cast<unsigned long>(created));
    } else {
        exitCode = work(window, library, command);
        command->Release();
    }
    std::fflush(stdout);
    if (window) ::DestroyWindow(window);
    if (library) ::FreeLibrary(library);
    ::CoUninitialize();
    return exitCode;
}

}  // namespace vantrel2::host
