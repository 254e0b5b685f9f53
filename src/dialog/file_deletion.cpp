#include "file_deletion.h"

#include <winternl.h>

#include <memory>
#include <optional>
#include <string>
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

void Note(DeletionOutcome& outcome, HRESULT result) {
    if (SUCCEEDED(result)) {
        ++outcome.deleted;
        return;
    }
    ++outcome.kept;
    if (SUCCEEDED(outcome.firstError)) outcome.firstError = result;
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

// The absolute form of `path` against the current folder, in the \\?\ form,
// so that length does not matter and nothing in it is read as a device or
// shortened. Device paths are refused.
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

// The folder, opened once: it is listed through this handle and every
// candidate is opened relative to it, so renaming the folder and putting a
// junction in its place after the listing cannot redirect a deletion. A
// link or junction named as the folder itself is refused.
UniqueFile OpenFolder(std::wstring path, HRESULT& error) {
    // A drive's root keeps its separator; without it the name is the volume.
    if (path.size() > 1 && path.back() == L'\\' && path[path.size() - 2] != L':') path.pop_back();
    UniqueFile folder(::CreateFileW(
        path.c_str(), FILE_LIST_DIRECTORY | SYNCHRONIZE,
        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
        FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
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
    } else if ((info.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
        error = kRefused;
        folder.reset();
    }
    return folder;
}

// Sorts one listed entry: a candidate, kept, or not a match at all.
void Consider(std::wstring_view pattern, bool wildcard, std::wstring_view name, DWORD attributes,
              std::vector<std::wstring>& names, DeletionOutcome& outcome) {
    if (name == L"." || name == L"..") return;
    if (!MatchesWildcard(pattern, name)) {
        // Found by another name (a short name): not what was typed, so it
        // stays.
        if (!wildcard) Note(outcome, kBadName);
    } else if ((attributes & kNeverDeleted) != 0) {
        Note(outcome, kRefused);
    } else {
        names.emplace_back(name);
    }
}

// Collects the long names in `folder` that match `pattern` and whose listed
// attributes allow deletion; the other matches are counted as kept. Listing
// gives the long names, so a short-name alias of another file never counts.
// A plain name is looked up by itself rather than by listing the folder.
HRESULT ListCandidates(HANDLE folder, std::wstring_view pattern, std::vector<std::wstring>& names,
                       DeletionOutcome& outcome) {
    const bool wildcard = HasWildcard(pattern);
    std::wstring maskText(pattern);
    UNICODE_STRING mask = NtName(maskText);
    // ULONGLONG keeps the entries aligned as the file system writes them.
    const auto buffer = std::make_unique<ULONGLONG[]>(kListingBytes / sizeof(ULONGLONG));
    for (bool restart = true;; restart = false) {
        IO_STATUS_BLOCK io{};
        const NTSTATUS status = ::NtQueryDirectoryFile(
            folder, nullptr, nullptr, nullptr, &io, buffer.get(), kListingBytes,
            FileFullDirectoryInformation, FALSE, wildcard ? nullptr : &mask, restart);
        if (status == kNoMoreFiles || status == kNoSuchFile) return S_OK;
        if (!NT_SUCCESS(status)) return NtResult(status);
        if (io.Information == 0) return S_OK;
        const auto* at = reinterpret_cast<const unsigned char*>(buffer.get());
        for (;;) {
            const auto* entry = reinterpret_cast<const FILE_FULL_DIR_INFO*>(at);
            const std::wstring_view name(entry->FileName, entry->FileNameLength / sizeof(wchar_t));
            Consider(pattern, wildcard, name, entry->FileAttributes, names, outcome);
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
HRESULT DeleteOneFile(HANDLE folder, std::wstring& name) {
    if (name.size() > kMaxNtNameChars) return kBadName;
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
    if (!NT_SUCCESS(status)) return NtResult(status);
    const UniqueKernelHandle file(opened);

    FILE_ATTRIBUTE_TAG_INFO info{};
    if (!::GetFileInformationByHandleEx(file.get(), FileAttributeTagInfo, &info,
                                        static_cast<DWORD>(sizeof info))) {
        return LastErrorResult();
    }
    if ((info.FileAttributes & kNeverDeleted) != 0 ||
        ((info.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 &&
         info.ReparseTag == IO_REPARSE_TAG_MOUNT_POINT)) {
        return kRefused;
    }
    FILE_DISPOSITION_INFO disposition{TRUE};
    if (!::SetFileInformationByHandle(file.get(), FileDispositionInfo, &disposition,
                                      static_cast<DWORD>(sizeof disposition))) {
        return LastErrorResult();
    }
    return S_OK;
}

// Every file in `folder` whose long name matches `pattern` (the last
// component as typed, with or without wildcards).
DeletionOutcome DeleteMatches(std::wstring_view folder, std::wstring_view pattern,
                              AfterListing afterListing, void* context) {
    DeletionOutcome outcome;
    HRESULT error = S_OK;
    // An empty name names the folder itself; a colon would address a stream;
    // a folder typed with a trailing dot or space would be read as another.
    if (pattern.empty() || pattern.size() > kMaxNtNameChars ||
        pattern.find(L':') != std::wstring_view::npos || HasWildcard(folder) ||
        HasStrippedFolderComponent(folder)) {
        outcome.firstError = kBadName;
        return outcome;
    }
    const auto full = AbsolutePath(folder.empty() ? std::wstring_view(L".") : folder, error);
    if (!full) {
        outcome.firstError = error;
        return outcome;
    }
    const UniqueFile listed = OpenFolder(*full, error);
    if (!listed) {
        outcome.firstError = error;
        return outcome;
    }

    // Names first, deletions after, so that the listing never sees its own
    // changes.
    std::vector<std::wstring> names;
    error = ListCandidates(listed.get(), pattern, names, outcome);
    if (FAILED(error)) {
        if (SUCCEEDED(outcome.firstError)) outcome.firstError = error;
        return outcome;
    }
    if (afterListing) afterListing(context);

    if (names.empty() && outcome.kept == 0) outcome.firstError = kNotFound;
    for (std::wstring& name : names) Note(outcome, DeleteOneFile(listed.get(), name));
    return outcome;
}

}  // namespace

DeletionOutcome DeleteFilesByPath(std::wstring_view path) noexcept {
    return DeleteFilesByPath(path, nullptr, nullptr);
}

DeletionOutcome DeleteFilesByPath(std::wstring_view path, AfterListing afterListing,
                                  void* context) noexcept {
    try {
        const PathParts parts = SplitLastComponent(path);
        return DeleteMatches(parts.folder, parts.name, afterListing, context);
    } catch (...) {
        DeletionOutcome outcome;
        outcome.firstError = E_OUTOFMEMORY;
        return outcome;
    }
}

}  // namespace vantrel2
