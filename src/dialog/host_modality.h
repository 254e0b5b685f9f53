// What makes the dialog modal over the whole host, beyond its owner (the
// CAD's window, or a hidden window where the CAD has none): the thread's
// other top-level windows are disabled while it is open.
#pragma once

#include <windows.h>

#include <vector>

namespace vantrel2 {

// Disables the calling thread's visible, enabled top-level windows (the
// host's) for its lifetime, or until Restore.
class HostWindowsDisabled {
  public:
    HostWindowsDisabled();
    ~HostWindowsDisabled() { Restore(); }
    HostWindowsDisabled(const HostWindowsDisabled&) = delete;
    HostWindowsDisabled& operator=(const HostWindowsDisabled&) = delete;

    // Enables again what was disabled (and still exists); the host's windows
    // come back before the dialog goes, so that activation can return to them.
    void Restore() noexcept;

  private:
    std::vector<HWND> windows_;
};

}  // namespace vantrel2
