// Checks the pattern matcher against a slow reference that tries every split
// of the name at every star, and the extension test against its definition.
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_input.h"
#include "dialog/deletion/portable/path_forms.h"
#include "dialog/deletion/portable/wildcard.h"

namespace {

// The textbook table: match[p][n] says whether the first p pattern units
// match the first n name units.
bool ReferenceMatch(std::wstring_view pattern, std::wstring_view name) {
    const std::size_t columns = name.size() + 1;
    std::vector<char> match((pattern.size() + 1) * columns, 0);
    auto at = [&](std::size_t p, std::size_t n) -> char& { return match[p * columns + n]; };
    at(0, 0) = 1;
    for (std::size_t p = 1; p <= pattern.size(); ++p) {
        const wchar_t c = pattern[p - 1];
        for (std::size_t n = 0; n <= name.size(); ++n) {
            if (c == L'*') {
                at(p, n) = at(p - 1, n) || (n > 0 && at(p, n - 1));
            } else if (n > 0) {
                const bool same = c == L'?' || vantrel2::FoldFileNameChar(c) ==
                                                   vantrel2::FoldFileNameChar(name[n - 1]);
                at(p, n) = same && at(p - 1, n - 1);
            }
        }
    }
    return at(pattern.size(), name.size()) != 0;
}

void Check(bool condition) {
    if (!condition) std::abort();
}

// Keeps the alphabet small so that matches are common: a few letters in both
// cases, a full-width and a Latin-1 pair, the two wildcards and a dot.
wchar_t Letter(wchar_t c) {
    static constexpr wchar_t kAlphabet[] = {L'a',      L'A',      L'b',      L'.',      L'*', L'?',
                                            L'\xFF41', L'\xFF21', L'\x00E9', L'\x00C9', L'i', L'N'};
    return kAlphabet[static_cast<unsigned>(c) % (sizeof kAlphabet / sizeof kAlphabet[0])];
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::wstring raw = WideFromFuzzBytes(data, size);
    // First code unit: where the pattern ends; the high bit picks raw units
    // instead of the small alphabet.
    if (raw.empty()) return 0;
    const std::size_t cut = 1 + static_cast<std::size_t>(raw[0] & 0x7FFF) % raw.size();
    std::wstring pattern = raw.substr(1, cut - 1);
    std::wstring name = raw.substr(cut);
    if ((raw[0] & 0x8000) == 0) {
        for (wchar_t& c : pattern) c = Letter(c);
        for (wchar_t& c : name) c = Letter(c);
    }

    const bool fast = vantrel2::MatchesWildcard(pattern, name);
    if (pattern.size() * name.size() <= (1U << 18)) Check(fast == ReferenceMatch(pattern, name));
    // A pattern without wildcards matches exactly the names equal but for case.
    if (!vantrel2::HasWildcard(pattern) && pattern.size() == name.size()) {
        bool equal = true;
        for (std::size_t i = 0; i < name.size(); ++i) {
            equal = equal &&
                    vantrel2::FoldFileNameChar(pattern[i]) == vantrel2::FoldFileNameChar(name[i]);
        }
        Check(fast == equal);
    }
    // A match never needs more: prefixing a star keeps it, a pattern matches
    // itself with its wildcards written out literally.
    if (fast) Check(vantrel2::MatchesWildcard(L"*" + pattern, name));
    Check(vantrel2::MatchesWildcard(pattern, pattern));

    const std::wstring_view tail =
        name.size() > 3 ? std::wstring_view(name).substr(name.size() - 3) : std::wstring_view(name);
    const bool ini = tail.size() == 3 && vantrel2::FoldFileNameChar(tail[0]) == L'I' &&
                     vantrel2::FoldFileNameChar(tail[1]) == L'N' &&
                     vantrel2::FoldFileNameChar(tail[2]) == L'I';
    Check(vantrel2::HasIniExtension(name) == ini);
    Check(!ini || vantrel2::MatchesWildcard(L"*ini", name));

    const vantrel2::PathParts parts = vantrel2::SplitLastComponent(name);
    Check(std::wstring(parts.folder) + std::wstring(parts.name) == name);
    Check(parts.name.find_first_of(L"\\/") == std::wstring_view::npos);
    // A relative path taken from a folder keeps that folder's start; an
    // absolute one is left as it is.
    const std::wstring against = vantrel2::AgainstFolder(L"C:\\CAD\\sysinfo", name);
    Check(against.starts_with(L"C:\\") || against == name);
    Check(vantrel2::FormOf(L"\\\\.\\" + name) == vantrel2::PathForm::Device);
    return 0;
}
