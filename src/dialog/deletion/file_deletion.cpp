#include "file_deletion.h"

#include <winioctl.h>
#include <winternl.h>

#include <cstddef>

#include <algorithm>
#include <array>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "exception_boundary.h"
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
    // cppcheck-suppress unusedStructMember ; read by the system, set by aggregate initialisation
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
    if (result.heard == Heard::Yes && !IsNotThere(result.code)) {
        outcome.reported.push_back(
            {path,
             result.code,
             result.spared ? Refusal::Kind::Spared : Refusal::Kind::NotDeleted,
             {}});
    }
}

// A failure of the whole path, before any file was looked at.
void PathFailure(DeletionOutcome& outcome, const std::wstring& path, HRESULT error) {
    if (!IsNotThere(error))
        outcome.reported.push_back({path, error, Refusal::Kind::NotDeleted, {}});
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

// The absolute form of the folder part `folder` (with its separator, or
// empty for the current folder), as the user reads it: a \\?\ form as
// written, any other against `currentFolder` and normalised. A device path
// is refused.
std::optional<std::wstring> AbsoluteFolder(std::wstring_view folder,
                                           std::wstring_view currentFolder, HRESULT& error) {
    if (FormOf(folder) == PathForm::Unparsed) return std::wstring(folder);
    const std::wstring input =
        AgainstFolder(currentFolder, folder.empty() ? std::wstring_view(L".") : folder);
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
    if (FormOf(full) == PathForm::Device) {
        error = kDevicePathRefused;
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

// The system's own name for a \\?\ path, for the native calls.
std::wstring NtPath(std::wstring_view unparsed) {
    return L"\\??\\" + std::wstring(unparsed.substr(4));
}

// `name` in the folder `parent` (or, without a parent, an NT path), by that
// name exactly: no normalisation, no short-name aliasing of another entry.
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

constexpr ULONG kFolderOptions = FILE_DIRECTORY_FILE | FILE_OPEN_FOR_BACKUP_INTENT;

// A folder by its \\?\ path, as the system resolves it: links followed, and
// the folders on the way passed through whatever their rights.
UniqueKernelHandle OpenFolderByPath(const std::wstring& unparsed, ACCESS_MASK access,
                                    HRESULT& error) {
    return OpenRelative(nullptr, NtPath(unparsed), access, kFolderOptions, error);
}

std::optional<FILE_ATTRIBUTE_TAG_INFO> AttributesAndTag(HANDLE file, HRESULT& error) {
    FILE_ATTRIBUTE_TAG_INFO info{};
    if (!calls.getInformation(file, FileAttributeTagInfo, &info, static_cast<DWORD>(sizeof info))) {
        error = LastErrorResult();
        return std::nullopt;
    }
    return info;
}

// The path the system resolves a handle to; empty when it cannot say. The
// normalised form has every link resolved and long names only; the opened
// form, where a volume cannot give that, is the path as it was opened.
std::wstring FinalPath(HANDLE file, DWORD volumeForm, bool normalisedOnly = false) {
    for (const DWORD form : {FILE_NAME_NORMALIZED, FILE_NAME_OPENED}) {
        if (normalisedOnly && form == FILE_NAME_OPENED) break;
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

bool SamePath(std::wstring_view a, std::wstring_view b) {
    return !a.empty() && ::CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(),
                                                static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
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

std::optional<FileIdentity> IdentityOf(HANDLE file, bool withPath, HRESULT& error) {
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
        error = LastErrorResult();
        return std::nullopt;
    }
    if (withPath || !identity.Known()) identity.finalPath = FinalPath(file, VOLUME_NAME_NT);
    return identity;
}

bool SameFile(const FileIdentity& a, const FileIdentity& b) {
    if (a.Known() && b.Known()) return a.volume == b.volume && a.id == b.id;
    return !b.finalPath.empty() && SamePath(a.finalPath, b.finalPath);
}

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

SparedFile FindSpared(std::wstring_view spared, std::wstring_view currentFolder) {
    SparedFile found;
    if (spared.empty()) return found;
    const PathParts parts = SplitLastComponent(spared);
    HRESULT error = S_OK;
    const auto folder = AbsoluteFolder(parts.folder, currentFolder, error);
    found.shown = folder ? *folder + std::wstring(parts.name) : std::wstring(spared);
    if (folder) found.folder = Unparsed(*folder);
    const std::wstring path = found.folder + std::wstring(parts.name);
    for (const DWORD flags : {DWORD{FILE_FLAG_OPEN_REPARSE_POINT}, DWORD{0}}) {
        if (!folder) break;
        const UniqueFile file(::CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES, kShareAll, nullptr,
                                            OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | flags,
                                            nullptr));
        if (!file) {
            error = LastErrorResult();
            // Not there (or a link that leads nowhere): nothing to spare.
            if (IsNotThere(error)) return found;
            break;
        }
        auto identity = IdentityOf(file.get(), true, error);
        if (!identity) break;
        if (std::none_of(found.identities.begin(), found.identities.end(),
                         [&](const FileIdentity& i) { return SameFile(i, *identity); })) {
            found.identities.push_back(std::move(*identity));
        }
        error = S_OK;
    }
    if (SUCCEEDED(error)) return found;
    found.unknown = error;
    const UniqueFile folderFile(::CreateFileW(found.folder.c_str(), FILE_READ_ATTRIBUTES, kShareAll,
                                              nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS,
                                              nullptr));
    HRESULT ignored = S_OK;
    if (folderFile) found.folderIdentity = IdentityOf(folderFile.get(), true, ignored);
    return found;
}

// Whether `listed` may be the folder of a settings file that could not be
// identified; where that cannot be told either, it is taken to be.
bool MayHoldSpared(HANDLE listed, const std::wstring& listedPath, const SparedFile& spared) {
    HRESULT ignored = S_OK;
    if (spared.folderIdentity) {
        const auto identity = IdentityOf(listed, true, ignored);
        return !identity || SameFile(*identity, *spared.folderIdentity);
    }
    return spared.folder.empty() || SamePath(listedPath, spared.folder) ||
           SamePath(FinalPath(listed, VOLUME_NAME_DOS), spared.folder);
}

// A \\?\ folder path without its last separator, but for a root's.
std::wstring WithoutLastSeparator(std::wstring path) {
    if (path.size() > RootLength(path) && path.back() == L'\\') path.pop_back();
    return path;
}

// Whether a folder with a junction's tag is a volume mounted there (its
// substitute name is the volume's own, \??\Volume{...}\), which only an
// administrator can make. Reparse data that cannot be read counts as a
// junction.
bool IsMountedVolume(HANDLE folder) {
    // The mount-point form of REPARSE_DATA_BUFFER, which only the driver
    // kit's headers declare.
    struct MountPointData {
        ULONG tag;
        // cppcheck-suppress unusedStructMember ; the layout the file system writes
        USHORT dataLength, reserved;
        USHORT substituteOffset, substituteLength;
        // cppcheck-suppress unusedStructMember ; the layout the file system writes
        USHORT printOffset, printLength;
        WCHAR names[1];
    };
    constexpr DWORD kBytes = MAXIMUM_REPARSE_DATA_BUFFER_SIZE;
    const auto buffer = std::make_unique<ULONGLONG[]>(kBytes / sizeof(ULONGLONG));
    DWORD returned = 0;
    if (!calls.ioControl(folder, FSCTL_GET_REPARSE_POINT, nullptr, 0, buffer.get(), kBytes,
                         &returned, nullptr)) {
        return false;
    }
    const auto* data = reinterpret_cast<const MountPointData*>(buffer.get());
    const std::size_t names = offsetof(MountPointData, names);
    if (returned < names || data->tag != IO_REPARSE_TAG_MOUNT_POINT ||
        data->substituteOffset % sizeof(WCHAR) != 0 ||
        names + data->substituteOffset + data->substituteLength > returned) {
        return false;
    }
    constexpr std::wstring_view kVolume = L"\\??\\Volume{";
    const std::wstring_view substitute(data->names + data->substituteOffset / sizeof(WCHAR),
                                       data->substituteLength / sizeof(WCHAR));
    return substitute.size() > kVolume.size() &&
           SamePath(substitute.substr(0, kVolume.size()), kVolume);
}

// One folder on a pattern's way, opened below the one before.
struct Step {
    enum class End {
        Reached,     // `folder`
        Link,        // a junction or symbolic link, leading to `target`
        Unverified,  // opened, but whether it is a link cannot be told: `error`
        Closed,      // the user may not open it at all: `error`
        Failed,      // `error`
    };
    End end;
    UniqueKernelHandle folder;
    HRESULT error = S_OK;
    std::wstring target;
};

Step Reached(UniqueKernelHandle folder) {
    return {Step::End::Reached, std::move(folder), S_OK, {}};
}
Step Ended(Step::End end, HRESULT error) { return {end, {}, error, {}}; }

// `name` below `parent`, checked with what a user who may only pass through
// it may ask: its attribute tag where that may be read, else whether it is
// the same folder opened with and without following a reparse point.
Step StepDown(HANDLE parent, const std::wstring& name, ACCESS_MASK access) {
    constexpr ULONG kItself = kFolderOptions | FILE_OPEN_REPARSE_POINT;
    HRESULT error = S_OK;
    UniqueKernelHandle itself =
        OpenRelative(parent, name, access | FILE_READ_ATTRIBUTES, kItself, error);
    if (!itself && error == kRefused) itself = OpenRelative(parent, name, access, kItself, error);
    if (!itself) return Ended(error == kRefused ? Step::End::Closed : Step::End::Failed, error);
    const auto info = AttributesAndTag(itself.get(), error);
    if (info && (info->FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
        return Reached(std::move(itself));
    }
    if (!info && error != kRefused) return Ended(Step::End::Failed, error);
    HRESULT followError = S_OK;
    UniqueKernelHandle followed = OpenRelative(parent, name, access, kFolderOptions, followError);
    const auto link = [&] {
        return Step{Step::End::Link,
                    {},
                    kThroughLink,
                    followed ? Readable(FinalPath(followed.get(), VOLUME_NAME_DOS)) : L""};
    };
    if (info && IsReparseTagNameSurrogate(info->ReparseTag)) {
        const bool mounted =
            info->ReparseTag == IO_REPARSE_TAG_MOUNT_POINT && IsMountedVolume(itself.get());
        if (!mounted) return link();
        if (!followed) return Ended(Step::End::Failed, followError);
        return Reached(std::move(followed));
    }
    // A reparse point that is no link (a cloud-files placeholder), or one
    // whose tag may not be read: followed, it must still be the same folder.
    if (!followed) return Ended(Step::End::Failed, followError);
    const auto before = IdentityOf(itself.get(), false, error);
    const auto after =
        before ? IdentityOf(followed.get(), false, error) : std::optional<FileIdentity>();
    if (!before || !after) return Ended(Step::End::Unverified, error);
    if (!SameFile(*before, *after)) return link();
    return Reached(std::move(followed));
}

// The folder of a pattern (a \\?\ path), reached from the root one
// component at a time, each checked by StepDown on the handle the next
// component, and then the listing and the deletions, are opened relative to.
// The root is opened as the system resolves it, so mapped, SUBST and DFS
// paths work as typed; it and every folder on the way need only be passed
// through, the last one listed.
//
// Where folders on the way cannot be opened at all (a user who may pass
// through but not open them, as "Bypass traverse checking" lets every user
// do), the next folder that opens is opened by its path and must resolve to
// the path the names spell below the last folder that was checked: a link
// among the closed folders, or the folder itself, would lead elsewhere.
// What stopped the walk, a link or a folder that could not be checked, is
// given in `stop`.
UniqueKernelHandle OpenFolderWithoutLinks(const std::wstring& unparsed, HRESULT& error,
                                          std::optional<KeptFile>& stop) {
    constexpr ACCESS_MASK kPass = FILE_TRAVERSE;
    constexpr ACCESS_MASK kList = FILE_LIST_DIRECTORY | FILE_TRAVERSE;
    const std::size_t rootLength = RootLength(unparsed);
    std::vector<std::pair<std::wstring, std::size_t>> names;  // each with where it ends
    for (std::size_t at = rootLength; at < unparsed.size();) {
        const std::size_t cut = std::min(unparsed.find(L'\\', at), unparsed.size());
        if (cut > at) names.emplace_back(unparsed.substr(at, cut - at), cut);
        at = cut + 1;
    }
    const std::wstring root = unparsed.substr(0, rootLength);
    UniqueKernelHandle folder = OpenFolderByPath(root, names.empty() ? kList : kPass, error);
    if (names.empty()) return folder;
    // Set while folders on the way could not be opened: the path they spell.
    std::optional<std::wstring> spelled;
    if (!folder) spelled = WithoutLastSeparator(root);
    const auto stopAt = [&](Refusal::Kind why, std::size_t end, std::wstring target) {
        stop = KeptFile{Readable(unparsed.substr(0, end)), error, why, std::move(target)};
        return UniqueKernelHandle();
    };
    for (std::size_t i = 0; i < names.size(); ++i) {
        const auto& [name, end] = names[i];
        const bool last = i + 1 == names.size();
        const ACCESS_MASK access = last ? kList : kPass;
        if (!spelled) {
            Step step = StepDown(folder.get(), name, access);
            error = step.error;
            switch (step.end) {
                case Step::End::Reached:
                    folder = std::move(step.folder);
                    continue;
                case Step::End::Link:
                    return stopAt(Refusal::Kind::ThroughLink, end, std::move(step.target));
                case Step::End::Unverified:
                    return stopAt(Refusal::Kind::Unverified, end, {});
                case Step::End::Failed:
                    return {};
                case Step::End::Closed:
                    // The listed folder must be listed: refused as the system refuses it.
                    if (last) return {};
                    spelled = FinalPath(folder.get(), VOLUME_NAME_DOS, true);
                    if (spelled->empty()) return stopAt(Refusal::Kind::Unverified, end, {});
                    break;
            }
        }
        if (spelled->back() != L'\\') *spelled += L'\\';
        *spelled += name;
        UniqueKernelHandle reached = OpenFolderByPath(unparsed.substr(0, end), access, error);
        if (!reached && error == kRefused && !last) continue;
        if (!reached) return {};
        const std::wstring resolved = FinalPath(reached.get(), VOLUME_NAME_DOS, true);
        if (resolved.empty()) {
            error = HRESULT_FROM_WIN32(ERROR_CANT_RESOLVE_FILENAME);
            return stopAt(Refusal::Kind::Unverified, end, {});
        }
        if (!SamePath(resolved, *spelled)) {
            error = kThroughLink;
            return stopAt(Refusal::Kind::ThroughLink, end, Readable(resolved));
        }
        folder = std::move(reached);
        spelled.reset();
    }
    return folder;
}

bool HasPosixDeletion(HANDLE file) {
    DWORD flags = 0;
    return calls.getVolumeInformation(file, nullptr, 0, nullptr, nullptr, &flags, nullptr, 0) &&
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
    if (name == L"." || name == L".." || !MatchesWildcard(search.pattern, name)) return;
    if ((attributes & kNeverDeleted) != 0) {
        Note(outcome, search.Shown(name), RefusedFor(attributes, search));
    } else {
        names.emplace_back(name);
    }
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

bool IsSpared(HANDLE file, const Search& search, HRESULT& error) {
    const auto identity = IdentityOf(file, !search.sparedKnown, error);
    if (!identity) return true;  // unknown: kept rather than risk the settings
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
    if (auto refusal = RefusalOnHandle(*info, search)) return *refusal;
    if (!search.spared.empty()) {
        const bool spared = IsSpared(file.get(), search, error);
        if (FAILED(error)) return {error};
        if (spared) return {S_OK, Heard::Yes, true};
    }
    return {MarkForDeletion(file.get(), search.posixDeletion)};
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

// Where a pattern is used and how.
struct Place {
    std::wstring_view spared;
    std::wstring_view currentFolder;
    AfterListing afterListing;
    void* context;
};

// Every file in the folder whose long name matches a pattern.
void DeletePattern(const std::wstring& unparsed, Search& search, const Place& place,
                   DeletionOutcome& outcome) {
    HRESULT error = S_OK;
    std::optional<KeptFile> stop;
    const UniqueKernelHandle listed = OpenFolderWithoutLinks(unparsed, error, stop);
    if (stop) {
        outcome.reported.push_back(std::move(*stop));
        return;
    }
    if (!listed) return PathFailure(outcome, search.Shown(search.pattern), error);
    SparedFile spared = FindSpared(place.spared, place.currentFolder);
    if (FAILED(spared.unknown) &&
        MayHoldSpared(listed.get(), WithoutLastSeparator(unparsed), spared)) {
        outcome.reported.push_back(
            {std::move(spared.shown), spared.unknown, Refusal::Kind::SettingsUnknown, {}});
        return;
    }
    search.posixDeletion = HasPosixDeletion(listed.get());
    search.spared = std::move(spared.identities);
    search.sparedKnown = std::all_of(search.spared.begin(), search.spared.end(),
                                     [](const FileIdentity& i) { return i.Known(); });

    // Names first, deletions after, so that the listing never sees its own
    // changes.
    std::vector<std::wstring> names;
    error = ListCandidates(listed.get(), search, names, outcome);
    if (FAILED(error)) return Note(outcome, search.Shown(search.pattern), {error});
    if (place.afterListing) place.afterListing(place.context);

    for (std::wstring& name : names) {
        Note(outcome, search.Shown(name), DeleteOneFile(listed.get(), name, search));
    }
}

// The typed path cut into its folder and its last component.
void DeleteMatches(std::wstring_view typed, const Place& place, DeletionOutcome& outcome) {
    const PathParts parts = SplitLastComponent(typed);
    const std::wstring typedPath(typed);
    const PathForm form = FormOf(parts.folder);
    if (form == PathForm::Device) return PathFailure(outcome, typedPath, kDevicePathRefused);
    // An empty name names the folder itself; a folder typed with a wildcard,
    // or (but in a \\?\ form) a trailing dot or space, would be read as
    // another.
    const std::wstring_view spelled = parts.folder.substr(form == PathForm::Unparsed ? 4 : 0);
    if (parts.name.empty() || parts.name.size() > kMaxNtNameChars || HasWildcard(spelled) ||
        (form == PathForm::Ordinary && HasStrippedFolderComponent(spelled))) {
        return PathFailure(outcome, typedPath, kBadName);
    }
    if (parts.name.find(L':') != std::wstring_view::npos) {
        return PathFailure(outcome, typedPath, kStreamRefused);
    }
    HRESULT error = S_OK;
    const auto full = AbsoluteFolder(parts.folder, place.currentFolder, error);
    if (!full) return PathFailure(outcome, typedPath, error);
    if (full->find(L':', RootLength(*full)) != std::wstring::npos) {
        return PathFailure(outcome, typedPath, kStreamRefused);
    }
    Search search{parts.name, HasWildcard(parts.name), *full, false, {}, true};
    const std::wstring unparsed = Unparsed(*full);
    if (!search.wildcard) {
        return DeleteNamedFile(WithoutLastSeparator(unparsed) + L"\\" + std::wstring(parts.name),
                               search, outcome);
    }
    DeletePattern(unparsed, search, place, outcome);
}

DeletionOutcome Delete(std::wstring_view path, const Place& place) noexcept {
    DeletionOutcome outcome;
    StopExceptions([&] { DeleteMatches(path, place, outcome); },
                   [&] {
                       // What was collected stays; the path itself is named with the reason.
                       const HRESULT error = CurrentExceptionResult();
                       StopExceptions(
                           [&] {
                               outcome.reported.push_back(
                                   {std::wstring(path), error, Refusal::Kind::NotDeleted, {}});
                           },
                           [] {});
                   });
    return outcome;
}

}  // namespace

DeletionOutcome DeleteFilesByPath(std::wstring_view path, std::wstring_view spared,
                                  std::wstring_view currentFolder) noexcept {
    return Delete(path, {spared, currentFolder, nullptr, nullptr});
}

DeletionOutcome DeleteFilesByPath(std::wstring_view path, std::wstring_view spared,
                                  AfterListing afterListing, void* context) noexcept {
    return Delete(path, {spared, {}, afterListing, context});
}

FileSystemCalls SystemFileSystemCalls() noexcept {
    return {::GetFileInformationByHandleEx, ::GetFileInformationByHandle,
            ::GetVolumeInformationByHandleW, ::SetFileInformationByHandle, ::DeviceIoControl};
}

FileSystemCalls ReplaceFileSystemCalls(const FileSystemCalls& replacement) noexcept {
    return std::exchange(calls, replacement);
}

}  // namespace vantrel2
