// Runs another program of the prefix and collects what it prints.
#pragma once

#include <windows.h>

#include <string>

namespace vantrel2::test {

struct ChildResult {
    bool started = false;
    DWORD exitCode = 0;
    std::string output;  // stdout and stderr together, CR removed
};

// Starts `commandLine` in `folder` (the caller's when empty), with stdout and
// stderr going to a file, and waits up to `timeoutMs` for it to end (killed
// after that, exit code STILL_ACTIVE). `whileRunning`, if given, runs on the
// calling thread while the child runs, with the child's process id.
template <typename Callback>
ChildResult RunChild(const std::wstring& commandLine, const std::wstring& folder, DWORD timeoutMs,
                     Callback whileRunning);
ChildResult RunChild(const std::wstring& commandLine, const std::wstring& folder = {},
                     DWORD timeoutMs = 60000);

// The folder of the running test program (the build's bin folder).
std::wstring ProgramFolder();

// The command line that runs the disabled test `testName`
// ("Suite.DISABLED_Name") of this program.
std::wstring OwnTestCommandLine(const wchar_t* testName);

// Copies a file; false on failure.
bool CopyInto(const std::wstring& from, const std::wstring& to);

// Internal: start, run the callback, wait.
ChildResult RunChildWith(const std::wstring& commandLine, const std::wstring& folder,
                         DWORD timeoutMs, void (*callback)(void*, DWORD), void* context);

template <typename Callback>
ChildResult RunChild(const std::wstring& commandLine, const std::wstring& folder, DWORD timeoutMs,
                     Callback whileRunning) {
    return RunChildWith(
        commandLine, folder, timeoutMs,
        [](void* context, DWORD pid) { (*static_cast<Callback*>(context))(pid); }, &whileRunning);
}

}  // namespace vantrel2::test
