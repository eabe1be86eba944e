// A code generator for the compile dialog tests: writes its arguments, one a
// line, into the error file (argv[5]), fills the record and answers what the
// environment says (STUBLINK_RESULT, default 1).
#include <cstdio>
#include <cstdlib>
#include <cstdint>

struct Result {
  uint32_t errors, warnings;
  double memoryUse;
};

extern "C" __attribute__((visibility("default"))) int link_advmain(int argc, char** argv, Result* r) {
  if (argc == 6 && argv[5]) {
    if (FILE* f = std::fopen(argv[5], "w")) {
      for (int i = 0; i < argc; ++i) std::fprintf(f, "%s\n", argv[i]);
      std::fclose(f);
    }
  }
  if (r) {
    r->errors = 2;
    r->warnings = 1;
    r->memoryUse = 12.5;
  }
  const char* v = std::getenv("STUBLINK_RESULT");
  return v ? std::atoi(v) : 1;
}
