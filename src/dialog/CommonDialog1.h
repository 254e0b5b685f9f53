// CommonDialog1: the dialog's file-open component, a small automation object
// of our own over GetOpenFileNameW with the members and dispatch ids the
// browse buttons use. Not registered and not exported.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include <string>

namespace vantrel2 {

inline constexpr DISPID kDispidFileName = 1;
inline constexpr DISPID kDispidFilter = 3;
inline constexpr DISPID kDispidFlags = 7;
inline constexpr DISPID kDispidCancelError = 18;
inline constexpr DISPID kDispidShowOpen = 30;

// With CancelError true a cancelled ShowOpen fails with DISP_E_EXCEPTION and
// this code in the EXCEPINFO (error 32755, "Cancel was selected.").
inline constexpr SCODE kCancelSelected = static_cast<SCODE>(0x800A7FF3);

// The file-type filter of the browse buttons.
inline constexpr wchar_t kSettingsFileFilter[] = L"設定ファイル (*.ini)|*.ini|";

// A new component whose file-open dialogs `owner` owns; one reference.
HRESULT CreateCommonDialog1(HWND owner, IDispatch** component) noexcept;

// A browse button's work: sets FileName, CancelError, Filter and Flags, calls
// ShowOpen and reads FileName back, each through IDispatch::Invoke by its
// dispatch id; a failing step is skipped. Returns the text for the path box:
// the chosen full path, or `currentText` after a cancel or any failure
// (also when FileName cannot be read back, rather than an empty box).
std::wstring RunFileSelection(IDispatch* component, const std::wstring& currentText);

}  // namespace vantrel2
