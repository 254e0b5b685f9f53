#include "child_process.h"

#include <algorithm>
#include <vector>

#include "temp_folder.h"
#include "common/win32/win_handles.h"

namespace vantrel2::test {
ChildResult RunChildWith(const std::wstring& commandLine, const std::wstring& folder,
                         DWORD timeoutMs, void (*callback)(void*, DWORD), void* context) {
    ChildResult result;
    wchar_t tempDir[MAX_PATH + 1] = {};
    ::GetTempPathW(MAX_PATH, tempDir);
    wchar_t outputName[MAX_PATH + 1] = {};
    ::GetTempFileNameW(tempDir, L"out", 0, outputName);
    {
        SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
        UniqueFile output(::CreateFileW(outputName, GENERIC_WRITE,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, CREATE_ALWAYS,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!output) return result;
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = nullptr;
        startup.hStdOutput = output.get();
        startup.hStdError = output.get();
        PROCESS_INFORMATION process{};
        std::vector<wchar_t> line(commandLine.begin(), commandLine.end());
        line.push_back(L'\0');
        if (!::CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr,
                              folder.empty() ? nullptr : folder.c_str(), &startup, &process)) {
            ::DeleteFileW(outputName);
            return result;
        }
        UniqueKernelHandle processHandle(process.hProcess);
        UniqueKernelHandle threadHandle(process.hThread);
        result.started = true;
        if (callback) callback(context, process.dwProcessId);
        if (::WaitForSingleObject(processHandle.get(), timeoutMs) != WAIT_OBJECT_0) {
            ::TerminateProcess(processHandle.get(), STILL_ACTIVE);
            ::WaitForSingleObject(processHandle.get(), 5000);
        }
        ::GetExitCodeProcess(processHandle.get(), &result.exitCode);
    }
    const auto bytes = ReadBytes(outputName);
    result.output.assign(bytes.begin(), bytes.end());
    std::erase(result.output, '\r');
    ::DeleteFileW(outputName);
    return result;
}

ChildResult RunChild(const std::wstring& commandLine, const std::wstring& folder, DWORD timeoutMs) {
    return RunChildWith(commandLine, folder, timeoutMs, nullptr, nullptr);
}

std::wstring ProgramFolder() {
    wchar_t path[MAX_PATH * 2] = {};
    ::GetModuleFileNameW(nullptr, path, MAX_PATH * 2);
    std::wstring folder = path;
    return folder.substr(0, folder.find_last_of(L'\\'));
}

std::wstring OwnTestCommandLine(const wchar_t* testName) {
    wchar_t exe[MAX_PATH * 2] = {};
    ::GetModuleFileNameW(nullptr, exe, MAX_PATH * 2);
    return L"\"" + std::wstring(exe) + L"\" --gtest_also_run_disabled_tests --gtest_filter=" +
           testName;
}

bool CopyInto(const std::wstring& from, const std::wstring& to) {
    return ::CopyFileW(from.c_str(), to.c_str(), FALSE) != FALSE;
}

}  // namespace vantrel2::test
