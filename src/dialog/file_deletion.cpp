#include "file_deletion.h"

#include <winternl.h>

#include <algorithm>
#include <array>
#include <iterator>
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
// ERROR_REPARSE_POINT_ENCOUNTERED: a pattern's folder part is a link.
const HRESULT kThroughLink = HRESULT_FROM_WIN32(4395);

constexpr NTSTATUS kNoMoreFiles = static_cast<NTSTATUS>(0x80000006UL);  // STATUS_NO_MORE_FILES
constexpr NTSTATUS kNoSuchFile = static_cast<NTSTATUS>(0xC000000FUL);   // STATUS_NO_SUCH_FILE

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

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
constexpr DWORD kSupportsPosixUnlinkRename = 0x400;  // FILE_SUPPORTS_POSIX_UNLINK_RENAME
// FileIdInfo and FILE_ID_INFO, from Windows 8 on: ReFS ids do not fit in 64
// bits.
constexpr auto kFileIdInfo = static_cast<FILE_INFO_BY_HANDLE_CLASS>(18);
struct FileId128Info {
    ULONGLONG VolumeSerialNumber;
    BYTE FileId[16];
};

FileSystemCalls calls = SystemFileSystemCalls();

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
        outcome.reported.push_back(
            {path, result.code, result.spared ? KeptFile::Why::Spared : KeptFile::Why::Failed, {}});
    }
}

// A failure of the whole path, before any file was looked at.
void PathFailure(DeletionOutcome& outcome, const std::wstring& path, HRESULT error) {
    outcome.firstError = error;
    if (!IsNotThere(error)) outcome.reported.push_back({path, error, KeptFile::Why::Failed, {}});
}

HRESULT NtResult(NTSTATUS status) { return HRESULT_FROM_WIN32(::RtlNtStatusToDosError(status)); }

UNICODE_STRING NtName(std::wstring& name) {
    UNICODE_STRING counted{};
    counted.Length = static_cast<USHORT>(name.size() * sizeof(wchar_t));
    counted.MaximumLength = counted.Length;
    counted.Buffer = name.data();
    return counted;
}

