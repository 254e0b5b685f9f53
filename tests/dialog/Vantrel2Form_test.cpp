// The deletion dialog, shown for real on this thread while a second thread
// looks at it and works it as a user would.
#include "dialog/Vantrel2Form.h"

#include <gtest/gtest.h>
#include <oleacc.h>
#include <olectl.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

#include "common/ModuleCounts.h"
#include "dialog/accessible_name.h"
#include "common/commonModule.h"
#include "host_window.h"
#include "layout_check.h"
#include "common/portable/settings.h"
#include "temp_folder.h"
#include "common/win32/win_util.h"
#include "window_driver.h"

namespace vantrel2 {
namespace {

using namespace std::chrono_literals;

// Counts the clicks whose handlers live elsewhere; lets a test run code on
// the dialog's own thread from inside the Execute click.
class ProbeForm : public Vantrel2Form {
  public:
    std::atomic<int> executes{0};
    std::atomic<int> browsedRow{-1};
    std::atomic<int> browses{0};
    std::function<void(Vantrel2Form&)> onExecute;

  protected:
    void OnExecute() override {
        ++executes;
        if (onExecute) onExecute(*this);
    }
    void OnBrowse(int row) override {
        browsedRow = row;
        ++browses;
    }
};

HWND Item(HWND dialog, int id) { return ::GetDlgItem(dialog, id); }

int CheckOf(HWND dialog, int id) {
    return static_cast<int>(::SendMessageW(Item(dialog, id), BM_GETCHECK, 0, 0));
}

bool EnabledOf(HWND dialog, int id) { return ::IsWindowEnabled(Item(dialog, id)) != FALSE; }

HWND FocusOf(HWND dialog) {
    GUITHREADINFO info{};
    info.cbSize = sizeof(info);
    ::GetGUIThreadInfo(::GetWindowThreadProcessId(dialog, nullptr), &info);
    return info.hwndFocus;
}

bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout = 5s) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(10ms);
    }
    return true;
}

// A key as the keyboard would deliver it to the focused control; the
// dialog's message loop sees it before the control does.
void PressKey(HWND dialog, WPARAM key) {
    HWND focus = FocusOf(dialog);
    ::PostMessageW(focus, WM_KEYDOWN, key, 1);
    ::PostMessageW(focus, WM_KEYUP, key, 0xC0000001);
}

void PressAlt(HWND dialog, wchar_t letter) {
    ::PostMessageW(FocusOf(dialog), WM_SYSCHAR, letter, 0x20000001);  // bit 29: Alt held
}

// Lets the dialog's thread drain what was posted to it so far.
void Settle(HWND dialog) {
    for (int i = 0; i < 3; ++i) {
        ::SendMessageW(dialog, WM_NULL, 0, 0);
        std::this_thread::sleep_for(30ms);
    }
}

using test::ShowWhileDriving;

void ClickCancel(HWND dialog) { ::SendMessageW(Item(dialog, kCommand2Id), BM_CLICK, 0, 0); }

class FormTest : public ::testing::Test {
  protected:
    void SetUp() override {
        test::MakeFolder(folder / L"sysinfo");
        test::MakeFolder(folder / L"sysdata");
    }
    std::wstring SettingsFile() const { return SettingsFileName(folder / L"sysinfo"); }
    void Store(std::wstring_view key, std::wstring_view value) {
        ProfileWrite(SettingsFile(), kSettingsSection, key, value);
    }
    SharedState& Load() {
        SharedState& state = CurrentSharedState();
        LoadSharedState(state, folder.path());
        return state;
    }

    test::TempFolder folder;
    ProbeForm form;
};

// --- Layout -------------------------------------------------------------

using test::ExpectLayout;
using test::ScreenDpi;

// At 15 twips a pixel the centring rule comes out as half the difference in
// pixels, truncated toward zero; at other scales the half-pixel of the
// twip-to-pixel step may round either way.
void ExpectCentred(HWND dialog, bool exact) {
    RECT outer{};
    ::GetWindowRect(dialog, &outer);
    const int spareX = ::GetSystemMetrics(SM_CXSCREEN) - (outer.right - outer.left);
    const int spareY = ::GetSystemMetrics(SM_CYSCREEN) - (outer.bottom - outer.top);
    if (exact) {
        EXPECT_EQ(outer.left, spareX / 2);
        EXPECT_EQ(outer.top, spareY / 2);
    } else {
        EXPECT_LE(std::abs(2 * outer.left - spareX), 1) << outer.left;
        EXPECT_LE(std::abs(2 * outer.top - spareY), 1) << outer.top;
    }
}

TEST_F(FormTest, LaysOutEveryControlInPixelsAt96Dpi) {
    ASSERT_EQ(ScreenDpi(), 96) << "the prefix is expected at 96 dpi";
    Load();
    const auto outcome = ShowWhileDriving(form, [&](HWND dialog) {
        EXPECT_EQ(test::WindowText(dialog), L"各種履歴･情報ファイル削除");
        ExpectLayout(dialog, {553, 230},
                     {{kCheck2Id + 0, L"ファイル「開く」履歴ファイル削除", {16, 8, 177, 17}},
                      {kText2Id + 0, nullptr, {16, 32, 489, 22}},
                      {kCommand4Id + 0, L"...", {512, 32, 25, 22}},
                      {kCheck2Id + 1, L"バインダー属性情報ファイル削除", {16, 72, 185, 17}},
                      {kText2Id + 1, nullptr, {16, 96, 489, 22}},
                      {kCommand4Id + 1, L"...", {512, 96, 25, 22}},
                      {kCheck2Id + 2, L"図面属性情報ファイル削除", {16, 136, 153, 17}},
                      {kText2Id + 2, nullptr, {16, 160, 489, 22}},
                      {kCommand4Id + 2, L"...", {512, 160, 25, 22}},
                      {kCommand1Id, L"削除実行(&G)", {272, 192, 113, 25}},
                      {kCommand2Id, L"中止(&C)", {392, 192, 113, 25}},
                      {kCheck1Id, L"確認メッセージ表示", {96, 196, 121, 17}}},
                     -12);
        ExpectCentred(dialog, true);
        ClickCancel(dialog);
    });
    EXPECT_TRUE(outcome.appeared);
    EXPECT_EQ(outcome.result, S_OK);
}

