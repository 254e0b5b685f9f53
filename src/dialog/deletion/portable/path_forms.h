// How the deletion reads a typed path: its folder and last component, its
// root, the form that says whether it names a file on a volume, and the
// absolute form against a given folder. Portable: no Windows headers.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace vantrel2 {

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
