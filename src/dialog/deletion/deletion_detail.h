// What the files of the deletion share: the file-system calls in use, the
// opening by NT path, file identity and the spared settings file, the walk to
// a pattern's folder, and the listing and marking. Used by this folder only.
#pragma once

#include <windows.h>
#include <winternl.h>

#include <algorithm>
#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "dialog/deletion/file_deletion.h"
#include "common/win32/win_handles.h"

namespace vantrel2::deletion_detail {

inline const HRESULT kRefused = HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED);
inline const HRESULT kBadName = HRESULT_FROM_WIN32(ERROR_INVALID_NAME);

inline constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
inline constexpr ULONG kFolderOptions = FILE_DIRECTORY_FILE | FILE_OPEN_FOR_BACKUP_INTENT;
// What one counted string can hold.
inline constexpr std::size_t kMaxNtNameChars = 0xFFFE / sizeof(wchar_t);

// SystemFileSystemCalls(), unless a test put others in their place.
extern FileSystemCalls calls;

// How one candidate or path fared, and whether the user should hear of it.
enum class Heard { Yes, No };

struct Result {
    HRESULT code = E_UNEXPECTED;
    Heard heard = Heard::Yes;
    bool spared = false;
};

// Which file a handle reaches, to know the spared file under any spelling of
// its path (a short name, a link, another drive letter for the same volume).
// A file system that answers a zero id (some network servers) gives no
// identity: then the paths the system resolves are compared.
struct FileIdentity {
    ULONGLONG volume = 0;
    std::array<BYTE, 16> id{};
    std::wstring finalPath;  // only where needed
    ULONGLONG index = 0;     // the file index alone; 0 where not answered

    bool Known() const {
        return std::any_of(id.begin(), id.end(), [](BYTE b) { return b != 0; });
    }
};

// The settings file as a pattern knows it: found by the same \\?\ form the
// walk uses, so that a long path finds it too.
struct SparedFile {
    std::vector<FileIdentity> identities;  // it, and where it is a link, the file it leads to
    std::wstring shown;                    // its path, as the user would type it
    // Where it exists but cannot be identified: why, and its folder, in which
    // a pattern then deletes nothing.
    HRESULT unknown = S_OK;
    std::wstring folder;  // \\?\ form
    std::optional<FileIdentity> folderIdentity;
};

// What one pass over a folder needs to know besides the folder itself.
struct Search {
    std::wstring_view pattern;  // the last component as typed
    bool wildcard;
    std::wstring shownFolder;          // for the names the user is told of
    bool posixDeletion = false;        // the volume says it has it
    std::vector<FileIdentity> spared;  // never deleted by a pattern
    bool sparedKnown = true;           // every spared identity has an id
    bool sparedIndexed = false;        // every spared identity has an index
    std::wstring Shown(std::wstring_view name) const {
        std::wstring shown = shownFolder;
        if (!shown.empty() && shown.back() != L'\\') shown += L'\\';
        return shown + std::wstring(name);
    }
};

// The outcome (file_deletion.cpp).
void Note(DeletionOutcome& outcome, const std::wstring& path, const Result& result);
// A failure of the whole path, before any file was looked at.
void PathFailure(DeletionOutcome& outcome, const std::wstring& path, HRESULT error);

// Paths and handles (nt_path.cpp).
bool IsNotThere(HRESULT result);
HRESULT NtResult(NTSTATUS status);
// The absolute form of the folder part `folder` (with its separator, or
// empty for the current folder), as the user reads it: a \\?\ form as
// written, any other against `currentFolder` and normalised. A device path
// is refused.
std::optional<std::wstring> AbsoluteFolder(std::wstring_view folder,
                                           std::wstring_view currentFolder, HRESULT& error);
// The \\?\ form of an absolute path, so that length does not matter and
// nothing in it is read as a device or shortened.
std::wstring Unparsed(std::wstring_view full);
// The same, back as the user reads it.
std::wstring Readable(std::wstring_view unparsed);
// The system's own name for a \\?\ path, for the native calls.
std::wstring NtPath(std::wstring_view unparsed);
// A \\?\ folder path without its last separator, but for a root's.
std::wstring WithoutLastSeparator(std::wstring path);
// `name` in the folder `parent` (or, without a parent, an NT path), by that
// name exactly: no normalisation, no short-name aliasing of another entry.
UniqueKernelHandle OpenRelative(HANDLE parent, std::wstring name, ACCESS_MASK access, ULONG options,
                                HRESULT& error);
// A folder by its \\?\ path, as the system resolves it: links followed, and
// the folders on the way passed through whatever their rights.
UniqueKernelHandle OpenFolderByPath(const std::wstring& unparsed, ACCESS_MASK access,
                                    HRESULT& error);
std::optional<FILE_ATTRIBUTE_TAG_INFO> AttributesAndTag(HANDLE file, HRESULT& error);
// The path the system resolves a handle to; empty when it cannot say. The
// normalised form has every link resolved and long names only; the opened
// form, where a volume cannot give that, is the path as it was opened.
std::wstring FinalPath(HANDLE file, DWORD volumeForm, bool normalisedOnly = false);
bool SamePath(std::wstring_view a, std::wstring_view b);

// Identities and the spared file (file_identity.cpp).
std::optional<FileIdentity> IdentityOf(HANDLE file, bool withPath, HRESULT& error);
// The file index, which a file system answers from the file alone; 0 where
// it answers none (0, or all ones).
ULONGLONG FileIndexOf(HANDLE file);
bool SameFile(const FileIdentity& a, const FileIdentity& b);
SparedFile FindSpared(std::wstring_view spared, std::wstring_view currentFolder);
// Whether `listed` may be the folder of a settings file that could not be
// identified; where that cannot be told either, it is taken to be.
bool MayHoldSpared(HANDLE listed, const std::wstring& listedPath, const SparedFile& spared);
// Whether `file` is the settings file, or cannot be told from it.
bool IsSpared(HANDLE file, const Search& search, HRESULT& error);

// The walk to a pattern's folder (folder_walk.cpp).
UniqueKernelHandle OpenFolderWithoutLinks(const std::wstring& unparsed, HRESULT& error,
                                          std::optional<KeptFile>& stop);

// Listing and marking (marking.cpp).
bool HasPosixDeletion(HANDLE file);
HRESULT ListCandidates(HANDLE folder, const Search& search, std::vector<std::wstring>& names,
                       DeletionOutcome& outcome);
Result DeleteOneFile(HANDLE folder, std::wstring& name, const Search& search);
void DeleteNamedFile(const std::wstring& unparsed, const Search& search, DeletionOutcome& outcome);

}  // namespace vantrel2::deletion_detail