// Path boxes without text would hide a position mix-up between them.
TEST_F(FormTest, HasAFixedFrameAnIconAndTheControlKinds) {
    Load();
    const auto outcome = ShowWhileDriving(form, [&](HWND dialog) {
        const LONG style = ::GetWindowLongW(dialog, GWL_STYLE);
        const LONG exStyle = ::GetWindowLongW(dialog, GWL_EXSTYLE);
        EXPECT_TRUE(style & WS_SYSMENU);
        EXPECT_EQ(style & WS_CAPTION, WS_CAPTION);
        EXPECT_FALSE(style & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX));
        EXPECT_FALSE(exStyle & (WS_EX_APPWINDOW | WS_EX_TOOLWINDOW));
        // No window of the thread is active here: out of the taskbar through
        // a hidden owner.
        HWND owner = ::GetWindow(dialog, GW_OWNER);
        ASSERT_NE(owner, nullptr);
        EXPECT_FALSE(::IsWindowVisible(owner));

        const auto icon = reinterpret_cast<HICON>(::SendMessageW(dialog, WM_GETICON, ICON_BIG, 0));
        ASSERT_NE(icon, nullptr);
        ICONINFO info{};
        ASSERT_TRUE(::GetIconInfo(icon, &info));
        const UniqueGdiObject color(info.hbmColor), mask(info.hbmMask);
        BITMAP bitmap{};
        ASSERT_TRUE(::GetObjectW(color.get(), sizeof(bitmap), &bitmap));
        EXPECT_EQ(bitmap.bmWidth, 32);
        EXPECT_EQ(bitmap.bmHeight, 32);

        for (int row = 0; row < kRowCount; ++row) {
            const LONG checkStyle = ::GetWindowLongW(Item(dialog, kCheck2Id + row), GWL_STYLE);
            EXPECT_EQ(checkStyle & BS_TYPEMASK, BS_3STATE);
            HWND path = Item(dialog, kText2Id + row);
            const LONG editStyle = ::GetWindowLongW(path, GWL_STYLE);
            EXPECT_TRUE(editStyle & ES_AUTOHSCROLL);
            EXPECT_FALSE(editStyle & (ES_MULTILINE | ES_READONLY));
            EXPECT_GE(static_cast<DWORD>(::SendMessageW(path, EM_GETLIMITTEXT, 0, 0)), 0x7FFFFFFEu);
        }
        EXPECT_EQ(::GetWindowLongW(Item(dialog, kCommand1Id), GWL_STYLE) & BS_TYPEMASK,
                  BS_DEFPUSHBUTTON);
        EXPECT_EQ(LOWORD(::SendMessageW(dialog, DM_GETDEFID, 0, 0)), kCommand1Id);

        // A path longer than an edit box's default limit can still be typed on.
        HWND path = Item(dialog, kText2Id + 0);
        const std::wstring longPath(40000, L'a');
        ::SendMessageW(path, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(longPath.c_str()));
        ::SendMessageW(path, EM_SETSEL, 40000, 40000);
        ::SendMessageW(path, WM_CHAR, L'b', 1);
        EXPECT_EQ(::GetWindowTextLengthW(path), 40001);
        ClickCancel(dialog);
    });
    EXPECT_TRUE(outcome.appeared);
}

// --- Another DPI, measured in a child process started with LogPixels set --

constexpr DWORD kOtherDpi = 120;

TEST_F(FormTest, ScalesByTheTwipRuleAtAnotherDpi) {
    std::string measured;
    ASSERT_NO_FATAL_FAILURE(test::MeasureInChildAtDpi(L"FormDpiChild.DISABLED_MeasuresTheDialog",
                                                      kOtherDpi, &measured));
    EXPECT_EQ(measured, "691x288");
}

// 12 twips a pixel: every size and place is the twip value / 12, a tie
// going to the even pixel.
TEST(FormDpiChild, DISABLED_MeasuresTheDialog) {
    const std::wstring report = test::DpiReportFile();
    if (report.empty()) GTEST_SKIP();
    const int dpi = ScreenDpi();
    ASSERT_EQ(dpi, static_cast<int>(kOtherDpi));
    SharedState& state = CurrentSharedState();
    LoadSharedState(state, L"C:\\nowhere");
    Vantrel2Form form;
    std::string measured;
    // Per monitor, as the host's thread runs; then a thread aware of the
    // system's DPI only, which the screen's DPI is asked for.
    using SetAwareness = DPI_AWARENESS_CONTEXT(WINAPI*)(DPI_AWARENESS_CONTEXT);
    const auto setAwareness = ExportedFunction<SetAwareness>(::GetModuleHandleW(L"user32.dll"),
                                                             "SetThreadDpiAwarenessContext");
    ASSERT_NE(setAwareness, nullptr);
    for (const bool perMonitor : {true, false}) {
        const DPI_AWARENESS_CONTEXT before =
            perMonitor ? nullptr : setAwareness(DPI_AWARENESS_CONTEXT_SYSTEM_AWARE);
        ASSERT_TRUE(perMonitor || before);
        const auto outcome = ShowWhileDriving(form, [&](HWND dialog) {
            RECT client{};
            ::GetClientRect(dialog, &client);
            measured = std::to_string(client.right) + "x" + std::to_string(client.bottom);
            ExpectLayout(
                dialog, {691, 288},  // 8295 / 12 = 691.25, 3450 / 12 = 287.5
                {{kCheck2Id + 0, L"ファイル「開く」履歴ファイル削除", {20, 10, 221, 21}},
                 {kText2Id + 0, L"C:\\nowhere\\sysdata\\FileOpenDlg.ini", {20, 40, 611, 28}},
                 {kCommand4Id + 0, L"...", {640, 40, 31, 28}},
                 {kCheck2Id + 1, L"バインダー属性情報ファイル削除", {20, 90, 231, 21}},
                 {kCheck2Id + 2, L"図面属性情報ファイル削除", {20, 170, 191, 21}},
                 {kText2Id + 2, L"C:\\nowhere\\sysinfo\\DrwAttrData.ini", {20, 200, 611, 28}},
                 {kCommand1Id, L"削除実行(&G)", {340, 240, 141, 31}},
                 {kCommand2Id, L"中止(&C)", {490, 240, 141, 31}},
                 {kCheck1Id, L"確認メッセージ表示", {120, 245, 151, 21}}},
                -15);  // 9 pt at 120 dpi
            ExpectCentred(dialog, false);
            ClickCancel(dialog);
        });
        EXPECT_TRUE(outcome.appeared);
        if (before) setAwareness(before);
    }
    test::ReportMeasured(report, measured);
}

