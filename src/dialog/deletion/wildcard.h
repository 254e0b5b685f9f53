// File-name rules of the deletion run: the INI extension test, the `*`/`?`
// pattern match on long names, and splitting a typed path. Portable: no
// Windows headers, so the matcher runs natively under the fuzzer too.
#pragma once

#include <cstddef>
#include <string>
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

// A path cut after its last separator ('\', '/', or the ':' of a bare drive
// prefix such as "C:x.ini"). The folder keeps its separator, so folder + name
// is the path again; a bare name has an empty folder.
struct PathParts {
    std::wstring_view folder;
    std::wstring_view name;
};
PathParts SplitLastComponent(std::wstring_view path);

// The length of the root of an absolute path as GetFullPathNameW gives it,
// with its separator: "C:\", "\\server\share\", "\\?\C:\" or
// "\\?\UNC\server\share\". What follows are the folders below it.
std::size_t RootLength(std::wstring_view absolutePath);

// How a path names the volume it is on. Windows takes the \\?\ forms of a
// drive, a share and a volume as written (no separator turned, no dot or
// space stripped); everything else after \\?\ or \\.\ names a device or
// the object namespace, not a file on a volume.
enum class PathForm {
    Ordinary,  // C:\..., \\server\share\..., a relative path
    Unparsed,  // \\?\C:\..., \\?\UNC\server\share\..., \\?\Volume{...}\...
    Device,    // \\.\..., \\?\GLOBALROOT\..., \??\..., any other \\?\ path
};
PathForm FormOf(std::wstring_view path);

// `typed` made absolute against `base` (an absolute folder, as
// GetCurrentDirectoryW gives it), so that the result no longer depends on
// the process's current folder: a relative path is appended to it, a path
// from the root ("\x") starts at its root, and "C:x" on its drive is taken
// from it. Absolute paths, and "D:x" on another drive (which the system
// takes from that drive's own folder), are left as typed; so is everything
// when `base` is empty. Dots and doubled separators are left for
// GetFullPathNameW.
std::wstring AgainstFolder(std::wstring_view base, std::wstring_view typed);

// True when a component of `folder` ends in a dot or a space (other than
// "." and ".."): the path functions would strip it and name another folder
// than the one typed.
bool HasStrippedFolderComponent(std::wstring_view folder);

}  // namespace vantrel2
