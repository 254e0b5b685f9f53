#include "dialog/deletion/portable/wildcard.h"

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

}  // namespace vantrel2
