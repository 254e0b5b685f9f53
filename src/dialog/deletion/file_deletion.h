// Deleting the file a row names: one file, or every file in its folder whose
// long name matches a `*`/`?` pattern in the last component.
#pragma once

#include <windows.h>
#include <winternl.h>

#include <string>
#include <string_view>
#include <vector>

#include "dialog/deletion/portable/refusal.h"

namespace vantrel2 {

// Why a path names no file that may be deleted, where the system has no
// words for it.
inline constexpr HRESULT kDevicePathRefused =
    MAKE_HRESULT(SEVERITY_ERROR, FACILITY_ITF, 0x0201);  // a device, not a file on a volume
inline constexpr HRESULT kStreamRefused =
    MAKE_HRESULT(SEVERITY_ERROR, FACILITY_ITF, 0x0202);  // a stream of a file

// A file the user asked to delete that stays, why (NotDeleted, Spared,
// ThroughLink, Unverified or SettingsUnknown), and the failure behind it.
struct KeptFile {
    std::wstring path;  // in full, as the user would type it
    HRESULT reason;     // S_OK for Spared and ThroughLink
    Refusal::Kind why = Refusal::Kind::NotDeleted;
    std::wstring linkTarget;  // where a ThroughLink leads; empty when that cannot be read
};

struct DeletionOutcome {
    unsigned deleted = 0;  // files marked for deletion
    unsigned kept = 0;     // candidates found but refused or failed
    // What the user should be told of: every failure but a file that is not
    // there and a hidden or system file that only a pattern matched (which
    // `del` passes over too).
    std::vector<KeptFile> reported;
};

// A relative path is taken from `currentFolder` (a run reads the process's
// current folder once, so that another thread changing it between rows
// cannot move a row's files), or from the current folder now when it is
// empty. Every form Windows takes is taken: plain, UNC, and the \\?\ forms
// of a drive, a share or a volume, which are used as written; a device path
// (\\.\, \\?\GLOBALROOT) and a stream are refused with their own reasons.
// Only plain files go: never a folder, nor a read-only, hidden or system
// file; no attribute is changed, nothing goes to the recycle bin, nothing is
// retried. A link at the file is deleted as a link. Marked with POSIX
// semantics where the volume has them, so that the name is free at once even
// while a scanner still holds the file open.
//
// A plain name asks for what DeleteFileW asks for, no more: the file is
// opened by its path with delete access (which the file or its folder
// grants), passing through folders the user may not list, as every program
// does, links and junctions included. Its long name is checked on the opened
// file, so a short-name alias (A~1.INI for a.inix) or a name the path
// functions would strip (trailing dots) deletes nothing.
//
// A pattern needs "List folder" on the folder it lists. The folder is opened
// once, listed through that handle, and each candidate is opened by its
// listed name relative to it, checked on that handle and only then marked,
// so a file made hidden after the listing stays; a candidate's long name
// must match the pattern. One failure does not keep the other matches from
// going. A pattern never follows a junction or symbolic link in its folder
// part: the folder is reached one component at a time, each checked with
// what a user who may only pass through it may ask, and a link on the way
// deletes nothing and is reported with where it leads; a folder on the way
// that cannot be checked is reported with why. A volume mounted in a folder
// (which only an administrator can make) and reparse points that are not
// links (cloud files) are passed through. A pattern never deletes `spared`
// (the settings file, which holds the CAD's own settings as well), nor the
// file it links to, however the folder is spelled; where that file exists
// but cannot be identified, a pattern in its folder deletes nothing and says
// why. Named by itself, without a wildcard, it goes. Out of memory, the
// typed path is reported with what was collected before.
DeletionOutcome DeleteFilesByPath(std::wstring_view path, std::wstring_view spared = {},
                                  std::wstring_view currentFolder = {}) noexcept;

// The same from the current folder, calling `afterListing(context)` once
// between a pattern's listing and its first open: lets a test change a
// listed file inside that window.
using AfterListing = void (*)(void* context);
DeletionOutcome DeleteFilesByPath(std::wstring_view path, std::wstring_view spared,
                                  AfterListing afterListing, void* context) noexcept;

// The calls through which deletion learns what the file system is and marks
// files, each made in one place. A test may put others in their place to play
// what this system never answers (a link's tag on a folder handle, a mounted
// volume, a volume's flags, a zero file id, access denied from the mark).
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
    // Reads the reparse data of a folder with a junction's tag, to tell a
    // mounted volume from a junction.
    BOOL(WINAPI* ioControl)(HANDLE, DWORD, LPVOID, DWORD, LPVOID, DWORD, LPDWORD, LPOVERLAPPED);
    // The file index alone, which needs no volume: tells most candidates
    // from the settings file before its full identity is asked.
    NTSTATUS(NTAPI* queryInformation)
    (HANDLE, PIO_STATUS_BLOCK, PVOID, ULONG, FILE_INFORMATION_CLASS);
};
FileSystemCalls SystemFileSystemCalls() noexcept;
// Puts `calls` in place of the ones in use, and returns those.
FileSystemCalls ReplaceFileSystemCalls(const FileSystemCalls& calls) noexcept;

}  // namespace vantrel2
