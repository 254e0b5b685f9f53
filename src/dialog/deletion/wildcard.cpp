#include "wildcard.h"

#include <cstddef>

namespace vantrel2 {
namespace {

constexpr std::size_t kExtensionLength = 3;

bool InRange(wchar_t c, unsigned first, unsigned last) {
    const auto code = static_cast<unsigned>(c);
    return code >= first && code <= last;
}

wchar_t Shift(wchar_t c, unsigned down) {
    return static_cast<wchar_t>(static_cast<unsigned>(c) - down);
}

bool IsOdd(wchar_t c) { return (static_cast<unsigned>(c) & 1U) != 0; }

}  // namespace

wchar_t FoldFileNameChar(wchar_t c) {
    if (InRange(c, L'a', L'z')) return Shift(c, 0x20);
    if (static_cast<unsigned>(c) < 0xE0) return c;
    // Latin-1: à..þ except the division sign; ÿ pairs with Ÿ in Latin Extended-A.
    if (InRange(c, 0xE0, 0xFE)) return c == 0xF7 ? c : Shift(c, 0x20);
    if (c == 0xFF) return static_cast<wchar_t>(0x178);
    // Latin Extended-A alternates upper/lower; the parity flips at U+0139 and
    // U+0179, and U+0130, U+0131, U+0138, U+0149 and U+017F have no pair.
    if (InRange(c, 0x100, 0x12F) || InRange(c, 0x132, 0x137) || InRange(c, 0x14A, 0x177)) {
        return IsOdd(c) ? Shift(c, 1) : c;
    }
    if (InRange(c, 0x139, 0x148) || InRange(c, 0x179, 0x17E)) return IsOdd(c) ? c : Shift(c, 1);
    if (InRange(c, 0x3B1, 0x3C1) || InRange(c, 0x3C3, 0x3CB)) return Shift(c, 0x20);
    if (c == 0x3C2) return static_cast<wchar_t>(0x3A3);  // final sigma
    if (InRange(c, 0x430, 0x44F)) return Shift(c, 0x20);
    if (InRange(c, 0x450, 0x45F)) return Shift(c, 0x50);
    if (InRange(c, 0xFF41, 0xFF5A)) return Shift(c, 0x20);  // full-width a..z
    return c;
}

bool HasIniExtension(std::wstring_view text) {
    const std::wstring_view tail =
        text.size() > kExtensionLength ? text.substr(text.size() - kExtensionLength) : text;
    constexpr std::wstring_view kIni = L"INI";
    if (tail.size() != kIni.size()) return false;
    for (std::size_t i = 0; i < kIni.size(); ++i) {
        if (FoldFileNameChar(tail[i]) != kIni[i]) return false;
    }
    return true;
}

bool MatchesWildcard(std::wstring_view pattern, std::wstring_view name) {
    // Greedy with one resume point: on a mismatch only the latest `*` is
    // widened by one character; earlier stars never need revisiting, which is
    // what keeps "*a*a*a*...b" from taking exponential time.
    std::size_t p = 0;
    std::size_t n = 0;
    std::size_t starAt = std::wstring_view::npos;
    std::size_t resumeName = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == L'*') {
            starAt = p++;
            resumeName = n;
        } else if (p < pattern.size() && (pattern[p] == L'?' || FoldFileNameChar(pattern[p]) ==
                                                                    FoldFileNameChar(name[n]))) {
            ++p;
            ++n;
        } else if (starAt != std::wstring_view::npos) {
            p = starAt + 1;
            n = ++resumeName;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == L'*') ++p;
    return p == pattern.size();
}

bool HasWildcard(std::wstring_view text) {
    return text.find_first_of(L"*?") != std::wstring_view::npos;
}

PathParts SplitLastComponent(std::wstring_view path) {
    std::size_t cut = path.find_last_of(L"\\/");
    if (cut == std::wstring_view::npos && path.size() >= 2 && path[1] == L':' &&
        (InRange(path[0], L'A', L'Z') || InRange(path[0], L'a', L'z'))) {
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

namespace {

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
