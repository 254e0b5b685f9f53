// Faults from outside: the host releasing the command object inside
// VekExitCommand, the dialog's window destroyed while it is open, a file
// held by another process.
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <string>
#include <utility>

#include "common/ModuleCounts.h"
#include "command/OrvaneVbCommand.h"
#include "common/SharedState.h"
#include "child_process.h"
#include "command_fixture.h"
#include "common/commonModule.h"
#include "dialog/deletion/portable/deletion_run.h"
#include "dialog_session.h"
#include "host_window.h"
#include "dialog/portable/layout.h"
#include "common/portable/settings.h"
#include "common/win32/win_handles.h"
#include "common/win32/win_util.h"

namespace vantrel2 {
namespace {

using namespace std::chrono_literals;
using test::Exists;

// The command object against the stand-in host library in a host folder,
// loaded here so that a test can hook into VekExitCommand.
class CommandFaults : public test::CommandFixture {
  protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(CommandFixture::SetUp());
        ASSERT_NO_FATAL_FAILURE(InstallHostLibrary());
        hostLibrary.reset(
            ::LoadLibraryExW(L"VekCmdLib.dll", nullptr, LOAD_LIBRARY_SEARCH_DEFAULT_DIRS));
        ASSERT_TRUE(hostLibrary);
    }
    using ExitHook = void(__stdcall*)(void*);
    void SetExitHook(ExitHook hook, void* context) {
        using SetHook = void(__stdcall*)(ExitHook, void*);
        const auto set = test::Export<SetHook>(hostLibrary.get(), "VekCmdLibSetExitHook");
        ASSERT_NE(set, nullptr);
        set(hook, context);
    }