// --- Load step and the row rule -------------------------------------------

TEST_F(FormTest, WithoutSettingsEveryRowIsTickedAndEnabled) {
    const SharedState& state = Load();
    const auto outcome = ShowWhileDriving(form, [&](HWND dialog) {
        EXPECT_EQ(test::WindowText(Item(dialog, kText2Id + 0)), state.OpenHistoryFile);
        EXPECT_EQ(test::WindowText(Item(dialog, kText2Id + 1)), state.BinderAttrFile);
        EXPECT_EQ(test::WindowText(Item(dialog, kText2Id + 2)), state.DrawingAttrFile);
        for (int row = 0; row < kRowCount; ++row) {
            EXPECT_EQ(CheckOf(dialog, kCheck2Id + row), BST_CHECKED) << row;
            EXPECT_TRUE(EnabledOf(dialog, kText2Id + row)) << row;
            EXPECT_TRUE(EnabledOf(dialog, kCommand4Id + row)) << row;
        }
        EXPECT_EQ(CheckOf(dialog, kCheck1Id), BST_CHECKED);
        ClickCancel(dialog);
    });
    EXPECT_TRUE(outcome.appeared);
}

TEST_F(FormTest, FlagsSetTicksAndEnableOnlyTickedRows) {
    Store(kConfirmKey, L"0");
    Store(kRows[0].settingKey, L"1");
    Store(kRows[1].settingKey, L"0");
    Store(kRows[2].settingKey, L"2");
    const SharedState& state = Load();
    const auto outcome = ShowWhileDriving(form, [&](HWND dialog) {
        const int expectedChecks[] = {BST_CHECKED, BST_UNCHECKED, BST_INDETERMINATE};
        for (int row = 0; row < kRowCount; ++row) {
            SCOPED_TRACE(row);
            EXPECT_EQ(CheckOf(dialog, kCheck2Id + row), expectedChecks[row]);
            EXPECT_EQ(EnabledOf(dialog, kText2Id + row), row == 0);
            EXPECT_EQ(EnabledOf(dialog, kCommand4Id + row), row == 0);
            EXPECT_TRUE(EnabledOf(dialog, kCheck2Id + row));
        }
        EXPECT_EQ(CheckOf(dialog, kCheck1Id), BST_UNCHECKED);
        // A disabled row still shows its path.
        EXPECT_EQ(test::WindowText(Item(dialog, kText2Id + 1)), state.BinderAttrFile);
        EXPECT_EQ(test::WindowText(Item(dialog, kText2Id + 2)), state.DrawingAttrFile);
        ClickCancel(dialog);
    });
    EXPECT_TRUE(outcome.appeared);
}

TEST_F(FormTest, TickingAndUntickingARowSwitchesItsPathBoxAndBrowseButton) {
    Store(kRows[1].settingKey, L"0");
    Store(kRows[2].settingKey, L"2");
    Load();
    const auto outcome = ShowWhileDriving(form, [&](HWND dialog) {
        HWND check = Item(dialog, kCheck2Id + 1);
        ::SendMessageW(check, BM_CLICK, 0, 0);
        EXPECT_EQ(CheckOf(dialog, kCheck2Id + 1), BST_CHECKED);
        EXPECT_TRUE(EnabledOf(dialog, kText2Id + 1));
        EXPECT_TRUE(EnabledOf(dialog, kCommand4Id + 1));

        ::SendMessageW(Item(dialog, kText2Id + 1), WM_SETTEXT, 0,
                       reinterpret_cast<LPARAM>(L"D:\\typed.ini"));
        ::SendMessageW(check, BM_CLICK, 0, 0);
        EXPECT_EQ(CheckOf(dialog, kCheck2Id + 1), BST_UNCHECKED);
        EXPECT_FALSE(EnabledOf(dialog, kText2Id + 1));
        EXPECT_FALSE(EnabledOf(dialog, kCommand4Id + 1));
        EXPECT_EQ(test::WindowText(Item(dialog, kText2Id + 1)), L"D:\\typed.ini");

        // A greyed box clicked becomes ticked.
        ::SendMessageW(Item(dialog, kCheck2Id + 2), BM_CLICK, 0, 0);
        EXPECT_EQ(CheckOf(dialog, kCheck2Id + 2), BST_CHECKED);
        EXPECT_TRUE(EnabledOf(dialog, kText2Id + 2));

        // Space on a focused box ticks it like a click.
        ::SendMessageW(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(check), TRUE);
        PressKey(dialog, VK_SPACE);
        EXPECT_TRUE(WaitUntil([&] { return CheckOf(dialog, kCheck2Id + 1) == BST_CHECKED; }));
        EXPECT_TRUE(EnabledOf(dialog, kText2Id + 1));

        // The confirmation box toggles and touches no row.
        ::SendMessageW(Item(dialog, kCheck1Id), BM_CLICK, 0, 0);
        EXPECT_EQ(CheckOf(dialog, kCheck1Id), BST_UNCHECKED);
        EXPECT_TRUE(EnabledOf(dialog, kText2Id + 0));
        ClickCancel(dialog);
    });
    EXPECT_TRUE(outcome.appeared);
}

