#include "dpi.h"

#include "win_handles.h"

namespace vantrel2 {
namespace {

template <typename Function>
Function Lookup(HMODULE module, const char* name) {
    return module
               ? reinterpret_cast<Function>(reinterpret_cast<void*>(::GetProcAddress(module, name)))
               : nullptr;
}

// DPI_AWARENESS_PER_MONITOR_AWARE, PROCESS_PER_MONITOR_DPI_AWARE
constexpr int kPerMonitorAware = 2;

std::optional<Dpi> ShcorePerMonitorDpi(HWND window) {
    const UniqueLibrary shcore(
        ::LoadLibraryExW(L"shcore.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32));
    using GetProcessAwareness = HRESULT(WINAPI*)(HANDLE, int*);
    using GetDpiForMonitorFunction = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);
    const auto getProcessAwareness =
        Lookup<GetProcessAwareness>(shcore.get(), "GetProcessDpiAwareness");
    const auto getDpiForMonitor =
        Lookup<GetDpiForMonitorFunction>(shcore.get(), "GetDpiForMonitor");
    int awareness = 0;
    if (!getProcessAwareness || !getDpiForMonitor ||
        FAILED(getProcessAwareness(nullptr, &awareness)) || awareness != kPerMonitorAware) {
        return std::nullopt;
    }
    UINT x = 0;
    UINT y = 0;
    const HMONITOR monitor = ::MonitorFromWindow(window, MONITOR_DEFAULTTOPRIMARY);
    if (FAILED(getDpiForMonitor(monitor, 0 /* MDT_EFFECTIVE_DPI */, &x, &y)) || !x || !y) {
        return std::nullopt;
    }
    return Dpi{static_cast<int>(x), static_cast<int>(y)};
}

}  // namespace

Dpi ScreenDpi() {
    Dpi dpi;
    const UniqueScreenDc screen(::GetDC(nullptr));
    if (screen) {
        dpi.x = ::GetDeviceCaps(screen.get(), LOGPIXELSX);
        dpi.y = ::GetDeviceCaps(screen.get(), LOGPIXELSY);
    }
    return dpi;
}

std::optional<Dpi> PerMonitorDpi(HWND window) {
    const HMODULE user32 = ::GetModuleHandleW(L"user32.dll");
    using GetThreadContext = HANDLE(WINAPI*)();
    using GetAwareness = int(WINAPI*)(HANDLE);
    using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);
    const auto getThreadContext = Lookup<GetThreadContext>(user32, "GetThreadDpiAwarenessContext");
    const auto getAwareness = Lookup<GetAwareness>(user32, "GetAwarenessFromDpiAwarenessContext");
    const auto getDpiForWindow = Lookup<GetDpiForWindowFunction>(user32, "GetDpiForWindow");
    if (!getThreadContext || !getAwareness || !getDpiForWindow) return ShcorePerMonitorDpi(window);
    if (getAwareness(getThreadContext()) != kPerMonitorAware) return std::nullopt;
    const int dpi = static_cast<int>(getDpiForWindow(window));
    if (dpi <= 0) return std::nullopt;
    return Dpi{dpi, dpi};
}

void KeepDialogManagerFromRescaling(HWND window) {
    const HMODULE user32 = ::GetModuleHandleW(L"user32.dll");
    using SetBehavior = BOOL(WINAPI*)(HWND, int, int);
    constexpr int kDisableAll = 1;       // DDC_DISABLE_ALL
    constexpr int kDisableControls = 3;  // DCDC_DISABLE_FONTUPDATE | DCDC_DISABLE_RELAYOUT
    if (const auto setDialog = Lookup<SetBehavior>(user32, "SetDialogDpiChangeBehavior")) {
        setDialog(window, kDisableAll, kDisableAll);
    }
    if (const auto setControl = Lookup<SetBehavior>(user32, "SetDialogControlDpiChangeBehavior")) {
        for (HWND child = ::GetWindow(window, GW_CHILD); child;
             child = ::GetWindow(child, GW_HWNDNEXT)) {
            setControl(child, kDisableControls, kDisableControls);
        }
    }
}

}  // namespace vantrel2
