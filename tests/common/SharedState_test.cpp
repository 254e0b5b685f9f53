#include "SharedState.h"

#include <gtest/gtest.h>

#include <thread>

#include "commonModule.h"
#include "settings.h"
#include "temp_folder.h"

namespace vantrel2 {
namespace {

using test::TempFolder;

struct Flags {
    int confirm, open, binder, drawing;
    bool operator==(const Flags&) const = default;
};

Flags FlagsOf(const SharedState& s) {
    return {s.ConfirmFlag, s.OpenHistoryFlag, s.BinderAttrFlag, s.DrawingAttrFlag};
}

class SharedStateLoad : public ::testing::Test {
  protected:
    void SetUp() override { test::MakeFolder(folder / L"sysinfo"); }
    void Store(std::wstring_view key, std::wstring_view value) {
        ProfileWrite(SettingsFileName(folder / L"sysinfo"), kSettingsSection, key, value);
    }
    Flags Load() {
        LoadSharedState(state, folder.path());
        return FlagsOf(state);
    }
    TempFolder folder;
    SharedState state;
};

TEST_F(SharedStateLoad, FillsThePathsFromTheAppFolder) {
    Load();
    EXPECT_EQ(state.AppPath, folder.path());
    EXPECT_EQ(state.SysInfoDir, folder / L"sysinfo");
    EXPECT_EQ(state.OpenHistoryFile, folder / L"sysdata\\FileOpenDlg.ini");
    EXPECT_EQ(state.BinderAttrFile, folder / L"sysinfo\\BndAttrData.ini");
    EXPECT_EQ(state.DrawingAttrFile, folder / L"sysinfo\\DrwAttrData.ini");
}

TEST_F(SharedStateLoad, NoSettingsFileTicksEverything) { EXPECT_EQ(Load(), (Flags{1, 1, 1, 1})); }

TEST_F(SharedStateLoad, ReadsEachKeyIntoItsField) {
    Store(kConfirmKey, L"0");
    Store(kOpenHistoryKey, L"2");
    Store(kBinderAttrKey, L"  1  ");
    Store(kDrawingAttrKey, L"");
    EXPECT_EQ(Load(), (Flags{0, 2, 1, 1}));
}

TEST_F(SharedStateLoad, RoundsHalvesToEvenAndLettersLoadZero) {
    Store(kConfirmKey, L"1.5");
    Store(kOpenHistoryKey, L"2.5");
    Store(kBinderAttrKey, L"yes");
    Store(kDrawingAttrKey, L"0.5");
    EXPECT_EQ(Load(), (Flags{2, 2, 0, 0}));
}

TEST_F(SharedStateLoad, NumbersThatFitNoCheckBoxLoadTheDefault) {
    Store(kConfirmKey, L"3");
    Store(kOpenHistoryKey, L"40000");
    Store(kBinderAttrKey, L"-1");
    Store(kDrawingAttrKey, L"1e400");
    EXPECT_EQ(Load(), (Flags{1, 1, 1, 1}));
}

TEST_F(SharedStateLoad, MissingSysinfoFolderGivesDefaultsAndCreatesNothing) {
    test::RemoveTree(folder / L"sysinfo");
    EXPECT_EQ(Load(), (Flags{1, 1, 1, 1}));
    EXPECT_FALSE(test::Exists(folder / L"sysinfo"));
}

TEST(CurrentSharedState, IsOnePerThread) {
    SharedState* mine = &CurrentSharedState();
    EXPECT_EQ(mine, &CurrentSharedState());
    SharedState* other = nullptr;
    std::thread([&] {
        other = &CurrentSharedState();
        EXPECT_TRUE(other->AppPath.empty());
        ReleaseThreadSharedState();
    }).join();
    EXPECT_NE(mine, other);
}

TEST(ThisModuleFolder, IsTheFolderOfTheRunningModule) {
    wchar_t exe[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, exe, MAX_PATH);
    EXPECT_EQ(ThisModuleFolder(), FolderOfModulePath(exe));
}

}  // namespace
}  // namespace vantrel2
