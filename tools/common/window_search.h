// Finding a visible top-level window by its caption, for the tools and the
// tests alike.
#pragma once

#include <windows.h>

#include <string>

namespace vantrel2::windows {

struct WindowQuery {
    std::wstring caption;
    std::wstring className;  // empty: any class
    DWORD processId = 0;     // 0: any process
};

// The first visible top-level window that matches, or nullptr.
HWND FindTopLevelWindow(const WindowQuery& query);

// Looks again every 20 ms until one matches; nullptr after `timeoutMs`.
HWND WaitForTopLevelWindow(const WindowQuery& query, DWORD timeoutMs);

// Whether `window` was destroyed within `timeoutMs`.
bool WaitForWindowGone(HWND window, DWORD timeoutMs);

}  // namespace vantrel2::windows
