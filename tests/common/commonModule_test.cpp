#include "common/commonModule.h"

#include <gtest/gtest.h>

#include <future>
#include <string>

#include "common/portable/settings.h"
#include "temp_folder.h"
#include "window_driver.h"

namespace vantrel2 {
namespace {

using test::ReadBytes;
using test::TempFolder;
using test::WriteBytes;

std::string Bytes(const std::wstring& file) {
    const auto bytes = ReadBytes(file);
    return std::string(bytes.begin(), bytes.end());
}

TEST(AnsiCodePage, IsShiftJisUnderTheTestEnvironment) { ASSERT_EQ(::GetACP(), 932u); }

TEST(ProfileRead, MissingFileSectionKeyOrEmptyValueGiveTheDefault) {
    TempFolder folder;
    const auto file = folder / L"kxSystem.ini";
    EXPECT_EQ(ProfileRead(file, L"s", L"k", L"1"), L"1");
    WriteBytes(file, "[s]\r\nempty=\r\nblank=   \r\nother=x\r\n");
    EXPECT_EQ(ProfileRead(file, L"s", L"empty", L"1"), L"1");
    EXPECT_EQ(ProfileRead(file, L"s", L"missing", L"def"), L"def");
    EXPECT_EQ(ProfileRead(file, L"t", L"other", L"def"), L"def");
    EXPECT_EQ(ProfileRead(file, L"s", L"other", L"def"), L"x");
}

// Best fit would read 'a¥b' as 'a\b' in code page 932: another folder's file.
TEST(ProfileReadAndWrite, APathWithoutAnExactAnsiFormIsNeitherReadNorWritten) {
    TempFolder folder;
    test::MakeFolder(folder / L"a");
    const auto lookAlike = folder / L"a\\b.ini";
    WriteBytes(lookAlike, "[s]\r\nk=0\r\n");
    const auto file = folder / L"a\u00A5b.ini";
    EXPECT_EQ(ProfileRead(file, L"s", L"k", L"1"), L"1");
    EXPECT_EQ(ProfileWrite(file, L"s", L"k", L"2"),
              HRESULT_FROM_WIN32(ERROR_NO_UNICODE_TRANSLATION));
    EXPECT_EQ(Bytes(lookAlike), "[s]\r\nk=0\r\n");
    EXPECT_FALSE(test::Exists(file));
}

TEST(ProfileRead, TrimsSpacesAroundTheValue) {
    TempFolder folder;
    const auto file = folder / L"a.ini";
    WriteBytes(file, "[s]\r\nk=  1  \r\n");
    EXPECT_EQ(ProfileRead(file, L"s", L"k", L"9"), L"1");
}

TEST(ProfileWrite, StoresSectionAndKeysAsShiftJis) {
    TempFolder folder;
    const auto file = SettingsFileName(folder.path());
    EXPECT_EQ(ProfileWrite(file, kSettingsSection, kConfirmKey, L"1"), S_OK);
    // 各種履歴情報ファイル削除 / 確認メッセージ in code page 932.
    const std::string expected =
        "[\x8a\x65\x8e\xed\x97\x9a\x97\xf0\x8f\xee\x95\xf1\x83\x74\x83\x40\x83\x43\x83\x8b"
        "\x8d\xed\x8f\x9c]\r\n\x8a\x6d\x94\x46\x83\x81\x83\x62\x83\x5a\x81\x5b\x83\x57=1\r\n";
    EXPECT_EQ(Bytes(file), expected);
    EXPECT_EQ(ProfileRead(file, kSettingsSection, kConfirmKey, L""), L"1");
}

TEST(ProfileWrite, LeavesOtherSectionsAndKeysIntact) {
    TempFolder folder;
    const auto file = folder / L"kxSystem.ini";
    WriteBytes(file, "[Other]\r\nkeep=yes\r\n[s]\r\nmine=0\r\nneighbour=7\r\n");
    ProfileWrite(file, L"s", L"mine", L"1");
    EXPECT_EQ(Bytes(file), "[Other]\r\nkeep=yes\r\n[s]\r\nmine=1\r\nneighbour=7\r\n");
}

TEST(ProfileRead, DoubleByteValueComesBackWholeWithNothingAfterIt) {
    TempFolder folder;
    const auto file = folder / L"a.ini";
    const std::wstring value = L"図面属性ﾌｧｲﾙ履歴";  // 6 double-byte + 4 single-byte characters
    ProfileWrite(file, L"s", L"k", value);
    EXPECT_EQ(ProfileRead(file, L"s", L"k", L""), value);
}

TEST(ProfileRead, ValueLongerThanTheBufferIsCutToWhatFits) {
    TempFolder folder;
    const auto file = folder / L"a.ini";
    WriteBytes(file, "[s]\r\nascii=" + std::string(600, 'a') + "\r\n");
    EXPECT_EQ(ProfileRead(file, L"s", L"ascii", L""), std::wstring(511, L'a'));

    // 300 double-byte characters are 600 bytes: 255 whole ones fit in 511.
    ProfileWrite(file, L"s", L"kanji", std::wstring(300, L'漢'));
    const auto kanji = ProfileRead(file, L"s", L"kanji", L"");
    EXPECT_EQ(kanji, std::wstring(255, L'漢'));
}

TEST(ProfileFunctions, MissingFolderReadsDefaultsAndWritesNothing) {
    TempFolder folder;
    const auto missing = folder / L"sysinfo";
    const auto file = SettingsFileName(missing);
    EXPECT_EQ(ProfileRead(file, kSettingsSection, kConfirmKey, L"1"), L"1");
    ProfileWrite(file, kSettingsSection, kConfirmKey, L"0");
    EXPECT_FALSE(test::Exists(missing));
    EXPECT_FALSE(test::Exists(file));
}

// The boxes are answered by a second thread, as a user would click them.
TEST(AskCaution, OffersYesAndNoWithTheExclamationIcon) {
    auto answered =
        std::async(std::launch::async, [] { return test::AnswerMessageBox(L"注意", IDNO); });
    EXPECT_EQ(AskCaution(L"｢C:\\a.ini｣を削除します。よろしいですか？"), 7);
    const auto seen = answered.get();
    ASSERT_TRUE(seen.appeared);
    EXPECT_EQ(seen.text, L"｢C:\\a.ini｣を削除します。よろしいですか？");
    EXPECT_EQ(seen.buttons, (std::vector<int>{IDYES, IDNO}));
    EXPECT_EQ(seen.icon, ::LoadIconW(nullptr, IDI_EXCLAMATION));

    auto yes =
        std::async(std::launch::async, [] { return test::AnswerMessageBox(L"注意", IDYES); });
    EXPECT_EQ(AskCaution(L"?"), 6);
    EXPECT_TRUE(yes.get().appeared);
}

TEST(ShowWarning, OffersOnlyOkWithTheStopIcon) {
    auto answered =
        std::async(std::launch::async, [] { return test::AnswerMessageBox(L"警告", IDOK); });
    ShowWarning(L"図面属性情報ファイルの拡張子は ｢INI｣ になります。");
    const auto seen = answered.get();
    ASSERT_TRUE(seen.appeared);
    EXPECT_EQ(seen.text, L"図面属性情報ファイルの拡張子は ｢INI｣ になります。");
    EXPECT_EQ(seen.buttons, std::vector<int>{IDOK});
    EXPECT_EQ(seen.icon, ::LoadIconW(nullptr, IDI_HAND));
}

}  // namespace
}  // namespace vantrel2
