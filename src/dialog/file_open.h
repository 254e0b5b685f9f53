// The browse buttons' file-open dialog.
#pragma once

#include <windows.h>

#include <string>

namespace vantrel2 {

// The file-type filter of the browse buttons, as "description|pattern|".
inline constexpr wchar_t kSettingsFileFilter[] = L"設定ファイル (*.ini)|*.ini|";

// Shows the file-open dialog over `owner`, filtered to settings files, with
// the read-only box hidden and `currentText` as the initial name. Returns the
// chosen full path, or `currentText` when the user cancels or the dialog
// fails. The process's current folder is the same afterwards.
std::wstring ChooseSettingsFile(HWND owner, const std::wstring& currentText);

}  // namespace vantrel2
