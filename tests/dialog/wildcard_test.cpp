#include "dialog/deletion/portable/wildcard.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "dialog/deletion/portable/path_forms.h"

namespace vantrel2 {
namespace {

TEST(HasIniExtension, LooksAtTheLastThreeCharactersOnly) {
    for (const wchar_t* passes : {L"a.ini", L"A.INI", L"a.InI", L"ini", L"xini", L"C:\\x\\*.ini",
                                  L"\x30D5\x30A1\x30A4\x30EB.ini"}) {
        EXPECT_TRUE(HasIniExtension(passes)) << passes;
    }
    for (const wchar_t* fails :
         {L"", L"i", L"in", L"a.in", L"a.txt", L"a.ini.", L"a.ini ", L"a.ini\t", L"nii",
          L"a.\xFF29\xFF2E\xFF29", L"a.\xFF49\xFF4E\xFF49", L"a.\x0131ni", L"a.in\x0130"}) {
        EXPECT_FALSE(HasIniExtension(fails)) << fails;
    }
}

TEST(FoldFileNameChar, FoldsTheDocumentedRangesAndNothingElse) {
    EXPECT_EQ(FoldFileNameChar(L'a'), L'A');
    EXPECT_EQ(FoldFileNameChar(L'Z'), L'Z');
    EXPECT_EQ(FoldFileNameChar(L'\x00E9'), L'\x00C9');  // é
    EXPECT_EQ(FoldFileNameChar(L'\x00F7'), L'\x00F7');  // division sign has no case
    EXPECT_EQ(FoldFileNameChar(L'\x00FF'), L'\x0178');  // ÿ
    EXPECT_EQ(FoldFileNameChar(L'\x0101'), L'\x0100');  // ā
    EXPECT_EQ(FoldFileNameChar(L'\x013A'), L'\x0139');  // ĺ: parity flips here
    EXPECT_EQ(FoldFileNameChar(L'\x0139'), L'\x0139');
    EXPECT_EQ(FoldFileNameChar(L'\x017E'), L'\x017D');  // ž
    EXPECT_EQ(FoldFileNameChar(L'\x0131'), L'\x0131');  // dotless i stays
    EXPECT_EQ(FoldFileNameChar(L'\x03C2'), L'\x03A3');  // final sigma
    EXPECT_EQ(FoldFileNameChar(L'\x0451'), L'\x0401');  // ё
    EXPECT_EQ(FoldFileNameChar(L'\xFF41'), L'\xFF21');  // full-width a
    EXPECT_EQ(FoldFileNameChar(L'\x3042'), L'\x3042');
    EXPECT_EQ(FoldFileNameChar(L'\x00B5'), L'\x00B5');
}

TEST(MatchesWildcard, StarAndQuestionMarkOnLongNames) {
    EXPECT_TRUE(MatchesWildcard(L"*.ini", L"a.ini"));
    EXPECT_TRUE(MatchesWildcard(L"*.ini", L".ini"));
    EXPECT_TRUE(MatchesWildcard(L"*.INI", L"File.Ini"));
    EXPECT_TRUE(MatchesWildcard(L"*.ini", L"a.b.ini"));
    EXPECT_FALSE(MatchesWildcard(L"*.ini", L"a.inix"));
    EXPECT_FALSE(MatchesWildcard(L"*.ini", L"a.ini~"));
    EXPECT_FALSE(MatchesWildcard(L"*.ini", L"A~1.INIX"));
    EXPECT_TRUE(MatchesWildcard(L"a?.ini", L"ab.ini"));
    EXPECT_FALSE(MatchesWildcard(L"a?.ini", L"a.ini"));  // no DOS zero-width ?
    EXPECT_FALSE(MatchesWildcard(L"*.*", L"noext"));
    EXPECT_TRUE(MatchesWildcard(L"*", L""));
    EXPECT_TRUE(MatchesWildcard(L"", L""));
    EXPECT_FALSE(MatchesWildcard(L"", L"a"));
    EXPECT_FALSE(MatchesWildcard(L"?", L""));
    EXPECT_TRUE(MatchesWildcard(L"**a**", L"bab"));
    EXPECT_TRUE(MatchesWildcard(L"a*b*c", L"aXbYbZc"));
    EXPECT_FALSE(MatchesWildcard(L"a*b*c", L"aXcYb"));
    EXPECT_TRUE(MatchesWildcard(L"\xFF41*.ini", L"\xFF21\x3042.INI"));
    EXPECT_TRUE(MatchesWildcard(L"\x00E9t\x00E9.ini", L"\x00C9T\x00C9.INI"));
    EXPECT_FALSE(MatchesWildcard(L"\x0131.ini", L"I.ini"));
}

TEST(MatchesWildcard, ManyStarsStayFast) {
    std::wstring pattern;
    for (int i = 0; i < 2000; ++i) pattern += L"*a";
    pattern += L"*b";
    const std::wstring name(5000, L'a');
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(MatchesWildcard(pattern, name));
    EXPECT_TRUE(MatchesWildcard(pattern, name + L"b"));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30));
}

