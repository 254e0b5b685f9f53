// Which file a handle reaches, and the settings file a pattern never
// deletes, known by identity however its path is spelled.
#include "dialog/deletion/deletion_detail.h"

#include <iterator>
#include <utility>

#include "dialog/deletion/portable/path_forms.h"
#include "common/win32/win_util.h"

namespace vantrel2::deletion_detail {
namespace {

// FileIdInfo and FILE_ID_INFO, from Windows 8 on: ReFS ids do not fit in 64
// bits.
constexpr auto kFileIdInfo = static_cast<FILE_INFO_BY_HANDLE_CLASS>(18);
struct FileId128Info {
    ULONGLONG VolumeSerialNumber;
    BYTE FileId[16];
};

}  // namespace

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

ULONGLONG FileIndexOf(HANDLE file) {
    IO_STATUS_BLOCK io{};
    FILE_INTERNAL_INFORMATION internal{};
    const NTSTATUS status = calls.queryInformation(
        file, &io, &internal, static_cast<ULONG>(sizeof internal), FileInternalInformation);
    const auto index = static_cast<ULONGLONG>(internal.IndexNumber.QuadPart);
    // All ones is FILE_INVALID_FILE_ID, which names no file.
    return NT_SUCCESS(status) && index != ~ULONGLONG{0} ? index : 0;
}

bool SameFile(const FileIdentity& a, const FileIdentity& b) {
    if (a.Known() && b.Known()) return a.volume == b.volume && a.id == b.id;
    return !b.finalPath.empty() && SamePath(a.finalPath, b.finalPath);
}

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
        identity->index = FileIndexOf(file.get());
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

bool MayHoldSpared(HANDLE listed, const std::wstring& listedPath, const SparedFile& spared) {
    HRESULT ignored = S_OK;
    if (spared.folderIdentity) {
        const auto identity = IdentityOf(listed, true, ignored);
        return !identity || SameFile(*identity, *spared.folderIdentity);
    }
    return spared.folder.empty() || SamePath(listedPath, spared.folder) ||
           SamePath(FinalPath(listed, VOLUME_NAME_DOS), spared.folder);
}

bool IsSpared(HANDLE file, const Search& search, HRESULT& error) {
    // A file system gives a file one index whatever the path it is opened
    // by, so a candidate whose index is none of the settings file's is
    // another file. Only the rest need the full identity, which asks for the
    // volume: under Wine that is a round trip through the mount manager.
    if (search.sparedIndexed) {
        const ULONGLONG index = FileIndexOf(file);
        if (index != 0 && std::none_of(search.spared.begin(), search.spared.end(),
                                       [&](const FileIdentity& s) { return s.index == index; })) {
            return false;
        }
    }
    const auto identity = IdentityOf(file, !search.sparedKnown, error);
    if (!identity) return true;  // unknown: kept rather than risk the settings
    return std::any_of(search.spared.begin(), search.spared.end(),
                       [&](const FileIdentity& spared) { return SameFile(spared, *identity); });
}

}  // namespace vantrel2::deletion_detail
