#include "dialog/host_modality.h"

#include "common/portable/exception_boundary.h"

namespace vantrel2 {
namespace {

// Noted before it is disabled, so that Restore has every window this took.
BOOL CALLBACK DisableEnabledWindow(HWND window, LPARAM param) {
    return StopExceptions(
        [&] {
            if (::IsWindowVisible(window) && ::IsWindowEnabled(window)) {
                reinterpret_cast<std::vector<HWND>*>(param)->push_back(window);
                ::EnableWindow(window, FALSE);
            }
            return TRUE;
        },
        [] { return FALSE; });  // out of memory: the windows disabled so far stay so
}

}  // namespace

// In one pass over the thread's windows (the system lists them before the
// first callback, so disabling one changes nothing of the enumeration).
HostWindowsDisabled::HostWindowsDisabled() {
    ::EnumThreadWindows(::GetCurrentThreadId(), DisableEnabledWindow,
                        reinterpret_cast<LPARAM>(&windows_));
}

void HostWindowsDisabled::Restore() noexcept {
    for (HWND window : windows_) {
        if (::IsWindow(window)) ::EnableWindow(window, TRUE);
    }
    windows_.clear();
}

}  // namespace vantrel2