// --- What the Execute and browse handlers get -------------------------------

TEST_F(FormTest, HandlersReadAndSetTheControlsThroughTheForm) {
    Store(kConfirmKey, L"2");
    Store(kRows[1].settingKey, L"0");
    const SharedState& state = Load();
    struct Seen {
        int checks[kRowCount] = {};
        int confirm = -1;
        std::wstring texts[kRowCount];
        HWND window = nullptr;
        HRESULT refused = S_OK;
        int afterRefusal = -1;
        HRESULT unticked = E_FAIL;
    } seen;
    form.onExecute = [&](Vantrel2Form& f) {
        for (int row = 0; row < kRowCount; ++row) {
            seen.checks[row] = f.Check2Value(row);
            seen.texts[row] = f.Text2(row);
        }
        seen.confirm = f.Check1Value();
        seen.window = f.Window();
        seen.refused = f.SetCheck2Value(0, 3);
        seen.afterRefusal = f.Check2Value(0);
        seen.unticked = f.SetCheck2Value(2, 0);
        f.SetText2(0, L"  trimmed by the run  ");
    };
    HWND shown = nullptr;
    bool row2Enabled = true;
    std::wstring row0Text;
    const auto outcome = ShowWhileDriving(form, [&](HWND dialog) {
        shown = dialog;
        ::SendMessageW(Item(dialog, kCommand4Id + 0), BM_CLICK, 0, 0);
        ::SendMessageW(Item(dialog, kCommand1Id), BM_CLICK, 0, 0);
        row2Enabled = EnabledOf(dialog, kText2Id + 2) || EnabledOf(dialog, kCommand4Id + 2);
        row0Text = test::WindowText(Item(dialog, kText2Id + 0));
        ClickCancel(dialog);
    });
    ASSERT_TRUE(outcome.appeared);
    EXPECT_EQ(form.browses, 1);
    EXPECT_EQ(form.browsedRow, 0);
    EXPECT_EQ(form.executes, 1);
    EXPECT_EQ(seen.checks[0], 1);
    EXPECT_EQ(seen.checks[1], 0);
    EXPECT_EQ(seen.checks[2], 1);
    EXPECT_EQ(seen.confirm, 2);
    EXPECT_EQ(seen.texts[1], state.BinderAttrFile);
    EXPECT_EQ(seen.window, shown);
    EXPECT_EQ(seen.refused, CTL_E_INVALIDPROPERTYVALUE);
    EXPECT_EQ(seen.afterRefusal, 1);
    EXPECT_EQ(seen.unticked, S_OK);
    EXPECT_FALSE(row2Enabled);  // the program's assignment ran the row rule
    EXPECT_EQ(row0Text, L"  trimmed by the run  ");
    // Closed, the form reads nothing and sets nothing.
    EXPECT_EQ(form.Window(), nullptr);
    EXPECT_EQ(form.Text2(0), L"");
    EXPECT_TRUE(FAILED(form.SetCheck1Value(1)));
}

TEST_F(FormTest, UnloadFromAHandlerEndsTheShow) {
    Load();
    form.onExecute = [](Vantrel2Form& f) { f.Unload(); };
    const auto outcome = ShowWhileDriving(
        form, [&](HWND dialog) { ::PostMessageW(Item(dialog, kCommand1Id), BM_CLICK, 0, 0); });
    EXPECT_TRUE(outcome.appeared);
    EXPECT_EQ(outcome.result, S_OK);
    EXPECT_EQ(form.executes, 1);
}

// --- Closing without saving, modality, reuse --------------------------------

TEST_F(FormTest, CancelSavesNothingAndTheHostIsDisabledOnlyWhileOpen) {
    Store(kConfirmKey, L"1");
    Store(kRows[1].settingKey, L"0");
    const auto before = test::ReadBytes(SettingsFile());
    Load();
    const test::HostWindow host;
    ASSERT_TRUE(host);
    ::SetActiveWindow(host.get());  // as the CAD's window is when it starts a command
    bool hostEnabledWhileOpen = true;
    const auto outcome = ShowWhileDriving(form, [&](HWND dialog) {
        hostEnabledWhileOpen = ::IsWindowEnabled(host.get()) != FALSE;
        // Owned by the CAD's window, so that its taskbar button brings the
        // dialog forward.
        EXPECT_EQ(::GetWindow(dialog, GW_OWNER), host.get());
        EXPECT_EQ(::GetLastActivePopup(host.get()), dialog);
        ::SendMessageW(Item(dialog, kCheck2Id + 1), BM_CLICK, 0, 0);
        ::SendMessageW(Item(dialog, kCheck1Id), BM_CLICK, 0, 0);
        ::SendMessageW(Item(dialog, kText2Id + 0), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"x"));
        ClickCancel(dialog);
    });
    EXPECT_TRUE(outcome.appeared);
    EXPECT_EQ(outcome.result, S_OK);
    EXPECT_FALSE(hostEnabledWhileOpen);
    EXPECT_TRUE(::IsWindowEnabled(host.get()));
    EXPECT_EQ(::GetActiveWindow(), host.get()) << "the activation is back on the host";
    EXPECT_EQ(test::ReadBytes(SettingsFile()), before);
    EXPECT_EQ(form.executes, 0);
}

