#include "file_deletion.h"

#include <winternl.h>

#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "win_handles.h"
#include "wildcard.h"
#include "win_util.h"

// Exported by ntdll on every Windows version, but not declared by <winternl.h>.
extern "C" NTSTATUS NTAPI NtQueryDirectoryFile(HANDLE file, HANDLE event, PIO_APC_ROUTINE apc,
                                               PVOID apcContext, PIO_STATUS_BLOCK io, PVOID buffer,
                                               ULONG length, FILE_INFORMATION_CLASS infoClass,
                                               BOOLEAN singleEntry, PUNICODE_STRING mask,
                                               BOOLEAN restartScan);

namespace vantrel2 {
namespace {

constexpr DWORD kNeverDeleted = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY |
                                FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                FILE_ATTRIBUTE_DEVICE;

const HRESULT kRefused = HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED);
const HRESULT kBadName = HRESULT_FROM_WIN32(ERROR_INVALID_NAME);
const HRESULT kNotFound = HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);

constexpr NTSTATUS kNoMoreFiles = static_cast<NTSTATUS>(0x80000006UL);  // STATUS_NO_MORE_FILES
constexpr NTSTATUS kNoSuchFile = static_cast<NTSTATUS>(0xC000000FUL);   // STATUS_NO_SUCH_FILE

// What one counted string can hold.
constexpr std::size_t kMaxNtNameChars = 0xFFFE / sizeof(wchar_t);
// About 500 entries a call.
constexpr ULONG kListingBytes = 64 * 1024;

// FileDispositionInfoEx and its flags, from Windows 10 1607 on; not
// declared for the Windows 7 headers this is built with.
constexpr auto kFileDispositionInfoEx = static_cast<FILE_INFO_BY_HANDLE_CLASS>(21);
constexpr DWORD kDispositionDelete = 0x1;          // FILE_DISPOSITION_FLAG_DELETE
constexpr DWORD kDispositionPosixSemantics = 0x2;  // FILE_DISPOSITION_FLAG_POSIX_SEMANTICS
struct DispositionEx {                             // FILE_DISPOSITION_INFO_EX
    DWORD Flags;
};

SetFileInformationCall setFileInformation = ::SetFileInformationByHandle;

// How one candidate or path fared, and whether the user should hear of it.
enum class Heard { Yes, No };

struct Result {
    HRESULT code;
    Heard heard = Heard::Yes;
    bool spared = false;
};

bool IsNotThere(HRESULT result) {
    return result == HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND) ||
           result == HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND) ||
           result == HRESULT_FROM_WIN32(ERROR_DIRECTORY);
}

void Note(DeletionOutcome& outcome, const std::wstring& path, const Result& result) {
    if (SUCCEEDED(result.code) && !result.spared) {
        ++outcome.deleted;
        return;
    }
    ++outcome.kept;
    if (SUCCEEDED(outcome.firstError)) outcome.firstError = result.spared ? kRefused : result.code;
    if (result.heard == Heard::Yes && !IsNotThere(result.code)) {
        outcome.reported.push_back({path, result.code, result.spared});
    }
}

// A failure of the whole path, before any file was looked at.
DeletionOutcome PathFailure(const std::wstring& path, HRESULT error) {
    DeletionOutcome outcome;
    outcome.firstError = error;
    if (!IsNotThere(error)) outcome.reported.push_back({path, error, false});
    return outcome;
}

HRESULT NtResult(NTSTATUS status) { return HRESULT_FROM_WIN32(::RtlNtStatusToDosError(status)); }

UNICODE_STRING NtName(std::wstring& name) {
    UNICODE_STRING counted{};
    counted.Length = static_cast<USHORT>(name.size() * sizeof(wchar_t));
    counted.MaximumLength = counted.Length;
    counted.Buffer = name.data();
    return counted;
}

