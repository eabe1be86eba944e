// A scripted stand-in for the block dialog library ZRLFBDLG: each dialog
// answers OK at once with the values a user would have chosen (clamped the
// way the dialogs clamp them), sets the changed flag and echoes the owner
// window (vector[0]) into vector[15].
#include "platform/export.h"

#include <cstdint>

// Output: 1-8, device 0-2, no action chosen gives cw.
ZERLO_EXPORT void FB06_CallParaMOutputDlg(char*, std::int16_t* aux, double* vector, void*, std::int16_t*,
                                          std::int16_t* changed) {
  if (aux[0] > 8) aux[0] = 8;
  if (aux[0] < 1) aux[0] = 1;
  if (aux[1] > 2) aux[1] = 2;
  if (aux[2] == 0) aux[2] = 2;
  vector[15] = vector[0];
  *changed = 1;
}
// Wait: 0.5 s.
ZERLO_EXPORT void FB08_CallParaWaitDlg(char*, std::int16_t*, double* vector, void*, std::int16_t*,
                                       std::int16_t* changed) {
  vector[1] = 0.5;
  vector[15] = vector[0];
  *changed = 1;
}
// Input E3, branching right on level 1.
ZERLO_EXPORT void FB10_CallParaBInputDlg(char*, std::int16_t* aux, double* vector, void*, std::int16_t*,
                                         std::int16_t* changed) {
  aux[0] = 3;
  aux[2] = 1;
  vector[15] = vector[0];
  *changed = 1;
}
