// The command object run inside the test program, against the stand-in host
// command library placed in a temporary host folder.
#include "command/OrvaneVbCommand.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <limits>
#include <memory>
#include <new>
#include <ostream>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "command/ComError.h"
#include "common/ModuleCounts.h"
#include "common/SharedState.h"
#include "dialog/Vantrel2Form.h"
#include "child_process.h"
#include "command_fixture.h"
#include "host_window.h"
#include "operation_table.h"

namespace vantrel2 {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

// Records what reaches VekProcStringBoxEvent.
class RecordingCommand : public OrvaneVbCommand {
  public:
    HRESULT STDMETHODCALLTYPE VekProcStringBoxEvent(short csbID, short itemID,
                                                    BSTR pString) override {
        texts.emplace_back(pString, ::SysStringLen(pString));
        return OrvaneVbCommand::VekProcStringBoxEvent(csbID, itemID, pString);
    }
    std::vector<std::wstring> texts;
};

std::wstring ErrorDescription() {
    ComPtr<IErrorInfo> info;
    if (::GetErrorInfo(0, info.put()) != S_OK || !info) return {};
    UniqueBstr description;
    info->GetDescription(description.put());
    return description ? std::wstring(description.get()) : std::wstring();
}

ComPtr<_OrvaneVbCommand> NewCommand() {
    ComPtr<_OrvaneVbCommand> command;
    EXPECT_EQ(OrvaneVbCommand::Create(IID__OrvaneVbCommand, command.put_void()), S_OK);
    return command;
}

using CommandObject = test::CommandFixture;

TEST_F(CommandObject, OperationsThatDoNothingSucceedForAnyValuesThroughTheVtable) {
    InstallHostLibrary();
    auto c = NewCommand();
    for (const double d : {kNaN, kInf, -kInf, -0.0, std::numeric_limits<double>::denorm_min()}) {
        EXPECT_EQ(c->VekProcPreEvent(), S_OK);
        EXPECT_EQ(c->VekProcDrawRubber(d, -d), S_OK);
        EXPECT_EQ(c->VekProcPositionEvent(-32768, d, d), S_OK);
        EXPECT_EQ(c->VekProcPositionEventEx(32767, d, -d, d, -d, INT32_MIN, INT32_MAX, -1, 0),
                  S_OK);
        EXPECT_EQ(c->VekProcElementEvent(INT32_MIN, 7), S_OK);
        EXPECT_EQ(c->VekProcElementEventEx(-1, -1, d, d, 32767), S_OK);
        EXPECT_EQ(c->VekProcMultiElementEvent(0, 0, -1, INT32_MAX), S_OK);
        EXPECT_EQ(c->VekProcMultiElementEventEx(1, 2, 3, 4, d, -d, d, -d), S_OK);
        EXPECT_EQ(c->VekProcSystemEvent(-32768), S_OK);
        EXPECT_EQ(c->VekProcOperationEvent(1, -1), S_OK);
        EXPECT_EQ(c->VekProcIntBoxEvent(1, 2, INT32_MIN), S_OK);
        EXPECT_EQ(c->VekProcRealBoxEvent(1, 2, d), S_OK);
        EXPECT_EQ(c->VekProcButtonEvent(1, 2, -1), S_OK);
        EXPECT_EQ(c->VekProcStringBoxEvent(1, 2, nullptr), S_OK);
        LONG nCode = 12345;
        EXPECT_EQ(c->VekProcEndCmd(&nCode), S_OK);
        EXPECT_EQ(nCode, 12345);
    }
    EXPECT_TRUE(LogLines().empty()) << "no host call";
}

TEST_F(CommandObject, EveryOperationAnswersInvokeByName) {
    InstallHostLibrary();
    auto c = NewCommand();
    const auto& operations = test::Operations();
    for (size_t position = 1; position < operations.size(); ++position) {  // not the start
        const test::Operation& op = operations[position];
        SCOPED_TRACE(testing::Message()
                     << "operation " << std::string(op.name, op.name + wcslen(op.name)));
        DISPID id = 0;
        auto* name = const_cast<LPOLESTR>(op.name);
        ASSERT_EQ(c->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &id), S_OK);
        EXPECT_EQ(id, static_cast<DISPID>(0x60030000 + position));

        LONG nCode = -99;
        std::vector<VARIANT> args(op.arguments.size());
        for (size_t i = 0; i < args.size(); ++i) {
            VARIANT& v = args[args.size() - 1 - i];  // DISPPARAMS run last to first
            ::VariantInit(&v);
            switch (op.arguments[i]) {
                case VT_I2:
                    V_VT(&v) = VT_I2;
                    V_I2(&v) = -32768;
                    break;
                case VT_I4:
                    V_VT(&v) = VT_I4;
                    V_I4(&v) = INT32_MIN;
                    break;
                case VT_R8:
                    V_VT(&v) = VT_R8;
                    V_R8(&v) = i % 2 ? kNaN : -kInf;
                    break;
                case VT_BSTR:
                    V_VT(&v) = VT_BSTR;
                    V_BSTR(&v) = ::SysAllocString(L"x");
                    break;
                default:
                    V_VT(&v) = VT_I4 | VT_BYREF;
                    V_I4REF(&v) = &nCode;
                    break;
            }
        }
        DISPPARAMS params{args.data(), nullptr, static_cast<UINT>(args.size()), 0};
        UniqueVariant result;
        EXCEPINFO exception{};
        UINT argumentError = 0;
        EXPECT_EQ(c->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params,
                            result.get(), &exception, &argumentError),
                  S_OK);
        EXPECT_EQ(nCode, -99);
        for (auto& v : args) ::VariantClear(&v);
    }
    // Only the hook calls the host: one look-up of a setting box, handle 0.
    EXPECT_EQ(LogLines(), (std::vector<std::string>{"VekGetCSBHandle -32768 -> 0"}));
}

