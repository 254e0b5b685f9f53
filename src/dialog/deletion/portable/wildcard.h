// File-name rules of the deletion run: the INI extension test and the
// `*`/`?` pattern match on long names. Portable: no Windows headers, so the
// matcher runs natively under the fuzzer too.
#pragma once

#include <string_view>

namespace vantrel2 {

// The last three characters (the whole text when shorter), upper-cased with
// FoldFileNameChar, equal to "INI". No dot is required: "xini" passes; the
// full-width ＩＮＩ does not.
bool HasIniExtension(std::wstring_view text);

// Upper case as file names are compared: ASCII, Latin-1, Latin Extended-A,
// basic Greek and Cyrillic, and the full-width Latin letters. Everything else
// (dotless i, long s, the micro sign, CJK, surrogates) compares exactly, so a
// name can only ever match by less than Windows' own folding, never by more.
wchar_t FoldFileNameChar(wchar_t c);

// `*` matches any run of characters (none included), `?` exactly one UTF-16
// code unit; every other character matches itself after FoldFileNameChar.
// No DOS quirks: "*.*" needs a dot, "a?.ini" does not match "a.ini".
// Time is bounded by pattern length times name length.
bool MatchesWildcard(std::wstring_view pattern, std::wstring_view name);

bool HasWildcard(std::wstring_view text);

}  // namespace vantrel2
