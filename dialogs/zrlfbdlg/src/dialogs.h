#pragma once
// The parameter dialogs: each runs modally for its owner and answers 1 (OK,
// the caller's records written) or 2 / -1 (nothing written).
#include <cstdint>

namespace fbd {

int runAssign(char* text, std::int16_t* aux, double* vector);
int runCompare(char* text, std::int16_t* aux, double* vector);
int runResetStop(char* text, std::int16_t* aux, double* vector, int mode);
int runVisual(char* text, std::int16_t* aux, double* vector);
int runWait(double* vector);
int runIncDec(char* text, std::int16_t* aux, double* vector);
int runDisplay(char* text, std::int16_t* aux, double* vector);
int runMessage(char* text, std::int16_t* aux, double* vector);
int runTerminal(std::int16_t* aux, double* vector);
int runOutput(std::int16_t* aux, double* vector);
int runInput(std::int16_t* aux, double* vector);
int runEdge(std::int16_t* aux, double* vector);
int runPosition(char* text, std::int16_t* aux, double* vector);
int runBeep(std::int16_t* aux, double* vector);

} // namespace fbd
