#include "window_search.h"

namespace vantrel2::windows {
namespace {

constexpr DWORD kPollMs = 20;

struct Search {
    const WindowQuery* query;
    HWND found;
};

bool HasClass(HWND window, const std::wstring& className) {
    wchar_t name[64] = {};
    ::GetClassNameW(window, name, 64);
    return className == name;
}

// GetWindowTextW reads another process's caption without a message, so a
// program that does not answer cannot stop the search.
bool HasCaption(HWND window, const std::wstring& caption) {
    std::wstring text(caption.size() + 2, L'\0');
    text.resize(
        static_cast<size_t>(::GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return text == caption;
}

BOOL CALLBACK Match(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<Search*>(param);
    const WindowQuery& query = *search->query;
    DWORD processId = 0;
    ::GetWindowThreadProcessId(window, &processId);
    if ((query.processId != 0 && processId != query.processId) || !::IsWindowVisible(window) ||
        (!query.className.empty() && !HasClass(window, query.className)) ||
        !HasCaption(window, query.caption)) {
        return TRUE;
    }
    search->found = window;
    return FALSE;
}

}  // namespace

HWND FindTopLevelWindow(const WindowQuery& query) {
    Search search{&query, nullptr};
    ::EnumWindows(Match, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND WaitForTopLevelWindow(const WindowQuery& query, DWORD timeoutMs) {
    const DWORD start = ::GetTickCount();
    for (;;) {
        if (HWND found = FindTopLevelWindow(query)) return found;
        if (::GetTickCount() - start >= timeoutMs) return nullptr;
        ::Sleep(kPollMs);
    }
}

bool WaitForWindowGone(HWND window, DWORD timeoutMs) {
    const DWORD start = ::GetTickCount();
    while (::IsWindow(window)) {
        if (::GetTickCount() - start >= timeoutMs) return false;
        ::Sleep(kPollMs);
    }
    return true;
}

}  // namespace vantrel2::windows
