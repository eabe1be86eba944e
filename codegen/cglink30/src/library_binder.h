#pragma once
// The production binder: ObelTool through the toolbind module, DdfReader and
// the optional language resource library by name.
#include <memory>
#include <string>

#include "driver.h"

namespace cg {

struct LibraryBinderOptions {
  // Where ObelTool is looked for ("" = beside the host program, then beside
  // this library) and the program directory handed to it ("" = that of the
  // host program, or of this library when ObelTool was found there).
  std::string obelToolDir;
  std::string binDir;
};

std::unique_ptr<Binder> makeLibraryBinder(const LibraryBinderOptions& options = {});

}  // namespace cg