TEST_F(CommandObject, StartInitialisesShowsTheDialogAndEndsTheHostCommand) {
    InstallHostLibrary();
    auto c = NewCommand();
    LONG nCode = -5;
    std::atomic<LONG> codeWhileShown{0};
    const test::ShowOutcome first =
        StartAndClose([&] { return c->VekProcStartCmd(0x1234, -7, &nCode); },
                      [&](HWND) { codeWhileShown = std::atomic_ref<LONG>(nCode).load(); });
    ASSERT_TRUE(first.appeared);
    EXPECT_EQ(first.result, S_OK);
    EXPECT_EQ(codeWhileShown.load(), 1) << "1 is stored before the dialog opens";
    EXPECT_EQ(nCode, 1);
    EXPECT_EQ(LogLines(), (std::vector<std::string>{"InitVBCmdLib 4660 -7", "VekExitCommand"}));

    // A second start reuses the dialog object kept in SharedState.
    const ModalDialog* dialog = CurrentSharedState().DialogInstance.get();
    ASSERT_NE(dialog, nullptr);
    const test::ShowOutcome second =
        StartAndClose([&] { return c->VekProcStartCmd(0, 0, &nCode); });
    EXPECT_EQ(second.result, S_OK);
    ASSERT_TRUE(second.appeared);
    EXPECT_EQ(CurrentSharedState().DialogInstance.get(), dialog);
    EXPECT_EQ(LogLines().size(), 4u);
}