TEST_F(FormTest, CloseButtonAndAltF4CloseWithoutWritingASettingsFile) {
    Load();
    const test::HostWindow host;
    for (const bool altF4 : {false, true}) {
        SCOPED_TRACE(altF4 ? "Alt+F4" : "close button");
        const auto outcome = ShowWhileDriving(form, [&](HWND dialog) {
            ::SendMessageW(Item(dialog, kCheck2Id + 0), BM_CLICK, 0, 0);
            if (altF4) {
                // What DefWindowProc turns Alt+F4 into, as the system menu's Close does.
                ::PostMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
            } else {
                ::PostMessageW(dialog, WM_CLOSE, 0, 0);
            }
        });
        EXPECT_TRUE(outcome.appeared);
        EXPECT_EQ(outcome.result, S_OK);
        EXPECT_FALSE(test::Exists(SettingsFile()));
        EXPECT_TRUE(::IsWindowEnabled(host.get()));
    }
}

TEST_F(FormTest, ASecondShowReusesTheFormAndStartsFromTheSettingsFile) {
    Store(kRows[1].settingKey, L"0");
    const SharedState& state = Load();
    HWND firstWindow = nullptr;
    const auto first = ShowWhileDriving(form, [&](HWND dialog) {
        firstWindow = dialog;
        ::SendMessageW(Item(dialog, kCheck2Id + 0), BM_CLICK, 0, 0);  // untick row 0
        ::SendMessageW(Item(dialog, kCheck2Id + 1), BM_CLICK, 0, 0);  // tick row 1
        ::SendMessageW(Item(dialog, kText2Id + 2), WM_SETTEXT, 0,
                       reinterpret_cast<LPARAM>(L"E:\\edited.ini"));
        ClickCancel(dialog);
    });
    ASSERT_TRUE(first.appeared);

    Store(kRows[2].settingKey, L"2");  // what a later run would find
    Load();
    int checks[kRowCount] = {};
    bool enabled[kRowCount] = {};
    std::wstring row2Text;
    const auto second = ShowWhileDriving(form, [&](HWND dialog) {
        EXPECT_EQ(form.Window(), dialog) << "the same form shows again";
        EXPECT_NE(dialog, firstWindow) << "in a window made afresh";
        for (int row = 0; row < kRowCount; ++row) {
            checks[row] = CheckOf(dialog, kCheck2Id + row);
            enabled[row] = EnabledOf(dialog, kText2Id + row);
        }
        row2Text = test::WindowText(Item(dialog, kText2Id + 2));
        ClickCancel(dialog);
    });
    ASSERT_TRUE(second.appeared);
    EXPECT_EQ(checks[0], BST_CHECKED);
    EXPECT_EQ(checks[1], BST_UNCHECKED);
    EXPECT_EQ(checks[2], BST_INDETERMINATE);
    EXPECT_TRUE(enabled[0]);
    EXPECT_FALSE(enabled[1]);
    EXPECT_FALSE(enabled[2]);
    EXPECT_EQ(row2Text, state.DrawingAttrFile);
}

TEST_F(FormTest, AFlagThatIsNoCheckValueIsRefusedAndNothingIsShown) {
    SharedState& state = Load();
    state.BinderAttrFlag = 3;
    const test::HostWindow host;
    {
        // Counts every show on this thread, however brief; Cancel ends one.
        test::PressOnEveryShow shows{kCommand2Id};
        ASSERT_TRUE(shows);
        EXPECT_EQ(form.ShowModal(CurrentSharedState()), CTL_E_INVALIDPROPERTYVALUE);
        EXPECT_EQ(shows.Shows(), 0);
    }
    EXPECT_TRUE(::IsWindowEnabled(host.get()));

    state.BinderAttrFlag = 1;
    const auto again = ShowWhileDriving(form, ClickCancel);
    EXPECT_TRUE(again.appeared);
    EXPECT_EQ(again.result, S_OK);
}

// --- Keyboard -----------------------------------------------------------------

TEST_F(FormTest, FocusStartsOnCheck1AndTabSkipsDisabledControls) {
    Store(kRows[1].settingKey, L"0");
    Load();
    std::vector<int> visited, children;
    const auto outcome = ShowWhileDriving(form, [&](HWND dialog) {
        // The tab order is the children's order, disabled ones included.
        for (HWND c = ::GetWindow(dialog, GW_CHILD); c; c = ::GetWindow(c, GW_HWNDNEXT)) {
            children.push_back(::GetDlgCtrlID(c));
        }
        visited.push_back(::GetDlgCtrlID(FocusOf(dialog)));
        for (int step = 0; step < 10; ++step) {
            HWND before = FocusOf(dialog);
            PressKey(dialog, VK_TAB);
            EXPECT_TRUE(WaitUntil([&] { return FocusOf(dialog) != before; })) << step;
            visited.push_back(::GetDlgCtrlID(FocusOf(dialog)));
        }
        ClickCancel(dialog);
    });
    EXPECT_TRUE(outcome.appeared);
    const std::vector<int> expected = {
        kCheck1Id,     kCommand2Id,  kCommand1Id,     kCheck2Id + 0,   kText2Id + 0, kCheck2Id + 1,
        kCheck2Id + 2, kText2Id + 2, kCommand4Id + 0, kCommand4Id + 2, kCheck1Id};
    EXPECT_EQ(visited, expected);
    EXPECT_EQ(children,
              (std::vector<int>{kCheck1Id, kCommand2Id, kCommand1Id, kCheck2Id + 0, kText2Id + 0,
                                kCheck2Id + 1, kCheck2Id + 2, kText2Id + 1, kText2Id + 2,
                                kCommand4Id + 0, kCommand4Id + 1, kCommand4Id + 2}));
}

