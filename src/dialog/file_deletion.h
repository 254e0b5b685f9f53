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
    enum class Why {
        Failed,       // refused or failed: `reason`
        Spared,       // the file a pattern never deletes
        ThroughLink,  // `path` is a link in the folder part of a pattern
    };
    std::wstring path;  // in full, as the user would type it
    HRESULT reason;
    Why why = Why::Failed;
    std::wstring linkTarget;  // where a ThroughLink leads; empty when that cannot be read
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
// is retried. The folder is opened once and listed through that handle; each
// candidate is opened by its listed name relative to it, checked on that
// handle and only then marked for deletion, so a file made hidden after the
// listing stays. A link at the file is deleted as a link. Marked with POSIX
// semantics where the volume has them, so that the name is free at once even
// while a scanner still holds the file open. A candidate's long name must
// match the last component as typed, so a short-name alias (A~1.INI for
// a.inix) or a name the path functions would strip (trailing dots) deletes
// nothing. One failure does not keep the other matches of a pattern from
// going.
//
// A plain name follows links and junctions in its folder part, as every
// program does. A pattern never does: its folder is reached one component at
// a time, each opened without following a link, and a junction or symbolic
// link on the way deletes nothing and is reported with where it leads, so
// that a link someone else put in the CAD's folder cannot take the pattern
// to another folder. Reparse points that are not links (cloud files, mapped
// and SUBST drives) are passed through. A pattern never deletes `spared`
// (the settings file, which holds the CAD's own settings as well), nor the
// file it links to, however the folder is spelled; named by itself, without a
// wildcard, it goes. Out of memory, the typed path is reported with what was
// collected before.
DeletionOutcome DeleteFilesByPath(std::wstring_view path, std::wstring_view spared = {}) noexcept;

// The same, calling `afterListing(context)` once between the listing and the
// first open: lets a test change a listed file inside that window.
using AfterListing = void (*)(void* context);
DeletionOutcome DeleteFilesByPath(std::wstring_view path, std::wstring_view spared,
                                  AfterListing afterListing, void* context) noexcept;

// The calls through which deletion learns what the file system is and marks
// files, each made in one place. A test may put others in their place to play
// what this system never answers (a link's tag on a folder handle, a volume's
// flags, a zero file id, access denied from the mark).
struct FileSystemCalls {
    // Attribute tags of folders and candidates; 128-bit file ids.
    BOOL(WINAPI* getInformation)(HANDLE, FILE_INFO_BY_HANDLE_CLASS, LPVOID, DWORD);
    // The 64-bit file index, where a volume has no 128-bit ids.
    BOOL(WINAPI* getHandleInformation)(HANDLE, LPBY_HANDLE_FILE_INFORMATION);
    // The flags of the listed folder's volume.
    BOOL(WINAPI* getVolumeInformation)
    (HANDLE, LPWSTR, DWORD, LPDWORD, LPDWORD, LPDWORD, LPWSTR, DWORD);
    // Marks a file for deletion.
    BOOL(WINAPI* setInformation)(HANDLE, FILE_INFO_BY_HANDLE_CLASS, LPVOID, DWORD);
};
FileSystemCalls SystemFileSystemCalls() noexcept;
// Puts `calls` in place of the ones in use, and returns those.
FileSystemCalls ReplaceFileSystemCalls(const FileSystemCalls& calls) noexcept;

}  // namespace vantrel2
