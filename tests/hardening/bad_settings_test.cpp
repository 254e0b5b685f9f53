// Settings files as they may be found on a user's machine: another
// encoding, a duplicated section, broken lines, a huge file, garbage, a file
// another program holds open. Each is loaded and then run through a real
// Execute, which must complete and close the dialog.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>

#include "common/SharedState.h"
#include "ansi_text.h"
#include "common/commonModule.h"
#include "dialog/deletion/portable/deletion_run.h"
#include "dialog_session.h"
#include "dialog/portable/layout.h"
#include "common/portable/settings.h"
#include "common/win32/win_handles.h"
#include "common/win32/win_util.h"

namespace vantrel2 {
namespace {

using test::Exists;
using test::ReadBytes;
using test::WriteBytes;

std::string Utf16Bytes(const std::wstring& text) {
    return std::string(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(wchar_t));
}

std::wstring FromUtf16Bytes(const std::vector<unsigned char>& bytes) {
    std::wstring text(bytes.size() / 2, L'\0');
    std::memcpy(text.data(), bytes.data(), text.size() * 2);
    return text;
}

std::string AsString(const std::vector<unsigned char>& bytes) {
    return std::string(bytes.begin(), bytes.end());
}

const std::wstring kSection = L"[" + std::wstring(kSettingsSection) + L"]\r\n";

class BadSettings : public test::HostFolderTest {
  protected:
    // The four flags as LoadSharedState reads them: confirmation, rows 0-2.
    std::wstring LoadedFlags() {
        SharedState& state = CurrentSharedState();
        LoadSharedState(state, folder.path());
        std::wstring flags;
        for (const std::int16_t flag : {state.ConfirmFlag, state.OpenHistoryFlag,
                                        state.BinderAttrFlag, state.DrawingAttrFlag}) {
            flags += std::to_wstring(flag) + L" ";
        }
        return flags;
    }
    // Execute as the dialog comes up (confirmation answered Yes), then the
    // dialog must close; where the settings cannot be written, after one
    // warning that says why.
    void ExecuteAsLoaded(DWORD saveError = ERROR_SUCCESS) {
        ASSERT_TRUE(Show([&](HWND dialog) {
            test::Press(dialog, kCommand1Id);
            test::Shown next = test::NextShown(dialog, IDYES);
            while (next.title == L"注意") next = test::NextShown(dialog, IDYES);
            if (saveError != ERROR_SUCCESS) {
                EXPECT_EQ(
                    next,
                    test::Warning(RefusalReport({{Refusal::Kind::NotSaved, SettingsFile(),
                                                  SystemMessage(HRESULT_FROM_WIN32(saveError))}})));
                next = test::NextShown(dialog);
            }
            EXPECT_EQ(next, test::kClosed);
        }));
    }
    // Unticks row 2 and the confirmation, then Execute.
    void ExecuteWithChanges() {
        ASSERT_TRUE(Show([&](HWND dialog) {
            if (::SendMessageW(::GetDlgItem(dialog, kCheck1Id), BM_GETCHECK, 0, 0) == 1) {
                test::Click(dialog, kCheck1Id);
            }
            if (::SendMessageW(::GetDlgItem(dialog, kCheck2Id + 2), BM_GETCHECK, 0, 0) == 1) {
                test::Click(dialog, kCheck2Id + 2);
            }
            test::Press(dialog, kCommand1Id);
            EXPECT_EQ(test::NextShown(dialog), test::kClosed);
        }));
    }
};

TEST_F(BadSettings, Utf16WithABomIsReadAndWrittenBackAsUtf16) {
    const std::wstring text = L"\xFEFF[other]\r\nkeep=その他\r\n" + kSection +
                              L"確認メッセージ=0\r\n開く履歴ファイル=1\r\n"
                              L"バインダー情報ファイル=0\r\n図面属性情報ファイル=2\r\n";
    WriteBytes(SettingsFile(), Utf16Bytes(text));
    EXPECT_EQ(ProfileRead(SettingsFile(), kSettingsSection, kConfirmKey, L"x"), L"0");
    EXPECT_EQ(ProfileRead(SettingsFile(), L"other", L"keep", L"x"), L"その他");
    EXPECT_EQ(LoadedFlags(), L"0 1 0 2 ");

    ExecuteWithChanges();
    EXPECT_FALSE(Exists(Target(0)));
    EXPECT_TRUE(Exists(Target(1)));
    const auto bytes = ReadBytes(SettingsFile());
    ASSERT_GE(bytes.size(), 2U);
    EXPECT_EQ(bytes[0], 0xFF);
    EXPECT_EQ(bytes[1], 0xFE);
    const std::wstring saved = FromUtf16Bytes(bytes);
    EXPECT_NE(saved.find(L"keep=その他"), std::wstring::npos) << test::Utf8(saved);
    EXPECT_NE(saved.find(L"図面属性情報ファイル=2"), std::wstring::npos) << test::Utf8(saved);
    EXPECT_NE(saved.find(L"確認メッセージ=0"), std::wstring::npos) << test::Utf8(saved);
    const auto section = saved.find(kSettingsSection);
    ASSERT_NE(section, std::wstring::npos) << test::Utf8(saved);
    EXPECT_EQ(saved.find(kSettingsSection, section + 1), std::wstring::npos) << "one section";
    EXPECT_EQ(LoadedFlags(), L"0 1 0 2 ");
}

// The first copy of the section is the one read and the one written.
TEST_F(BadSettings, ADuplicatedSectionIsReadAndWrittenConsistently) {
    const std::string text =
        ToAnsi(kSection + L"確認メッセージ=0\r\n図面属性情報ファイル=0\r\n" + kSection +
               L"確認メッセージ=1\r\n図面属性情報ファイル=1\r\nバインダー情報ファイル=0\r\n");
    WriteBytes(SettingsFile(), text);
    EXPECT_EQ(LoadedFlags(), L"0 1 1 0 ") << "the first copy only, its missing keys default";

    ExecuteAsLoaded();
    EXPECT_EQ(LoadedFlags(), L"0 1 1 0 ") << "the next start sees what this run saved";
    EXPECT_FALSE(Exists(Target(1)));
    EXPECT_TRUE(Exists(Target(2)));
}

TEST_F(BadSettings, LinesWithoutEqualsSignsAndStrayTextAreNoValues) {
    WriteBytes(SettingsFile(), ToAnsi(L"no section line\r\n" + kSection +
                                      L"確認メッセージ\r\n= orphan value\r\n"
                                      L"開く履歴ファイル=0\r\n[unclosed\r\n"));
    EXPECT_EQ(ProfileRead(SettingsFile(), kSettingsSection, kConfirmKey, L"default"), L"default");
    EXPECT_EQ(LoadedFlags(), L"1 0 1 1 ");
    ExecuteAsLoaded();
    EXPECT_TRUE(Exists(Target(0)));
    EXPECT_FALSE(Exists(Target(1)));
    EXPECT_EQ(LoadedFlags(), L"1 0 1 1 ");
    const std::string saved = AsString(ReadBytes(SettingsFile()));
    EXPECT_NE(saved.find("no section line"), std::string::npos);
}

TEST_F(BadSettings, ATenMegabyteFileLoadsAndSaves) {
    std::string text;
    text.reserve(10'600'000);
    for (int i = 0; text.size() < 10'000'000; ++i) {
        text += "[junk" + std::to_string(i) + "]\r\nkey=" + std::string(200, 'v') + "\r\n";
    }
    text += ToAnsi(kSection + L"確認メッセージ=0\r\nバインダー情報ファイル=0\r\n");
    WriteBytes(SettingsFile(), text);

    EXPECT_EQ(LoadedFlags(), L"0 1 0 1 ");
    ExecuteAsLoaded();
    EXPECT_FALSE(Exists(Target(0)));
    const std::string saved = AsString(ReadBytes(SettingsFile()));
    EXPECT_EQ(saved.substr(0, 4000), text.substr(0, 4000));
    EXPECT_GE(saved.size(), text.size());
    EXPECT_EQ(LoadedFlags(), L"0 1 0 1 ");
}

TEST_F(BadSettings, BinaryGarbageLoadsCheckValuesAndTheRunCompletes) {
    std::mt19937 random(20240611);
    std::string garbage(64 * 1024, '\0');
    for (char& byte : garbage) byte = static_cast<char>(random() & 0xFF);
    garbage[0] = '\x81';      // no byte-order mark by chance
    garbage.back() = '\x81';  // a lone lead byte at the very end
    WriteBytes(SettingsFile(), garbage);
    EXPECT_EQ(LoadedFlags(), L"1 1 1 1 ");
    ExecuteAsLoaded();
    EXPECT_EQ(LoadedFlags(), L"1 1 1 1 ") << "what the run saved reads back";
}

// Another program has the file open without sharing: reads give the
// defaults, the writes fail silently, and the file keeps its bytes.
TEST_F(BadSettings, ASettingsFileHeldWithoutSharingIsLeftAsItWas) {
    WriteBytes(SettingsFile(), ToAnsi(kSection + L"確認メッセージ=0\r\n開く履歴ファイル=0\r\n"));
    const auto before = ReadBytes(SettingsFile());
    {
        const UniqueFile held(::CreateFileW(SettingsFile().c_str(), GENERIC_READ, 0, nullptr,
                                            OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(held);
        ASSERT_FALSE(UniqueFile(::CreateFileW(SettingsFile().c_str(), GENERIC_READ,
                                              FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                              OPEN_EXISTING, 0, nullptr)))
            << "the file is not held";
        EXPECT_EQ(LoadedFlags(), L"1 1 1 1 ");
        ExecuteAsLoaded(ERROR_SHARING_VIOLATION);
    }
    EXPECT_EQ(ReadBytes(SettingsFile()), before);
    for (int row = 0; row < 3; ++row) EXPECT_FALSE(Exists(Target(row))) << row;
}

// Wine running as root writes a read-only file all the same; where the
// platform refuses, the file must stay as it was. Either way the run
// deletes, closes, and the next start reads the same ticks.
TEST_F(BadSettings, AReadOnlySettingsFileStillLetsTheRunComplete) {
    WriteBytes(SettingsFile(), ToAnsi(kSection + L"確認メッセージ=0\r\n"));
    const auto before = ReadBytes(SettingsFile());
    ASSERT_TRUE(::SetFileAttributesW(SettingsFile().c_str(), FILE_ATTRIBUTE_READONLY));
    const bool platformRefusesWrites =
        !UniqueFile(::CreateFileW(SettingsFile().c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, 0, nullptr));
    ExecuteAsLoaded(platformRefusesWrites ? ERROR_ACCESS_DENIED : ERROR_SUCCESS);
    for (int row = 0; row < 3; ++row) EXPECT_FALSE(Exists(Target(row))) << row;
    EXPECT_EQ(LoadedFlags(), L"0 1 1 1 ");
    if (platformRefusesWrites) {
        EXPECT_EQ(ReadBytes(SettingsFile()), before);
    }
    ::SetFileAttributesW(SettingsFile().c_str(), FILE_ATTRIBUTE_NORMAL);
}

}  // namespace
}  // namespace vantrel2
