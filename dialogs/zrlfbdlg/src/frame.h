#pragma once
// The library's frame: resources, the formula parser binding and the help of
// its dialogs.
#include "dialogkit/resources.h"
#include <cstdint>
#include <string>

class QWidget;

namespace fbd {

constexpr const char* kLibrary = "ZRLFBDLG";

kit::Resources& resources();
std::string text(unsigned id);
std::string dialogText(unsigned dialog, unsigned control);

// The formula parser (0 / null while unbound).
int parseFormula(const char* text, std::int16_t* aux, const double* vector);
int parseCondition(const char* text, std::int16_t* aux, const double* vector);
char* errorText();
void releaseErrorText(char** text);

// F1 in a dialog: the key word box when asked for, then the help page of
// string 250 + the type name. True when help was opened.
bool fbd_ShowBlockHelp(QWidget* dialog, unsigned typeName);
// A simple beep on the platform's tone output.
void simpleBeep();

} // namespace fbd
