// A host folder of real files, the real dialog shown on the test thread, and
// a second thread that answers what the dialog shows as a user would.
#pragma once

#include <gtest/gtest.h>

#include <windows.h>

#include <chrono>
#include <functional>
#include <string>

#include "Vantrel2Form.h"
#include "temp_folder.h"

namespace vantrel2::test {

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

Shown NextShown(HWND dialog, int button = IDYES,
                std::chrono::milliseconds wait = std::chrono::seconds(20));

void SetPath(HWND dialog, int row, const std::wstring& text);
void Click(HWND dialog, int id);  // sent: a check box toggles at once
void Press(HWND dialog, int id);  // posted: the handler may wait in a box

// A host folder: sysinfo\, sysdata\ and the three target files.
class HostFolderTest : public ::testing::Test {
  protected:
    void SetUp() override;
    std::wstring Target(int row) const { return targets_[row]; }
    std::wstring SettingsFile() const;
    // Shows the dialog from this thread's SharedState, loaded afresh from the
    // host folder, while `drive` works it from another thread; true when the
    // dialog appeared, closed and the show returned S_OK.
    bool Show(const std::function<void(HWND)>& drive);

    TempFolder folder;
    Vantrel2Form form;

  private:
    std::wstring targets_[3];
};

}  // namespace vantrel2::test
