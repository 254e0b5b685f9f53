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

#include "layout.h"

namespace {

struct Search {
    const std::wstring* caption;
    HWND found;
};

BOOL CALLBACK Match(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<Search*>(param);
    if (!::IsWindowVisible(window)) return TRUE;
    wchar_t text[256] = {};
    ::GetWindowTextW(window, text, 256);
    if (*search->caption != text) return TRUE;
    search->found = window;
    return FALSE;
}

HWND WaitForWindow(const std::wstring& caption, DWORD timeoutMs) {
    const DWORD start = ::GetTickCount();
    for (;;) {
        Search search{&caption, nullptr};
        ::EnumWindows(Match, reinterpret_cast<LPARAM>(&search));
        if (search.found) return search.found;
        if (::GetTickCount() - start >= timeoutMs) return nullptr;
        ::Sleep(100);
    }
}

bool WaitGone(HWND window, DWORD timeoutMs) {
    const DWORD start = ::GetTickCount();
    while (::IsWindow(window)) {
        if (::GetTickCount() - start >= timeoutMs) return false;
        ::Sleep(50);
    }
    return true;
}

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

    HWND window = WaitForWindow(caption, timeoutMs);
    if (!window) {
        std::printf("window not found\n");
        return 1;
    }
    if (mode == L"close") {
        ::PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
        if (!WaitGone(window, timeoutMs)) {
            std::printf("window still open\n");
            return 1;
        }
        std::printf("window closed\n");
    } else {
        std::printf("window shown\n");
    }
    return 0;
}
