// The command object run inside the test program, as the host runs it: COM
// initialised on this thread, a host folder where the stand-in host library
// is found, and the library's log of every call it got (VEKCMDLIB_LOG).
#pragma once

#include <gtest/gtest.h>

#include <windows.h>
#include <oaidl.h>

#include <functional>
#include <string>
#include <vector>

#include "temp_folder.h"
#include "window_driver.h"

namespace vantrel2::test {

// A function a loaded DLL exports, by name; nullptr when it has none.
template <typename Function>
Function Export(HMODULE module, const char* name) {
    return reinterpret_cast<Function>(reinterpret_cast<void*>(::GetProcAddress(module, name)));
}
using GetClassObjectFunction = HRESULT(__stdcall*)(REFCLSID, REFIID, void**);
using CanUnloadNowFunction = HRESULT(__stdcall*)();

class CommandFixture : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    // Puts a built stand-in library (bin\<variant>\VekCmdLib.dll) in the
    // host folder.
    void InstallHostLibrary(const wchar_t* variant = L"hostlib");

    std::string Log() const;  // as written, CR LF
    std::vector<std::string> LogLines() const;
    void ClearLog() const;
    // For long series: the library writes no log.
    static void StopLogging();

    // VekProcStartCmd through IDispatch::Invoke, as a scripting host calls it.
    static HRESULT StartByInvoke(IDispatch* command, LONG hWnd, LONG cmdLine, LONG* nCode);

    // Runs `start`, a start of the command that shows the dialog on this
    // thread, while a second thread waits for the dialog, runs `whileShown`
    // on it and closes it as a user would.
    static ShowOutcome StartAndClose(const std::function<HRESULT()>& start,
                                     const std::function<void(HWND)>& whileShown = {});

    TempFolder hostFolder;
    const std::wstring log = hostFolder / L"VekCmdLib.log";

  private:
    // Makes the host folder where this process finds VekCmdLib.dll, as the
    // host's own folder is for the host, until TearDown.
    bool FindHostLibraryInHostFolder();

    std::function<void()> undoHostLibraryFolder_;
};

}  // namespace vantrel2::test