    UniqueLibrary hostLibrary;
};

struct ReleaseInExit {
    IUnknown* object;
    HRESULT unloadInside = E_FAIL;
};

void __stdcall ReleaseTheObject(void* context) {
    auto* release = static_cast<ReleaseInExit*>(context);
    std::exchange(release->object, nullptr)->Release();
    release->unloadInside = CanUnloadNow();
}

TEST_F(CommandFaults, TheHostReleasingTheObjectInsideVekExitCommand) {
    // Through the vtable, then through IDispatch::Invoke.
    for (const bool byName : {false, true}) {
        SCOPED_TRACE(byName ? "Invoke" : "vtable");
        ClearLog();
        ASSERT_EQ(CanUnloadNow(), S_OK);
        _OrvaneVbCommand* command = nullptr;
        ASSERT_EQ(OrvaneVbCommand::Create(IID__OrvaneVbCommand, reinterpret_cast<void**>(&command)),
                  S_OK);
        ReleaseInExit release{command};
        SetExitHook(ReleaseTheObject, &release);
        LONG nCode = 0;
        const test::ShowOutcome shown = StartAndClose([&] {
            return byName ? StartByInvoke(command, 1, 2, &nCode)
                          : command->VekProcStartCmd(1, 2, &nCode);
        });
        ASSERT_TRUE(shown.appeared);
        EXPECT_EQ(shown.result, S_OK);
        EXPECT_EQ(nCode, 1);
        EXPECT_EQ(release.object, nullptr) << "the hook ran";
        EXPECT_EQ(release.unloadInside, S_FALSE) << "the running start still holds the object";
        EXPECT_EQ(CanUnloadNow(), S_OK) << "and lets it go on return";
        EXPECT_EQ(Log(), "InitVBCmdLib 1 2\r\nVekExitCommand\r\n");
    }
}

// The dialog destroyed, or the CAD closing its window, which owns the dialog
// and so takes it along: the start ends once, nothing is deleted or saved.
TEST_F(CommandFaults, TheDialogDestroyedFromOutsideEndsTheStartCleanly) {
    for (const bool ownerGoes : {false, true}) {
        SCOPED_TRACE(ownerGoes ? "the host's window destroyed" : "the dialog destroyed");
        ClearLog();
        test::HostWindow host;
        ASSERT_TRUE(host);
        ::SetActiveWindow(host.get());
        ComPtr<_OrvaneVbCommand> command;
        ASSERT_EQ(OrvaneVbCommand::Create(IID__OrvaneVbCommand, command.put_void()), S_OK);
        std::atomic<bool> hostDisabledWhileOpen{false};
        LONG nCode = 0;
        const test::ShowOutcome shown =
            StartAndClose([&] { return command->VekProcStartCmd(0, 0, &nCode); },
                          [&](HWND dialog) {
                              hostDisabledWhileOpen = !::IsWindowEnabled(host.get());
                              // As a host tearing down its windows would; closed by the driver
                              // only if that fails.
                              HWND gone = ownerGoes ? host.get() : dialog;
                              host.Post([gone] { ::DestroyWindow(gone); });
                              EXPECT_TRUE(test::WaitForWindowGone(dialog, 10s));
                          });
        ASSERT_TRUE(shown.appeared);
        EXPECT_TRUE(hostDisabledWhileOpen.load());
        EXPECT_EQ(shown.result, S_OK);
        if (!ownerGoes) {
            EXPECT_TRUE(::IsWindowEnabled(host.get())) << "the host is usable again";
        }
        EXPECT_EQ(Log(), "InitVBCmdLib 0 0\r\nVekExitCommand\r\n");

        // The next start shows the dialog again and closes normally.
        const test::ShowOutcome again =
            StartAndClose([&] { return command->VekProcStartCmd(0, 0, &nCode); });
        EXPECT_EQ(again.result, S_OK);
        EXPECT_TRUE(again.appeared);
        EXPECT_EQ(Log(),
                  "InitVBCmdLib 0 0\r\nVekExitCommand\r\nInitVBCmdLib 0 0\r\nVekExitCommand\r\n");
    }
}

// --- The same at the dialog, mid-run --------------------------------------------

using DialogFaults = test::HostFolderTest;

// While the confirmation question for row 0 waits, the dialog is destroyed
// from outside, or asked to close (the host shutting down) and the question
// then answered Yes, or Execute and a browse button are pressed again first:
// the question counts as unanswered, no second run or browse starts, the
// later rows are not touched, nothing is saved.
TEST_F(DialogFaults, DestroyedOrClosedWhileTheQuestionWaitsKeepsEveryFile) {
    const test::HostWindow host;
    ASSERT_TRUE(host);
    const auto closeThenYes = [](HWND dialog) {
        ::PostMessageW(dialog, WM_CLOSE, 0, 0);
        test::SettleDialog(dialog);
        EXPECT_TRUE(test::AnswerMessageBox(L"注意", IDYES).appeared);
    };
    const struct {
        const char* what;
        std::function<void(HWND)> interrupt;
    } cases[] = {
        {"destroyed by the host",
         [&](HWND dialog) { host.Post([dialog] { ::DestroyWindow(dialog); }); }},
        {"a close request, then Yes", closeThenYes},
        {"Execute and browse again, a close request, then Yes",
         [&](HWND dialog) {
             test::Press(dialog, kCommand1Id);
             test::Press(dialog, kCommand4Id + 1);
             test::SettleDialog(dialog);
             EXPECT_EQ(test::VisibleDialogsOfThread(dialog), 1) << "only the first question";
             closeThenYes(dialog);
         }},
    };
    ProfileWrite(SettingsFile(), kSettingsSection, kConfirmKey, L"1");
    const auto before = test::ReadBytes(SettingsFile());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(Show([&](HWND dialog) {
            test::Press(dialog, kCommand1Id);
            ASSERT_NE(test::WaitForDialog(L"注意", 10s), nullptr);
            c.interrupt(dialog);
            EXPECT_TRUE(test::WaitForWindowGone(dialog, 10s));
        }));
        for (int row = 0; row < 3; ++row) EXPECT_TRUE(Exists(Target(row))) << row;
        EXPECT_EQ(test::ReadBytes(SettingsFile()), before);
        EXPECT_TRUE(::IsWindowEnabled(host.get()));
        EXPECT_EQ(test::WaitForDialog(L"注意", 0ms), nullptr) << "no box left behind";
    }
}

