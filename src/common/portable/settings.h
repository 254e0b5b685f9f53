// The command's working paths and its settings file: names, section, keys.
// Portable: no Windows headers.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "common/portable/rows.h"

namespace vantrel2 {

inline constexpr std::wstring_view kSettingsSection = L"各種履歴情報ファイル削除";
inline constexpr std::wstring_view kConfirmKey = L"確認メッセージ";

// The four keys, the one list the load and the save both go through, in the
// order they are loaded and saved: the confirmation switch, then rows 0, 1
// and 2.
inline constexpr std::array<std::wstring_view, 4> kSettingKeys = {
    kConfirmKey, kRows[0].settingKey, kRows[1].settingKey, kRows[2].settingKey};
// Where the load keeps each of them, in the same order.
inline constexpr std::array<std::int16_t CommandFlags::*, 4> kSettingFlags = {
    &CommandFlags::ConfirmFlag, kRows[0].flag, kRows[1].flag, kRows[2].flag};

// The check value that alone counts as ticked, for a check box and a stored
// flag alike; also a flag's value when the settings file has none.
inline constexpr std::int16_t kTicked = 1;

// Plain concatenation: a drive-root AppPath ("C:\") gives doubled separators,
// used as formed.
CommandPaths DeriveCommandPaths(std::wstring_view appPath);

// Formed anew at every use, never stored.
std::wstring SettingsFileName(std::wstring_view sysInfoDir);

// The folder part of a module's full path, without a trailing separator
// except at a drive root ("C:\").
std::wstring FolderOfModulePath(std::wstring_view modulePath);

}  // namespace vantrel2
