// Deleting the file a row names: one file, or every file in its folder whose
// long name matches a `*`/`?` pattern in the last component.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>
#include <vector>

namespace vantrel2 {

// A file the user asked to delete that stays, and why.
struct KeptFile {
    std::wstring path;  // in full, as the user would type it
    HRESULT reason;
    bool spared;  // the file a pattern never deletes (reason S_OK)
};

struct DeletionOutcome {
    unsigned deleted = 0;       // files marked for deletion
    unsigned kept = 0;          // candidates found but refused or failed
    HRESULT firstError = S_OK;  // the first failure; S_OK when there was none
    // What the user should be told of: every failure but a file that is not
    // there and a hidden or system file that only a pattern matched (which
    // `del` passes over too).
    std::vector<KeptFile> reported;
};

// A relative path is taken from the current folder. Only plain files go:
// never a folder, nor a read-only, hidden or system file, nor a device or a
// stream; no attribute is changed, nothing goes to the recycle bin, nothing
// is retried. The folder is opened once and listed through that handle; each candidate is opened
// by its listed name relative to it, checked on that handle and only then
// marked for deletion, so a folder swapped for a junction or a file made
// hidden after the listing stays. A link at the file is deleted as a link.
// Marked with POSIX semantics where the system has them, so that the name is
// free at once even while a scanner still holds the file open. A candidate's
// long name must match the last component as typed, so a short-name alias
// (A~1.INI for a.inix) or a name the path functions would strip (trailing
// dots) deletes nothing. One failure does not keep the other matches of a
// pattern from going. Links and junctions in the folder part are followed,
// as every program follows them. A pattern never deletes `spared` (the
// settings file, which holds the CAD's own settings as well), however the
// folder is spelled; named by itself, without a wildcard, it goes.
DeletionOutcome DeleteFilesByPath(std::wstring_view path, std::wstring_view spared = {}) noexcept;

// The same, calling `afterListing(context)` once between the listing and the
// first open: lets a test change a listed file inside that window.
using AfterListing = void (*)(void* context);
DeletionOutcome DeleteFilesByPath(std::wstring_view path, std::wstring_view spared,
                                  AfterListing afterListing, void* context) noexcept;

// The one call that marks a file for deletion. A test may put another in its
// place to play what this system never answers (access denied, a file system
// without POSIX semantics); the previous one is returned.
using SetFileInformationCall = BOOL(WINAPI*)(HANDLE, FILE_INFO_BY_HANDLE_CLASS, LPVOID, DWORD);
SetFileInformationCall ReplaceSetFileInformation(SetFileInformationCall call) noexcept;

}  // namespace vantrel2