// --- A file held by another process ----------------------------------------------

constexpr wchar_t kHoldFile[] = L"HARDENING_HOLD_FILE";
constexpr wchar_t kHoldEvent[] = L"HARDENING_HOLD_EVENT";

// Run by the test below in a child process: holds the file open for reading
// without delete sharing until the event is set.
TEST(FileHolderChild, DISABLED_HoldsTheFile) {
    wchar_t file[MAX_PATH * 2] = {};
    wchar_t event[MAX_PATH] = {};
    if (!::GetEnvironmentVariableW(kHoldFile, file, MAX_PATH * 2) ||
        !::GetEnvironmentVariableW(kHoldEvent, event, MAX_PATH)) {
        GTEST_SKIP();
    }
    const UniqueFile held(::CreateFileW(file, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                        nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(held) << "error " << ::GetLastError();
    const UniqueKernelHandle ready(
        ::OpenEventW(EVENT_MODIFY_STATE, FALSE, (std::wstring(event) + L"-ready").c_str()));
    const UniqueKernelHandle release(::OpenEventW(SYNCHRONIZE, FALSE, event));
    ASSERT_TRUE(ready && release);
    ::SetEvent(ready.get());
    ::WaitForSingleObject(release.get(), 60000);
}

TEST_F(DialogFaults, AFileHeldByAnotherProcessSurvivesIsNamedAndTheRunCompletes) {
    ProfileWrite(SettingsFile(), kSettingsSection, kConfirmKey, L"0");
    const std::wstring eventName = L"vantrel2-hold-" + std::to_wstring(::GetCurrentProcessId());
    const UniqueKernelHandle release(::CreateEventW(nullptr, TRUE, FALSE, eventName.c_str()));
    const UniqueKernelHandle ready(
        ::CreateEventW(nullptr, TRUE, FALSE, (eventName + L"-ready").c_str()));
    ASSERT_TRUE(release && ready);
    ::SetEnvironmentVariableW(kHoldFile, Target(1).c_str());
    ::SetEnvironmentVariableW(kHoldEvent, eventName.c_str());
    const std::wstring line = test::OwnTestCommandLine(L"FileHolderChild.DISABLED_HoldsTheFile");
    bool heldSeen = false;
    bool shown = false;
    const auto child = test::RunChild(line, {}, 60000, [&](DWORD) {
        // The child says when it holds the file. (Probing with opens of our
        // own would itself make the child's open fail now and then.)
        heldSeen = ::WaitForSingleObject(ready.get(), 30000) == WAIT_OBJECT_0;
        if (heldSeen) {
            shown = Show([&](HWND dialog) {
                test::Press(dialog, kCommand1Id);
                EXPECT_EQ(test::NextShown(dialog),
                          test::Warning(RefusalReport(
                              {{Refusal::Kind::NotDeleted, Target(1),
                                SystemMessage(HRESULT_FROM_WIN32(ERROR_SHARING_VIOLATION))}})));
                EXPECT_EQ(test::NextShown(dialog), test::kClosed);
            });
        }
        ::SetEvent(release.get());
    });
    ASSERT_TRUE(child.started);
    ASSERT_TRUE(heldSeen) << child.output;
    ASSERT_TRUE(shown);
    EXPECT_EQ(child.exitCode, 0U) << child.output;
    EXPECT_FALSE(Exists(Target(0)));
    EXPECT_TRUE(Exists(Target(1)));
    EXPECT_FALSE(Exists(Target(2)));
    EXPECT_EQ(ProfileRead(SettingsFile(), kSettingsSection, kRows[2].settingKey, L"-"), L"1");
}

}  // namespace
}  // namespace vantrel2
