// Stand-in for the host CAD system: a main window of its own, the command
// object created by ProgID (registered) or from a DLL path (no registration),
// one VekProcStartCmd with the window's handle, and the outcome printed.
//
//   VantrelHost.exe [--dll <path to Vantrel2.dll>] [--cmdline <number>]
//                   [--time-start <runs> [--empty-dialog]]
//
// --time-start (for scripts/bench.sh) starts the command <runs> times after
// one unmeasured start, each time closing the dialog as soon as it is shown
// and painted, and prints "start-ms <milliseconds>" per run and what the
// first open dialog added to the process. With --empty-dialog the same is
// done with an empty modal dialog of the plain dialog API instead.
//
// Prints "VekProcStartCmd hr=0x........ nCode=N" and, on failure, the error
// description. Exit code 0 on success, 1 when the start failed, 2 when the
// object could not be created.
#include <windows.h>
#include <oleauto.h>
#include <shellapi.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "Vantrel2_idl.h"

namespace {

struct Options {
    std::wstring dll;
    long cmdLine = 0;
    int timedRuns = 0;
    bool emptyDialog = false;
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
        } else if (arg == L"--time-start" && i + 1 < count) {
            options.timedRuns = static_cast<int>(std::wcstol(args[++i], nullptr, 10));
        } else if (arg == L"--empty-dialog") {
            options.emptyDialog = true;
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

// --- Timing ---------------------------------------------------------------

// What the process holds: Linux's view of it under Wine (/proc), the
// system's counters on Windows. Wine reports no GDI/USER counts, so windows
// are counted instead.
struct Footprint {
    long long privateKb = -1;  // resident private memory (RssAnon) under Wine
    long long gdiObjects = 0;
    long long userObjects = 0;
    long long windows = 0;
};

BOOL CALLBACK CountWindow(HWND window, LPARAM count) {
    ++*reinterpret_cast<long long*>(count);
    ::EnumChildWindows(window, CountWindow, count);
    return TRUE;
}

Footprint Measure() {
    Footprint footprint;
    std::ifstream status("Z:\\proc\\self\\status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("RssAnon:", 0) == 0) footprint.privateKb = std::atoll(line.c_str() + 8);
    }
    footprint.gdiObjects = ::GetGuiResources(::GetCurrentProcess(), GR_GDIOBJECTS);
    footprint.userObjects = ::GetGuiResources(::GetCurrentProcess(), GR_USEROBJECTS);
    ::EnumThreadWindows(::GetCurrentThreadId(), CountWindow,
                        reinterpret_cast<LPARAM>(&footprint.windows));
    return footprint;
}

struct Timing {
    LARGE_INTEGER started{};
    double elapsedMs = -1;
    bool measureFootprint = false;
    Footprint open;
};
Timing* g_timing = nullptr;

// The dialog loop sends WM_ENTERIDLE whenever its queue runs empty; once the
// dialog is visible and nothing of the thread is left to paint, it is on
// the screen as the user sees it.
LRESULT CALLBACK WatchIdle(int code, WPARAM wParam, LPARAM lParam) {
    const auto* message = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (code == HC_ACTION && g_timing && g_timing->elapsedMs < 0 &&
        message->message == WM_ENTERIDLE && message->wParam == MSGF_DIALOGBOX) {
        const auto dialog = reinterpret_cast<HWND>(message->lParam);
        if (::IsWindowVisible(dialog) && HIWORD(::GetQueueStatus(QS_PAINT)) == 0) {
            LARGE_INTEGER now{}, frequency{};
            ::QueryPerformanceCounter(&now);
            ::QueryPerformanceFrequency(&frequency);
            g_timing->elapsedMs = double(now.QuadPart - g_timing->started.QuadPart) * 1000.0 /
                                  double(frequency.QuadPart);
            if (g_timing->measureFootprint) g_timing->open = Measure();
            ::PostMessageW(dialog, WM_CLOSE, 0, 0);
        }
    }
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

INT_PTR CALLBACK EmptyDialogProc(HWND dialog, UINT message, WPARAM, LPARAM) {
    if (message == WM_INITDIALOG) return TRUE;
    if (message == WM_CLOSE) {
        ::EndDialog(dialog, 0);
        return TRUE;
    }
    return FALSE;
}

// The floor: an empty dialog of the same frame and client size, centred.
void ShowEmptyDialog(HWND owner) {
    struct {
        DLGTEMPLATE header;
        WORD menu, windowClass, title[6];
    } dialogTemplate{};
    dialogTemplate.header.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_CENTER;
    dialogTemplate.header.cx = 369;  // about 553 x 230 pixels in the system font
    dialogTemplate.header.cy = 140;
    const wchar_t title[] = L"Empty";
    for (int i = 0; i < 6; ++i) dialogTemplate.title[i] = title[i];
    ::DialogBoxIndirectParamW(::GetModuleHandleW(nullptr), &dialogTemplate.header, owner,
                              EmptyDialogProc, 0);
}

int TimeStarts(const Options& options, HWND window, _OrvaneVbCommand* command) {
    HHOOK hook = ::SetWindowsHookExW(WH_CALLWNDPROC, WatchIdle, nullptr, ::GetCurrentThreadId());
    if (!hook) return 1;
    int failures = 0;
    for (int run = 0; run <= options.timedRuns; ++run) {
        Timing timing;
        timing.measureFootprint = run == 0;
        const Footprint before = run == 0 ? Measure() : Footprint{};
        g_timing = &timing;
        ::QueryPerformanceCounter(&timing.started);
        if (options.emptyDialog) {
            ShowEmptyDialog(window);
        } else {
            LONG nCode = 0;
            if (FAILED(
                    command->VekProcStartCmd(static_cast<LONG>(reinterpret_cast<INT_PTR>(window)),
                                             options.cmdLine, &nCode))) {
                ++failures;
            }
        }
        g_timing = nullptr;
        if (timing.elapsedMs < 0) ++failures;
        if (run == 0) {
            std::printf("first-start-ms %.3f\n", timing.elapsedMs);
            std::printf("open-adds private-kb %lld gdi %lld user %lld windows %lld\n",
                        timing.open.privateKb - before.privateKb,
                        timing.open.gdiObjects - before.gdiObjects,
                        timing.open.userObjects - before.userObjects,
                        timing.open.windows - before.windows);
        } else {
            std::printf("start-ms %.3f\n", timing.elapsedMs);
        }
    }
    ::UnhookWindowsHookEx(hook);
    return failures ? 1 : 0;
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
    } else if (options.timedRuns > 0) {
        exitCode = TimeStarts(options, window, command);
        command->Release();
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