TEST_F(FormTest, EscDoesNothingEnterAndAltGExecuteAltCCloses) {
    Load();
    int executesAfterEsc = -1, executesAfterEnter = -1, executesAfterEditEnter = -1;
    int executesAfterAltG = -1;
    bool openAfterEsc = false;
    const auto outcome = ShowWhileDriving(form, [&](HWND dialog) {
        PressKey(dialog, VK_ESCAPE);
        Settle(dialog);
        openAfterEsc = ::IsWindowVisible(dialog) != FALSE;
        executesAfterEsc = form.executes;

        PressKey(dialog, VK_RETURN);  // the focus is on Check1
        EXPECT_TRUE(WaitUntil([&] { return form.executes == 1; }));
        executesAfterEnter = form.executes;

        ::SendMessageW(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(Item(dialog, kText2Id + 1)),
                       TRUE);
        PressKey(dialog, VK_RETURN);
        EXPECT_TRUE(WaitUntil([&] { return form.executes == 2; }));
        executesAfterEditEnter = form.executes;

        PressAlt(dialog, L'g');
        EXPECT_TRUE(WaitUntil([&] { return form.executes == 3; }));
        executesAfterAltG = form.executes;

        PressAlt(dialog, L'c');
    });
    EXPECT_TRUE(outcome.appeared);
    EXPECT_TRUE(openAfterEsc);
    EXPECT_EQ(executesAfterEsc, 0);
    EXPECT_EQ(executesAfterEnter, 1);
    EXPECT_EQ(executesAfterEditEnter, 2);
    EXPECT_EQ(executesAfterAltG, 3);
    EXPECT_EQ(form.executes, 3);  // Alt+C closed without executing
}

TEST_F(FormTest, EnterOnAnotherButtonPressesThatButton) {
    Load();
    const auto outcome = ShowWhileDriving(form, [&](HWND dialog) {
        ::SendMessageW(dialog, WM_NEXTDLGCTL,
                       reinterpret_cast<WPARAM>(Item(dialog, kCommand4Id + 1)), TRUE);
        PressKey(dialog, VK_RETURN);
        EXPECT_TRUE(WaitUntil([&] { return form.browses == 1; }));
        ::SendMessageW(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(Item(dialog, kCommand2Id)),
                       TRUE);
        PressKey(dialog, VK_RETURN);  // Cancel
    });
    EXPECT_TRUE(outcome.appeared);
    EXPECT_EQ(form.browses, 1);
    EXPECT_EQ(form.browsedRow, 1);
    EXPECT_EQ(form.executes, 0);
}

// --- What a screen reader hears ---------------------------------------------

// The host's thread is in a COM apartment, and so is a screen reader's.
struct Apartment {
    const HRESULT hr = ::CoInitialize(nullptr);
    ~Apartment() {
        if (SUCCEEDED(hr)) ::CoUninitialize();
    }
};

struct Heard {
    std::wstring name;
    long role = 0;
    std::wstring value;
    bool operator==(const Heard&) const = default;
};
void PrintTo(const Heard& heard, std::ostream* out) {
    *out << test::Utf8(heard.name) << " / role " << heard.role << " / " << test::Utf8(heard.value);
}

Heard Hear(IAccessible* object) {
    Heard heard;
    VARIANT self{};
    self.vt = VT_I4;  // CHILDID_SELF
    UniqueBstr text;
    if (object->get_accName(self, text.put()) == S_OK && text) heard.name = text.get();
    UniqueVariant role;
    if (object->get_accRole(self, role.put()) == S_OK) heard.role = role.get()->lVal;
    if (object->get_accValue(self, text.put()) == S_OK && text) heard.value = text.get();
    return heard;
}

// Each control through oleacc from the driving thread, as from another
// process: `names` in the design's order, and otherwise (role, value) what
// the system's own object for that control says.
void ExpectHeard(HWND dialog, const std::vector<std::wstring>& names) {
    const Apartment apartment;
    const IID& iid = __uuidof(IAccessible);
    std::vector<Heard> heard, expected;
    for (size_t i = 0; i < kControlDesigns.size(); ++i) {
        HWND control = Item(dialog, kControlDesigns[i].id);
        ComPtr<IAccessible> object, standard;
        ASSERT_EQ(::AccessibleObjectFromWindow(control, OBJID_CLIENT, iid, object.put_void()),
                  S_OK);
        ASSERT_EQ(::CreateStdAccessibleObject(control, OBJID_CLIENT, iid, standard.put_void()),
                  S_OK);
        heard.push_back(Hear(object.get()));
        expected.push_back(Hear(standard.get()));
        expected.back().name = names[i];
    }
    EXPECT_EQ(heard, expected);
}

TEST_F(FormTest, AScreenReaderHearsWhatEachControlIsForOnEveryShowAndAfterADpiChange) {
    const Apartment apartment;
    Load();
    // clang-format off
    const std::vector<std::wstring> names = {
        L"ファイル「開く」履歴ファイル削除", L"ファイル「開く」履歴ファイルのパス", L"ファイル「開く」履歴ファイルを参照",
        L"バインダー属性情報ファイル削除", L"バインダー属性情報ファイルのパス", L"バインダー属性情報ファイルを参照",
        L"図面属性情報ファイル削除", L"図面属性情報ファイルのパス", L"図面属性情報ファイルを参照",
        L"削除実行(G)", L"中止(C)", L"確認メッセージ表示"};
    // clang-format on
    for (int show = 0; show < 2; ++show) {
        const auto outcome = ShowWhileDriving(form, [&](HWND dialog) {
            ExpectHeard(dialog, names);
            RECT frame{};
            ::GetWindowRect(dialog, &frame);
            ::SendMessageW(dialog, WM_DPICHANGED, MAKEWPARAM(144, 144),
                           reinterpret_cast<LPARAM>(&frame));
            ExpectHeard(dialog, names);
            ClickCancel(dialog);
        });
        EXPECT_TRUE(outcome.appeared);
    }
}

