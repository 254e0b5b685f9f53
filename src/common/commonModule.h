// The command's common vocabulary: profile-file access and the two message
// boxes. Text is wide inside the command and becomes ANSI (the system code
// page) only at the profile functions and at the host calls that take ANSI
// records.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "common/portable/number.h"
#include "common/portable/text.h"

namespace vantrel2 {

// One key of a profile file, through GetPrivateProfileStringA with a
// 512-byte buffer. Returns `defaultText` when the file, section or key is
// missing or the value is empty, or when the file's path has no exact form
// in the system code page; otherwise the value, spaces trimmed. The section
// and key names go through the ordinary conversion (OrdinaryAnsi), so that
// they read back the same on every code page.
std::wstring ProfileRead(std::wstring_view file, std::wstring_view section, std::wstring_view key,
                         std::wstring_view defaultText);
// The same without a default: nothing where ProfileRead gives its default.
std::optional<std::wstring> ProfileValue(std::wstring_view file, std::wstring_view section,
                                         std::wstring_view key);

// Writes one key through WritePrivateProfileStringA; the failure (a missing
// folder, a read-only or locked file, access denied) for the caller to tell.
// Nothing is written when the file's path has no exact form in the system
// code page (ERROR_NO_UNICODE_TRANSLATION); the names and the value go
// through the ordinary conversion.
HRESULT ProfileWrite(std::wstring_view file, std::wstring_view section, std::wstring_view key,
                     std::wstring_view value);

inline constexpr UINT kWarningStyle = MB_OK | MB_ICONSTOP;            // 16
inline constexpr UINT kCautionStyle = MB_YESNO | MB_ICONEXCLAMATION;  // 52
inline constexpr std::wstring_view kWarningTitle = L"警告";
inline constexpr std::wstring_view kCautionTitle = L"注意";

// Both boxes are modal over `owner`, the window that asks (none: a box of
// its own).

// Stop icon, OK only, titled 警告. The answer is discarded.
void ShowWarning(std::wstring_view text, HWND owner = nullptr);

// Exclamation icon, Yes/No, titled 注意; 6 for Yes, 7 for No (0 when the box
// could not be shown).
std::int16_t AskCaution(std::wstring_view text, HWND owner = nullptr);

}  // namespace vantrel2
