#include "dialog/file_open.h"

#include <commdlg.h>

#include <algorithm>
#include <string_view>

namespace vantrel2 {
namespace {

// Room for a long path typed into the dialog.
constexpr std::size_t kFileNameBufferLength = 32768;

// "desc|pattern|" as the dialog wants it: NUL-separated, ending in two NULs.
std::wstring NulSeparatedFilter(std::wstring_view filter) {
    std::wstring result(filter);
    std::replace(result.begin(), result.end(), L'|', L'\0');
    result.push_back(L'\0');
    result.push_back(L'\0');
    return result;
}

std::wstring CurrentFolder() {
    const DWORD needed = ::GetCurrentDirectoryW(0, nullptr);
    if (needed == 0) return {};
    std::wstring folder(needed, L'\0');
    const DWORD length = ::GetCurrentDirectoryW(needed, folder.data());
    folder.resize(length < needed ? length : 0);
    return folder;
}

}  // namespace

std::wstring ChooseSettingsFile(HWND owner, const std::wstring& currentText) {
    std::wstring buffer(std::max(kFileNameBufferLength, currentText.size() + 1), L'\0');
    buffer.replace(0, currentText.size(), currentText);
    const std::wstring filter = NulSeparatedFilter(kSettingsFileFilter);

    OPENFILENAMEW request{};
    request.lStructSize = sizeof request;
    request.hwndOwner = owner;
    request.lpstrFilter = filter.c_str();
    request.lpstrFile = buffer.data();
    request.nMaxFile = static_cast<DWORD>(buffer.size());
    request.Flags = OFN_HIDEREADONLY;

    // The dialog moves the process's current folder to wherever the user
    // browsed; the host's current folder is not ours to change, and relative
    // paths in the other rows must keep their meaning.
    const std::wstring currentFolder = CurrentFolder();
    const BOOL chosen = ::GetOpenFileNameW(&request);
    if (!currentFolder.empty()) ::SetCurrentDirectoryW(currentFolder.c_str());
    return chosen ? std::wstring(buffer.c_str()) : currentText;
}

}  // namespace vantrel2
