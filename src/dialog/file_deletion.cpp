#include "file_deletion.h"

#include <optional>
#include <string>
#include <vector>

#include "win_handles.h"
#include "wildcard.h"
#include "win_util.h"

namespace vantrel2 {
namespace {

constexpr DWORD kNeverDeleted = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY |
                                FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                FILE_ATTRIBUTE_DEVICE;

const HRESULT kRefused = HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED);
const HRESULT kBadName = HRESULT_FROM_WIN32(ERROR_INVALID_NAME);
const HRESULT kNotFound = HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);

void Note(DeletionOutcome& outcome, HRESULT result) {
    if (SUCCEEDED(result)) {
        ++outcome.deleted;
        return;
    }
    ++outcome.kept;
    if (SUCCEEDED(outcome.firstError)) outcome.firstError = result;
}

bool StartsWith(const std::wstring& text, std::wstring_view prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

// The absolute form of `path` against the current folder, in the \\?\ form:
// names found in the folder are then opened exactly as listed, never read
// as a device (NUL.ini, COM1.ini) or shortened (a trailing dot), and length
// does not matter. Device paths are refused.
std::optional<std::wstring> AbsolutePath(std::wstring_view path, HRESULT& error) {
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
    if (!StartsWith(full, L"\\\\?\\")) {
        if (StartsWith(full, L"\\\\")) return L"\\\\?\\UNC\\" + full.substr(2);
        return L"\\\\?\\" + full;
    }
    return full;
}

// Deletes one candidate by the long name the listing gave, whose attributes
// the listing has already cleared. Opened without name normalisation, the
// name can only resolve to the file whose long name it is (a short name is
// never another entry's long name). The file is marked as it is opened and
// goes when the handle closes, as `del` does it: two calls to the file
// system instead of four. The open itself refuses a file made read-only or
// a folder put under the name since the listing.
HRESULT DeleteOneFile(const std::wstring& fullPath) {
    const UniqueFile file(::CreateFileW(
        fullPath.c_str(), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
        OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_DELETE_ON_CLOSE, nullptr));
    return file ? S_OK : LastErrorResult();
}

// Every file in `folder` whose long name matches `pattern` (the last
// component as typed, with or without wildcards). Listing the folder gives
// the long names, so a short-name alias of another file never counts.
DeletionOutcome DeleteMatches(std::wstring_view folder, std::wstring_view pattern) {
    DeletionOutcome outcome;
    HRESULT error = S_OK;
    // An empty name names the folder itself; a colon would address a stream;
    // a folder typed with a trailing dot or space would be read as another.
    if (pattern.empty() || pattern.find(L':') != std::wstring_view::npos || HasWildcard(folder) ||
        HasStrippedFolderComponent(folder)) {
        outcome.firstError = kBadName;
        return outcome;
    }
    auto full = AbsolutePath(folder.empty() ? std::wstring_view(L".") : folder, error);
    if (!full) {
        outcome.firstError = error;
        return outcome;
    }
    if (full->back() != L'\\') full->push_back(L'\\');

    // Names first, deletions after, so that the listing never sees its own
    // changes. A plain name is looked up by itself rather than by listing.
    const std::wstring query =
        *full + (HasWildcard(pattern) ? std::wstring(L"*") : std::wstring(pattern));
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found{};
    UniqueFind find(::FindFirstFileExW(query.c_str(), FindExInfoBasic, &found,
                                       FindExSearchNameMatch, nullptr, 0));
    if (!find) {
        outcome.firstError = LastErrorResult();
        return outcome;
    }
    do {
        const std::wstring_view name = found.cFileName;
        if (name == L"." || name == L"..") continue;
        if (!MatchesWildcard(pattern, name)) {
            // Found by another name (a short name, a stripped trailing dot):
            // not what was typed, so it stays.
            if (!HasWildcard(pattern)) Note(outcome, kBadName);
        } else if ((found.dwFileAttributes & kNeverDeleted) != 0) {
            Note(outcome, kRefused);
        } else {
            names.emplace_back(name);
        }
    } while (::FindNextFileW(find.get(), &found));
    find.reset();

    if (names.empty() && outcome.kept == 0) outcome.firstError = kNotFound;
    for (const std::wstring& name : names) Note(outcome, DeleteOneFile(*full + name));
    return outcome;
}

}  // namespace

DeletionOutcome DeleteFilesByPath(std::wstring_view path) noexcept {
    try {
        const PathParts parts = SplitLastComponent(path);
        return DeleteMatches(parts.folder, parts.name);
    } catch (...) {
        DeletionOutcome outcome;
        outcome.firstError = E_OUTOFMEMORY;
        return outcome;
    }
}

}  // namespace vantrel2
