// Small Win32 helpers shared by the command and the dialog.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace vantrel2 {

// The module (the DLL, or a program the code is linked into) this code is in.
HMODULE ThisModule() noexcept;

// That module's full path; empty when it cannot be read.
std::wstring ThisModulePath();

// A slim reader/writer lock held exclusively, for std::lock_guard. Not
// std::mutex, which would bring winpthreads' own state into the DLL.
class SlimLock {
  public:
    void lock() noexcept { ::AcquireSRWLockExclusive(&lock_); }
    void unlock() noexcept { ::ReleaseSRWLockExclusive(&lock_); }

  private:
    SRWLOCK lock_ = SRWLOCK_INIT;
};

// The one mapping of an exception that reached a COM method or a window
// procedure to a failure: E_OUTOFMEMORY for out of memory, E_UNEXPECTED for
// anything else. Only inside a catch block.
HRESULT CurrentExceptionResult() noexcept;

// What Windows says of a failure, in the user's language, on one line; the
// code in hexadecimal where it has no words for it.
std::wstring SystemMessage(HRESULT result);

// A function a module exports, by name; nullptr without the module or the
// function.
template <typename Function>
Function ExportedFunction(HMODULE module, const char* name) {
    return module
               ? reinterpret_cast<Function>(reinterpret_cast<void*>(::GetProcAddress(module, name)))
               : nullptr;
}

// The calling thread's last error as an HRESULT; E_FAIL when none was set.
inline HRESULT LastErrorResult() noexcept {
    const DWORD error = ::GetLastError();
    return error == ERROR_SUCCESS ? E_FAIL : HRESULT_FROM_WIN32(error);
}

}  // namespace vantrel2
