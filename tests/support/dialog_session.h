// A host folder of real files and the real dialog shown over it on the test
// thread, while a second thread works it (window_driver.h) as a user would.
#pragma once

#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <string>

#include "dialog/Vantrel2Form.h"
#include "temp_folder.h"
#include "window_driver.h"

namespace vantrel2::test {

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