TEST_F(CommandObject, ExecuteWithNoRowTickedEndsTheHostCommandOnce) {
    InstallHostLibrary();
    auto c = NewCommand();
    LONG nCode = 0;
    const test::ShowOutcome shown = StartAndClose(
        [&] { return c->VekProcStartCmd(3, 4, &nCode); },
        [](HWND dialog) {
            // Unticked without the row rule: the run only reads the values.
            for (int row = 0; row < 3; ++row) {
                ::SendMessageW(::GetDlgItem(dialog, kCheck2Id + row), BM_SETCHECK, BST_UNCHECKED,
                               0);
            }
            ::PostMessageW(::GetDlgItem(dialog, kCommand1Id), BM_CLICK, 0, 0);
            // The test program's folder has no sysinfo\ to save the ticks in.
            EXPECT_EQ(test::NextShown(dialog).title, L"警告");
            EXPECT_TRUE(test::WaitForWindowGone(dialog)) << "Execute unloads the dialog";
        });
    ASSERT_TRUE(shown.appeared);
    EXPECT_EQ(shown.result, S_OK);
    EXPECT_EQ(nCode, 1);
    EXPECT_EQ(LogLines(), (std::vector<std::string>{"InitVBCmdLib 3 4", "VekExitCommand"}));
}

TEST_F(CommandObject, StartThroughInvokeWritesTheByRefCode) {
    InstallHostLibrary();
    auto c = NewCommand();
    LONG nCode = 0;
    const test::ShowOutcome shown =
        StartAndClose([&] { return StartByInvoke(c.get(), 77, 2, &nCode); });
    ASSERT_TRUE(shown.appeared);
    EXPECT_EQ(shown.result, S_OK);
    EXPECT_EQ(nCode, 1);
    EXPECT_EQ(LogLines(), (std::vector<std::string>{"InitVBCmdLib 77 2", "VekExitCommand"}));
}

TEST_F(CommandObject, HookWithoutSettingBoxMakesOneHostCall) {
    InstallHostLibrary();
    ComPtr<RecordingCommand> c = ComPtr<RecordingCommand>::Attach(new RecordingCommand);
    ASSERT_EQ(c->Initialize(), S_OK);
    EXPECT_EQ(c->VekProcStringBoxEventHook(5, 6, 0), S_OK);
    EXPECT_EQ(LogLines(), (std::vector<std::string>{"VekGetCSBHandle 5 -> 0"}));
    EXPECT_TRUE(c->texts.empty());
}

TEST_F(CommandObject, HookForwardsTheWholeTextFieldThroughTheInterface) {
    InstallHostLibrary();
    ::SetEnvironmentVariableW(L"VEKCMDLIB_CSB_HANDLE", L"777");
    ::SetEnvironmentVariableW(L"VEKCMDLIB_TEXT_HEX", L"907d96ca41");  // 図面A
    ComPtr<RecordingCommand> c = ComPtr<RecordingCommand>::Attach(new RecordingCommand);
    ASSERT_EQ(c->Initialize(), S_OK);
    const std::wstring expected = std::wstring(L"図面A") + std::wstring(253, L'\0');
    for (const LONG pString : {0L, 0x7FFFFFFFL, -1L}) {
        ClearLog();
        c->texts.clear();
        EXPECT_EQ(c->VekProcStringBoxEventHook(3, 9, pString), S_OK);
        EXPECT_EQ(LogLines(), (std::vector<std::string>{"VekGetCSBHandle 3 -> 777",
                                                        "VekGetTextBoxStatus 777 9 zeroed"}));
        ASSERT_EQ(c->texts.size(), 1u);
        EXPECT_EQ(c->texts[0].size(), 256u);
        EXPECT_EQ(c->texts[0], expected);
    }
}

