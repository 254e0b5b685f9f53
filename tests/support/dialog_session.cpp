#include "dialog_session.h"

#include "common/SharedState.h"
#include "dialog/portable/layout.h"
#include "common/portable/settings.h"

namespace vantrel2::test {

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
