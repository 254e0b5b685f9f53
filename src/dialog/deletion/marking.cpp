// A folder's listing, and each file checked on its own handle and marked
// for deletion.
#include "dialog/deletion/deletion_detail.h"

#include <memory>
#include <optional>

#include "dialog/deletion/portable/wildcard.h"
#include "common/win32/win_util.h"

// Exported by ntdll on every Windows version, but not declared by <winternl.h>.
extern "C" NTSTATUS NTAPI NtQueryDirectoryFile(HANDLE file, HANDLE event, PIO_APC_ROUTINE apc,
                                               PVOID apcContext, PIO_STATUS_BLOCK io, PVOID buffer,
                                               ULONG length, FILE_INFORMATION_CLASS infoClass,
                                               BOOLEAN singleEntry, PUNICODE_STRING mask,
                                               BOOLEAN restartScan);

namespace vantrel2::deletion_detail {
namespace {

constexpr DWORD kNeverDeleted = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY |
                                FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                FILE_ATTRIBUTE_DEVICE;

constexpr NTSTATUS kNoMoreFiles = static_cast<NTSTATUS>(0x80000006UL);  // STATUS_NO_MORE_FILES
constexpr NTSTATUS kNoSuchFile = static_cast<NTSTATUS>(0xC000000FUL);   // STATUS_NO_SUCH_FILE

// About 500 entries a call.
constexpr ULONG kListingBytes = 64 * 1024;

// FileDispositionInfoEx and its flags, from Windows 10 1607 on; not
// declared for the Windows 7 headers this is built with.
constexpr auto kFileDispositionInfoEx = static_cast<FILE_INFO_BY_HANDLE_CLASS>(21);
constexpr DWORD kDispositionDelete = 0x1;          // FILE_DISPOSITION_FLAG_DELETE
constexpr DWORD kDispositionPosixSemantics = 0x2;  // FILE_DISPOSITION_FLAG_POSIX_SEMANTICS
struct DispositionEx {                             // FILE_DISPOSITION_INFO_EX
    // cppcheck-suppress unusedStructMember ; read by the system, set by aggregate initialisation
    DWORD Flags;
};
constexpr DWORD kSupportsPosixUnlinkRename = 0x400;  // FILE_SUPPORTS_POSIX_UNLINK_RENAME

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
    if (name == L"." || name == L".." || !MatchesWildcard(search.pattern, name)) return;
    if ((attributes & kNeverDeleted) != 0) {
        Note(outcome, search.Shown(name), RefusedFor(attributes, search));
    } else {
        names.emplace_back(name);
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

// The checks on an opened file's own handle before it is marked.
std::optional<Result> RefusalOnHandle(const FILE_ATTRIBUTE_TAG_INFO& info, const Search& search) {
    if ((info.FileAttributes & kNeverDeleted) != 0) return RefusedFor(info.FileAttributes, search);
    if ((info.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 &&
        info.ReparseTag == IO_REPARSE_TAG_MOUNT_POINT) {
        return Result{kRefused};
    }
    return std::nullopt;
}

// Whether the opened file's long name is the one typed: a short-name alias
// opens another file's long name. Where the long name cannot be read (SMB
// has no normalised names, and the system's own look-up of each folder is
// refused where the user may only pass through one), a name that could be an
// alias (it has a tilde) is refused.
bool IsTypedLongName(HANDLE file, std::wstring_view typed) {
    const std::wstring resolved = FinalPath(file, VOLUME_NAME_DOS, true);
    if (resolved.empty()) return typed.find(L'~') == std::wstring_view::npos;
    const std::size_t cut = resolved.find_last_of(L'\\');
    return SamePath(std::wstring_view(resolved).substr(cut + 1), typed);
}

}  // namespace

bool HasPosixDeletion(HANDLE file) {
    DWORD flags = 0;
    return calls.getVolumeInformation(file, nullptr, 0, nullptr, nullptr, &flags, nullptr, 0) &&
           (flags & kSupportsPosixUnlinkRename) != 0;
}

// Collects the long names in `folder` that match the pattern and whose listed
// attributes allow deletion; the other matches are counted as kept. Listing
// gives the long names, so a short-name alias of another file never counts.
HRESULT ListCandidates(HANDLE folder, const Search& search, std::vector<std::wstring>& names,
                       DeletionOutcome& outcome) {
    // ULONGLONG keeps the entries aligned as the file system writes them.
    const auto buffer = std::make_unique<ULONGLONG[]>(kListingBytes / sizeof(ULONGLONG));
    for (bool restart = true;; restart = false) {
        IO_STATUS_BLOCK io{};
        const NTSTATUS status = ::NtQueryDirectoryFile(
            folder, nullptr, nullptr, nullptr, &io, buffer.get(), kListingBytes,
            FileFullDirectoryInformation, FALSE, nullptr, static_cast<BOOLEAN>(restart));
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
    if (auto refusal = RefusalOnHandle(*info, search)) return *refusal;
    if (!search.spared.empty()) {
        const bool spared = IsSpared(file.get(), search, error);
        if (FAILED(error)) return {error};
        if (spared) return {S_OK, Heard::Yes, true};
    }
    return {MarkForDeletion(file.get(), search.posixDeletion)};
}

// A plain name, opened by its \\?\ path with what DeleteFileW asks for:
// delete access, and the attributes where the user may read them. The
// folders on the way are passed through, links and junctions followed.
void DeleteNamedFile(const std::wstring& unparsed, const Search& search, DeletionOutcome& outcome) {
    const std::wstring shown = search.Shown(search.pattern);
    constexpr ULONG kOptions = FILE_NON_DIRECTORY_FILE | FILE_OPEN_REPARSE_POINT;
    HRESULT error = S_OK;
    UniqueKernelHandle file =
        OpenRelative(nullptr, NtPath(unparsed), DELETE | FILE_READ_ATTRIBUTES, kOptions, error);
    bool attributesRead = true;
    if (!file && error == kRefused) {
        // The file system refuses a read-only file's deletion itself.
        file = OpenRelative(nullptr, NtPath(unparsed), DELETE, kOptions, error);
        attributesRead = false;
    }
    if (!file) return PathFailure(outcome, shown, error);
    if (attributesRead) {
        const auto info = AttributesAndTag(file.get(), error);
        if (!info) return Note(outcome, shown, {error});
        if (auto refusal = RefusalOnHandle(*info, search)) return Note(outcome, shown, *refusal);
    }
    if (!IsTypedLongName(file.get(), search.pattern)) return Note(outcome, shown, {kBadName});
    Note(outcome, shown, {MarkForDeletion(file.get(), HasPosixDeletion(file.get()))});
}

}  // namespace vantrel2::deletion_detail
