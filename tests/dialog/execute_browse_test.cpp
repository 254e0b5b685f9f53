// Execute and the browse buttons end to end: the real dialog shown on this
// thread over a host folder of real files, while a second thread works it,
// its message boxes and the file-open dialog as a user would.
#include <gtest/gtest.h>

#include <windows.h>

#include <chrono>
#include <functional>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "dialog/Vantrel2Form.h"
#include "ansi_text.h"
#include "common/commonModule.h"
#include "dialog/deletion/portable/deletion_run.h"
#include "dialog_session.h"
#include "dialog/deletion/file_deletion.h"
#include "common/portable/settings.h"
#include "temp_folder.h"
#include "common/win32/win_handles.h"
#include "common/win32/win_util.h"
#include "window_driver.h"

namespace vantrel2 {
namespace {

using namespace std::chrono_literals;
using test::CurrentFolder;
using test::Exists;
using test::ReadBytes;
using test::Utf8;
using test::WindowText;
using test::WriteBytes;

// --- Driving the dialog -------------------------------------------------------

HWND Item(HWND dialog, int id) { return ::GetDlgItem(dialog, id); }

std::wstring PathOf(HWND dialog, int row) { return WindowText(Item(dialog, kText2Id + row)); }

using test::Click;
using test::kClosed;
using test::NextShown;
using test::Press;
using test::Question;
using test::SetPath;
using test::Warning;

// The one warning a completed run shows for what it could not do.
test::Shown Refused(const std::vector<Refusal>& refusals) {
    return Warning(RefusalReport(refusals));
}
Refusal NotDeleted(const std::wstring& path, DWORD error) {
    return {Refusal::Kind::NotDeleted, path, SystemMessage(HRESULT_FROM_WIN32(error))};
}

// After a stopped run or a browse: no further box of any kind, and the
// dialog still open.
void ExpectStillOpen(HWND dialog) {
    test::SettleDialog(dialog);
    EXPECT_EQ(test::VisibleDialogsOfThread(dialog), 0);
    EXPECT_TRUE(::IsWindowVisible(dialog));
}

// The warnings as the user reads them; the brackets are half-width.
const std::wstring kBinderEmpty = L"バインダー属性情報ファイルを正しく入力して下さい。";
const std::wstring kOpenHistoryNotIni =
    L"ファイル\xFF62開く\xFF63履歴ファイルの拡張子は \xFF62INI\xFF63 になります。";
const std::wstring kBinderNotIni =
    L"バインダー属性情報ファイルの拡張子は \xFF62INI\xFF63 になります。";

// --- The file-open dialog -------------------------------------------------------

// Presses the browse button of `row`, then types `name` and presses OK, or
// presses Cancel when `name` is empty. Returns the name the dialog started with.
std::wstring Browse(HWND dialog, int row, const std::wstring& name) {
    Press(dialog, kCommand4Id + row);
    HWND fileOpen = test::WaitForFileOpen(dialog);
    if (!fileOpen) {
        ADD_FAILURE() << "no file-open dialog for row " << row;
        return {};
    }
    EXPECT_EQ(::GetWindow(fileOpen, GW_OWNER), dialog);
    HWND nameBox = test::FileNameBox(fileOpen);
    const std::wstring initial = nameBox ? WindowText(nameBox) : L"";
    test::AnswerFileOpen(fileOpen, name);
    EXPECT_TRUE(test::WaitForWindowGone(fileOpen, 10s));
    return initial;
}

// --- The host folder and the show ----------------------------------------------

// The host folder, with the settings file as a test writes and reads it.
class HostFolderTest : public test::HostFolderTest {
  protected:
    void Store(std::wstring_view key, std::wstring_view value) {
        ProfileWrite(SettingsFile(), kSettingsSection, key, value);
    }
    std::wstring Stored(std::wstring_view key) const {
        return ProfileRead(SettingsFile(), kSettingsSection, key, L"(absent)");
    }
    // The four keys as saved: confirmation, rows 0, 1, 2.
    std::wstring StoredFlags() const {
        std::wstring flags;
        for (std::wstring_view key : kSettingKeys) flags += Stored(key);
        return flags;
    }
};

using ExecuteRun = HostFolderTest;
using BrowseButton = HostFolderTest;

// --- Runs that complete ----------------------------------------------------------

TEST_F(ExecuteRun, NoRowTickedDeletesNothingWritesTheFourKeysAndCloses) {
    // Only the greyed row is stored; the three missing keys are appended in
    // the order the run writes them.
    const std::string section = ToAnsi(L"[" + std::wstring(kSettingsSection) + L"]\r\n");
    WriteBytes(SettingsFile(), section + ToAnsi(L"図面属性情報ファイル=2\r\n"));
    ASSERT_TRUE(Show([&](HWND dialog) {
        Click(dialog, kCheck2Id + 0);
        Click(dialog, kCheck2Id + 1);
        Press(dialog, kCommand1Id);
        EXPECT_EQ(NextShown(dialog), kClosed);
    }));
    for (int row = 0; row < kRowCount; ++row) EXPECT_TRUE(Exists(Target(row))) << row;
    const auto saved = ReadBytes(SettingsFile());
    EXPECT_EQ(std::string(saved.begin(), saved.end()),
              section + ToAnsi(L"図面属性情報ファイル=2\r\n確認メッセージ=1\r\n"
                               L"開く履歴ファイル=0\r\nバインダー情報ファイル=0\r\n"));
}

TEST_F(ExecuteRun, SpacesAroundAPathAreTrimmedForTheBoxTheQuestionAndTheDeletion) {
    Store(kRows[1].settingKey, L"0");
    Store(kRows[2].settingKey, L"0");
    ASSERT_TRUE(Show([&](HWND dialog) {
        SetPath(dialog, 0, L"  " + Target(0) + L"   ");
        SetPath(dialog, 1, L"  unticked.ini ");
        Press(dialog, kCommand1Id);
        // Read while the question is up: the box already holds the trimmed text.
        ASSERT_NE(test::WaitForDialog(L"注意", 10s), nullptr);
        EXPECT_EQ(PathOf(dialog, 0), Target(0));
        EXPECT_EQ(PathOf(dialog, 1), L"  unticked.ini ");
        EXPECT_EQ(NextShown(dialog, IDYES), Question(Target(0)));
        EXPECT_EQ(NextShown(dialog), kClosed);
    }));
    EXPECT_FALSE(Exists(Target(0)));
    EXPECT_EQ(StoredFlags(), L"1100");
}

// The first name is outside the ANSI code page: the path boxes hold UTF-16.
TEST_F(ExecuteRun, TheExtensionTestPassesIniInAnyCaseAndXiniAndABareIniName) {
    test::MakeFolder(folder / L"work");
    for (const wchar_t* name :
         {L"work\\\xD55C\xAE00.iNi", L"work\\dataxini", L"work\\ini", L"ini"}) {
        WriteBytes(folder / name, "x");
    }
    const CurrentFolder here(folder / L"work");
    Store(kConfirmKey, L"0");
    ASSERT_TRUE(Show([&](HWND dialog) {
        SetPath(dialog, 0, folder / L"work\\\xD55C\xAE00.iNi");
        SetPath(dialog, 1, folder / L"work\\dataxini");
        SetPath(dialog, 2, L"ini");
        Press(dialog, kCommand1Id);
        EXPECT_EQ(NextShown(dialog), kClosed);
    }));
    EXPECT_FALSE(Exists(folder / L"work\\\xD55C\xAE00.iNi"));
    EXPECT_FALSE(Exists(folder / L"work\\dataxini"));
    EXPECT_FALSE(Exists(folder / L"work\\ini"));
    EXPECT_TRUE(Exists(folder / L"ini"));  // only the current folder's
    EXPECT_EQ(StoredFlags(), L"0111");
}

// Wine running as root writes even a read-only file, so the write is made
// to fail by a folder in the settings file's place.
TEST_F(ExecuteRun, UnsavedTicksAreReportedOnceAndTheRunCloses) {
    test::MakeFolder(SettingsFile());
    std::wstring reported;
    ASSERT_TRUE(Show([&](HWND dialog) {
        Click(dialog, kCheck2Id + 1);
        Click(dialog, kCheck2Id + 2);
        Click(dialog, kCheck1Id);
        Press(dialog, kCommand1Id);
        reported = NextShown(dialog).text;
        EXPECT_EQ(NextShown(dialog), kClosed);
    }));
    EXPECT_EQ(reported.find(L"チェックの状態を次のファイルに保存できませんでした。\n・" +
                            SettingsFile() + L"："),
              0U)
        << Utf8(reported);
    EXPECT_FALSE(Exists(Target(0)));
}

TEST_F(ExecuteRun, NoKeepsThatFileAndTheRunGoesOnAndSaves) {
    Store(kRows[2].settingKey, L"0");
    ASSERT_TRUE(Show([&](HWND dialog) {
        Press(dialog, kCommand1Id);
        EXPECT_EQ(NextShown(dialog, IDNO), Question(Target(0)));
        EXPECT_EQ(NextShown(dialog, IDYES), Question(Target(1)));
        EXPECT_EQ(NextShown(dialog), kClosed);
    }));
    EXPECT_TRUE(Exists(Target(0)));
    EXPECT_FALSE(Exists(Target(1)));
    EXPECT_TRUE(Exists(Target(2)));
    EXPECT_EQ(StoredFlags(), L"1110");
}

TEST_F(ExecuteRun, FilesThatCannotGoAreNamedInOneWarningAndTheRunCompletes) {
    Store(kConfirmKey, L"0");
    // Missing, read-only, open without delete sharing.
    ASSERT_TRUE(::DeleteFileW(Target(0).c_str()));
    ASSERT_TRUE(::SetFileAttributesW(Target(1).c_str(), FILE_ATTRIBUTE_READONLY));
    const DWORD readOnly = ::GetFileAttributesW(Target(1).c_str());
    {
        const UniqueFile lock(::CreateFileW(Target(2).c_str(), GENERIC_READ, FILE_SHARE_READ,
                                            nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(lock);
        ASSERT_TRUE(Show([&](HWND dialog) {
            Press(dialog, kCommand1Id);
            EXPECT_EQ(NextShown(dialog), Refused({NotDeleted(Target(1), ERROR_ACCESS_DENIED),
                                                  NotDeleted(Target(2), ERROR_SHARING_VIOLATION)}));
            EXPECT_EQ(NextShown(dialog), kClosed);
        }));
    }
    EXPECT_EQ(::GetFileAttributesW(Target(1).c_str()), readOnly);
    EXPECT_TRUE(Exists(Target(2)));
    EXPECT_EQ(StoredFlags(), L"0111");

    // A folder named like a settings file, a hidden and a system file.
    test::MakeFolder(folder / L"x.ini");
    const std::wstring hidden = folder / L"h.ini";
    const std::wstring system = folder / L"s.ini";
    WriteBytes(hidden, "x");
    WriteBytes(system, "x");
    ASSERT_TRUE(::SetFileAttributesW(hidden.c_str(), FILE_ATTRIBUTE_HIDDEN));
    ASSERT_TRUE(::SetFileAttributesW(system.c_str(), FILE_ATTRIBUTE_SYSTEM));
    const DWORD hiddenBefore = ::GetFileAttributesW(hidden.c_str());
    const DWORD systemBefore = ::GetFileAttributesW(system.c_str());
    ASSERT_TRUE(hiddenBefore & FILE_ATTRIBUTE_HIDDEN);
    ASSERT_TRUE(systemBefore & FILE_ATTRIBUTE_SYSTEM);
    // Named, each is refused aloud; only matched by a pattern, a folder, a
    // hidden or a system file is passed over without a word, as by `del`,
    // and so is the settings file, which a pattern never deletes.
    ASSERT_TRUE(Exists(SettingsFile()));
    for (const bool named : {true, false}) {
        ASSERT_TRUE(Show([&](HWND dialog) {
            SetPath(dialog, 0, named ? folder / L"x.ini" : folder / L"*.ini");
            SetPath(dialog, 1, named ? hidden : folder / L"?.ini");
            SetPath(dialog, 2, named ? system : folder / L"sysinfo\\*.ini");
            Press(dialog, kCommand1Id);
            if (named) {
                EXPECT_EQ(NextShown(dialog),
                          Refused({NotDeleted(folder / L"x.ini", ERROR_ACCESS_DENIED),
                                   NotDeleted(hidden, ERROR_ACCESS_DENIED),
                                   NotDeleted(system, ERROR_ACCESS_DENIED)}));
            } else {
                EXPECT_EQ(NextShown(dialog),
                          Refused({NotDeleted(Target(1), ERROR_ACCESS_DENIED),
                                   {Refusal::Kind::Spared, SettingsFile(), L""}}));
            }
            EXPECT_EQ(NextShown(dialog), kClosed);
        }));
    }
    // A device and a stream are named with reasons of the command's own.
    ASSERT_TRUE(Show([&](HWND dialog) {
        SetPath(dialog, 0, L"\\\\.\\C:\\x.ini");
        SetPath(dialog, 1, folder / L"a.txt:s.ini");
        SetPath(dialog, 2, folder / L"x.ini");
        Press(dialog, kCommand1Id);
        EXPECT_EQ(NextShown(dialog), Refused({{Refusal::Kind::NotDeleted, L"\\\\.\\C:\\x.ini",
                                               L"ファイルではなく、デバイスを指すパスです。"},
                                              {Refusal::Kind::NotDeleted, folder / L"a.txt:s.ini",
                                               L"ファイルの中のストリームを指すパスです。"},
                                              NotDeleted(folder / L"x.ini", ERROR_ACCESS_DENIED)}));
        EXPECT_EQ(NextShown(dialog), kClosed);
    }));
    EXPECT_TRUE(Exists(SettingsFile()));
    EXPECT_TRUE(Exists(folder / L"x.ini"));
    EXPECT_EQ(::GetFileAttributesW(hidden.c_str()), hiddenBefore);
    EXPECT_EQ(::GetFileAttributesW(system.c_str()), systemBefore);
}

// Where the system answers no tag or identity for a folder named "unchecked"
// and no identity for the settings file, as for a user who may not read
// them: the calls played at the one place each is made.
std::wstring unidentifiedSettings;
bool Answers(HANDLE file, FILE_INFO_BY_HANDLE_CLASS kind) {
    wchar_t name[1024] = {};
    ::GetFinalPathNameByHandleW(file, name, 1024, 0);
    const std::wstring_view path(name);
    if (path.ends_with(L"\\unchecked")) return kind != FileAttributeTagInfo && kind != 18;
    return kind != 18 || !path.ends_with(unidentifiedSettings);  // 18: FileIdInfo
}
BOOL WINAPI PlayedGet(HANDLE file, FILE_INFO_BY_HANDLE_CLASS kind, LPVOID info, DWORD size) {
    if (!Answers(file, kind)) return ::SetLastError(ERROR_ACCESS_DENIED), FALSE;
    return ::GetFileInformationByHandleEx(file, kind, info, size);
}
BOOL WINAPI PlayedIndex(HANDLE file, LPBY_HANDLE_FILE_INFORMATION info) {
    if (!Answers(file, static_cast<FILE_INFO_BY_HANDLE_CLASS>(18))) {
        return ::SetLastError(ERROR_ACCESS_DENIED), FALSE;
    }
    return ::GetFileInformationByHandle(file, info);
}

TEST_F(ExecuteRun, AFolderOrSettingsFileThatCannotBeIdentifiedIsNamedAndItsFilesStay) {
    Store(kConfirmKey, L"0");
    test::MakeFolder(folder / L"unchecked");
    WriteBytes(folder / L"unchecked\\a.ini", "x");
    WriteBytes(folder / L"sysinfo\\b.ini", "x");
    unidentifiedSettings = SettingsFile().substr(SettingsFile().rfind(L'\\'));
    FileSystemCalls played = SystemFileSystemCalls();
    played.getInformation = PlayedGet;
    played.getHandleInformation = PlayedIndex;
    const FileSystemCalls system = ReplaceFileSystemCalls(played);
    const std::wstring denied = SystemMessage(HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED));
    ASSERT_TRUE(Show([&](HWND dialog) {
        SetPath(dialog, 0, folder / L"unchecked\\*.ini");
        SetPath(dialog, 1, folder / L"sysinfo\\*.ini");
        Press(dialog, kCommand1Id);
        EXPECT_EQ(NextShown(dialog),
                  Refused({{Refusal::Kind::Unverified, folder / L"unchecked", denied},
                           {Refusal::Kind::SettingsUnknown, SettingsFile(), denied}}));
        EXPECT_EQ(NextShown(dialog), kClosed);
    }));
    ReplaceFileSystemCalls(system);
    EXPECT_TRUE(Exists(folder / L"unchecked\\a.ini"));
    EXPECT_TRUE(Exists(folder / L"sysinfo\\b.ini"));
    EXPECT_FALSE(Exists(Target(2)));
}

// Long names such as a.inix get short names (A~1.INI) that the platform's
// own pattern search would match.
TEST_F(ExecuteRun, AWildcardAsksOnceAndDeletesExactlyTheLongNameMatches) {
    test::MakeFolder(folder / L"pat");
    const wchar_t* matching[] = {L"a.ini", L"B.INI", L"LongerFileName.Ini"};
    const wchar_t* others[] = {L"a.inix", L"a.ini~", L"abcdefghij.inix", L"c.txt"};
    const auto inPat = [&](const wchar_t* name) {
        return folder / (L"pat\\" + std::wstring(name));
    };
    for (const wchar_t* name : matching) WriteBytes(inPat(name), "x");
    for (const wchar_t* name : others) WriteBytes(inPat(name), "x");
    Store(kRows[1].settingKey, L"0");
    Store(kRows[2].settingKey, L"0");
    wchar_t shortName[MAX_PATH] = {};
    ASSERT_TRUE(::GetShortPathNameW(inPat(L"a.inix").c_str(), shortName, MAX_PATH));
    ASSERT_NE(std::wstring(shortName), inPat(L"a.inix")) << "no short names in this folder";
    const std::wstring pattern = folder / L"pat\\*.ini";
    ASSERT_TRUE(Show([&](HWND dialog) {
        SetPath(dialog, 0, pattern);
        Press(dialog, kCommand1Id);
        EXPECT_EQ(NextShown(dialog, IDYES), Question(pattern));
        EXPECT_EQ(NextShown(dialog), kClosed);
    }));
    for (const wchar_t* name : matching) EXPECT_FALSE(Exists(inPat(name))) << Utf8(name);
    for (const wchar_t* name : others) EXPECT_TRUE(Exists(inPat(name))) << Utf8(name);
}

TEST_F(ExecuteRun, GreyedBoxesCountAsUntickedAndAreSavedAsTwo) {
    Store(kConfirmKey, L"2");
    Store(kRows[2].settingKey, L"2");
    ASSERT_TRUE(Show([&](HWND dialog) {
        // The same file in rows 0 and 1: the second deletion fails silently.
        SetPath(dialog, 1, Target(0));
        Press(dialog, kCommand1Id);
        EXPECT_EQ(NextShown(dialog), kClosed);
    }));
    EXPECT_FALSE(Exists(Target(0)));
    EXPECT_TRUE(Exists(Target(1)));
    EXPECT_TRUE(Exists(Target(2)));
    EXPECT_EQ(StoredFlags(), L"2112");
}

TEST_F(ExecuteRun, TheNextShowHasTheTicksExecuteSaved) {
    ASSERT_TRUE(Show([&](HWND dialog) {
        Click(dialog, kCheck2Id + 1);
        Click(dialog, kCheck1Id);
        Press(dialog, kCommand1Id);
        EXPECT_EQ(NextShown(dialog), kClosed);
    }));
    EXPECT_FALSE(Exists(Target(0)));
    EXPECT_TRUE(Exists(Target(1)));
    EXPECT_FALSE(Exists(Target(2)));

    ASSERT_TRUE(Show([&](HWND dialog) {
        EXPECT_EQ(::SendMessageW(Item(dialog, kCheck2Id + 0), BM_GETCHECK, 0, 0), BST_CHECKED);
        EXPECT_EQ(::SendMessageW(Item(dialog, kCheck2Id + 1), BM_GETCHECK, 0, 0), BST_UNCHECKED);
        EXPECT_EQ(::SendMessageW(Item(dialog, kCheck2Id + 2), BM_GETCHECK, 0, 0), BST_CHECKED);
        EXPECT_EQ(::SendMessageW(Item(dialog, kCheck1Id), BM_GETCHECK, 0, 0), BST_UNCHECKED);
        EXPECT_FALSE(::IsWindowEnabled(Item(dialog, kText2Id + 1)));
        Click(dialog, kCommand2Id);
    }));
}

// --- Runs that stop at a row -------------------------------------------------------

TEST_F(ExecuteRun, ASpacesOnlyPathEmptiesTheBoxWarnsAndWritesNothing) {
    Store(kRows[0].settingKey, L"0");
    const auto before = ReadBytes(SettingsFile());
    ASSERT_TRUE(Show([&](HWND dialog) {
        SetPath(dialog, 1, L"    ");
        Press(dialog, kCommand1Id);
        EXPECT_EQ(NextShown(dialog), Warning(kBinderEmpty));
        ExpectStillOpen(dialog);
        EXPECT_EQ(PathOf(dialog, 1), L"");
        Click(dialog, kCommand2Id);
    }));
    EXPECT_EQ(ReadBytes(SettingsFile()), before);
    for (int row = 0; row < kRowCount; ++row) EXPECT_TRUE(Exists(Target(row))) << row;
}

TEST_F(ExecuteRun, OtherEndingsFailTheExtensionTestAndKeepTheFile) {
    Store(kRows[1].settingKey, L"0");
    Store(kRows[2].settingKey, L"0");
    const auto before = ReadBytes(SettingsFile());
    // The last one ends in the full-width letters ＩＮＩ.
    const std::wstring paths[] = {folder / L"c.in", folder / L"c.txt",
                                  folder / L"c.\xFF29\xFF2E\xFF29"};
    for (const std::wstring& path : paths) WriteBytes(path, "x");
    ASSERT_TRUE(Show([&](HWND dialog) {
        for (const std::wstring& path : paths) {
            SCOPED_TRACE(Utf8(path));
            SetPath(dialog, 0, path);
            Press(dialog, kCommand1Id);
            EXPECT_EQ(NextShown(dialog), Warning(kOpenHistoryNotIni));
            ExpectStillOpen(dialog);
        }
        Click(dialog, kCommand2Id);
    }));
    for (const std::wstring& path : paths) EXPECT_TRUE(Exists(path)) << Utf8(path);
    EXPECT_EQ(ReadBytes(SettingsFile()), before);
}

TEST_F(ExecuteRun, AStopAtRowOneKeepsRowZerosDeletionAndASecondRunAsksAgain) {
    Store(kConfirmKey, L"1");
    const auto before = ReadBytes(SettingsFile());
    ASSERT_TRUE(Show([&](HWND dialog) {
        SetPath(dialog, 1, L"");
        SetPath(dialog, 2, L"  not examined.txt ");
        Press(dialog, kCommand1Id);
        EXPECT_EQ(NextShown(dialog, IDYES), Question(Target(0)));
        EXPECT_EQ(NextShown(dialog), Warning(kBinderEmpty));
        ExpectStillOpen(dialog);
        EXPECT_FALSE(Exists(Target(0)));
        EXPECT_EQ(PathOf(dialog, 2), L"  not examined.txt ");
        EXPECT_EQ(ReadBytes(SettingsFile()), before);

        SetPath(dialog, 1, Target(1));
        Click(dialog, kCheck2Id + 2);
        Press(dialog, kCommand1Id);
        EXPECT_EQ(NextShown(dialog, IDYES), Question(Target(0)));  // already gone
        EXPECT_EQ(NextShown(dialog, IDYES), Question(Target(1)));
        EXPECT_EQ(NextShown(dialog), kClosed);
    }));
    EXPECT_FALSE(Exists(Target(1)));
    EXPECT_TRUE(Exists(Target(2)));
    EXPECT_EQ(StoredFlags(), L"1110");
}

// --- Browse buttons ----------------------------------------------------------------

TEST_F(BrowseButton, TheChosenFullPathGoesIntoThatRowOnly) {
    test::MakeFolder(folder / L"pick");
    const std::wstring picked = folder / L"pick\\picked.ini";
    WriteBytes(picked, "x");
    WriteBytes(folder / L"sysinfo\\other.txt", "x");
    test::MakeFolder(folder / L"work");
    const CurrentFolder here(folder / L"work");
    ASSERT_TRUE(Show([&](HWND dialog) {
        EXPECT_EQ(Browse(dialog, 0, picked), L"FileOpenDlg.ini");
        ExpectStillOpen(dialog);
        EXPECT_EQ(::lstrcmpiW(PathOf(dialog, 0).c_str(), picked.c_str()), 0)
            << Utf8(PathOf(dialog, 0));
        EXPECT_EQ(PathOf(dialog, 1), Target(1));
        EXPECT_EQ(PathOf(dialog, 2), Target(2));

        // Row 1 starts from its own file and folder: a bare name lands in
        // sysinfo, and another extension comes back without a message.
        EXPECT_EQ(Browse(dialog, 1, L"other.txt"), L"BndAttrData.ini");
        ExpectStillOpen(dialog);
        EXPECT_EQ(::lstrcmpiW(PathOf(dialog, 1).c_str(), (folder / L"sysinfo\\other.txt").c_str()),
                  0)
            << Utf8(PathOf(dialog, 1));
        wchar_t current[MAX_PATH] = {};
        ::GetCurrentDirectoryW(MAX_PATH, current);
        EXPECT_EQ(current, folder / L"work") << "browsing moved the current folder";
        const std::wstring chosen = PathOf(dialog, 0);
        EXPECT_EQ(::lstrcmpiW(chosen.c_str(), picked.c_str()), 0);

        // Execute takes the chosen paths as they stand and refuses only now.
        Press(dialog, kCommand1Id);
        EXPECT_EQ(NextShown(dialog, IDNO), Question(chosen));
        EXPECT_EQ(NextShown(dialog), Warning(kBinderNotIni));
        ExpectStillOpen(dialog);
        Click(dialog, kCommand2Id);
    }));
    EXPECT_TRUE(Exists(picked));
    EXPECT_FALSE(Exists(SettingsFile()));
}

TEST_F(BrowseButton, CancelLeavesTheBoxExactlyAsItWas) {
    ASSERT_TRUE(Show([&](HWND dialog) {
        // The last one names a folder that does not exist.
        for (const std::wstring& text :
             {std::wstring(L"  odd text "), std::wstring(), folder / L"missing\\gone.ini"}) {
            SCOPED_TRACE(Utf8(text));
            SetPath(dialog, 2, text);
            Browse(dialog, 2, L"");
            ExpectStillOpen(dialog);
            EXPECT_EQ(PathOf(dialog, 2), text);
        }
        EXPECT_EQ(PathOf(dialog, 0), Target(0));
        Click(dialog, kCommand2Id);
    }));
}

}  // namespace
}  // namespace vantrel2
