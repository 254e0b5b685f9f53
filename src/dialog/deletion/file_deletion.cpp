#include "dialog/deletion/file_deletion.h"

#include <algorithm>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "dialog/deletion/deletion_detail.h"
#include "common/portable/exception_boundary.h"
#include "dialog/deletion/portable/path_forms.h"
#include "dialog/deletion/portable/wildcard.h"
#include "common/win32/win_util.h"

namespace vantrel2 {
namespace deletion_detail {

FileSystemCalls calls = SystemFileSystemCalls();

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

void PathFailure(DeletionOutcome& outcome, const std::wstring& path, HRESULT error) {
    if (!IsNotThere(error))
        outcome.reported.push_back({path, error, Refusal::Kind::NotDeleted, {}});
}

namespace {

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
    search.sparedIndexed = std::all_of(search.spared.begin(), search.spared.end(),
                                       [](const FileIdentity& i) { return i.index != 0; });

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
}  // namespace deletion_detail

DeletionOutcome DeleteFilesByPath(std::wstring_view path, std::wstring_view spared,
                                  std::wstring_view currentFolder) noexcept {
    return deletion_detail::Delete(path, {spared, currentFolder, nullptr, nullptr});
}

DeletionOutcome DeleteFilesByPath(std::wstring_view path, std::wstring_view spared,
                                  AfterListing afterListing, void* context) noexcept {
    return deletion_detail::Delete(path, {spared, {}, afterListing, context});
}

FileSystemCalls SystemFileSystemCalls() noexcept {
    return {::GetFileInformationByHandleEx,
            ::GetFileInformationByHandle,
            ::GetVolumeInformationByHandleW,
            ::SetFileInformationByHandle,
            ::DeviceIoControl,
            ::NtQueryInformationFile};
}

FileSystemCalls ReplaceFileSystemCalls(const FileSystemCalls& replacement) noexcept {
    return std::exchange(deletion_detail::calls, replacement);
}

}  // namespace vantrel2
