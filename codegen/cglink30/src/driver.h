#pragma once
// One run of the code generator: arguments, binding of the two libraries,
// preliminary file, parse, output pass, result and clean-up.
#include <string>

#include "cglink30/cglink30.h"
#include "ddf_api.h"
#include "messages.h"

namespace cg {

// The libraries a run binds. The production binder loads ObelTool and
// DdfReader by name; tests put fakes behind this.
class Binder {
public:
  virtual ~Binder() = default;
  // The settings library: 0 bound; 1 version too low or a name missing;
  // 2 not loadable; 3 SetBINPath refused; -1 no path could be formed
  // (nothing bound: the reader binding then fails).
  virtual int bindSettings() = 0;
  // The reader and the description: 0 bound and open; 1 version below 2;
  // 2 not loadable; 3 the description could not be opened; 4 an operation
  // missing.
  virtual int bindReader(const std::string& ddfPath) = 0;
  virtual DdfApi* reader() = 0;
  virtual void releaseReader() = 0;
  virtual void releaseSettings() = 0;
  // A text of the language resource library, when one is loaded.
  virtual bool resourceText(int id, std::string& out) {
    (void)id;
    (void)out;
    return false;
  }
};

struct RunOptions {
  Binder* binder = nullptr;
  Messages::BoxFn box;  // null: the platform's message box
};

// link_advmain with the binder and the box of the options.
int runCompile(int argc, char** argv, CgAdvResult* result, const RunOptions& options);

// The preliminary file of a download path: its extension replaced by "TZC"
// ("." and "TZC" appended when it has none); the case is kept.
std::string preliminaryPath(const std::string& downloadPath);

}  // namespace cg