bool StartsWith(const std::wstring& text, std::wstring_view prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

struct AbsolutePath {
    std::wstring shown;   // as the user reads it
    std::wstring opened;  // in the \\?\ form
};

// The absolute form of `path` against the current folder, and its \\?\ form
// so that length does not matter and nothing in it is read as a device or
// shortened. Device paths are refused.
std::optional<AbsolutePath> Absolute(std::wstring_view path, HRESULT& error) {
    const std::wstring input(path);
    const DWORD needed = ::GetFullPathNameW(input.c_str(), 0, nullptr, nullptr);
    if (needed == 0) {
        error = LastErrorResult();
        return std::nullopt;
    }
    std::wstring full(needed, L'\0');
    const DWORD length = ::GetFullPathNameW(input.c_str(), needed, full.data(), nullptr);
    if (length == 0 || length >= needed) {
        error = length == 0 ? LastErrorResult() : E_UNEXPECTED;
        return std::nullopt;
    }
    full.resize(length);
    if (StartsWith(full, L"\\\\.\\") || StartsWith(full, L"\\\\?\\.")) {
        error = kBadName;
        return std::nullopt;
    }
    if (StartsWith(full, L"\\\\?\\")) return AbsolutePath{full, full};
    if (StartsWith(full, L"\\\\")) return AbsolutePath{full, L"\\\\?\\UNC\\" + full.substr(2)};
    return AbsolutePath{full, L"\\\\?\\" + full};
}

// The folder, opened once: it is listed through this handle and every
// candidate is opened relative to it, so renaming the folder and putting a
// junction in its place after the listing cannot redirect a deletion. Links
// and junctions on the way to it, the folder itself included, are followed.
UniqueFile OpenFolder(std::wstring path, HRESULT& error) {
    // A drive's root keeps its separator; without it the name is the volume.
    if (path.size() > 1 && path.back() == L'\\' && path[path.size() - 2] != L':') path.pop_back();
    UniqueFile folder(::CreateFileW(path.c_str(), FILE_LIST_DIRECTORY | SYNCHRONIZE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!folder) {
        error = LastErrorResult();
        return folder;
    }
    FILE_ATTRIBUTE_TAG_INFO info{};
    if (!::GetFileInformationByHandleEx(folder.get(), FileAttributeTagInfo, &info,
                                        static_cast<DWORD>(sizeof info))) {
        error = LastErrorResult();
        folder.reset();
    } else if ((info.FileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        error = HRESULT_FROM_WIN32(ERROR_DIRECTORY);
        folder.reset();
    }
    return folder;
}

// Which file a handle reaches, to know the spared file under any spelling of
// its path (a short name, a link, another drive letter for the same volume).
struct FileIdentity {
    DWORD volume = 0;
    DWORD indexHigh = 0;
    DWORD indexLow = 0;
    bool operator==(const FileIdentity& other) const {
        return volume == other.volume && indexHigh == other.indexHigh && indexLow == other.indexLow;
    }
};

std::optional<FileIdentity> IdentityOf(HANDLE file) {
    BY_HANDLE_FILE_INFORMATION info{};
    if (!::GetFileInformationByHandle(file, &info)) return std::nullopt;
    return FileIdentity{info.dwVolumeSerialNumber, info.nFileIndexHigh, info.nFileIndexLow};
}

std::optional<FileIdentity> IdentityOf(std::wstring_view path) {
    if (path.empty()) return std::nullopt;
    const std::wstring terminated(path);
    const UniqueFile file(::CreateFileW(terminated.c_str(), FILE_READ_ATTRIBUTES,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                        nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS,
                                        nullptr));
    if (!file) return std::nullopt;
    return IdentityOf(file.get());
}

// What one pass over a folder needs to know besides the folder itself.
struct Search {
    std::wstring_view pattern;  // the last component as typed
    bool wildcard;
    std::wstring shownFolder;            // for the names the user is told of
    std::optional<FileIdentity> spared;  // never deleted by a pattern
    std::wstring Shown(std::wstring_view name) const {
        std::wstring shown = shownFolder;
        if (!shown.empty() && shown.back() != L'\\') shown += L'\\';
        return shown + std::wstring(name);
    }
};

// A folder, or a file only a pattern matched that is hidden or system, is
// passed over without a word, as `del` does; named by itself it is refused
// aloud. A read-only file is refused aloud either way.
Result RefusedFor(DWORD attributes, const Search& search) {
    const bool passedOver =
        (attributes & FILE_ATTRIBUTE_READONLY) == 0 &&
        (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) !=
            0;
    return {kRefused, search.wildcard && passedOver ? Heard::No : Heard::Yes};
}

// Sorts one listed entry: a candidate, kept, or not a match at all.
void Consider(const Search& search, std::wstring_view name, DWORD attributes,
              std::vector<std::wstring>& names, DeletionOutcome& outcome) {
    if (name == L"." || name == L"..") return;
    if (!MatchesWildcard(search.pattern, name)) {
        // Found by another name (a short name): not what was typed, so it
        // stays.
        if (!search.wildcard) Note(outcome, search.Shown(search.pattern), {kBadName});
    } else if ((attributes & kNeverDeleted) != 0) {
        Note(outcome, search.Shown(name), RefusedFor(attributes, search));
    } else {
        names.emplace_back(name);
    }
}

// Collects the long names in `folder` that match the pattern and whose listed
// attributes allow deletion; the other matches are counted as kept. Listing
// gives the long names, so a short-name alias of another file never counts.
// A plain name is looked up by itself rather than by listing the folder.
HRESULT ListCandidates(HANDLE folder, const Search& search, std::vector<std::wstring>& names,
                       DeletionOutcome& outcome) {
    std::wstring maskText(search.pattern);
    UNICODE_STRING mask = NtName(maskText);
    // ULONGLONG keeps the entries aligned as the file system writes them.
    const auto buffer = std::make_unique<ULONGLONG[]>(kListingBytes / sizeof(ULONGLONG));
    for (bool restart = true;; restart = false) {
        IO_STATUS_BLOCK io{};
        const NTSTATUS status = ::NtQueryDirectoryFile(
            folder, nullptr, nullptr, nullptr, &io, buffer.get(), kListingBytes,
            FileFullDirectoryInformation, FALSE, search.wildcard ? nullptr : &mask, restart);
        if (status == kNoMoreFiles || status == kNoSuchFile) return S_OK;
        if (!NT_SUCCESS(status)) return NtResult(status);
        if (io.Information == 0) return S_OK;
        const auto* at = reinterpret_cast<const unsigned char*>(buffer.get());
        for (;;) {
            const auto* entry = reinterpret_cast<const FILE_FULL_DIR_INFO*>(at);
            const std::wstring_view name(entry->FileName, entry->FileNameLength / sizeof(wchar_t));
            Consider(search, name, entry->FileAttributes, names, outcome);
            if (entry->NextEntryOffset == 0) break;
            at += entry->NextEntryOffset;
        }
    }
}

// Marks an opened file for deletion: with POSIX semantics, which take the
// name away at once even while another handle (a scanner's, opened with
// delete sharing) is still open, so that the CAD can write the file again
// straight away; the classic way only where the system or the file system
// does not know them (before Windows 10 1607, FAT, some network shares). The
// read-only attribute is never overridden.
HRESULT MarkForDeletion(HANDLE file) {
    DispositionEx posix{kDispositionDelete | kDispositionPosixSemantics};
    if (setFileInformation(file, kFileDispositionInfoEx, &posix,
                           static_cast<DWORD>(sizeof posix))) {
        return S_OK;
    }
    const DWORD error = ::GetLastError();
    if (error != ERROR_INVALID_PARAMETER && error != ERROR_NOT_SUPPORTED &&
        error != ERROR_INVALID_FUNCTION && error != ERROR_CALL_NOT_IMPLEMENTED) {
        return LastErrorResult();
    }
    FILE_DISPOSITION_INFO classic{TRUE};
    if (!setFileInformation(file, FileDispositionInfo, &classic,
                            static_cast<DWORD>(sizeof classic))) {
        return LastErrorResult();
    }
    return S_OK;
}

// Deletes one candidate by the long name the listing gave. Opened relative to
// the listed folder and without name normalisation, the name can only resolve
// to the file whose long name it is (a short name is never another entry's
// long name). The file may have changed since the listing, so its attributes
// are checked again on the handle before it is marked; it goes when the
// handle closes. The open itself refuses a folder put under the name.
Result DeleteOneFile(HANDLE folder, std::wstring& name, const Search& search) {
    if (name.size() > kMaxNtNameChars) return {kBadName};
    UNICODE_STRING ntName = NtName(name);
    OBJECT_ATTRIBUTES attributes{};
    InitializeObjectAttributes(&attributes, &ntName, OBJ_CASE_INSENSITIVE, folder, nullptr);
    IO_STATUS_BLOCK io{};
    HANDLE opened = nullptr;
    const NTSTATUS status = ::NtCreateFile(
        &opened, DELETE | FILE_READ_ATTRIBUTES | SYNCHRONIZE, &attributes, &io, nullptr, 0,
        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, FILE_OPEN,
        FILE_NON_DIRECTORY_FILE | FILE_OPEN_REPARSE_POINT | FILE_SYNCHRONOUS_IO_NONALERT, nullptr,
        0);
    if (!NT_SUCCESS(status)) return {NtResult(status)};
    const UniqueKernelHandle file(opened);

    FILE_ATTRIBUTE_TAG_INFO info{};
    if (!::GetFileInformationByHandleEx(file.get(), FileAttributeTagInfo, &info,
                                        static_cast<DWORD>(sizeof info))) {
        return {LastErrorResult()};
    }
    if ((info.FileAttributes & kNeverDeleted) != 0) return RefusedFor(info.FileAttributes, search);
    if ((info.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 &&
        info.ReparseTag == IO_REPARSE_TAG_MOUNT_POINT) {
        return {kRefused};
    }
    if (search.wildcard && search.spared) {
        const auto identity = IdentityOf(file.get());
        if (!identity) return {LastErrorResult()};
        if (*identity == *search.spared) return {S_OK, Heard::Yes, true};
    }
    return {MarkForDeletion(file.get())};
}

// Every file in `folder` whose long name matches `pattern` (the last
// component as typed, with or without wildcards).
DeletionOutcome DeleteMatches(std::wstring_view typed, std::wstring_view folder,
                              std::wstring_view pattern, std::wstring_view spared,
                              AfterListing afterListing, void* context) {
    const std::wstring typedPath(typed);
    // An empty name names the folder itself; a colon would address a stream;
    // a folder typed with a trailing dot or space would be read as another.
    if (pattern.empty() || pattern.size() > kMaxNtNameChars ||
        pattern.find(L':') != std::wstring_view::npos || HasWildcard(folder) ||
        HasStrippedFolderComponent(folder)) {
        return PathFailure(typedPath, kBadName);
    }
    HRESULT error = S_OK;
    const auto full = Absolute(folder.empty() ? std::wstring_view(L".") : folder, error);
    if (!full) return PathFailure(typedPath, error);
    Search search{pattern, HasWildcard(pattern), full->shown, std::nullopt};
    const UniqueFile listed = OpenFolder(full->opened, error);
    if (!listed) return PathFailure(search.Shown(pattern), error);
    if (search.wildcard) search.spared = IdentityOf(spared);

    // Names first, deletions after, so that the listing never sees its own
    // changes.
    DeletionOutcome outcome;
    std::vector<std::wstring> names;
    error = ListCandidates(listed.get(), search, names, outcome);
    if (FAILED(error)) {
        Note(outcome, search.Shown(pattern), {error});
        return outcome;
    }
    if (afterListing) afterListing(context);

    if (names.empty() && outcome.kept == 0) outcome.firstError = kNotFound;
    for (std::wstring& name : names) {
        Note(outcome, search.Shown(name), DeleteOneFile(listed.get(), name, search));
    }
    return outcome;
}

}  // namespace

DeletionOutcome DeleteFilesByPath(std::wstring_view path, std::wstring_view spared) noexcept {
    return DeleteFilesByPath(path, spared, nullptr, nullptr);
}

DeletionOutcome DeleteFilesByPath(std::wstring_view path, std::wstring_view spared,
                                  AfterListing afterListing, void* context) noexcept {
    try {
        const PathParts parts = SplitLastComponent(path);
        return DeleteMatches(path, parts.folder, parts.name, spared, afterListing, context);
    } catch (...) {
        DeletionOutcome outcome;
        outcome.firstError = E_OUTOFMEMORY;
        return outcome;
    }
}

SetFileInformationCall ReplaceSetFileInformation(SetFileInformationCall call) noexcept {
    return std::exchange(setFileInformation, call);
}

}  // namespace vantrel2
