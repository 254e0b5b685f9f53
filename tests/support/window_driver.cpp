#include "window_driver.h"

#include <gtest/gtest.h>

#include <dlgs.h>

#include <atomic>
#include <thread>

#include "common/commonModule.h"
#include "dialog/deletion/portable/deletion_run.h"
#include "dialog/portable/layout.h"
#include "temp_folder.h"
#include "window_search.h"

namespace vantrel2::test {
namespace {

using namespace std::chrono_literals;

DWORD Milliseconds(std::chrono::milliseconds duration) {
    return static_cast<DWORD>(duration.count());
}

bool HasClass(HWND window, const wchar_t* className) {
    wchar_t name[64] = {};
    ::GetClassNameW(window, name, 64);
    return std::wstring(name) == className;
}

bool IsDialog(HWND window) { return ::IsWindowVisible(window) && HasClass(window, L"#32770"); }

BOOL CALLBACK MatchThreadDialog(HWND window, LPARAM param) {
    if (!IsDialog(window)) return TRUE;
    *reinterpret_cast<HWND*>(param) = window;
    return FALSE;
}

bool IsMessageBoxTitle(const std::wstring& title) {
    return title == kWarningTitle || title == kCautionTitle;
}

struct OtherDialogSearch {
    HWND form;
    bool skipMessageBoxes;
    HWND found;
};

BOOL CALLBACK MatchOtherThreadDialog(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<OtherDialogSearch*>(param);
    if (window == search->form || !IsDialog(window) ||
        (search->skipMessageBoxes && IsMessageBoxTitle(WindowText(window)))) {
        return TRUE;
    }
    search->found = window;
    return FALSE;
}

BOOL CALLBACK CountVisibleDialog(HWND window, LPARAM param) {
    wchar_t className[64] = {};
    ::GetClassNameW(window, className, 64);
    if (::IsWindowVisible(window) && std::wstring(className) == L"#32770") {
        ++*reinterpret_cast<int*>(param);
    }
    return TRUE;
}

// A visible dialog of `form`'s thread other than `form`.
HWND FindOtherThreadDialog(HWND form, bool skipMessageBoxes) {
    OtherDialogSearch search{form, skipMessageBoxes, nullptr};
    ::EnumThreadWindows(::GetWindowThreadProcessId(form, nullptr), MatchOtherThreadDialog,
                        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

thread_local PressOnEveryShow* pressing = nullptr;

}  // namespace

// --- Finding windows ----------------------------------------------------------

HWND WaitForDialog(const std::wstring& title, std::chrono::milliseconds timeout, DWORD processId) {
    return windows::WaitForTopLevelWindow({title, L"#32770", processId}, Milliseconds(timeout));
}

HWND WaitForThreadDialog(DWORD threadId, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    do {
        HWND found = nullptr;
        ::EnumThreadWindows(threadId, MatchThreadDialog, reinterpret_cast<LPARAM>(&found));
        if (found) return found;
        std::this_thread::sleep_for(20ms);
    } while (std::chrono::steady_clock::now() < deadline);
    return nullptr;
}

bool WaitForWindowGone(HWND window, std::chrono::milliseconds timeout) {
    return windows::WaitForWindowGone(window, Milliseconds(timeout));
}

std::wstring WindowText(HWND window) {
    const int length = ::GetWindowTextLengthW(window);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    text.resize(static_cast<size_t>(::GetWindowTextW(window, text.data(), length + 1)));
    return text;
}

// --- The deletion dialog --------------------------------------------------------

ShowOutcome ShowWhileDriving(const std::function<HRESULT()>& show,
                             const std::function<void(HWND)>& drive, LeftOpen leftOpen) {
    std::atomic<bool> appeared{false};
    const DWORD showingThread = ::GetCurrentThreadId();
    std::thread driver([&] {
        HWND dialog = WaitForDialog(kVantrel2FormCaption);
        if (!dialog) {
            // Never visible: close whatever dialog the show may be stuck in.
            if (HWND hidden = WaitForThreadDialog(showingThread, 1s)) {
                ::PostMessageW(hidden, WM_CLOSE, 0, 0);
            }
            return;
        }
        appeared = true;
        if (drive) drive(dialog);
        if (leftOpen == LeftOpen::IsClosed) CloseEverything(dialog);
        if (!WaitForWindowGone(dialog, 10s)) {
            ADD_FAILURE() << "the dialog was still open after the test's steps";
            CloseEverything(dialog);
        }
    });
    ShowOutcome outcome;
    outcome.result = show();
    driver.join();
    outcome.appeared = appeared;
    return outcome;
}

ShowOutcome ShowWhileDriving(ModalDialog& form, const std::function<void(HWND)>& drive,
                             LeftOpen leftOpen) {
    return ShowWhileDriving([&] { return form.ShowModal(CurrentSharedState()); }, drive, leftOpen);
}

void CloseEverything(HWND dialog) {
    const auto deadline = std::chrono::steady_clock::now() + 15s;
    while (::IsWindow(dialog) && std::chrono::steady_clock::now() < deadline) {
        if (HWND other = FindOtherThreadDialog(dialog, false)) {
            // A question has no Cancel; a warning has only OK.
            for (const int id : {IDCANCEL, IDNO, IDOK}) {
                ::PostMessageW(other, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0);
            }
        } else {
            ::PostMessageW(dialog, WM_CLOSE, 0, 0);
        }
        std::this_thread::sleep_for(200ms);
    }
}

PressOnEveryShow::PressOnEveryShow(int button) : button_(button) {
    pressing = this;
    hook_.reset(
        ::SetWindowsHookExW(WH_CALLWNDPROCRET, AfterWindowProc, nullptr, ::GetCurrentThreadId()));
}

PressOnEveryShow::~PressOnEveryShow() {
    hook_.reset();
    pressing = nullptr;
}

LRESULT CALLBACK PressOnEveryShow::AfterWindowProc(int code, WPARAM wParam, LPARAM lParam) {
    const auto* call = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
    if (code == HC_ACTION && pressing && call->message == WM_SHOWWINDOW && call->wParam) {
        wchar_t text[64] = {};
        ::GetWindowTextW(call->hwnd, text, 64);
        if (std::wstring(text) == kVantrel2FormCaption) {
            ++pressing->shows_;
            const int button = pressing->button_;
            ::PostMessageW(call->hwnd, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                           reinterpret_cast<LPARAM>(::GetDlgItem(call->hwnd, button)));
        }
    }
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

// --- Message boxes ----------------------------------------------------------------

MessageBoxSeen AnswerMessageBox(const std::wstring& title, int answer,
                                const std::function<void(HWND)>& look) {
    MessageBoxSeen seen;
    HWND box = WaitForDialog(title);
    if (!box) return seen;
    seen.appeared = true;
    seen.owner = ::GetWindow(box, GW_OWNER);
    for (HWND child = ::GetWindow(box, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        const LONG style = ::GetWindowLongW(child, GWL_STYLE);
        if (HasClass(child, L"Button")) {
            seen.buttons.push_back(::GetDlgCtrlID(child));
        } else if (HasClass(child, L"Static") && (style & SS_TYPEMASK) == SS_ICON) {
            seen.icon = reinterpret_cast<HICON>(::SendMessageW(child, STM_GETICON, 0, 0));
        } else if (HasClass(child, L"Static") && seen.text.empty()) {
            seen.text = WindowText(child);
        }
    }
    if (look) look(box);
    ::PostMessageW(box, WM_COMMAND, MAKEWPARAM(answer, BN_CLICKED),
                   reinterpret_cast<LPARAM>(::GetDlgItem(box, answer)));
    return seen;
}

void PrintTo(const Shown& shown, std::ostream* out) {
    *out << Utf8(shown.title) << " \"" << Utf8(shown.text.substr(0, 200)) << "\"";
}

Shown Warning(std::wstring_view text) { return {L"警告", std::wstring(text)}; }

Shown Question(const std::wstring& path) {
    return {L"注意", L"\xFF62" + path + L"\xFF63を削除します。よろしいですか\xFF1F"};
}

Shown NextShown(HWND dialog, int button, std::chrono::milliseconds wait) {
    const auto deadline = std::chrono::steady_clock::now() + wait;
    for (;;) {
        for (const std::wstring_view title : {kWarningTitle, kCautionTitle}) {
            HWND box = WaitForDialog(std::wstring(title), 0ms);
            if (!box) continue;
            EXPECT_FALSE(::IsWindowEnabled(dialog)) << "the box is not modal over the dialog";
            const bool warning = title == kWarningTitle;
            const MessageBoxSeen seen =
                AnswerMessageBox(std::wstring(title), warning ? IDOK : button);
            EXPECT_EQ(seen.owner, dialog);
            const std::vector<int> buttons =
                warning ? std::vector<int>{IDOK} : std::vector<int>{IDYES, IDNO};
            EXPECT_EQ(seen.buttons, buttons);
            EXPECT_TRUE(WaitForWindowGone(box, 10s));
            return {std::wstring(title), seen.text};
        }
        if (!::IsWindowVisible(dialog)) return kClosed;
        if (std::chrono::steady_clock::now() >= deadline) return kNothing;
        std::this_thread::sleep_for(10ms);
    }
}

// --- The file-open dialog ---------------------------------------------------------

void SettleDialog(HWND dialog) {
    for (int i = 0; i < 3; ++i) {
        DWORD_PTR ignored = 0;
        ::SendMessageTimeoutW(dialog, WM_NULL, 0, 0, SMTO_BLOCK, 5000, &ignored);
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

int VisibleDialogsOfThread(HWND dialog) {
    int count = 0;
    ::EnumThreadWindows(::GetWindowThreadProcessId(dialog, nullptr), CountVisibleDialog,
                        reinterpret_cast<LPARAM>(&count));
    return ::IsWindowVisible(dialog) ? count - 1 : count;
}

HWND WaitForFileOpen(HWND form, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    do {
        if (HWND found = FindOtherThreadDialog(form, true)) return found;
        std::this_thread::sleep_for(20ms);
    } while (std::chrono::steady_clock::now() < deadline);
    return nullptr;
}

HWND FileNameBox(HWND fileOpen) {
    HWND window = ::GetDlgItem(fileOpen, cmb13);
    for (int depth = 0; window && depth < 3; ++depth) {
        if (HasClass(window, L"Edit")) return window;
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

}  // namespace vantrel2::test
