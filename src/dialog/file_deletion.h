// Deleting the file a row names: one file, or every file in its folder whose
// long name matches a `*`/`?` pattern in the last component.
#pragma once

#include <windows.h>

#include <string_view>

namespace vantrel2 {

struct DeletionOutcome {
    unsigned deleted = 0;       // files marked for deletion
    unsigned kept = 0;          // candidates found but refused or failed
    HRESULT firstError = S_OK;  // the first failure; S_OK when there was none
};

// A relative path is taken from the current folder. Only plain files go:
// never a folder, nor a read-only, hidden or system file, nor a device or a
// stream; no attribute is changed, nothing goes to the recycle bin, nothing
// is retried. The folder is opened once (a link or junction as the folder
// itself is refused) and listed through that handle; each candidate is opened
// by its listed name relative to it, checked on that handle and only then
// marked for deletion, so a folder swapped for a junction or a file made
// hidden after the listing stays. A link is deleted as a link. A candidate's
// long name must match the last component as typed, so a short-name alias
// (A~1.INI for a.inix) or a name the path functions would strip (trailing
// dots) deletes nothing. One failure does not keep the other matches of a
// pattern from going.
DeletionOutcome DeleteFilesByPath(std::wstring_view path) noexcept;

// The same, calling `afterListing(context)` once between the listing and the
// first open: lets a test change a listed file inside that window.
using AfterListing = void (*)(void* context);
DeletionOutcome DeleteFilesByPath(std::wstring_view path, AfterListing afterListing,
                                  void* context) noexcept;

}  // namespace vantrel2
