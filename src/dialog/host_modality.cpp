#include "host_modality.h"

namespace vantrel2 {
namespace {

BOOL CALLBACK CollectEnabledWindow(HWND window, LPARAM param) {
    try {
        if (::IsWindowVisible(window) && ::IsWindowEnabled(window)) {
            reinterpret_cast<std::vector<HWND>*>(param)->push_back(window);
        }
        return TRUE;
    } catch (...) {
        return FALSE;  // out of memory: the windows collected so far are disabled
    }
}

}  // namespace

HostWindowsDisabled::HostWindowsDisabled() {
    ::EnumThreadWindows(::GetCurrentThreadId(), CollectEnabledWindow,
                        reinterpret_cast<LPARAM>(&windows_));
    for (HWND window : windows_) ::EnableWindow(window, FALSE);
}

void HostWindowsDisabled::Restore() noexcept {
    for (HWND window : windows_) {
        if (::IsWindow(window)) ::EnableWindow(window, TRUE);
    }
    windows_.clear();
}

}  // namespace vantrel2
