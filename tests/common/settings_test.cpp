#include "settings.h"

#include <gtest/gtest.h>

namespace vantrel2 {
namespace {

TEST(DeriveCommandPaths, ConcatenatesBelowTheDllFolder) {
    const auto paths = DeriveCommandPaths(L"C:\\CAD\\bin");
    EXPECT_EQ(paths.AppPath, L"C:\\CAD\\bin");
    EXPECT_EQ(paths.SysInfoDir, L"C:\\CAD\\bin\\sysinfo");
    EXPECT_EQ(paths.OpenHistoryFile, L"C:\\CAD\\bin\\sysdata\\FileOpenDlg.ini");
    EXPECT_EQ(paths.BinderAttrFile, L"C:\\CAD\\bin\\sysinfo\\BndAttrData.ini");
    EXPECT_EQ(paths.DrawingAttrFile, L"C:\\CAD\\bin\\sysinfo\\DrwAttrData.ini");
    EXPECT_EQ(SettingsFileName(paths.SysInfoDir), L"C:\\CAD\\bin\\sysinfo\\kxSystem.ini");
}

TEST(DeriveCommandPaths, DriveRootKeepsTheDoubledSeparator) {
    const auto paths = DeriveCommandPaths(L"D:\\");
    EXPECT_EQ(paths.SysInfoDir, L"D:\\\\sysinfo");
    EXPECT_EQ(paths.OpenHistoryFile, L"D:\\\\sysdata\\FileOpenDlg.ini");
    EXPECT_EQ(paths.DrawingAttrFile, L"D:\\\\sysinfo\\DrwAttrData.ini");
}

TEST(FolderOfModulePath, DropsTheFileNameButNotADriveRoot) {
    EXPECT_EQ(FolderOfModulePath(L"C:\\CAD\\bin\\Vantrel2.dll"), L"C:\\CAD\\bin");
    EXPECT_EQ(FolderOfModulePath(L"C:\\Vantrel2.dll"), L"C:\\");
    EXPECT_EQ(FolderOfModulePath(L"\\\\server\\share\\Vantrel2.dll"), L"\\\\server\\share");
    EXPECT_EQ(FolderOfModulePath(L"Vantrel2.dll"), L"");
}

TEST(SettingKeys, AreInLoadAndSaveOrder) {
    ASSERT_EQ(kSettingKeys.size(), 4u);
    EXPECT_EQ(kSettingKeys[0], L"確認メッセージ");
    EXPECT_EQ(kSettingKeys[1], L"開く履歴ファイル");
    EXPECT_EQ(kSettingKeys[2], L"バインダー情報ファイル");
    EXPECT_EQ(kSettingKeys[3], L"図面属性情報ファイル");
    EXPECT_EQ(kSettingsSection, L"各種履歴情報ファイル削除");
}

}  // namespace
}  // namespace vantrel2
