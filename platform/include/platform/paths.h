#pragma once
// Paths on a case-sensitive file system for a system that was written for a
// case-insensitive one with "\" separators.
//
//   input                     Linux form
//   "A\B\C.TXT"               "A/B/C.TXT"          both separators accepted, "/" inside
//   "/abs/x"                  absolute             a leading "/" is absolute
//   "X:\dir\f" (drive)        "dir/f" relative     drive letters carry no meaning here
//   "a//b\\c", "dir/"         "a/b/c", "dir"       doubled separators folded, a trailing one dropped
//   "a/b.c/d"                 extension ""         only the last component has an extension
//   case on disk              kept                 never upper-case a whole path on disk
//   open of an existing file  exact name first, then each component matched ignoring case
//   names the system creates  keep the system's spelling ("OBEL.INI", "TMP001.ZCD")
//   create a file             existing directories matched ignoring case, new name kept as given
//   replace a file            temporary file beside it, fsync, rename (a link stays a link)
#include "platform/export.h"
#include <string>
#include <string_view>

namespace plat::path {

// Backslashes to "/", doubled separators folded; a drive prefix "X:" dropped.
PLATFORM_API std::string normalize(std::string_view p);
PLATFORM_API bool isAbsolute(std::string_view p);
// Joins a directory and a name with exactly one "/"; an absolute name wins.
PLATFORM_API std::string join(std::string_view dir, std::string_view name);
// The directory part ("" when none) and the last component.
PLATFORM_API std::string dirName(std::string_view p);
PLATFORM_API std::string baseName(std::string_view p);
// The extension without its dot ("" when none) and the path with another
// extension (ext without dot; "" removes it). Only the last component counts.
PLATFORM_API std::string extension(std::string_view p);
PLATFORM_API std::string withExtension(std::string_view p, std::string_view ext);
// Finds an existing file or directory: the exact name, else each component
// matched ignoring case. Returns the path as it is on disk, or "" when none.
PLATFORM_API std::string resolveExisting(std::string_view p);
// For creating or opening a file that may not exist yet: the directory is
// resolved ignoring case where it exists, the last component is kept as given
// unless a file of that name in another case exists (then that file).
PLATFORM_API std::string resolveForWrite(std::string_view p);
// Compares two paths ignoring case and separator style.
PLATFORM_API bool sameIgnoringCase(std::string_view a, std::string_view b);
PLATFORM_API std::string toUpper(std::string_view s);
// The name for a 12-character name field (an 8.3 name). A name whose base
// has at most 8 characters and no point and whose extension has at most 3
// stays as it is.
// Any other becomes a deterministic upper-case alias: the first six letters
// or digits of its base name ("_" when it has none), "~1", a point and the
// first three letters or digits of its extension ("Long project.mdl" gives
// "LONGPR~1.MDL"). The file on disk keeps its long name; only the field
// holds the alias. Projects and the dialogs use this one rule.
PLATFORM_API std::string shortAlias(std::string_view fileName);
// The directory of the running program (of /proc/self/exe).
PLATFORM_API std::string programDir();
// The directory of the shared object or program that contains this address.
PLATFORM_API std::string moduleDirOf(const void* addressInModule);
// Writes data to path through a temporary file in the same directory and an
// atomic rename; on failure the old file is untouched. Returns false and sets
// err on failure.
PLATFORM_API bool writeFileAtomic(std::string_view path, std::string_view data, std::string* err = nullptr);
PLATFORM_API bool readFile(std::string_view path, std::string& out);

} // namespace plat::path