TEST(SplitLastComponent, KeepsTheSeparatorWithTheFolder) {
    const struct {
        const wchar_t *path, *folder, *name;
    } cases[] = {
        {L"C:\\x\\y\\*.ini", L"C:\\x\\y\\", L"*.ini"},
        {L"a/b.ini", L"a/", L"b.ini"},
        {L"ini", L"", L"ini"},
        {L"C:x.ini", L"C:", L"x.ini"},
        {L"dir\\", L"dir\\", L""},
    };
    for (const auto& c : cases) {
        const PathParts parts = SplitLastComponent(c.path);
        EXPECT_EQ(parts.folder, c.folder);
        EXPECT_EQ(parts.name, c.name);
    }
    EXPECT_TRUE(HasWildcard(L"a?.ini"));
    EXPECT_TRUE(HasWildcard(L"*"));
    EXPECT_FALSE(HasWildcard(L"C:\\x\\a.ini"));
    const struct {
        const wchar_t* path;
        std::size_t root;
    } roots[] = {{L"C:\\CAD\\sysinfo", 3},     {L"C:\\", 3},
                 {L"\\\\srv\\share\\CAD", 12}, {L"\\\\srv\\share", 11},
                 {L"\\\\?\\C:\\CAD", 7},       {L"\\\\?\\UNC\\srv\\sh\\CAD", 15}};
    for (const auto& r : roots) EXPECT_EQ(RootLength(r.path), r.root) << r.path;
}

TEST(PathForms, TheUnparsedFormsAreFilesTheDeviceFormsAreNot) {
    using enum PathForm;
    const std::pair<const wchar_t*, PathForm> forms[] = {{L"C:\\x\\", Ordinary},
                                                         {L"//?/C:/x", Ordinary},
                                                         {L"\\\\?\\C:\\x\\", Unparsed},
                                                         {L"\\\\?\\unc\\srv\\s\\", Unparsed},
                                                         {L"\\\\?\\Volume{0b9c}\\", Unparsed},
                                                         {L"\\\\.\\C:\\", Device},
                                                         {L"\\\\?\\GLOBALROOT\\", Device},
                                                         {L"\\??\\C:\\", Device},
                                                         {L"\\\\?\\C:", Device},
                                                         {L"\\\\?\\pipe\\x", Device}};
    for (const auto& [path, form] : forms) EXPECT_EQ(FormOf(path), form) << path;
    const std::pair<const wchar_t*, const wchar_t*> fromCad[] = {
        {L"sysinfo\\", L"C:\\CAD\\sysinfo\\"},
        {L"\\x", L"C:\\x"},
        {L"c:sub", L"C:\\CAD\\sub"},
        {L"D:sub", L"D:sub"},
        {L"D:\\sub", L"D:\\sub"},
        {L"\\\\srv\\s\\", L"\\\\srv\\s\\"}};
    for (const auto& [typed, against] : fromCad)
        EXPECT_EQ(AgainstFolder(L"C:\\CAD", typed), against);
    EXPECT_EQ(AgainstFolder(L"\\\\srv\\share\\CAD", L"\\x"), L"\\\\srv\\share\\x");
    EXPECT_EQ(AgainstFolder(L"", L"sub"), L"sub");
}

TEST(HasStrippedFolderComponent, FindsFoldersTheSystemWouldRename) {
    for (const wchar_t* folder :
         {L"C:\\x.\\", L"C:\\x \\", L"sub.\\", L"a\\b. .\\c\\", L"x...\\"}) {
        EXPECT_TRUE(HasStrippedFolderComponent(folder)) << folder;
    }
    for (const wchar_t* folder : {L"", L"C:\\", L".\\", L"..\\x\\", L"C:\\a.b\\", L"\\\\?\\C:\\x\\",
                                  L"\\\\server\\share\\", L"C:"}) {
        EXPECT_FALSE(HasStrippedFolderComponent(folder)) << folder;
    }
}

}  // namespace
}  // namespace vantrel2