TEST_F(CommandObject, MissingLibraryFailsAtOnceAndTheNextStartAfterItAppearsWorks) {
    ASSERT_EQ(::GetModuleHandleW(L"VekCmdLib.dll"), nullptr) << "needs a process of its own";
    auto c = NewCommand();
    LONG nCode = 7;
    EXPECT_EQ(c->VekProcStartCmd(1, 1, &nCode), kHostLibraryNotFound);
    EXPECT_EQ(nCode, 7) << "failed before nCode is stored";
    EXPECT_NE(ErrorDescription().find(L"VekCmdLib.dll"), std::wstring::npos);
    ComPtr<ISupportErrorInfo> support;
    ASSERT_EQ(c.As(support), S_OK);
    EXPECT_EQ(support->InterfaceSupportsErrorInfo(IID__OrvaneVbCommand), S_OK);
    EXPECT_EQ(c->VekProcStringBoxEventHook(1, 1, 0), kHostLibraryNotFound);
    {
        // One in the current folder (a drawing's folder, say) is never taken.
        test::TempFolder elsewhere;
        ASSERT_TRUE(test::CopyInto(test::ProgramFolder() + L"\\hostlib\\VekCmdLib.dll",
                                   elsewhere / L"VekCmdLib.dll"));
        const test::CurrentFolder here(elsewhere.path());
        EXPECT_EQ(c->VekProcStartCmd(1, 1, &nCode), kHostLibraryNotFound);
    }
    EXPECT_TRUE(LogLines().empty());

    InstallHostLibrary();
    const test::ShowOutcome shown = StartAndClose([&] { return c->VekProcStartCmd(1, 1, &nCode); });
    EXPECT_EQ(shown.result, S_OK);
    ASSERT_TRUE(shown.appeared);
    EXPECT_EQ(nCode, 1);
    EXPECT_EQ(LogLines(), (std::vector<std::string>{"InitVBCmdLib 1 1", "VekExitCommand"}));
}

// An exception out of the show comes back from the start as a failure with
// the command's error object, never through the host: the host command is
// not ended, as for any failed start.
TEST_F(CommandObject, AnExceptionInTheStartIsAFailureWithAnErrorObject) {
    InstallHostLibrary();
    struct ThrowingDialog final : ModalDialog {
        explicit ThrowingDialog(void (*thrower)()) : raise(thrower) {}
        HRESULT ShowModal(const SharedState&) override {
            raise();
            return S_OK;
        }
        void (*raise)();
    };
    const struct {
        void (*raise)();
        HRESULT expected;
        const wchar_t* description;
    } rows[] = {
        {[] { throw std::bad_alloc(); }, E_OUTOFMEMORY, L"メモリが不足しています。"},
        {[] { throw std::length_error("x"); }, E_UNEXPECTED,
         L"コマンドが予期しないエラーで終了しました。"},
        {[] { throw 1; }, E_UNEXPECTED, L"コマンドが予期しないエラーで終了しました。"},
    };
    auto c = NewCommand();
    for (const auto& row : rows) {
        ClearLog();
        CurrentSharedState().DialogInstance = std::make_unique<ThrowingDialog>(row.raise);
        LONG nCode = 0;
        EXPECT_EQ(c->VekProcStartCmd(2, 3, &nCode), row.expected);
        ComPtr<IErrorInfo> info;
        ASSERT_EQ(::GetErrorInfo(0, info.put()), S_OK);
        UniqueBstr source, description;
        GUID guid{};
        info->GetSource(source.put());
        info->GetDescription(description.put());
        info->GetGUID(&guid);
        EXPECT_STREQ(source.get(), kProgId);
        EXPECT_STREQ(description.get(), row.description);
        EXPECT_EQ(guid, IID__OrvaneVbCommand);
        EXPECT_EQ(LogLines(), (std::vector<std::string>{"InitVBCmdLib 2 3"}));
    }
    CurrentSharedState().DialogInstance.reset();
}

