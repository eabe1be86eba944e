#pragma once
// The library's process-wide state: the settings library binding, the
// language resources and the one parse session, set up when the library is
// loaded and taken down when it is unloaded.
#include "session.h"

#include <mutex>

namespace exprparser {

struct LibraryState {
  std::mutex mu;  // the operations are meant for one thread at a time; this keeps it so
  Session session;
};

LibraryState& libraryState();
// Binds ObelTool (version 0.01 and the parser's names) and loads the language
// resources; on failure shows message 500 and leaves the session unusable.
void libraryLoad();
void libraryUnload();

}  // namespace exprparser
