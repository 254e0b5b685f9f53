// Deletion as a CAD user without administrator rights meets it: run by
// unprivileged_session.sh in a Wine session of an unprivileged user, on
// folders that user may only pass through ("pass", 0711 and another
// owner's) or write and pass through without listing ("write", 0300). Run
// as root, where no permission ever refuses anything, these rows would prove
// nothing, so the test first makes sure that the folders refuse a listing.
#include <gtest/gtest.h>

#include <string>

#include "dialog/deletion/file_deletion.h"
#include "temp_folder.h"
#include "first_reported.h"
#include "common/win32/win_handles.h"

namespace vantrel2 {
namespace {

using test::Exists;

DWORD ListingError(const std::wstring& pattern) {
    WIN32_FIND_DATAW found{};
    const UniqueFind find(::FindFirstFileW(pattern.c_str(), &found));
    return find ? ERROR_SUCCESS : ::GetLastError();
}

TEST(DeleteAsAStandardUser, WhatWindowsAllowsTheCommandAllows) {
    const std::wstring cad = L"C:\\cad";
    ASSERT_EQ(ListingError(cad + L"\\pass\\*"), DWORD{ERROR_ACCESS_DENIED})
        << "the folders do not refuse this user: run by unprivileged_session.sh, not as root";
    ASSERT_EQ(ListingError(cad + L"\\write\\*"), DWORD{ERROR_ACCESS_DENIED});

    const struct {
        const wchar_t* typed;  // below C:\cad, \\?\ added where it starts with a backslash
        const wchar_t* floor;  // what DeleteFileW deletes, or FindFirstFileW lists, beside it
        unsigned deleted;
        DWORD error;  // the first reported reason: ERROR_SUCCESS where all went
    } rows[] = {
        {L"write\\a.ini", L"write\\a-floor.ini", 1, ERROR_SUCCESS},
        {L"pass\\sub\\b.ini", L"pass\\sub\\b-floor.ini", 1, ERROR_SUCCESS},
        {L"\\pass\\sub\\c.ini", L"\\pass\\sub\\c-floor.ini", 1, ERROR_SUCCESS},
        {L"pass\\sub\\*.ini", L"pass\\sub\\*.ini", 2, ERROR_SUCCESS},
        {L"\\pass\\deep\\er\\*.ini", L"\\pass\\deep\\er\\*.ini", 1, ERROR_SUCCESS},
        // A link among folders that cannot be opened: the folder reached by
        // path is not the one the names spell.
        {L"pass\\elsewhere\\*.ini", L"pass\\elsewhere\\*.ini", 0, 4395},
        // Listing is what Windows refuses here too.
        {L"write\\*.ini", L"write\\*.ini", 0, ERROR_ACCESS_DENIED},
    };
    for (const auto& row : rows) {
        const auto full = [&](const wchar_t* below) {
            return below[0] == L'\\' ? L"\\\\?\\" + cad + below : cad + L"\\" + below;
        };
        const std::wstring typed = full(row.typed), floor = full(row.floor);
        SCOPED_TRACE(test::Utf8(typed));
        if (std::wstring(row.floor).find(L'*') != std::wstring::npos) {
            EXPECT_EQ(ListingError(floor), row.error == ERROR_ACCESS_DENIED ? row.error : 0U);
        } else {
            EXPECT_TRUE(::DeleteFileW(floor.c_str())) << ::GetLastError();
        }
        const DeletionOutcome outcome = DeleteFilesByPath(typed);
        EXPECT_EQ(outcome.deleted, row.deleted) << std::hex << test::FirstReported(outcome);
        EXPECT_EQ(test::FirstReported(outcome),
                  row.error == ERROR_SUCCESS ? S_OK : HRESULT_FROM_WIN32(row.error));
        if (std::wstring_view(row.typed).ends_with(L"*.ini")) continue;
        EXPECT_EQ(Exists(typed), row.deleted == 0);
    }
    EXPECT_TRUE(Exists(cad + L"\\write\\keep.ini"));
}

}  // namespace
}  // namespace vantrel2
