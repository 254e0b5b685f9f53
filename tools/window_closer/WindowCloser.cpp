// Finds a visible top-level window by its caption, in any process, and
// closes it the way a user would (the caption's close button).
//
//   WindowCloser.exe wait|close [--caption <text>] [--timeout <seconds>]
//                               [--desktop <name>]
//
// The caption defaults to the deletion dialog's. --desktop looks in that
// desktop (e.g. a Wine virtual desktop) instead of the caller's. Exit code 0 when the window
// was found (and, for close, is gone), 1 otherwise.
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "dialog/portable/layout.h"
#include "window_search.h"

namespace {

// The desktop may still be starting when we are.
bool UseDesktop(const std::wstring& name, DWORD timeoutMs) {
    const DWORD start = ::GetTickCount();
    for (;;) {
        if (HDESK handle = ::OpenDesktopW(name.c_str(), 0, FALSE, GENERIC_ALL)) {
            return ::SetThreadDesktop(handle) != FALSE;
        }
        if (::GetTickCount() - start >= timeoutMs) return false;
        ::Sleep(100);
    }
}

}  // namespace

int main() {
    int count = 0;
    LPWSTR* args = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    if (!args || count < 2) {
        std::fprintf(stderr, "usage: WindowCloser.exe wait|close [--caption text] [--timeout s]\n");
        return 2;
    }
    const std::wstring mode = args[1];
    std::wstring caption = vantrel2::kVantrel2FormCaption;
    std::wstring desktop;
    DWORD timeoutMs = 30000;
    for (int i = 2; i + 1 < count; i += 2) {
        const std::wstring option = args[i];
        if (option == L"--caption") caption = args[i + 1];
        if (option == L"--desktop") desktop = args[i + 1];
        if (option == L"--timeout") {
            timeoutMs = 1000u * static_cast<DWORD>(std::wcstoul(args[i + 1], nullptr, 10));
        }
    }
    ::LocalFree(args);
    if (!desktop.empty() && !UseDesktop(desktop, timeoutMs)) {
        std::printf("desktop not found\n");
        return 1;
    }

    // Any class, any process.
    HWND window = vantrel2::windows::WaitForTopLevelWindow({caption, L"", 0}, timeoutMs);
    if (!window) {
        std::printf("window not found\n");
        return 1;
    }
    if (mode == L"close") {
        ::PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
        if (!vantrel2::windows::WaitForWindowGone(window, timeoutMs)) {
            std::printf("window still open\n");
            return 1;
        }
        std::printf("window closed\n");
    } else {
        std::printf("window shown\n");
    }
    return 0;
}
