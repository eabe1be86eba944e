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
  aux[5] = 10;
  vector[15] = vector[0];
  *changed = 1;
}
// Assign: VAR1 = VAR1 + 1 (the variable in bytes 0-9, the formula from 10).
ZERLO_EXPORT void FB01_CallParaAssignDlg(char* t, std::int16_t*, double* vector, void*, std::int16_t*,
                                         std::int16_t* changed) {
  const char var[] = "VAR1", formula[] = "VAR1+1";
  for (unsigned i = 0; i < sizeof var; ++i) t[i] = var[i];
  for (unsigned i = 0; i < sizeof formula; ++i) t[10 + i] = formula[i];
  vector[15] = vector[0];
  *changed = 1;
}
// Compare: VAR1 < 3, branching right when it holds.
ZERLO_EXPORT void FB02_CallParaCompareDlg(char* t, std::int16_t* aux, double* vector, void*, std::int16_t*,
                                          std::int16_t* changed) {
  const char condition[] = "VAR1<3";
  for (unsigned i = 0; i < sizeof condition; ++i) t[i] = condition[i];
  aux[3] = 1;
  vector[15] = vector[0];
  *changed = 1;
}

// The dialogs of the other blocks answer alike: aux[5] (no block uses it)
// names the export that answered.
namespace {
void answer(std::int16_t* aux, double* vector, std::int16_t* changed, std::int16_t which) {
  aux[5] = which;
  vector[15] = vector[0];
  *changed = 1;
}
} // namespace
ZERLO_EXPORT void FB07_CallParaSigBeepDlg(char*, std::int16_t* aux, double* vector, void*, std::int16_t*,
                                          std::int16_t* changed) {
  answer(aux, vector, changed, 7);
}
ZERLO_EXPORT void FB09_CallParaDIVarDlg(char*, std::int16_t* aux, double* vector, void*, std::int16_t*,
                                        std::int16_t* changed) {
  answer(aux, vector, changed, 9);
}
ZERLO_EXPORT void FB11_CallParaBEdgeDlg(char*, std::int16_t* aux, double* vector, void*, std::int16_t*,
                                        std::int16_t* changed) {
  answer(aux, vector, changed, 11);
}
ZERLO_EXPORT void FB12_CallParaPositionDlg(char*, std::int16_t* aux, double* vector, void*, std::int16_t*,
                                           std::int16_t* changed) {
  answer(aux, vector, changed, 12);
}
ZERLO_EXPORT void FB13_CallParaDisplayDlg(char*, std::int16_t* aux, double* vector, void*, std::int16_t*,
                                          std::int16_t* changed) {
  answer(aux, vector, changed, 13);
}
ZERLO_EXPORT void FB14_CallParaMessageDlg(char*, std::int16_t* aux, double* vector, void*, std::int16_t*,
                                          std::int16_t* changed) {
  answer(aux, vector, changed, 14);
}
ZERLO_EXPORT void FB15_CallTermParaDlg(char*, std::int16_t* aux, double* vector, void*, std::int16_t*,
                                       std::int16_t* changed) {
  answer(aux, vector, changed, 15);
}
// Reset or stop: the mode (0 reset, 1 stop) is echoed into aux[4].
ZERLO_EXPORT void FB03_CallParaRSNADlg(char*, std::int16_t* aux, double* vector, void*, std::int16_t* mode,
                                       std::int16_t* changed) {
  answer(aux, vector, changed, 3);
  aux[4] = *mode;
}
ZERLO_EXPORT void FB04_CallParaVisualDlg(char*, std::int16_t* aux, double* vector, void*, std::int16_t*,
                                         std::int16_t* changed) {
  answer(aux, vector, changed, 4);
}
