#include "host_window.h"

#include <memory>

namespace vantrel2::test {
namespace {

constexpr UINT kRunAction = WM_APP;
constexpr UINT kRunPostedAction = WM_APP + 1;

LRESULT CALLBACK HostWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kRunAction) {
        (*reinterpret_cast<const std::function<void()>*>(lParam))();
        return 0;
    }
    if (message == kRunPostedAction) {
        const std::unique_ptr<std::function<void()>> action(
            reinterpret_cast<std::function<void()>*>(lParam));
        (*action)();
        return 0;
    }
    return ::DefWindowProcW(window, message, wParam, lParam);
}

const wchar_t* HostWindowClass() {
    static const wchar_t* const name = [] {
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = HostWindowProc;
        windowClass.lpszClassName = L"Vantrel2TestHost";
        ::RegisterClassW(&windowClass);
        return windowClass.lpszClassName;
    }();
    return name;
}

}  // namespace

HostWindow::HostWindow()
    : window_(::CreateWindowExW(0, HostWindowClass(), L"host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0,
                                0, 200, 100, nullptr, nullptr, nullptr, nullptr)) {}

void HostWindow::Send(const std::function<void()>& action) const {
    ::SendMessageW(window_.get(), kRunAction, 0, reinterpret_cast<LPARAM>(&action));
}

void HostWindow::Post(std::function<void()> action) const {
    auto posted = std::make_unique<std::function<void()>>(std::move(action));
    if (::PostMessageW(window_.get(), kRunPostedAction, 0,
                       reinterpret_cast<LPARAM>(posted.get()))) {
        posted.release();
    }
}

}  // namespace vantrel2::test