// Every IAccessible call but the name's, as a client makes it on a control's
// object: what each answered (its HRESULT and what it gave back, freed here).
std::vector<std::wstring> AnswersBesidesTheName(IAccessible& a) {
    std::vector<std::wstring> said;
    const auto say = [&](HRESULT hr, const std::wstring& what = {}) {
        said.push_back(std::to_wstring(hr) + L" " + what);
    };
    const auto text = [](BSTR given) {
        const UniqueBstr owned(given);
        return given ? std::wstring(given) : L"(none)";
    };
    const auto value = [](UniqueVariant& given) {
        const VARIANT& v = *given.get();
        return std::to_wstring(v.vt) + L":" + (v.vt == VT_I4 ? std::to_wstring(v.lVal) : L"");
    };
    const auto object = [](IDispatch* given) {
        if (given) given->Release();
        return given ? L"an object" : L"none";
    };
    VARIANT self{};
    self.vt = VT_I4;  // CHILDID_SELF
    VARIANT child = self;
    child.lVal = 1;
    BSTR out = nullptr;
    using TextCall = HRESULT (STDMETHODCALLTYPE IAccessible::*)(VARIANT, BSTR*);
    for (const TextCall call :
         {&IAccessible::get_accValue, &IAccessible::get_accDescription, &IAccessible::get_accHelp,
          &IAccessible::get_accKeyboardShortcut, &IAccessible::get_accDefaultAction}) {
        say((a.*call)(self, &out), text(out));
    }
    say(a.get_accName(child, &out), text(out));
    LONG topic = -1;
    say(a.get_accHelpTopic(&out, self, &topic), text(out) + std::to_wstring(topic));
    UniqueVariant v;
    say(a.get_accRole(self, v.put()), value(v));
    say(a.get_accState(self, v.put()), value(v));
    say(a.get_accFocus(v.put()), value(v));
    say(a.get_accSelection(v.put()), value(v));
    say(a.accNavigate(NAVDIR_NEXT, self, v.put()), value(v));
    LONG box[4] = {};
    say(a.accLocation(&box[0], &box[1], &box[2], &box[3], self),
        std::to_wstring(box[2]) + L"x" + std::to_wstring(box[3]));
    say(a.accHitTest(box[0] + box[2] / 2, box[1] + box[3] / 2, v.put()), value(v));
    IDispatch* dispatch = nullptr;
    say(a.get_accParent(&dispatch), object(dispatch));
    say(a.get_accChild(self, &dispatch), object(dispatch));
    LONG count = -1;
    say(a.get_accChildCount(&count), std::to_wstring(count));
    UINT infos = 9;
    say(a.GetTypeInfoCount(&infos), std::to_wstring(infos));
    ComPtr<ITypeInfo> info;
    say(a.GetTypeInfo(0, 0, info.put()), info ? L"a type" : L"none");
    OLECHAR name[] = L"accRole";
    LPOLESTR names[] = {name};
    DISPID id = 0;
    say(a.GetIDsOfNames(IID_NULL, names, 1, 0, &id), std::to_wstring(id));
    DISPPARAMS params{&self, nullptr, 1, 0};
    say(a.Invoke(DISPID_ACC_ROLE, IID_NULL, 0, DISPATCH_PROPERTYGET, &params, v.put(), nullptr,
                 nullptr),
        value(v));
    say(a.accSelect(SELFLAG_NONE, self));
    say(a.accDoDefaultAction(self));  // an edit box has none
    const UniqueBstr x(::SysAllocString(L"x"));
    say(a.put_accName(self, x.get()));
    a.get_accValue(self, &out);  // put back as it is
    const UniqueBstr unchanged(out);
    say(a.put_accValue(self, unchanged.get()));
    return said;
}

// The system's annotation service, taking every name (as Windows does) or
// refusing it (as Wine 8 does), in place of the real one while it lives.
class StandInAnnotationService final : public IAccPropServices {
  public:
    std::vector<std::pair<HWND, std::wstring>> named;  // the control's own name, in call order
    std::vector<HWND> cleared;                         // the same, taken back

    explicit StandInAnnotationService(HRESULT answer) : answer_(answer) {
        current = this;
        previous_ = ReplaceCreateAnnotationService([](IAccPropServices** service) {
            *service = current;
            return S_OK;
        });
    }
    ~StandInAnnotationService() { ReplaceCreateAnnotationService(previous_); }

