// The dialog's three rows, each described once: its flag in the settings
// file and its default path, what its controls show and are called by a
// screen reader, the run's warnings, and its control ids. Row i is Check2 i,
// Text2 i and Command4 i, always in this order. The settings, the load, the
// layout and the deletion run all read it from here.
// Portable: no Windows headers.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace vantrel2 {

// The paths the load fills, each formed by plain concatenation.
struct CommandPaths {
    std::wstring AppPath;
    std::wstring SysInfoDir;
    std::wstring OpenHistoryFile;
    std::wstring BinderAttrFile;
    std::wstring DrawingAttrFile;
};

// The four flags the load reads from the settings file.
struct CommandFlags {
    std::int16_t ConfirmFlag = 0;
    std::int16_t OpenHistoryFlag = 0;
    std::int16_t BinderAttrFlag = 0;
    std::int16_t DrawingAttrFlag = 0;
};

// Control ids: row i of each array is its base id plus i. Never IDOK (1) or
// IDCANCEL (2), so that Esc reaches no button.
inline constexpr int kCheck2Id = 201;
inline constexpr int kText2Id = 211;
inline constexpr int kCommand4Id = 221;

struct RowDescription {
    std::wstring_view settingKey;
    std::wstring_view pathUnderApp;  // the default path is AppPath followed by this
    std::wstring CommandPaths::*path;
    std::int16_t CommandFlags::*flag;
    std::wstring_view caption;     // of Check2
    std::wstring_view pathName;    // what a screen reader calls Text2
    std::wstring_view browseName;  // ... and Command4
    std::wstring_view emptyWarning;
    std::wstring_view extensionWarning;
    int check2Id, text2Id, command4Id;
};

inline constexpr int kRowCount = 3;

// clang-format off
inline constexpr std::array<RowDescription, kRowCount> kRows = {{
    {L"開く履歴ファイル", L"\\sysdata\\FileOpenDlg.ini",
     &CommandPaths::OpenHistoryFile, &CommandFlags::OpenHistoryFlag,
     L"ファイル「開く」履歴ファイル削除",
     L"ファイル「開く」履歴ファイルのパス", L"ファイル「開く」履歴ファイルを参照",
     L"ファイル｢開く｣履歴ファイルを正しく入力して下さい。",
     L"ファイル｢開く｣履歴ファイルの拡張子は ｢INI｣ になります。",
     kCheck2Id + 0, kText2Id + 0, kCommand4Id + 0},
    {L"バインダー情報ファイル", L"\\sysinfo\\BndAttrData.ini",
     &CommandPaths::BinderAttrFile, &CommandFlags::BinderAttrFlag,
     L"バインダー属性情報ファイル削除",
     L"バインダー属性情報ファイルのパス", L"バインダー属性情報ファイルを参照",
     L"バインダー属性情報ファイルを正しく入力して下さい。",
     L"バインダー属性情報ファイルの拡張子は ｢INI｣ になります。",
     kCheck2Id + 1, kText2Id + 1, kCommand4Id + 1},
    {L"図面属性情報ファイル", L"\\sysinfo\\DrwAttrData.ini",
     &CommandPaths::DrawingAttrFile, &CommandFlags::DrawingAttrFlag,
     L"図面属性情報ファイル削除",
     L"図面属性情報ファイルのパス", L"図面属性情報ファイルを参照",
     L"図面属性情報ファイルを正しく入力して下さい。",
     L"図面属性情報ファイルの拡張子は ｢INI｣ になります。",
     kCheck2Id + 2, kText2Id + 2, kCommand4Id + 2},
}};
// clang-format on

}  // namespace vantrel2
