// Malformed automation calls, as a careless or hostile client makes them:
// each comes back as a failure code. Each runs in a child process, since
// before the checks such a call faulted inside oleaut32 and took its process
// with it.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "command/OrvaneVbCommand.h"
#include "child_process.h"

namespace vantrel2 {
namespace {

constexpr DWORD kCrashed = 0xDEAD;
constexpr DISPID kVekProcEndCmd = 0x60030001;
constexpr wchar_t kRowVariable[] = L"VANTREL2_HOSTILE_CALL";

struct HostileCall {
    const char* what;
    HRESULT expected;
    HRESULT (*call)(IDispatch& command);
};

HRESULT Names(IDispatch& command, LPOLESTR* names, UINT count, DISPID* ids) {
    return command.GetIDsOfNames(IID_NULL, names, count, LOCALE_USER_DEFAULT, ids);
}

HRESULT Call(IDispatch& command, DISPPARAMS* params) {
    return command.Invoke(kVekProcEndCmd, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, params,
                          nullptr, nullptr, nullptr);
}

OLECHAR name[] = L"VekProcEndCmd";
DISPID id = 0;
LPOLESTR nameList[] = {name};
LPOLESTR nullNames[] = {name, nullptr};
VARIANT argument{};
DISPID named[] = {0, 1};

const HostileCall kCalls[] = {
    {"no names array", E_POINTER, [](IDispatch& c) { return Names(c, nullptr, 1, &id); }},
    {"no ids array", E_POINTER, [](IDispatch& c) { return Names(c, nameList, 1, nullptr); }},
    {"a null name", E_POINTER,
     [](IDispatch& c) {
         DISPID ids[2] = {};
         return Names(c, nullNames, 2, ids);
     }},
    {"no names", E_INVALIDARG, [](IDispatch& c) { return Names(c, nameList, 0, &id); }},
    {"no DISPPARAMS", E_POINTER, [](IDispatch& c) { return Call(c, nullptr); }},
    {"3 arguments, no array", E_POINTER,
     [](IDispatch& c) {
         DISPPARAMS params{nullptr, nullptr, 3, 0};
         return Call(c, &params);
     }},
    {"1 named argument, no array", E_POINTER,
     [](IDispatch& c) {
         DISPPARAMS params{&argument, nullptr, 1, 1};
         return Call(c, &params);
     }},
    {"more named than positional", E_INVALIDARG,
     [](IDispatch& c) {
         DISPPARAMS params{&argument, named, 1, 2};
         return Call(c, &params);
     }},
};

LONG WINAPI EndAsCrashed(EXCEPTION_POINTERS*) { ::ExitProcess(kCrashed); }

// Run by the test below, once per call, in a process of its own: the call's
// result is the exit code; a fault exits with kCrashed.
TEST(HostileAutomation, DISABLED_OneCallInAChild) {
    ::SetUnhandledExceptionFilter(EndAsCrashed);
    wchar_t row[16] = {};
    ASSERT_GT(::GetEnvironmentVariableW(kRowVariable, row, 16), 0u);
    ASSERT_EQ(::CoInitialize(nullptr), S_OK);
    ComPtr<IDispatch> command;
    ASSERT_EQ(OrvaneVbCommand::Create(IID_IDispatch, command.put_void()), S_OK);
    argument.vt = VT_I4;
    const HRESULT result = kCalls[std::wcstoul(row, nullptr, 10)].call(*command.get());
    std::fflush(nullptr);
    ::ExitProcess(static_cast<UINT>(result));
}

TEST(HostileAutomation, MalformedCallsFailWithACodeAndNoFault) {
    wchar_t exe[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, exe, MAX_PATH);
    const std::wstring commandLine =
        L"\"" + std::wstring(exe) +
        L"\" --gtest_also_run_disabled_tests --gtest_filter=HostileAutomation.DISABLED_*";
    for (size_t row = 0; row < std::size(kCalls); ++row) {
        ::SetEnvironmentVariableW(kRowVariable, std::to_wstring(row).c_str());
        const test::ChildResult child = test::RunChild(commandLine);
        EXPECT_TRUE(child.started);
        EXPECT_EQ(child.exitCode, static_cast<DWORD>(kCalls[row].expected))
            << kCalls[row].what << "\n"
            << child.output;
    }
    ::SetEnvironmentVariableW(kRowVariable, nullptr);
}

}  // namespace
}  // namespace vantrel2
