// Feeds any text to the formula and the condition parser in check and
// generation mode, and renders what they built.
#include "builder.h"
#include "emit.h"
#include "parser.h"
#include "session.h"

#include <cstddef>
#include <cstdint>
#include <string>

// A small quarantine keeps freed blocks in use again soon: the parser makes many
// small allocations, and fresh pages for each of them slow the run down.
extern "C" const char* __asan_default_options() { return "quarantine_size_mb=8"; }

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const uint8_t selector = data[0];
  std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
  text = text.substr(0, text.find('\0'));  // the operations read up to the terminator
  const double vector[14] = {0, double(selector), 3, 10, 1, 10, 2, double(selector & 0x3f), 11, 0, 11, 1, 11, 2};
  {
    const bool condition = selector & 0x10, generation = selector & 0x20;
    exprparser::ErrorList errors;
    exprparser::GenSettings s =
        exprparser::settingsFor(condition, selector % 4, selector & 0x80, (selector & 0x40) ? nullptr : vector);
    exprparser::Builder b(s, errors);
    exprparser::parseText(text, exprparser::Mode{condition, generation}, b, errors);
    std::string out = exprparser::renderText(text, b.program(), b.pool());
    if (errors.count() == 0 && out.empty()) __builtin_trap();
    (void)errors.joined();
  }
  return 0;
}
