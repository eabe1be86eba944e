#pragma once
// The main program's command line: at most one project file name, plain,
// quoted or after the switch /P, and the switch /L. A "/" starts a switch only
// in a word that is "/L" or "/P" (either case) standing alone; elsewhere it is
// a path character, so absolute paths work.
#include <cstddef>
#include <string>
#include <string_view>

namespace zapp {

// Longest name the open buffer holds (128 places, one for the terminator).
inline constexpr std::size_t kOpenBufferSize = 128;

struct CommandLine {
  std::string name;          // upper-cased, then in its spelling on disk
  bool openPending = false;  // a name is to be opened after start-up
  bool tooLong = false;      // the name did not fit the open buffer: nothing is opened
};

CommandLine app_ParseCommandLine(std::string_view text);

// Rebuilds an absolute path component by component with the names found on
// disk (compared ignoring case; an exact match wins). Relative paths are left
// as they are (true). False, with the path unchanged, when a component is not
// found or the result would not fit size places (terminator included).
bool path_ResolveLongName(std::string& path, std::size_t size = kOpenBufferSize);

} // namespace zapp
