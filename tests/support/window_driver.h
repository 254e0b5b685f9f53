// Finds and drives windows of the process from a second thread, as a user
// would: message boxes by title, buttons by id.
#pragma once

#include <windows.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "SharedState.h"

namespace vantrel2::test {

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

// Waits until the window is gone; false after the timeout.
bool WaitForWindowGone(HWND window, std::chrono::milliseconds timeout = std::chrono::seconds(20));

std::wstring WindowText(HWND window);

// What a message box shows, read before it is answered.
struct MessageBoxSeen {
    bool appeared = false;
    std::wstring text;
    std::vector<int> buttons;  // control ids of its push buttons
    HICON icon = nullptr;
    HWND owner = nullptr;
};

// Waits for a message box with `title`, records what it shows and presses
// the button `answer`.
MessageBoxSeen AnswerMessageBox(const std::wstring& title, int answer);

// Closes what a test left open over `form` (message boxes, the file-open
// dialog: any other dialog of its thread) and then `form`, so that its show
// returns, in this process or another. Gives up after 15 seconds.
void CloseEverything(HWND form);

// Waits for the file-open dialog over `form`: another dialog of its thread
// that is not one of its message boxes (the title depends on the language).
HWND WaitForFileOpen(HWND form, std::chrono::milliseconds timeout = std::chrono::seconds(20));

// The file-open dialog's editable file name: the innermost Edit of the name
// combo box (inside a ComboBoxEx on Wine).
HWND FileNameBox(HWND fileOpen);

// Types `name` and presses OK, or presses Cancel when `name` is empty.
void AnswerFileOpen(HWND fileOpen, const std::wstring& name);

struct ShowOutcome {
    HRESULT result = E_FAIL;
    bool appeared = false;
};

enum class LeftOpen { IsAFailure, IsClosed };

// Shows `form` modally on this thread while `drive` works the dialog from a
// second thread, as a user would. A dialog still open once `drive` is done is
// closed, and is a test failure unless `leftOpen` says it may be; one that
// never appears is closed wherever the show stands, so that it ends.
ShowOutcome ShowWhileDriving(ModalDialog& form, const std::function<void(HWND)>& drive,
                             LeftOpen leftOpen = LeftOpen::IsAFailure);

}  // namespace vantrel2::test
