#include "dialog/file_open.h"

#include <gtest/gtest.h>

#include <commdlg.h>
#include <dlgs.h>

#include <functional>
#include <thread>

#include "temp_folder.h"
#include "common/win32/win_handles.h"
#include "window_driver.h"

namespace vantrel2 {
namespace {

using test::TempFolder;
using test::WindowText;

// What the second thread saw of the file-open dialog.
struct DialogSeen {
    bool appeared = false;
    bool readOnlyBoxShown = true;
    std::vector<std::wstring> fileTypes;
    std::wstring initialName;
    bool closed = false;
    std::wstring controls;  // class, id and text of each control, for a failure message
};

BOOL CALLBACK ListControl(HWND child, LPARAM param) {
    wchar_t className[64] = {};
    ::GetClassNameW(child, className, 64);
    *reinterpret_cast<std::wstring*>(param) += std::wstring(className) + L":" +
                                               std::to_wstring(::GetDlgCtrlID(child)) + L":" +
                                               WindowText(child) + L"; ";
    return TRUE;
}

std::wstring ComboItem(HWND combo, int index) {
    const auto length = ::SendMessageW(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length < 0) return {};
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    ::SendMessageW(combo, CB_GETLBTEXT, static_cast<WPARAM>(index),
                   reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<std::size_t>(length));
    return text;
}

// Drives the file-open dialog that `threadId` shows: types `name` and
// presses OK, or presses Cancel when `name` is empty.
DialogSeen DriveFileOpen(DWORD threadId, const std::wstring& name) {
    DialogSeen seen;
    HWND dialog = test::WaitForThreadDialog(threadId);
    if (!dialog) return seen;
    seen.appeared = true;
    ::EnumChildWindows(dialog, ListControl, reinterpret_cast<LPARAM>(&seen.controls));
    HWND readOnly = ::GetDlgItem(dialog, chx1);
    seen.readOnlyBoxShown = readOnly && ::IsWindowVisible(readOnly);
    if (HWND types = ::GetDlgItem(dialog, cmb1)) {
        const auto count = ::SendMessageW(types, CB_GETCOUNT, 0, 0);
        for (int i = 0; i < count; ++i) seen.fileTypes.push_back(ComboItem(types, i));
    }
    if (HWND box = test::FileNameBox(dialog)) seen.initialName = WindowText(box);
    test::AnswerFileOpen(dialog, name);
    seen.closed = test::WaitForWindowGone(dialog);
    return seen;
}

class ChooseSettingsFileTest : public ::testing::Test {
  protected:
    void SetUp() override {
        owner_.reset(::CreateWindowExW(0, L"STATIC", L"owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0,
                                       0, 200, 100, nullptr, nullptr, nullptr, nullptr));
        ASSERT_TRUE(owner_);
    }

    // Runs the browse steps while a second thread answers the dialog.
    std::wstring Browse(const std::wstring& current, const std::wstring& typed, DialogSeen& seen) {
        const DWORD self = ::GetCurrentThreadId();
        std::thread user([&] { seen = DriveFileOpen(self, typed); });
        std::wstring result = ChooseSettingsFile(owner_.get(), current);
        user.join();
        return result;
    }

    UniqueWindow owner_;
    TempFolder folder_;
};

TEST_F(ChooseSettingsFileTest, ReturnsTheChosenFullPathAndLeavesTheCurrentFolder) {
    test::WriteBytes(folder_ / L"b.ini", "x");
    wchar_t before[MAX_PATH] = {};
    ::GetCurrentDirectoryW(MAX_PATH, before);
    DialogSeen seen;
    const std::wstring chosen = Browse(folder_ / L"a.ini", L"b.ini", seen);
    ASSERT_TRUE(seen.appeared);
    EXPECT_TRUE(seen.closed) << seen.controls;
    EXPECT_EQ(seen.initialName, L"a.ini");
    EXPECT_FALSE(seen.readOnlyBoxShown);
    EXPECT_EQ(seen.fileTypes, std::vector<std::wstring>{L"設定ファイル (*.ini)"});
    EXPECT_EQ(::lstrcmpiW(chosen.c_str(), (folder_ / L"b.ini").c_str()), 0) << chosen;
    wchar_t after[MAX_PATH] = {};
    ::GetCurrentDirectoryW(MAX_PATH, after);
    EXPECT_STREQ(after, before);
}

}  // namespace
}  // namespace vantrel2
