#include "common/portable/settings.h"

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

}  // namespace
}  // namespace vantrel2
