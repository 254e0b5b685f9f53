#include "dialog/deletion/portable/path_forms.h"

#include <cstddef>

#include "dialog/deletion/portable/wildcard.h"

namespace vantrel2 {
namespace {

bool InRange(wchar_t c, unsigned first, unsigned last) {
    const auto code = static_cast<unsigned>(c);
    return code >= first && code <= last;
}

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

bool IsDriveLetter(wchar_t c) { return InRange(c, L'A', L'Z') || InRange(c, L'a', L'z'); }

// `text` starts with `prefix`, ASCII letters compared without case.
bool StartsWithNoCase(std::wstring_view text, std::wstring_view prefix) {
    if (text.size() < prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        if (FoldFileNameChar(text[i]) != FoldFileNameChar(prefix[i])) return false;
    }
    return true;
}

}  // namespace

PathParts SplitLastComponent(std::wstring_view path) {
    std::size_t cut = path.find_last_of(L"\\/");
    if (cut == std::wstring_view::npos && path.size() >= 2 && path[1] == L':' &&
        IsDriveLetter(path[0])) {
        cut = 1;
    }
    if (cut == std::wstring_view::npos) return {{}, path};
    return {path.substr(0, cut + 1), path.substr(cut + 1)};
}

std::size_t RootLength(std::wstring_view absolutePath) {
    std::size_t at = 0;
    int components = 1;  // a drive, or the volume after the \\?\ prefix
    if (absolutePath.substr(0, 8) == L"\\\\?\\UNC\\") {
        at = 8;
        components = 2;
    } else if (absolutePath.substr(0, 4) == L"\\\\?\\") {
        at = 4;
    } else if (absolutePath.substr(0, 2) == L"\\\\") {
        at = 2;
        components = 2;
    }
    for (; components > 0; --components) {
        const std::size_t cut = absolutePath.find(L'\\', at);
        if (cut == std::wstring_view::npos) return absolutePath.size();
        at = cut + 1;
    }
    return at;
}

PathForm FormOf(std::wstring_view path) {
    if (path.substr(0, 4) == L"\\\\.\\" || path.substr(0, 4) == L"\\??\\") return PathForm::Device;
    if (path.substr(0, 4) != L"\\\\?\\") return PathForm::Ordinary;
    const std::wstring_view rest = path.substr(4);
    // "\\?\C:" alone is the volume itself, a device.
    if (rest.size() > 2 && IsDriveLetter(rest[0]) && rest[1] == L':' && rest[2] == L'\\') {
        return PathForm::Unparsed;
    }
    if (StartsWithNoCase(rest, L"UNC\\") || StartsWithNoCase(rest, L"Volume{")) {
        return PathForm::Unparsed;
    }
    return PathForm::Device;
}

std::wstring AgainstFolder(std::wstring_view base, std::wstring_view typed) {
    const bool drivePrefix = typed.size() >= 2 && IsDriveLetter(typed[0]) && typed[1] == L':';
    const bool absolute = (drivePrefix && typed.size() > 2 && IsSeparator(typed[2])) ||
                          (typed.size() >= 2 && IsSeparator(typed[0]) && IsSeparator(typed[1]));
    if (base.empty() || absolute) return std::wstring(typed);
    std::wstring folder(base);
    if (!typed.empty() && IsSeparator(typed[0])) {
        folder.resize(RootLength(folder));
        typed.remove_prefix(1);
    } else if (drivePrefix) {
        const bool sameDrive = base.size() >= 2 && base[1] == L':' &&
                               FoldFileNameChar(base[0]) == FoldFileNameChar(typed[0]);
        if (!sameDrive) return std::wstring(typed);
        typed.remove_prefix(2);
    }
    if (!folder.empty() && !IsSeparator(folder.back())) folder += L'\\';
    return folder + std::wstring(typed);
}

bool HasStrippedFolderComponent(std::wstring_view folder) {
    while (!folder.empty()) {
        const std::size_t cut = folder.find_first_of(L"\\/");
        const std::wstring_view component = folder.substr(0, cut);
        if (!component.empty() && component != L"." && component != L".." &&
            (component.back() == L'.' || component.back() == L' ')) {
            return true;
        }
        if (cut == std::wstring_view::npos) break;
        folder.remove_prefix(cut + 1);
    }
    return false;
}

}  // namespace vantrel2
