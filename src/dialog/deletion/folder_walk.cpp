// The folder of a pattern, reached from its root one folder at a time so
// that no junction or symbolic link on the way is followed.
#include "dialog/deletion/deletion_detail.h"

#include <winioctl.h>

#include <algorithm>
#include <memory>
#include <utility>

#include "dialog/deletion/portable/path_forms.h"

namespace vantrel2::deletion_detail {
namespace {

// ERROR_REPARSE_POINT_ENCOUNTERED: a pattern's folder part is a link.
const HRESULT kThroughLink = HRESULT_FROM_WIN32(4395);

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

}  // namespace

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

}  // namespace vantrel2::deletion_detail
