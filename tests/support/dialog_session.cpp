#include "dialog_session.h"

#include <ostream>
#include <thread>
#include <vector>

#include "SharedState.h"
#include "layout.h"
#include "settings.h"
#include "window_driver.h"

namespace vantrel2::test {

using namespace std::chrono_literals;

void PrintTo(const Shown& shown, std::ostream* out) {
    *out << Utf8(shown.title) << " \"" << Utf8(shown.text.substr(0, 200)) << "\"";
}

Shown NextShown(HWND dialog, int button, std::chrono::milliseconds wait) {
    const auto deadline = std::chrono::steady_clock::now() + wait;
    for (;;) {
        for (const wchar_t* title : {L"警告", L"注意"}) {
            HWND box = WaitForDialog(title, 0ms);
            if (!box) continue;
            EXPECT_FALSE(::IsWindowEnabled(dialog)) << "the box is not modal over the dialog";
            const bool warning = title == std::wstring(L"警告");
            const MessageBoxSeen seen = AnswerMessageBox(title, warning ? IDOK : button);
            EXPECT_EQ(seen.owner, dialog);
            const std::vector<int> buttons =
                warning ? std::vector<int>{IDOK} : std::vector<int>{IDYES, IDNO};
            EXPECT_EQ(seen.buttons, buttons);
            EXPECT_TRUE(WaitForWindowGone(box, 10s));
            return {title, seen.text};
        }
        if (!::IsWindowVisible(dialog)) return kClosed;
        if (std::chrono::steady_clock::now() >= deadline) return kNothing;
        std::this_thread::sleep_for(10ms);
    }
}

void SetPath(HWND dialog, int row, const std::wstring& text) {
    ::SendMessageW(::GetDlgItem(dialog, kText2Id + row), WM_SETTEXT, 0,
                   reinterpret_cast<LPARAM>(text.c_str()));
}

void Click(HWND dialog, int id) { ::SendMessageW(::GetDlgItem(dialog, id), BM_CLICK, 0, 0); }

void Press(HWND dialog, int id) { ::PostMessageW(::GetDlgItem(dialog, id), BM_CLICK, 0, 0); }

void HostFolderTest::SetUp() {
    MakeFolder(folder / L"sysinfo");
    MakeFolder(folder / L"sysdata");
    LoadSharedState(CurrentSharedState(), folder.path());
    const SharedState& state = CurrentSharedState();
    targets_[0] = state.OpenHistoryFile;
    targets_[1] = state.BinderAttrFile;
    targets_[2] = state.DrawingAttrFile;
    for (const std::wstring& target : targets_) WriteBytes(target, "host data");
}

std::wstring HostFolderTest::SettingsFile() const { return SettingsFileName(folder / L"sysinfo"); }

bool HostFolderTest::Show(const std::function<void(HWND)>& drive) {
    LoadSharedState(CurrentSharedState(), folder.path());
    const ShowOutcome outcome = ShowWhileDriving(form, drive);
    EXPECT_EQ(outcome.result, S_OK);
    return outcome.appeared && outcome.result == S_OK;
}

}  // namespace vantrel2::test
