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
#include <shellapi.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "Vantrel2_idl.h"

namespace {

struct Options {
    std::wstring dll;
    long cmdLine = 0;
};

bool ParseOptions(Options& options) {
    int count = 0;
    LPWSTR* args = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    if (!args) return false;
    bool ok = true;
    for (int i = 1; i < count; ++i) {
        const std::wstring arg = args[i];
        if (arg == L"--dll" && i + 1 < count) {
            options.dll = args[++i];
        } else if (arg == L"--cmdline" && i + 1 < count) {
            options.cmdLine = std::wcstol(args[++i], nullptr, 10);
        } else {
            ok = false;
        }
    }
    ::LocalFree(args);
    return ok;
}

std::string Utf8(const wchar_t* text) {
    const int size = ::WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (size <= 1) return {};
    std::string result(static_cast<size_t>(size), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text, -1, result.data(), size, nullptr, nullptr);
    result.resize(static_cast<size_t>(size - 1));
    return result;
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

HRESULT CreateCommand(const Options& options, HMODULE& library, _OrvaneVbCommand** command) {
    if (options.dll.empty()) {
        CLSID clsid{};
        HRESULT hr = ::CLSIDFromProgID(L"Vantrel2.OrvaneVbCommand", &clsid);
        if (FAILED(hr)) return hr;
        return ::CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, __uuidof(_OrvaneVbCommand),
                                  reinterpret_cast<void**>(command));
    }
    library = ::LoadLibraryW(options.dll.c_str());
    if (!library) return HRESULT_FROM_WIN32(::GetLastError());
    using GetClassObject = HRESULT(__stdcall*)(REFCLSID, REFIID, void**);
    auto getClassObject = reinterpret_cast<GetClassObject>(
        reinterpret_cast<void*>(::GetProcAddress(library, "DllGetClassObject")));
    if (!getClassObject) return HRESULT_FROM_WIN32(ERROR_PROC_NOT_FOUND);
    IClassFactory* factory = nullptr;
    HRESULT hr = getClassObject(__uuidof(OrvaneVbCommand), IID_IClassFactory,
                                reinterpret_cast<void**>(&factory));
    if (FAILED(hr)) return hr;
    hr = factory->CreateInstance(nullptr, __uuidof(_OrvaneVbCommand),
                                 reinterpret_cast<void**>(command));
    factory->Release();
    return hr;
}

void PrintErrorDescription() {
    IErrorInfo* info = nullptr;
    if (::GetErrorInfo(0, &info) != S_OK || !info) return;
    BSTR description = nullptr;
    if (SUCCEEDED(info->GetDescription(&description)) && description) {
        std::printf("error: %s\n", Utf8(description).c_str());
        ::SysFreeString(description);
    }
    info->Release();
}

}  // namespace

int main() {
    Options options;
    if (!ParseOptions(options)) {
        std::fprintf(stderr, "usage: VantrelHost.exe [--dll <path>] [--cmdline <number>]\n");
        return 2;
    }
    if (FAILED(::CoInitialize(nullptr))) return 2;
    int exitCode = 0;
    HWND window = CreateMainWindow();
    HMODULE library = nullptr;
    _OrvaneVbCommand* command = nullptr;
    const HRESULT created = window ? CreateCommand(options, library, &command) : E_HANDLE;
    if (FAILED(created)) {
        std::printf("create hr=0x%08lX\n", static_cast<unsigned long>(created));
        exitCode = 2;
    } else {
        LONG nCode = 0;
        const HRESULT hr = command->VekProcStartCmd(
            static_cast<LONG>(reinterpret_cast<INT_PTR>(window)), options.cmdLine, &nCode);
        std::printf("VekProcStartCmd hr=0x%08lX nCode=%ld\n", static_cast<unsigned long>(hr),
                    static_cast<long>(nCode));
        if (FAILED(hr)) {
            PrintErrorDescription();
            exitCode = 1;
        }
        command->Release();
    }
    std::fflush(stdout);
    if (window) ::DestroyWindow(window);
    if (library) ::FreeLibrary(library);
    ::CoUninitialize();
    return exitCode;
}
