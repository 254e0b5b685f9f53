#include "dialog/dpi.h"

#include "common/win32/win_handles.h"
#include "common/win32/win_util.h"

namespace vantrel2 {
namespace {

// DPI_AWARENESS_PER_MONITOR_AWARE, PROCESS_PER_MONITOR_DPI_AWARE
constexpr int kPerMonitorAware = 2;

std::optional<Dpi> ShcorePerMonitorDpi(HWND window) {
    const UniqueLibrary shcore(
        ::LoadLibraryExW(L"shcore.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32));
    using GetProcessAwareness = HRESULT(WINAPI*)(HANDLE, int*);
    using GetDpiForMonitorFunction = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);
    const auto getProcessAwareness =
        ExportedFunction<GetProcessAwareness>(shcore.get(), "GetProcessDpiAwareness");
    const auto getDpiForMonitor =
        ExportedFunction<GetDpiForMonitorFunction>(shcore.get(), "GetDpiForMonitor");
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
    const auto getThreadContext =
        ExportedFunction<GetThreadContext>(user32, "GetThreadDpiAwarenessContext");
    const auto getAwareness =
        ExportedFunction<GetAwareness>(user32, "GetAwarenessFromDpiAwarenessContext");
    const auto getDpiForWindow =
        ExportedFunction<GetDpiForWindowFunction>(user32, "GetDpiForWindow");
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
    if (const auto setDialog =
            ExportedFunction<SetBehavior>(user32, "SetDialogDpiChangeBehavior")) {
        setDialog(window, kDisableAll, kDisableAll);
    }
    if (const auto setControl =
            ExportedFunction<SetBehavior>(user32, "SetDialogControlDpiChangeBehavior")) {
        for (HWND child = ::GetWindow(window, GW_CHILD); child;
             child = ::GetWindow(child, GW_HWNDNEXT)) {
            setControl(child, kDisableControls, kDisableControls);
        }
    }
}

}  // namespace vantrel2
