#include "texts.h"

#include "platform/numtext.h"

#include <cstdarg>
#include <cstdio>
#include <vector>

namespace cg {
namespace {

struct Entry {
  int id;
  const char* text;
};

// The texts as the system spells them (misspellings included).
const Entry kTexts[] = {
    {4, "Unknown error %lu while translating the program!"},
    {5, "No error!"},
    {6, "%lu error(s), %lu warning(s). (Help: Press F1)"},
    {7, "Too many errors. (Help: Press F1)"},
    {10, "Cannot initialize scanner!"},
    {11, "Error in float number format!"},
    {12, "Error in float number format (exponent)!"},
    {13, "String exceeds end of line!"},
    {14, "Unknown character %c!"},
    {15, "Cannot read file %s."},
    {16, "Format is invalid."},
    {17, "Format is invalid."},
    {18, "Error in function block list."},
    {19, "Error in task list."},
    {20, "Error in function block."},
    {21, "Variable format is invalid."},
    {22, "Erroneous function block parameter."},
    {23, "Erroneous mark."},
    {24, "The required memory is not available."},
    {25, "The executable program %s cannot be opened."},
    {26, "The available program memory is not enough for the program."},
    {27, "This program is too large. The number of function blocks must be reduced (%s not defined)."},
    {28, "End of file not found."},
    {29, "Error while accessing DdfReader.dll."},
    {30, "Memory block for script table not found."},
    {31, "Cannot open ZCD preliminary file %s."},
    {32, "Cannot open ZCD preliminary file %s."},
    {33, "Cannot write ZCD preliminary file"},
    {34, "Cannot open ZCD preliminary file %s."},
    {35, "Cannot open file %s"},
    {36, "Cannot open file %s"},
    {37, "Syntax error !"},
    {38, "Read error in ZCD file %s."},
    {39, "Read error in ZCD file %s."},
    {40, "Write error in ZCD file %s."},
    {41, "Dynamic link library %s not found !"},
    {42, "Dynamic link library %s has incorrect version !"},
    {43, "Dynamic link library %s not found !"},
    {44, "Dynamic link library %s has incorrect version or incorrect function interface !"},
    {45, "Dynamic link library %s could not be initialized !"},
    {46, "Cannot write to message window !"},
    {47, "Call convention error ! Not enough arguments !"},
    {48, "Cannot create TZC file %s."},
    {49, "Cannot create trace file %s."},
    {50, "Cannot create tables."},
    {51, "Task is already defined."},
    {52, "Illegal task number."},
    {53, "No task table available."},
    {54, "Different task number in BEG and END block."},
    {55, "Error : Mark %s is not defined !"},
    {56, "Cannot write to target file %s !"},
    {57, "Cannot create file %s !"},
    {58, "Unknown command @%s !"},
    {59, "Dynamic link library %s could not be initialized."},
    {60, "Functions %s is not defined in target."},
    {61, "Mark %s is already defined."},
    {62, "Cannot convert value to target format."},
    {63, "The script table of the target holds only %s scripts."},
    {200, "Function %s  is not defined in target."},
    {201, "Variable %s format is invalid."},
    {202, "Definition exceeds element size of memory block."},
    {203, "Script is already defined."},
    {204, "Not enough memory in target for auto start info. Data will not be loaded. "},
    // Listing formats.
    {300, "line:%04ld\tFUNC%16s\t\t%08X "},
    {301, "line:%04ld\tMARK%16s "},
    {302, "line:%04ld\tVAR %16s  [%ld]\t%08X  "},
    {303, "line:%04ld\tINT %16d\t\t%08X "},
    {304, "line:%04ld\tBIN %16s\t\t%08X "},
    {305, "line:%04ld\tFLT %16e\t\t%08X "},
    {306, "line:%04ld\tHEX %16s\t\t%08X "},
    {307, "line:%04ld\tVAR %16s  [%ld][%d]\t%08X  "},
    {308, "line:%04ld\t"},
    {309, "line:%04ld\tBEG %16s\t\t%08X "},
    {310, "line:%04ld\tEND %16s\t\t%08X "},
    {313, "task table"},
    {314, "line:%04ld\tDEV %16s  [%ld]\t=%s"},
    {315, "line:%04ld\tDEV %16s  [%ld][%d]\t=%s"},
    {316, "line:%04ld\tTMA %16s\t\t%08X"},
    {317, "line:%04ld\tSCR %16s\t\t%08X "},
    {319, "line:%04ld\tDEV %16s  [%ld]\t=%d"},
    {320, "line:%04ld\tDEV %16s  [%ld]\t=%e"},
    {321, "line:%04ld\tDEV %16s  [%ld][%d]\t=%d"},
    {322, "line:%04ld\tDEV %16s  [%ld][%d]\t=%e"},
    {323, "\n\n--------------------------------------------------------------------------\nsource: %s\n--------------------------------------------------------------------------\n"},
    {325, "line:%04ld\tDEV %16s  [%ld]"},
    {326, "line:%04ld\tDEV %16s  [%ld][%d]"},
    {327, "repace\t%08X -> %08X (%s)"},
    {328, "repace\t%04X -> %04X (%s)"},
    {329, "line:%04ld\tDEV %16s  [%ld][%d]\t=%s,%u,%u"},
    {330, "line:%04ld\tDEV %16s  [%ld]\t=%s,%u,%u"},
    {331, "Created by target code generator cglink version 3.007"},
    {332, "Used Files:\n"},
    {405, "begin init variable and parameter"},
    {406, "new functionblock"},
    {407, "begin task"},
    {408, "replace"},
    {409, "script table"},
    {412, "generated code"},
    {500, "LINK : "},
    {501, "Linking ...."},
    {502, "Processing "},
    {503, "Fatal error !   "},
    {504, "Error in line %lu : "},
    {505, "Warning in line %lu : "},
    {506, "Warning ! "},
};

std::string vformatImpl(const char* fmt, va_list ap) {
  // Listing and message lines carry numbers with a decimal point whatever
  // the process locale.
  plat::num::CLocaleScope cLocale;
  va_list ap2;
  va_copy(ap2, ap);
  char small[256];
  int n = std::vsnprintf(small, sizeof small, fmt, ap);
  if (n < 0) {
    va_end(ap2);
    return std::string();
  }
  if (static_cast<size_t>(n) < sizeof small) {
    va_end(ap2);
    return std::string(small, static_cast<size_t>(n));
  }
  std::vector<char> big(static_cast<size_t>(n) + 1);
  std::vsnprintf(big.data(), big.size(), fmt, ap2);
  va_end(ap2);
  return std::string(big.data(), static_cast<size_t>(n));
}

}  // namespace

const char* builtinText(int id) {
  // The table is sorted by id.
  size_t lo = 0, hi = sizeof kTexts / sizeof kTexts[0];
  while (lo < hi) {
    size_t mid = (lo + hi) / 2;
    if (kTexts[mid].id < id)
      lo = mid + 1;
    else
      hi = mid;
  }
  if (lo < sizeof kTexts / sizeof kTexts[0] && kTexts[lo].id == id) return kTexts[lo].text;
  return nullptr;
}

bool TextSource::get(int id, std::string& out) const {
  out.clear();
  if (override_ && override_(id, out)) return true;
  const char* t = builtinText(id);
  if (!t) return false;
  out = t;
  return true;
}

std::string format(const char* fmt, ...) {
  va_list ap;
  va_start(ap, fmt);
  std::string s = vformatImpl(fmt, ap);
  va_end(ap);
  return s;
}

std::string formatText(const char* fmt, ...) {
  va_list ap;
  va_start(ap, fmt);
  std::string s = vformatImpl(fmt, ap);
  va_end(ap);
  return s;
}

}  // namespace cg
