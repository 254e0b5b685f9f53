#include "command_fixture.h"

#include <sstream>

#include "child_process.h"

namespace vantrel2::test {

void CommandFixture::SetUp() {
    ASSERT_TRUE(SUCCEEDED(::CoInitialize(nullptr)));
    ::SetEnvironmentVariableW(L"VEKCMDLIB_LOG", log.c_str());
    ::SetEnvironmentVariableW(L"VEKCMDLIB_CSB_HANDLE", nullptr);
    ::SetEnvironmentVariableW(L"VEKCMDLIB_TEXT_HEX", nullptr);
    ASSERT_TRUE(FindHostLibraryInHostFolder());
}

void CommandFixture::TearDown() {
    if (undoHostLibraryFolder_) undoHostLibraryFolder_();
    ::CoUninitialize();
}

bool CommandFixture::FindHostLibraryInHostFolder() {
    const DLL_DIRECTORY_COOKIE added = ::AddDllDirectory(hostFolder.path().c_str());
    if (!added) return false;
    undoHostLibraryFolder_ = [added] { ::RemoveDllDirectory(added); };
    return true;
}

void CommandFixture::InstallHostLibrary(const wchar_t* variant) {
    ASSERT_TRUE(CopyInto(ProgramFolder() + L"\\" + variant + L"\\VekCmdLib.dll",
                         hostFolder / L"VekCmdLib.dll"));
}

std::string CommandFixture::Log() const {
    if (!Exists(log)) return {};
    const auto bytes = ReadBytes(log);
    return std::string(bytes.begin(), bytes.end());
}

std::vector<std::string> CommandFixture::LogLines() const {
    std::vector<std::string> lines;
    std::istringstream in(Log());
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

void CommandFixture::ClearLog() const { ::DeleteFileW(log.c_str()); }

void CommandFixture::StopLogging() { ::SetEnvironmentVariableW(L"VEKCMDLIB_LOG", nullptr); }

HRESULT CommandFixture::StartByInvoke(IDispatch* command, LONG hWnd, LONG cmdLine, LONG* nCode) {
    VARIANT args[3];  // last to first
    V_VT(&args[2]) = VT_I4;
    V_I4(&args[2]) = hWnd;
    V_VT(&args[1]) = VT_I4;
    V_I4(&args[1]) = cmdLine;
    V_VT(&args[0]) = VT_I4 | VT_BYREF;
    V_I4REF(&args[0]) = nCode;
    DISPPARAMS params{args, nullptr, 3, 0};
    return command->Invoke(0x60030000, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params,
                           nullptr, nullptr, nullptr);
}

ShowOutcome CommandFixture::StartAndClose(const std::function<HRESULT()>& start,
                                          const std::function<void(HWND)>& whileShown) {
    return ShowWhileDriving(start, whileShown, LeftOpen::IsClosed);
}

}  // namespace vantrel2::test
