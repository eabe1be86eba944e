// The operand and number readers of the block parameters with caller texts of
// any content: they never read past the text, and what they read keeps its
// ranges and writes back in a form that reads the same again.
#include "operand.h"
#include "params.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // The caller's buffer without terminator: only the bounded reader may look at it.
  std::vector<char> buf(data, data + size);
  std::string text = fbd::readBounded(buf.data(), buf.size());
  int kind = 0, number = 0;
  if (fbd::fbd_ParseOperand(text.c_str(), kind, number)) {
    const int limits[] = {99, 16, 3, 1, 48};
    if (kind < 0 || kind > 4 || number < 0 || number > limits[kind]) __builtin_trap();
    std::string normal;
    fbd::fbd_FormatOperand(kind, number, normal);
    int k2 = -1, n2 = -1;
    if (!fbd::fbd_ParseOperand(normal.c_str(), k2, n2) || k2 != kind || n2 != number) __builtin_trap();
  } else if (kind != 0 || number != 0) {
    __builtin_trap();
  }
  int value = 0;
  if (fbd::fbd_ParseShort(text.c_str(), value) && (value < -32768 || value > 32767)) __builtin_trap();
  double w = fbd::waitValue(text, size % 2 == 1);
  if (!(std::fabs(w) <= 999.99)) __builtin_trap();
  (void)fbd::terminalValue(text);
  char out[10];
  std::int16_t aux[3] = {0, 0, 0};
  double vec[4] = {0, 0, 0, 0};
  fbd::displayWriteBack(text, int(size % 3), out, aux, vec);
  if (std::strlen(out) > 9) __builtin_trap();
  return 0;
}