// A host library lacking one of its four functions: the call that needs it
// fails at that step and names it, after the host calls made before it.
struct MissingFunction {
    const char* function;
    bool shows;  // the dialog opens before the function is needed
    HRESULT (*call)(_OrvaneVbCommand& command, LONG& nCode);
    LONG nCode;  // afterwards, from 7
    std::vector<std::string> log;
};
const MissingFunction kMissingFunctions[] = {
    {"InitVBCmdLib", false, [](auto& c, LONG& n) { return c.VekProcStartCmd(1, 1, &n); }, 7, {}},
    {"VekExitCommand",
     true,
     [](auto& c, LONG& n) { return c.VekProcStartCmd(1, 1, &n); },
     1,
     {"InitVBCmdLib 1 1"}},
    {"VekGetCSBHandle",
     false,
     [](auto& c, LONG&) { return c.VekProcStringBoxEventHook(3, 9, 0); },
     7,
     {}},
    {"VekGetTextBoxStatus",
     false,
     [](auto& c, LONG&) {
         ::SetEnvironmentVariableW(L"VEKCMDLIB_CSB_HANDLE", L"777");
         return c.VekProcStringBoxEventHook(3, 9, 0);
     },
     7,
     {"VekGetCSBHandle 3 -> 777"}},
};

void PrintTo(const MissingFunction& row, std::ostream* out) { *out << row.function; }

class MissingHostFunction : public test::CommandFixture,
                            public testing::WithParamInterface<MissingFunction> {};

TEST_P(MissingHostFunction, FailsAtThatStepAndNamesIt) {
    ASSERT_EQ(::GetModuleHandleW(L"VekCmdLib.dll"), nullptr) << "needs a process of its own";
    const MissingFunction& row = GetParam();
    const std::string function = row.function;
    InstallHostLibrary(
        (L"hostlib-without-" + std::wstring(function.begin(), function.end())).c_str());
    auto c = NewCommand();
    LONG nCode = 7;
    HRESULT result = E_FAIL;
    if (row.shows) {
        const test::ShowOutcome shown = StartAndClose([&] { return row.call(*c.get(), nCode); });
        ASSERT_TRUE(shown.appeared);
        result = shown.result;
    } else {
        result = row.call(*c.get(), nCode);
    }
    EXPECT_EQ(result, kHostEntryPointNotFound);
    EXPECT_EQ(nCode, row.nCode);
    EXPECT_EQ(ErrorDescription(), L"CAD のコマンド ライブラリ VekCmdLib.dll に関数 " +
                                      std::wstring(function.begin(), function.end()) +
                                      L" が見つかりませんでした。");
    EXPECT_EQ(LogLines(), row.log);
}

INSTANTIATE_TEST_SUITE_P(EachFunction, MissingHostFunction, testing::ValuesIn(kMissingFunctions),
                         [](const auto& row) { return std::string(row.param.function); });

// The host drops its last reference from inside the modal dialog.
TEST_F(CommandObject, SurvivesTheHostReleasingItDuringStart) {
    InstallHostLibrary();
    const test::HostWindow host;
    ASSERT_TRUE(host);
    ASSERT_EQ(CanUnloadNow(), S_OK);
    _OrvaneVbCommand* command = nullptr;
    ASSERT_EQ(OrvaneVbCommand::Create(IID__OrvaneVbCommand, reinterpret_cast<void**>(&command)),
              S_OK);
    _OrvaneVbCommand* releasedByHost = command;
    HRESULT unloadWhileRunning = E_FAIL;
    LONG nCode = 0;
    const test::ShowOutcome shown =
        StartAndClose([&] { return command->VekProcStartCmd(0, 0, &nCode); },
                      [&](HWND) {
                          host.Send([&] {
                              std::exchange(releasedByHost, nullptr)->Release();
                              unloadWhileRunning = CanUnloadNow();
                          });
                      });
    ASSERT_TRUE(shown.appeared);
    EXPECT_EQ(releasedByHost, nullptr) << "the host's reference was released";
    EXPECT_EQ(unloadWhileRunning, S_FALSE) << "the running start still holds the object";
    EXPECT_EQ(shown.result, S_OK);
    EXPECT_EQ(LogLines(), (std::vector<std::string>{"InitVBCmdLib 0 0", "VekExitCommand"}));
    EXPECT_EQ(CanUnloadNow(), S_OK) << "gone once the start returned";
}

}  // namespace
}  // namespace vantrel2
