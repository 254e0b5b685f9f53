// Paths a user can type that name no plain file, or too many: devices,
// streams, names the path functions would alter, wildcards where none
// belong, huge paths and huge matches, names outside the ANSI code page.
// Only a file whose long name matches may go; nothing hangs.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "common/commonModule.h"
#include "dialog_session.h"
#include "dialog/deletion/file_deletion.h"
#include "first_reported.h"
#include "dialog/portable/layout.h"
#include "common/portable/settings.h"
#include "common/win32/win_handles.h"

namespace vantrel2 {
namespace {

using test::Exists;
using test::WriteBytes;

std::wstring Long(const std::wstring& path) { return L"\\\\?\\" + path; }

// Every name under `folder` with its attributes and size, for before/after.
using Snapshot = std::map<std::wstring, std::pair<DWORD, DWORD>>;
void Collect(const std::wstring& folder, const std::wstring& prefix, Snapshot& into) {
    WIN32_FIND_DATAW found{};
    UniqueFind find(::FindFirstFileW(Long(folder + L"\\*").c_str(), &found));
    if (!find) return;
    do {
        const std::wstring name = found.cFileName;
        if (name == L"." || name == L"..") continue;
        into[prefix + name] = {found.dwFileAttributes, found.nFileSizeLow};
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            Collect(folder + L"\\" + name, prefix + name + L"\\", into);
        }
    } while (::FindNextFileW(find.get(), &found));
}
Snapshot Take(const std::wstring& folder) {
    Snapshot snapshot;
    Collect(folder, L"", snapshot);
    return snapshot;
}

// A folder of decoys that must all survive every path of this file.
class Decoys {
  public:
    explicit Decoys(const std::wstring& at) : root(at) {
        const auto in = [&](const wchar_t* name) { return root + L"\\" + name; };
        test::MakeFolder(in(L"sub"));
        test::MakeFolder(in(L"dir.ini"));
        for (const wchar_t* name : {L"a.txt", L"t.ini", L"sub\\t.ini", L"keep.inix"}) {
            WriteBytes(in(name), "decoy");
        }
        for (const auto& [name, attributes] : {std::pair{L"ro.ini", FILE_ATTRIBUTE_READONLY},
                                               {L"hid.ini", FILE_ATTRIBUTE_HIDDEN},
                                               {L"sys.ini", FILE_ATTRIBUTE_SYSTEM}}) {
            WriteBytes(in(name), "decoy");
            ::SetFileAttributesW(in(name).c_str(), attributes);
        }
        // A stream on a.txt, where the file system has them. Wine has none
        // and makes a file named a.txt:s.ini instead, listed as such.
        const UniqueFile stream(::CreateFileW(in(L"a.txt:s.ini").c_str(), GENERIC_WRITE, 0, nullptr,
                                              CREATE_ALWAYS, 0, nullptr));
        WIN32_FIND_DATAW found{};
        const UniqueFind listed(::FindFirstFileW(in(L"a.txt:s.ini").c_str(), &found));
        streams = stream && !(listed && std::wstring(found.cFileName) == L"a.txt:s.ini");
    }
    const std::wstring root;
    bool streams = false;
};

// Typed paths that name no plain file: each deletes nothing, at once.
std::vector<std::wstring> PathsThatNameNoPlainFile(const std::wstring& root) {
    return {
        L"NUL.ini",
        L"CON",
        L"COM1.ini",
        L"lpt1.INI",
        root + L"\\COM1.ini",
        root + L"\\nul.ini",
        root + L"\\a.txt:s.ini",
        root + L"\\a.txt::$DATA.ini",
        root + L"\\t.ini.",
        root + L"\\t.ini...",
        root + L"\\t.ini  ",
        root + L"\\t.ini . ",
        root + L"\\*\\t.ini",
        root + L"\\su?\\t.ini",
        root + L"\\s*\\*.ini",
        root + L"\\dir.ini",
        root + L"\\dir.ini\\",
        root + L"\\sub.\\t.ini",
        root + L"\\sub \\t.ini",
        L"\\\\.\\" + root.substr(0, 2) + L"\\t.ini",
        L"\\\\?\\GLOBALROOT\\Device\\Null\\x.ini",
        root + L"\\" + std::wstring(300, L'x') + L".ini",
        root + L"\\" + std::wstring(40000, L'y') + L".ini",
        std::wstring(40000, L'\\') + L"t.ini",
        root + L"\\" + std::wstring(1000, L'*') + L"q.ini",
        root + L"\\\xD55C\xAE00\\missing.ini",
    };
}

TEST(TypedPaths, PathsThatNameNoPlainFileDeleteNothingAtOnce) {
    test::TempFolder folder;
    const Decoys decoys(folder.path());
    std::printf("alternate data streams here: %s\n", decoys.streams ? "yes" : "no");
    const Snapshot before = Take(folder.path());
    const test::CurrentFolder here(folder.path());
    for (const std::wstring& path : PathsThatNameNoPlainFile(folder.path())) {
        SCOPED_TRACE(test::Utf8(path.substr(0, 120)));
        const DeletionOutcome outcome = DeleteFilesByPath(path);
        EXPECT_EQ(outcome.deleted, 0U);
        for (const KeptFile& kept : outcome.reported) EXPECT_TRUE(FAILED(kept.reason));
        EXPECT_EQ(Take(folder.path()), before);
    }
    // The reasons the user is given where the system has none.
    for (const auto& [path, reason] :
         {std::pair{L"\\\\.\\" + folder.path().substr(0, 2) + L"\\t.ini", kDevicePathRefused},
          {L"\\\\?\\GLOBALROOT\\Device\\Null\\x.ini", kDevicePathRefused},
          {L"\\\\?\\C:", kDevicePathRefused},
          {folder / L"a.txt:s.ini", kStreamRefused}}) {
        EXPECT_EQ(test::FirstReported(DeleteFilesByPath(path)), reason) << test::Utf8(path);
    }
}

// Real files whose names the path functions would read as a device or
// shorten, as another system or a \\?\ path can leave them. Each goes by its
// own exact name and pattern, and never stands in for another.
TEST(TypedPaths, FilesWithDeviceOrDottedNamesGoOnlyByTheirOwnName) {
    test::TempFolder folder;
    for (const wchar_t* name : {L"NUL.ini", L"COM1.ini", L"t.ini.", L"u.ini "}) {
        const UniqueFile file(::CreateFileW(Long(folder / name).c_str(), GENERIC_WRITE, 0, nullptr,
                                            CREATE_NEW, 0, nullptr));
        ASSERT_TRUE(file) << test::Utf8(name);
    }
    WriteBytes(folder / L"t.ini", "plain");

    DeletionOutcome outcome = DeleteFilesByPath(folder / L"NUL.ini");
    EXPECT_EQ(outcome.deleted, 1U) << std::hex << test::FirstReported(outcome);
    outcome = DeleteFilesByPath(folder / L"*.ini");
    EXPECT_EQ(outcome.deleted, 2U) << std::hex << test::FirstReported(outcome);  // COM1.ini, t.ini
    const Snapshot left = Take(folder.path());
    EXPECT_EQ(left.size(), 2U);
    EXPECT_TRUE(left.contains(L"t.ini."));
    EXPECT_TRUE(left.contains(L"u.ini "));
}

// --- Through the real dialog, confirmation on and off ------------------------------

class TypedInTheDialog : public test::HostFolderTest {
  protected:
    void SetUp() override {
        HostFolderTest::SetUp();
        ProfileWrite(SettingsFile(), kSettingsSection, kRows[1].settingKey, L"0");
        ProfileWrite(SettingsFile(), kSettingsSection, kRows[2].settingKey, L"0");
    }
    // Row 0 holds `path`; Execute; with confirmation the question must show
    // the path and is answered Yes. The run must complete, after at most one
    // warning, which names `refused` (by its end: a long path is shortened in
    // the middle).
    void Execute(const std::wstring& path, bool confirm, const std::wstring& refused = {}) {
        ProfileWrite(SettingsFile(), kSettingsSection, kConfirmKey, confirm ? L"1" : L"0");
        ASSERT_TRUE(Show([&](HWND dialog) {
            test::SetPath(dialog, 0, path);
            test::Press(dialog, kCommand1Id);
            if (confirm) {
                EXPECT_EQ(test::NextShown(dialog, IDYES), test::Question(path));
            }
            test::Shown next = test::NextShown(dialog, IDNO);
            if (next.title == L"警告") {
                EXPECT_FALSE(refused.empty()) << test::Utf8(next.text);
                const std::wstring end =
                    refused.substr(refused.size() - std::min<std::size_t>(refused.size(), 30));
                EXPECT_NE(next.text.find(end), std::wstring::npos) << test::Utf8(next.text);
                next = test::NextShown(dialog, IDNO);
            }
            EXPECT_EQ(next, test::kClosed);
        }));
    }
};

TEST_F(TypedInTheDialog, PathsThatNameNoPlainFileCompleteAndDeleteNothing) {
    const std::wstring root = folder / L"typed";
    test::MakeFolder(root);
    const Decoys decoys(root);
    const std::wstring paths[] = {
        L"NUL.ini",
        root + L"\\COM1.ini",
        root + L"\\a.txt:s.ini",
        root + L"\\*\\t.ini",
        root + L"\\" + std::wstring(40000, L'y') + L".ini",
    };
    const Snapshot before = Take(root);
    const test::CurrentFolder here(root);
    for (const std::wstring& path : paths) {
        for (const bool confirm : {true, false}) {
            SCOPED_TRACE(test::Utf8(path.substr(0, 80)) + (confirm ? " asking" : " not asking"));
            Execute(path, confirm, path);
            EXPECT_EQ(Take(root), before);
        }
    }
    // Trailing dots and spaces: the trim takes the spaces, and what is left
    // fails the extension test before anything is deleted.
    ASSERT_TRUE(Show([&](HWND dialog) {
        for (const wchar_t* typed : {L"t.ini.", L"t.ini . ", L"t.ini.. "}) {
            test::SetPath(dialog, 0, root + L"\\" + typed);
            test::Press(dialog, kCommand1Id);
            EXPECT_EQ(test::NextShown(dialog).title, L"警告");
        }
        test::Click(dialog, kCommand2Id);
    }));
    EXPECT_EQ(Take(root), before);
}

TEST_F(TypedInTheDialog, NamesOutsideTheCodePageAndDeepPathsGoExactly) {
    const std::wstring korean = folder / L"\xD55C\xAE00";
    test::MakeFolder(korean);
    std::wstring deep = folder.path();
    while (deep.size() < 300) {
        deep += L"\\" + std::wstring(50, L'd');
        ASSERT_TRUE(::CreateDirectoryW(Long(deep).c_str(), nullptr));
    }
    for (const bool confirm : {true, false}) {
        SCOPED_TRACE(confirm ? "asking" : "not asking");
        const std::wstring files[] = {korean + L"\\\xD83D\xDE00\x0E01.ini", deep + L"\\deep.ini"};
        for (const std::wstring& file : files) {
            WriteBytes(Long(file), "x");
            WriteBytes(Long(file + L"x"), "keep");  // file.inix
            Execute(file, confirm);
            EXPECT_FALSE(Exists(Long(file))) << test::Utf8(file);
            EXPECT_TRUE(Exists(Long(file + L"x")));
        }
        WriteBytes(korean + L"\\\xAC00.ini", "x");
        Execute(korean + L"\\*.ini", confirm);
        EXPECT_FALSE(Exists(korean + L"\\\xAC00.ini"));
        EXPECT_TRUE(Exists(korean + L"\\\xD83D\xDE00\x0E01.inix"));
    }
}

// Ten thousand files f00000.ini to f09999.ini in `many`. The test runner
// makes them beforehand where it can and names the folder in
// VANTREL2_MANY_FILES: under Wine, creating them one by one takes a minute,
// as each new name is first looked for, case-insensitively, through the
// whole folder.
std::wstring TenThousandFiles(const std::wstring& fallback) {
    wchar_t made[MAX_PATH] = {};
    const DWORD length = ::GetEnvironmentVariableW(L"VANTREL2_MANY_FILES", made, MAX_PATH);
    std::wstring path(made, length < MAX_PATH ? length : 0);
    std::replace(path.begin(), path.end(), L'/', L'\\');
    if (!path.empty() && Exists(path + L"\\f09999.ini")) return path;
    test::MakeFolder(fallback);
    for (int i = 0; i < 10000; ++i) {
        wchar_t name[32];
        swprintf(name, 32, L"\\f%05d.ini", i);
        WriteBytes(fallback + name, "");
    }
    return fallback;
}

TEST_F(TypedInTheDialog, APatternMatchingTenThousandFilesDeletesThemAllAndNothingElse) {
    const std::wstring many = TenThousandFiles(folder / L"many");
    for (const wchar_t* name : {L"\\keep.inix", L"\\keep.txt"}) WriteBytes(many + name, "x");
    WriteBytes(many + L"\\ro.ini", "x");
    ::SetFileAttributesW((many + L"\\ro.ini").c_str(), FILE_ATTRIBUTE_READONLY);
    test::MakeFolder(many + L"\\dir.ini");
    ASSERT_EQ(Take(many).size(), 10004U);
    Execute(many + L"\\*.ini", true, many + L"\\ro.ini");
    const Snapshot left = Take(many);
    EXPECT_EQ(left.size(), 4U);
    for (const wchar_t* name : {L"keep.inix", L"keep.txt", L"ro.ini", L"dir.ini"}) {
        EXPECT_TRUE(left.contains(name)) << test::Utf8(name);
    }
}

}  // namespace
}  // namespace vantrel2