bool StartsWith(std::wstring_view text, std::wstring_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

// The absolute form of `path` against the current folder, as the user reads
// it. Device paths are refused.
std::optional<std::wstring> Absolute(std::wstring_view path, HRESULT& error) {
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
    return full;
}

// The \\?\ form of an absolute path, so that length does not matter and
// nothing in it is read as a device or shortened.
std::wstring Unparsed(std::wstring_view full) {
    if (StartsWith(full, L"\\\\?\\")) return std::wstring(full);
    if (StartsWith(full, L"\\\\")) return L"\\\\?\\UNC\\" + std::wstring(full.substr(2));
    return L"\\\\?\\" + std::wstring(full);
}

// The same, back as the user reads it.
std::wstring Readable(std::wstring_view unparsed) {
    if (StartsWith(unparsed, L"\\\\?\\UNC\\")) return L"\\\\" + std::wstring(unparsed.substr(8));
    if (StartsWith(unparsed, L"\\\\?\\")) return std::wstring(unparsed.substr(4));
    return std::wstring(unparsed);
}

UniqueKernelHandle OpenByPath(const std::wstring& path, HRESULT& error) {
    const HANDLE opened =
        ::CreateFileW(path.c_str(), FILE_LIST_DIRECTORY | SYNCHRONIZE, kShareAll, nullptr,
                      OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (opened == INVALID_HANDLE_VALUE) {
        error = LastErrorResult();
        return {};
    }
    return UniqueKernelHandle(opened);
}

// `name` in the folder `parent`, by that name exactly: no normalisation, no
// short-name aliasing of another entry.
UniqueKernelHandle OpenRelative(HANDLE parent, std::wstring name, ACCESS_MASK access, ULONG options,
                                HRESULT& error) {
    if (name.size() > kMaxNtNameChars) {
        error = kBadName;
        return {};
    }
    UNICODE_STRING ntName = NtName(name);
    OBJECT_ATTRIBUTES attributes{};
    InitializeObjectAttributes(&attributes, &ntName, OBJ_CASE_INSENSITIVE, parent, nullptr);
    IO_STATUS_BLOCK io{};
    HANDLE opened = nullptr;
    const NTSTATUS status =
        ::NtCreateFile(&opened, access | SYNCHRONIZE, &attributes, &io, nullptr, 0, kShareAll,
                       FILE_OPEN, options | FILE_SYNCHRONOUS_IO_NONALERT, nullptr, 0);
    if (!NT_SUCCESS(status)) {
        error = NtResult(status);
        return {};
    }
    return UniqueKernelHandle(opened);
}

std::optional<FILE_ATTRIBUTE_TAG_INFO> AttributesAndTag(HANDLE file, HRESULT& error) {
    FILE_ATTRIBUTE_TAG_INFO info{};
    if (!calls.getInformation(file, FileAttributeTagInfo, &info, static_cast<DWORD>(sizeof info))) {
        error = LastErrorResult();
        return std::nullopt;
    }
    return info;
}

// The path the system resolves a handle to; empty when it cannot say.
std::wstring FinalPath(HANDLE file, DWORD volumeForm) {
    for (const DWORD form : {FILE_NAME_NORMALIZED, FILE_NAME_OPENED}) {
        std::wstring path(MAX_PATH, L'\0');
        for (;;) {
            const DWORD length = ::GetFinalPathNameByHandleW(
                file, path.data(), static_cast<DWORD>(path.size()), form | volumeForm);
            if (length == 0) break;
            if (length < path.size()) {
                path.resize(length);
                return path;
            }
            path.resize(length);
        }
    }
    return {};
}

// Which file a handle reaches, to know the spared file under any spelling of
// its path (a short name, a link, another drive letter for the same volume).
// A file system that answers a zero id (some network servers) gives no
// identity: then the paths the system resolves are compared.
struct FileIdentity {
    ULONGLONG volume = 0;
    std::array<BYTE, 16> id{};
    std::wstring finalPath;  // only where needed

    bool Known() const {
        return std::any_of(id.begin(), id.end(), [](BYTE b) { return b != 0; });
    }
};

std::optional<FileIdentity> IdentityOf(HANDLE file, bool withPath) {
    FileIdentity identity;
    FileId128Info wide{};
    BY_HANDLE_FILE_INFORMATION narrow{};
    if (calls.getInformation(file, kFileIdInfo, &wide, static_cast<DWORD>(sizeof wide))) {
        identity.volume = wide.VolumeSerialNumber;
        std::copy(std::begin(wide.FileId), std::end(wide.FileId), identity.id.begin());
    } else if (calls.getHandleInformation(file, &narrow)) {
        identity.volume = narrow.dwVolumeSerialNumber;
        const ULONGLONG index = (ULONGLONG{narrow.nFileIndexHigh} << 32) | narrow.nFileIndexLow;
        for (std::size_t at = 0; at < 8; ++at)
            identity.id[at] = static_cast<BYTE>(index >> (8 * at));
    } else {
        return std::nullopt;
    }
    if (withPath || !identity.Known()) identity.finalPath = FinalPath(file, VOLUME_NAME_NT);
    return identity;
}

bool SameFile(const FileIdentity& a, const FileIdentity& b) {
    if (a.Known() && b.Known()) return a.volume == b.volume && a.id == b.id;
    return !a.finalPath.empty() && !b.finalPath.empty() &&
           ::CompareStringOrdinal(a.finalPath.data(), static_cast<int>(a.finalPath.size()),
                                  b.finalPath.data(), static_cast<int>(b.finalPath.size()),
                                  TRUE) == CSTR_EQUAL;
}

// The spared file, and where it is a link, the file it leads to as well.
std::vector<FileIdentity> SparedIdentities(std::wstring_view spared) {
    std::vector<FileIdentity> identities;
    if (spared.empty()) return identities;
    const std::wstring path(spared);
    for (const DWORD flags : {DWORD{FILE_FLAG_OPEN_REPARSE_POINT}, DWORD{0}}) {
        const UniqueFile file(::CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES, kShareAll, nullptr,
                                            OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | flags,
                                            nullptr));
        if (!file) continue;
        auto identity = IdentityOf(file.get(), true);
        if (identity &&
            std::none_of(identities.begin(), identities.end(),
                         [&](const FileIdentity& i) { return SameFile(i, *identity); })) {
            identities.push_back(std::move(*identity));
        }
    }
    return identities;
}

// The folder of a plain name, opened once: it is listed through this handle
// and the file is opened relative to it. Links and junctions on the way to
// it, the folder itself included, are followed.
UniqueKernelHandle OpenFolder(std::wstring path, HRESULT& error) {
    // A drive's root keeps its separator; without it the name is the volume.
    if (path.size() > 1 && path.back() == L'\\' && path[path.size() - 2] != L':') path.pop_back();
    UniqueKernelHandle folder = OpenByPath(path, error);
    if (!folder) return folder;
    const auto info = AttributesAndTag(folder.get(), error);
    if (!info) {
        folder.reset();
    } else if ((info->FileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        error = HRESULT_FROM_WIN32(ERROR_DIRECTORY);
        folder.reset();
    }
    return folder;
}

// A junction or symbolic link met in a pattern's folder part.
struct LinkFound {
    std::wstring shown;   // the link, as the user would type it
    std::wstring target;  // where it leads; empty when that cannot be read
};

constexpr ULONG kFolderOptions = FILE_DIRECTORY_FILE | FILE_OPEN_FOR_BACKUP_INTENT;

// The folder of a pattern, reached from the root one component at a time,
// each opened without following a reparse point and checked on that handle,
// which the next component and then the listing and the deletions are opened
// relative to: nothing can be swapped in between. A junction or symbolic link
// stops the walk. A reparse point that is not a link (a cloud-files
// placeholder) is opened again the ordinary way, and must still be the same
// folder. The root itself is opened as the system resolves it, so mapped and
// SUBST drives work as typed.
UniqueKernelHandle OpenFolderWithoutLinks(const std::wstring& full, HRESULT& error,
                                          std::optional<LinkFound>& link) {
    const std::size_t rootLength = RootLength(full);
    std::wstring_view rest = std::wstring_view(full).substr(rootLength);
    UniqueKernelHandle folder = OpenByPath(Unparsed(full.substr(0, rootLength)), error);
    std::size_t reached = rootLength;
    while (folder && !rest.empty()) {
        const std::size_t cut = rest.find(L'\\');
        const std::wstring name(rest.substr(0, cut));
        const std::size_t consumed = cut == std::wstring_view::npos ? rest.size() : cut + 1;
        rest.remove_prefix(consumed);
        reached += consumed;
        if (name.empty()) continue;
        const ACCESS_MASK access = FILE_READ_ATTRIBUTES | (rest.empty() ? FILE_LIST_DIRECTORY : 0);
        UniqueKernelHandle next = OpenRelative(folder.get(), name, access,
                                               kFolderOptions | FILE_OPEN_REPARSE_POINT, error);
        if (!next) return next;
        const auto info = AttributesAndTag(next.get(), error);
        if (!info) return {};
        if ((info->FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
            HRESULT followError = S_OK;
            UniqueKernelHandle followed =
                OpenRelative(folder.get(), name, access, kFolderOptions, followError);
            bool isLink = IsReparseTagNameSurrogate(info->ReparseTag);
            if (!isLink) {
                if (!followed) {
                    error = followError;
                    return {};
                }
                const auto before = IdentityOf(next.get(), false);
                const auto after = IdentityOf(followed.get(), false);
                isLink = !before || !after || !SameFile(*before, *after);
            }
            if (isLink) {
                std::wstring shown = full.substr(0, reached);
                if (shown.size() > rootLength && shown.back() == L'\\') shown.pop_back();
                link = LinkFound{std::move(shown),
                                 followed ? Readable(FinalPath(followed.get(), VOLUME_NAME_DOS))
                                          : std::wstring()};
                error = kThroughLink;
                return {};
            }
            next = std::move(followed);
        }
        folder = std::move(next);
    }
    return folder;
}

bool HasPosixDeletion(HANDLE folder) {
    DWORD flags = 0;
    return calls.getVolumeInformation(folder, nullptr, 0, nullptr, nullptr, &flags, nullptr, 0) &&
           (flags & kSupportsPosixUnlinkRename) != 0;
}

// What one pass over a folder needs to know besides the folder itself.
struct Search {
    std::wstring_view pattern;  // the last component as typed
    bool wildcard;
    std::wstring shownFolder;          // for the names the user is told of
    bool posixDeletion = false;        // the volume says it has it
    std::vector<FileIdentity> spared;  // never deleted by a pattern
    bool sparedKnown = true;           // every spared identity has an id
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

// Marks an opened file for deletion: with POSIX semantics where the volume
// says it has them, which take the name away at once even while another
// handle (a scanner's, opened with delete sharing) is still open, so that the
// CAD can write the file again straight away; the classic way everywhere
// else, and where a volume that claims them answers that it does not know
// them after all. The read-only attribute is never overridden.
HRESULT MarkForDeletion(HANDLE file, bool posix) {
    if (posix) {
        DispositionEx disposition{kDispositionDelete | kDispositionPosixSemantics};
        if (calls.setInformation(file, kFileDispositionInfoEx, &disposition,
                                 static_cast<DWORD>(sizeof disposition))) {
            return S_OK;
        }
        const DWORD error = ::GetLastError();
        if (error != ERROR_INVALID_PARAMETER && error != ERROR_NOT_SUPPORTED &&
            error != ERROR_INVALID_FUNCTION && error != ERROR_CALL_NOT_IMPLEMENTED) {
            return LastErrorResult();
        }
    }
    FILE_DISPOSITION_INFO classic{TRUE};
    if (!calls.setInformation(file, FileDispositionInfo, &classic,
                              static_cast<DWORD>(sizeof classic))) {
        return LastErrorResult();
    }
    return S_OK;
}

bool IsSpared(HANDLE file, const Search& search, HRESULT& error) {
    const auto identity = IdentityOf(file, !search.sparedKnown);
    if (!identity) {
        error = LastErrorResult();
        return true;  // unknown: kept rather than risk the settings
    }
    return std::any_of(search.spared.begin(), search.spared.end(),
                       [&](const FileIdentity& spared) { return SameFile(spared, *identity); });
}

// Deletes one candidate by the long name the listing gave. Opened relative to
// the listed folder and without name normalisation, the name can only resolve
// to the file whose long name it is (a short name is never another entry's
// long name). The file may have changed since the listing, so its attributes
// are checked again on the handle before it is marked; it goes when the
// handle closes. The open itself refuses a folder put under the name.
Result DeleteOneFile(HANDLE folder, std::wstring& name, const Search& search) {
    HRESULT error = S_OK;
    const UniqueKernelHandle file =
        OpenRelative(folder, name, DELETE | FILE_READ_ATTRIBUTES,
                     FILE_NON_DIRECTORY_FILE | FILE_OPEN_REPARSE_POINT, error);
    if (!file) return {error};
    const auto info = AttributesAndTag(file.get(), error);
    if (!info) return {error};
    if ((info->FileAttributes & kNeverDeleted) != 0)
        return RefusedFor(info->FileAttributes, search);
    if ((info->FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 &&
        info->ReparseTag == IO_REPARSE_TAG_MOUNT_POINT) {
        return {kRefused};
    }
    if (search.wildcard && !search.spared.empty()) {
        const bool spared = IsSpared(file.get(), search, error);
        if (FAILED(error)) return {error};
        if (spared) return {S_OK, Heard::Yes, true};
    }
    return {MarkForDeletion(file.get(), search.posixDeletion)};
}

// Every file in `folder` whose long name matches `pattern` (the last
// component as typed, with or without wildcards).
void DeleteMatches(std::wstring_view typed, std::wstring_view folder, std::wstring_view pattern,
                   std::wstring_view spared, AfterListing afterListing, void* context,
                   DeletionOutcome& outcome) {
    const std::wstring typedPath(typed);
    // An empty name names the folder itself; a colon would address a stream;
    // a folder typed with a trailing dot or space would be read as another.
    if (pattern.empty() || pattern.size() > kMaxNtNameChars ||
        pattern.find(L':') != std::wstring_view::npos || HasWildcard(folder) ||
        HasStrippedFolderComponent(folder)) {
        return PathFailure(outcome, typedPath, kBadName);
    }
    HRESULT error = S_OK;
    const auto full = Absolute(folder.empty() ? std::wstring_view(L".") : folder, error);
    if (!full) return PathFailure(outcome, typedPath, error);
    Search search{pattern, HasWildcard(pattern), *full, false, {}, true};
    std::optional<LinkFound> link;
    const UniqueKernelHandle listed = search.wildcard ? OpenFolderWithoutLinks(*full, error, link)
                                                      : OpenFolder(Unparsed(*full), error);
    if (link) {
        outcome.firstError = error;
        outcome.reported.push_back(
            {std::move(link->shown), error, KeptFile::Why::ThroughLink, std::move(link->target)});
        return;
    }
    if (!listed) return PathFailure(outcome, search.Shown(pattern), error);
    search.posixDeletion = HasPosixDeletion(listed.get());
    if (search.wildcard) {
        search.spared = SparedIdentities(spared);
        search.sparedKnown = std::all_of(search.spared.begin(), search.spared.end(),
                                         [](const FileIdentity& i) { return i.Known(); });
    }

    // Names first, deletions after, so that the listing never sees its own
    // changes.
    std::vector<std::wstring> names;
    error = ListCandidates(listed.get(), search, names, outcome);
    if (FAILED(error)) return Note(outcome, search.Shown(pattern), {error});
    if (afterListing) afterListing(context);

    if (names.empty() && outcome.kept == 0) outcome.firstError = kNotFound;
    for (std::wstring& name : names) {
        Note(outcome, search.Shown(name), DeleteOneFile(listed.get(), name, search));
    }
}

}  // namespace

DeletionOutcome DeleteFilesByPath(std::wstring_view path, std::wstring_view spared) noexcept {
    return DeleteFilesByPath(path, spared, nullptr, nullptr);
}

DeletionOutcome DeleteFilesByPath(std::wstring_view path, std::wstring_view spared,
                                  AfterListing afterListing, void* context) noexcept {
    DeletionOutcome outcome;
    try {
        const PathParts parts = SplitLastComponent(path);
        DeleteMatches(path, parts.folder, parts.name, spared, afterListing, context, outcome);
    } catch (...) {
        // What was collected stays; the path itself is named with the reason.
        const HRESULT error = CurrentExceptionResult();
        if (SUCCEEDED(outcome.firstError)) outcome.firstError = error;
        try {
            outcome.reported.push_back({std::wstring(path), error, KeptFile::Why::Failed, {}});
        } catch (...) {
        }
    }
    return outcome;
}

FileSystemCalls SystemFileSystemCalls() noexcept {
    return {::GetFileInformationByHandleEx, ::GetFileInformationByHandle,
            ::GetVolumeInformationByHandleW, ::SetFileInformationByHandle};
}

FileSystemCalls ReplaceFileSystemCalls(const FileSystemCalls& replacement) noexcept {
    return std::exchange(calls, replacement);
}

}  // namespace vantrel2