    HRESULT WINAPI QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
    ULONG WINAPI AddRef() override { return 2; }  // lives on the test's stack
    ULONG WINAPI Release() override { return 1; }
    HRESULT WINAPI SetHwndPropStr(HWND control, DWORD object, DWORD child, MSAAPROPID property,
                                  LPCWSTR name) override {
        named.emplace_back(control, IsOwnName(object, child, &property, 1) ? name : L"(other)");
        return answer_;
    }
    HRESULT WINAPI ClearHwndProps(HWND control, DWORD object, DWORD child,
                                  const MSAAPROPID* properties, int count) override {
        if (IsOwnName(object, child, properties, count)) cleared.push_back(control);
        return S_OK;
    }
#define NOT_ASKED(method, ...) \
    HRESULT WINAPI method(__VA_ARGS__) override { return E_UNEXPECTED; }
    NOT_ASKED(SetPropValue, const BYTE*, DWORD, MSAAPROPID, VARIANT)
    NOT_ASKED(SetPropServer, const BYTE*, DWORD, const MSAAPROPID*, int, IAccPropServer*, AnnoScope)
    NOT_ASKED(ClearProps, const BYTE*, DWORD, const MSAAPROPID*, int)
    NOT_ASKED(SetHwndProp, HWND, DWORD, DWORD, MSAAPROPID, VARIANT)
    NOT_ASKED(SetHwndPropServer, HWND, DWORD, DWORD, const MSAAPROPID*, int, IAccPropServer*,
              AnnoScope)
    NOT_ASKED(ComposeHwndIdentityString, HWND, DWORD, DWORD, BYTE**, DWORD*)
    NOT_ASKED(DecomposeHwndIdentityString, const BYTE*, DWORD, HWND*, DWORD*, DWORD*)
    NOT_ASKED(SetHmenuProp, HMENU, DWORD, MSAAPROPID, VARIANT)
    NOT_ASKED(SetHmenuPropStr, HMENU, DWORD, MSAAPROPID, LPCWSTR)
    NOT_ASKED(SetHmenuPropServer, HMENU, DWORD, const MSAAPROPID*, int, IAccPropServer*, AnnoScope)
    NOT_ASKED(ClearHmenuProps, HMENU, DWORD, const MSAAPROPID*, int)
    NOT_ASKED(ComposeHmenuIdentityString, HMENU, DWORD, BYTE**, DWORD*)
    NOT_ASKED(DecomposeHmenuIdentityString, const BYTE*, DWORD, HMENU*, DWORD*)
#undef NOT_ASKED

  private:
    static bool IsOwnName(DWORD object, DWORD child, const MSAAPROPID* properties, int count) {
        return object == static_cast<DWORD>(OBJID_CLIENT) && child == CHILDID_SELF && count == 1 &&
               properties[0] == PROPID_ACC_NAME;
    }
    static inline StandInAnnotationService* current = nullptr;
    const HRESULT answer_;
    CreateAnnotationServiceCall previous_;
};

// The six names go to the annotation service and leave with their controls.
// Only where it refuses do the controls answer with objects of the module's
// own, which count while a client holds them and name themselves late-bound.
TEST_F(FormTest, NamesGoToTheAnnotationServiceAndOnlyItsRefusalMakesObjectsOfTheModule) {
    const Apartment apartment;
    for (const HRESULT answer : {S_OK, E_NOTIMPL}) {
        StandInAnnotationService service(answer);
        Load();
        std::vector<std::pair<HWND, std::wstring>> expected;
        std::vector<HWND> controls;
        HRESULT unloadWhileHeld = E_FAIL;
        std::wstring lateBoundName;
        size_t forwarded = 0;
        const auto outcome = ShowWhileDriving(form, [&](HWND dialog) {
            const Apartment client;
            std::vector<ComPtr<IAccessible>> held;
            for (const ControlDesign& design : ControlsInTabOrder()) {
                if (!design.accessibleName) continue;
                expected.emplace_back(controls.emplace_back(Item(dialog, design.id)),
                                      design.accessibleName);
                ::AccessibleObjectFromWindow(controls.back(), OBJID_CLIENT, __uuidof(IAccessible),
                                             held.emplace_back().put_void());
            }
            unloadWhileHeld = CanUnloadNow();
            // Refused, a path box's object answers every other call as the
            // system's own.
            const auto box = std::ranges::find_if(controls, [](HWND control) {
                wchar_t kind[16] = {};
                ::GetClassNameW(control, kind, 16);
                return std::wstring_view(kind) == L"Edit";
            });
            ComPtr<IAccessible> standard;
            EXPECT_NE(box, controls.end());
            if (answer != S_OK && box != controls.end() && held[box - controls.begin()] &&
                ::CreateStdAccessibleObject(*box, OBJID_CLIENT, __uuidof(IAccessible),
                                            standard.put_void()) == S_OK) {
                ++forwarded;
                IAccessible* object = held[box - controls.begin()].get();
                EXPECT_EQ(AnswersBesidesTheName(*object), AnswersBesidesTheName(*standard.get()));
                HWND window = nullptr;
                EXPECT_EQ(::WindowFromAccessibleObject(object, &window), S_OK);
                EXPECT_EQ(window, *box) << "its own window, not the dialog";
                ComPtr<IOleWindow> oleWindow;
                EXPECT_EQ(object->QueryInterface(IID_IOleWindow, oleWindow.put_void()), S_OK);
                if (oleWindow) {
                    EXPECT_EQ(oleWindow->ContextSensitiveHelp(TRUE), E_NOTIMPL);
                }
            }
            DISPPARAMS none{};
            UniqueVariant name;
            if (held[0] && held[0]->Invoke(DISPID_ACC_NAME, IID_NULL, 0, DISPATCH_PROPERTYGET,
                                           &none, name.put(), nullptr, nullptr) == S_OK) {
                lateBoundName = name.get()->vt == VT_BSTR ? name.get()->bstrVal : L"?";
            }
            held.clear();
            ClickCancel(dialog);
        });
        ASSERT_TRUE(outcome.appeared);
        EXPECT_EQ(service.named, expected);
        EXPECT_EQ(unloadWhileHeld, answer == S_OK ? S_OK : S_FALSE);
        EXPECT_EQ(CanUnloadNow(), S_OK) << "let go";
        if (answer == S_OK) {
            EXPECT_TRUE(std::ranges::is_permutation(service.cleared, controls));
        } else {
            EXPECT_TRUE(service.cleared.empty());
            EXPECT_EQ(lateBoundName, expected[0].second) << "late-bound";
            EXPECT_EQ(forwarded, 1u) << "a path box asked";
        }
    }
}

}  // namespace
}  // namespace vantrel2
