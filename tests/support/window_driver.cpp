#include "window_driver.h"

#include <gtest/gtest.h>

#include <dlgs.h>

#include <atomic>
#include <thread>

#include "Vantrel2Form.h"
#include "window_search.h"

namespace vantrel2::test {
namespace {

DWORD Milliseconds(std::chrono::milliseconds duration) {
    return static_cast<DWORD>(duration.count());
}

BOOL CALLBACK MatchThreadDialog(HWND window, LPARAM param) {
    wchar_t className[64] = {};
    ::GetClassNameW(window, className, 64);
    if (!::IsWindowVisible(window) || std::wstring(className) != L"#32770") return TRUE;
    *reinterpret_cast<HWND*>(param) = window;
    return FALSE;
}

bool IsMessageBoxTitle(const std::wstring& title) { return title == L"警告" || title == L"注意"; }

struct OtherDialogSearch {
    HWND form;
    bool skipMessageBoxes;
    HWND found;
};

BOOL CALLBACK MatchOtherThreadDialog(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<OtherDialogSearch*>(param);
    wchar_t className[64] = {};
    ::GetClassNameW(window, className, 64);
    if (window == search->form || !::IsWindowVisible(window) ||
        std::wstring(className) != L"#32770" ||
        (search->skipMessageBoxes && IsMessageBoxTitle(WindowText(window)))) {
        return TRUE;
    }
    search->found = window;
    return FALSE;
}

// A visible dialog of `form`'s thread other than `form`.
HWND FindOtherThreadDialog(HWND form, bool skipMessageBoxes) {
    OtherDialogSearch search{form, skipMessageBoxes, nullptr};
    ::EnumThreadWindows(::GetWindowThreadProcessId(form, nullptr), MatchOtherThreadDialog,
                        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

}  // namespace

void CloseEverything(HWND form) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(15);
    while (::IsWindow(form) && std::chrono::steady_clock::now() < deadline) {
        if (HWND other = FindOtherThreadDialog(form, false)) {
            // A question has no Cancel; a warning has only OK.
            for (const int id : {IDCANCEL, IDNO, IDOK}) {
                ::PostMessageW(other, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0);
            }
        } else {
            ::PostMessageW(form, WM_CLOSE, 0, 0);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
}

HWND WaitForFileOpen(HWND form, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    do {
        if (HWND found = FindOtherThreadDialog(form, true)) return found;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    } while (std::chrono::steady_clock::now() < deadline);
    return nullptr;
}

HWND FileNameBox(HWND fileOpen) {
    HWND window = ::GetDlgItem(fileOpen, cmb13);
    for (int depth = 0; window && depth < 3; ++depth) {
        wchar_t className[64] = {};
        ::GetClassNameW(window, className, 64);
        if (std::wstring(className) == L"Edit") return window;
        window = ::GetWindow(window, GW_CHILD);
    }
    return ::GetDlgItem(fileOpen, edt1);
}

void AnswerFileOpen(HWND fileOpen, const std::wstring& name) {
    HWND nameBox = FileNameBox(fileOpen);
    if (name.empty() || !nameBox) {
        ::PostMessageW(fileOpen, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        return;
    }
    ::SendMessageW(nameBox, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(name.c_str()));
    ::PostMessageW(fileOpen, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                   reinterpret_cast<LPARAM>(::GetDlgItem(fileOpen, IDOK)));
}

ShowOutcome ShowWhileDriving(ModalDialog& form, const std::function<void(HWND)>& drive,
                             LeftOpen leftOpen) {
    std::atomic<bool> appeared{false};
    const DWORD showingThread = ::GetCurrentThreadId();
    std::thread driver([&] {
        HWND dialog = WaitForDialog(kVantrel2FormCaption);
        if (!dialog) {
            // Never visible: close whatever dialog the show may be stuck in.
            if (HWND hidden = WaitForThreadDialog(showingThread, std::chrono::seconds(1))) {
                ::PostMessageW(hidden, WM_CLOSE, 0, 0);
            }
            return;
        }
        appeared = true;
        drive(dialog);
        if (leftOpen == LeftOpen::IsClosed) CloseEverything(dialog);
        if (!WaitForWindowGone(dialog, std::chrono::seconds(10))) {
            ADD_FAILURE() << "the dialog was still open after the test's steps";
            CloseEverything(dialog);
        }
    });
    ShowOutcome outcome;
    outcome.result = form.ShowModal();
    driver.join();
    outcome.appeared = appeared;
    return outcome;
}

std::wstring WindowText(HWND window) {
    const int length = ::GetWindowTextLengthW(window);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    text.resize(static_cast<size_t>(::GetWindowTextW(window, text.data(), length + 1)));
    return text;
}

HWND WaitForDialog(const std::wstring& title, std::chrono::milliseconds timeout, DWORD processId) {
    return windows::WaitForTopLevelWindow({title, L"#32770", processId}, Milliseconds(timeout));
}

HWND WaitForThreadDialog(DWORD threadId, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    do {
        HWND found = nullptr;
        ::EnumThreadWindows(threadId, MatchThreadDialog, reinterpret_cast<LPARAM>(&found));
        if (found) return found;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    } while (std::chrono::steady_clock::now() < deadline);
    return nullptr;
}

bool WaitForWindowGone(HWND window, std::chrono::milliseconds timeout) {
    return windows::WaitForWindowGone(window, Milliseconds(timeout));
}

MessageBoxSeen AnswerMessageBox(const std::wstring& title, int answer) {
    MessageBoxSeen seen;
    HWND box = WaitForDialog(title);
    if (!box) return seen;
    seen.appeared = true;
    seen.owner = ::GetWindow(box, GW_OWNER);
    for (HWND child = ::GetWindow(box, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        wchar_t className[64] = {};
        ::GetClassNameW(child, className, 64);
        const std::wstring kind = className;
        const LONG style = ::GetWindowLongW(child, GWL_STYLE);
        if (kind == L"Button") {
            seen.buttons.push_back(::GetDlgCtrlID(child));
        } else if (kind == L"Static" && (style & SS_TYPEMASK) == SS_ICON) {
            seen.icon = reinterpret_cast<HICON>(::SendMessageW(child, STM_GETICON, 0, 0));
        } else if (kind == L"Static" && seen.text.empty()) {
            seen.text = WindowText(child);
        }
    }
    ::PostMessageW(box, WM_COMMAND, MAKEWPARAM(answer, BN_CLICKED),
                   reinterpret_cast<LPARAM>(::GetDlgItem(box, answer)));
    return seen;
}

}  // namespace vantrel2::test
