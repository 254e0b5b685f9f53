// Paths as the deletion opens them: absolute and \\?\ forms, NT names,
// opening by name relative to a folder, and what a handle resolves to.
#include "dialog/deletion/deletion_detail.h"

#include <string>

#include "dialog/deletion/portable/path_forms.h"
#include "common/win32/win_util.h"

namespace vantrel2::deletion_detail {
namespace {

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

}  // namespace

bool IsNotThere(HRESULT result) {
    return result == HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND) ||
           result == HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND) ||
           result == HRESULT_FROM_WIN32(ERROR_DIRECTORY);
}

HRESULT NtResult(NTSTATUS status) { return HRESULT_FROM_WIN32(::RtlNtStatusToDosError(status)); }

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

std::wstring Unparsed(std::wstring_view full) {
    if (StartsWith(full, L"\\\\?\\")) return std::wstring(full);
    if (StartsWith(full, L"\\\\")) return L"\\\\?\\UNC\\" + std::wstring(full.substr(2));
    return L"\\\\?\\" + std::wstring(full);
}

std::wstring Readable(std::wstring_view unparsed) {
    if (StartsWith(unparsed, L"\\\\?\\UNC\\")) return L"\\\\" + std::wstring(unparsed.substr(8));
    if (StartsWith(unparsed, L"\\\\?\\")) return std::wstring(unparsed.substr(4));
    return std::wstring(unparsed);
}

std::wstring NtPath(std::wstring_view unparsed) {
    return L"\\??\\" + std::wstring(unparsed.substr(4));
}

std::wstring WithoutLastSeparator(std::wstring path) {
    if (path.size() > RootLength(path) && path.back() == L'\\') path.pop_back();
    return path;
}

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

std::wstring FinalPath(HANDLE file, DWORD volumeForm, bool normalisedOnly) {
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

}  // namespace vantrel2::deletion_detail
