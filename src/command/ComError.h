// The failures the command reports to its host, and the COM error object that
// automation clients read for them.
#pragma once

#include <windows.h>

#include <string_view>
#include <utility>

#include "Vantrel2_idl.h"
#include "common/portable/exception_boundary.h"

namespace vantrel2 {

inline constexpr wchar_t kProgId[] = VANTREL2_PROGID;

// The host command library is not on the search path.
inline constexpr HRESULT kHostLibraryNotFound = HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND);
// The host command library lacks one of the functions the command calls.
inline constexpr HRESULT kHostEntryPointNotFound = HRESULT_FROM_WIN32(ERROR_PROC_NOT_FOUND);

// Sets the thread's error object (source kProgId, the
// command interface's IID) and returns `failure`, so that callers can write
// `return ReportFailure(hr, L"...")`.
HRESULT ReportFailure(HRESULT failure, std::wstring_view description) noexcept;

// Forgets an error object left by an earlier call.
void ClearFailure() noexcept;

// The failure for the exception being handled (CurrentExceptionResult's
// mapping), reported like any other. Only inside a catch block.
HRESULT ReportCurrentException() noexcept;

// Runs `body`, returning its HRESULT, or the reported failure for an
// exception that escapes it. The entry points whose work allocates in C++
// (VekProcStartCmd, the registration exports, loading the type library) wrap
// themselves in it; every other one uses only calls that cannot throw (BSTRs,
// fixed records, COM) and returns their HRESULTs as they are.
template <typename Body>
HRESULT CallReportingExceptions(Body&& body) noexcept {
    return StopExceptions(std::forward<Body>(body), ReportCurrentException);
}

}  // namespace vantrel2
