#pragma once
// The directory tree's logic over the file system: the top-level places
// (the root "/", the home directory and mounted volumes, standing in for
// drives), a directory's children in case-insensitive order, whether a node
// can be expanded, and the way from a top-level place down to a path.
#include <string>
#include <vector>

namespace sw {

// "/", $HOME and the mount points of block devices (from /proc/mounts), each once.
std::vector<std::string> treeRoots();
// The mount points of block devices in a mounts table (the text of /proc/mounts).
std::vector<std::string> mountedVolumes(const std::string& mountsText);

struct DirChildren {
  std::vector<std::string> dirs;   // full paths, sorted without regard to case
  std::vector<std::string> files;  // with showFiles: full paths (hidden ones too), sorted
};
DirChildren listChildren(const std::string& path, bool showFiles);
// Expanding would show something: a subdirectory, or with showFiles a file that is not hidden.
bool hasChildren(const std::string& path, bool showFiles);
// Sorts without regard to case (equal texts keep their order).
void sw_SortStrings(std::vector<std::string>& v);

struct TreeWay {
  int root = -1;                   // index into the roots; -1: the path lies under none or does not exist
  std::vector<std::string> parts;  // the names below the root, in order
};
// The way to path: the longest root it begins with (compared upper-cased), then its parts.
TreeWay wayTo(const std::vector<std::string>& roots, const std::string& path);
// The text of a node: the whole path at the top level, else the last part.
std::string nodeText(const std::string& path, bool topLevel);

} // namespace sw
