// A visible top-level window of the test thread, standing in for the host's
// main window: the dialog disables it while open, and code can run inside it
// as the host's own code runs inside its window procedure.
#pragma once

#include <windows.h>

#include <functional>

#include "common/win32/win_handles.h"

namespace vantrel2::test {

class HostWindow {
  public:
    HostWindow();

    HWND get() const { return window_.get(); }
    explicit operator bool() const { return static_cast<bool>(window_); }

    // Runs `action` on the window's thread, inside its window procedure:
    // Send waits until it has run, Post does not.
    void Send(const std::function<void()>& action) const;
    void Post(std::function<void()> action) const;

  private:
    UniqueWindow window_;
};

}  // namespace vantrel2::test
