// Finds and works the windows the command shows, from a second thread, as a
// user would: the deletion dialog, its message boxes, the file-open dialog.
#pragma once

#include <windows.h>

#include <chrono>
#include <functional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "common/SharedState.h"
#include "common/win32/win_handles.h"

namespace vantrel2::test {

// --- Finding windows ----------------------------------------------------------

// Waits for a visible top-level dialog-class window with this title, owned
// by the process `processId`; nullptr after the timeout.
HWND WaitForDialog(const std::wstring& title,
                   std::chrono::milliseconds timeout = std::chrono::seconds(20),
                   DWORD processId = ::GetCurrentProcessId());

// Waits for a visible top-level dialog-class window created by the thread
// `threadId`, whatever its title (the file-open dialog's depends on the
// language); nullptr after the timeout.
HWND WaitForThreadDialog(DWORD threadId,
                         std::chrono::milliseconds timeout = std::chrono::seconds(20));

// Lets `dialog`'s thread handle what was posted to it so far (its own loop or
// a nested one's).
void SettleDialog(HWND dialog);

// The visible dialogs of `dialog`'s thread other than `dialog`: its message
// boxes and file-open dialogs.
int VisibleDialogsOfThread(HWND dialog);

// Waits until the window is gone; false after the timeout.
bool WaitForWindowGone(HWND window, std::chrono::milliseconds timeout = std::chrono::seconds(20));

std::wstring WindowText(HWND window);

// --- The deletion dialog --------------------------------------------------------

struct ShowOutcome {
    HRESULT result = E_FAIL;
    bool appeared = false;
};

enum class LeftOpen { IsAFailure, IsClosed };

// Runs `show` on this thread (a modal show of the deletion dialog, or a
// command start that makes one) while `drive` works the dialog from a
// second thread. A dialog still open once `drive` is done is closed, and is
// a test failure unless `leftOpen` says it may be; one that never appears is
// closed wherever the show stands, so that it ends.
ShowOutcome ShowWhileDriving(const std::function<HRESULT()>& show,
                             const std::function<void(HWND)>& drive,
                             LeftOpen leftOpen = LeftOpen::IsAFailure);
ShowOutcome ShowWhileDriving(ModalDialog& form, const std::function<void(HWND)>& drive,
                             LeftOpen leftOpen = LeftOpen::IsAFailure);

// Closes what is open over `dialog` (message boxes, the file-open dialog:
// any other dialog of its thread) and then `dialog`, in this process or
// another. Gives up after 15 seconds.
void CloseEverything(HWND dialog);

// For long series: presses a button each time the deletion dialog shows on
// this thread, from a hook inside the thread rather than from a polling
// second thread, so that hundreds of shows stay fast.
class PressOnEveryShow {
  public:
    explicit PressOnEveryShow(int button);
    ~PressOnEveryShow();
    PressOnEveryShow(const PressOnEveryShow&) = delete;
    PressOnEveryShow& operator=(const PressOnEveryShow&) = delete;

    explicit operator bool() const { return static_cast<bool>(hook_); }
    void Press(int button) { button_ = button; }  // from the next show on
    long Shows() const { return shows_; }

  private:
    static LRESULT CALLBACK AfterWindowProc(int code, WPARAM wParam, LPARAM lParam);

    UniqueWindowsHook hook_;
    int button_;
    long shows_ = 0;
};

// --- Message boxes ----------------------------------------------------------------

// What a message box shows, read before it is answered.
struct MessageBoxSeen {
    bool appeared = false;
    std::wstring text;
    std::vector<int> buttons;  // control ids of its push buttons
    HICON icon = nullptr;
    HWND owner = nullptr;
};

// Waits for a message box with `title`, records what it shows, lets `look`
// see it and presses the button `answer`.
MessageBoxSeen AnswerMessageBox(const std::wstring& title, int answer,
                                const std::function<void(HWND)>& look = {});

// What the dialog did next: a box titled 警告 or 注意 (answered; it must be
// modal over the dialog, a warning with OK alone and a question with Yes and
// No), its own closing, or nothing within the wait.
struct Shown {
    std::wstring title;
    std::wstring text;
    bool operator==(const Shown&) const = default;
};
inline const Shown kClosed{L"(closed)", L""};
inline const Shown kNothing{L"(nothing)", L""};
void PrintTo(const Shown& shown, std::ostream* out);

Shown Warning(std::wstring_view text);
Shown Question(const std::wstring& path);  // the confirmation for `path`

// Answers a question with `button`, a warning with OK.
Shown NextShown(HWND dialog, int button = IDYES,
                std::chrono::milliseconds wait = std::chrono::seconds(20));

// --- The file-open dialog ---------------------------------------------------------

// Waits for the file-open dialog over `form`: another dialog of its thread
// that is not one of its message boxes (the title depends on the language).
HWND WaitForFileOpen(HWND form, std::chrono::milliseconds timeout = std::chrono::seconds(20));

// The file-open dialog's editable file name: the innermost Edit of the name
// combo box (inside a ComboBoxEx on Wine).
HWND FileNameBox(HWND fileOpen);

// Types `name` and presses OK, or presses Cancel when `name` is empty.
void AnswerFileOpen(HWND fileOpen, const std::wstring& name);

}  // namespace vantrel2::test
