#include "zasm/zasm.h"

#include <cstdlib>
#include <cstring>

namespace zasm {

namespace {
struct Entry { unsigned op; const char* name; };
const Entry kTable[] = {
    {0, "mulr"}, {1, "divr"}, {2, "negr"}, {3, "muli"}, {4, "divi"}, {5, "modi"}, {6, "negi"}, {7, "andb"},
    {8, "notb"}, {9, "addr"}, {10, "subr"}, {11, "addi"}, {12, "subi"}, {13, "orb"}, {14, "xorb"},
    {15, "eqr"}, {16, "ner"}, {17, "gtr"}, {18, "ler"}, {19, "ltr"}, {20, "ger"},
    {21, "eqi"}, {22, "nei"}, {23, "gti"}, {24, "lei"}, {25, "lti"}, {26, "gei"},
    {27, "eqc"}, {28, "nec"}, {29, "gtc"}, {30, "lec"}, {31, "ltc"}, {32, "gec"},
    {33, "integ"}, {34, "intrestart"}, {35, "intinit"}, {36, "absi"}, {37, "absr"}, {38, "asin"},
    {39, "acos"}, {40, "atan"}, {41, "cos"}, {42, "ln"}, {43, "log"}, {44, "pow"}, {45, "sin"},
    {46, "sqrt"}, {47, "tan"}, {48, "round"}, {49, "exp"}, {50, "root"}, {51, "sinh"}, {52, "cosh"},
    {53, "tanh"}, {54, "asinh"}, {55, "acosh"}, {56, "atanh"}, {60, "trunc"}, {61, "itor"},
    {62, "movr"}, {63, "movi"}, {64, "movb"}, {65, "movc"}, {66, "jmp"}, {67, "jf"}, {68, "jf2"},
    {69, "aidx"}, {70, "for"}, {71, "inci"}, {72, "deci"}, {73, "tbit"}, {74, "sbit"}, {75, "cbit"},
    {76, "polyline"}, {77, "textw"}, {78, "fillarea"}, {79, "contourfill"}, {80, "bar"}, {81, "recfill"},
    {82, "arc"}, {83, "pie"}, {84, "circle"}, {85, "ellarc"}, {86, "ellpie"}, {87, "ellipse"},
    {88, "roundbox"}, {89, "rfbox"}, {90, "text"}, {91, "gateframe"}, {92, "barr"}, {93, "bari"},
    {94, "showr"}, {95, "showi"}, {96, "showb"}, {97, "seltext"}, {98, "wrmode"}, {99, "linetype"},
    {100, "linewidth"}, {101, "linecolor"}, {102, "lineends"}, {103, "textheight"}, {104, "textrot"},
    {105, "textcolor"}, {106, "attr106"}, {107, "attr107"}, {108, "attr108"}, {109, "fillcolor"},
    {110, "call"}, {111, "ret"}, {112, "addrplus"}, {113, "addrof"}, {114, "movw"}, {115, "movbytes"},
    {116, "stop"}, {117, "abort"}, {118, "stop12"}, {119, "end"}, {120, "enderr"}, {121, "fread"},
    {122, "fwrite"}, {123, "fseek"}, {124, "fcreate"}, {125, "fclose"}, {126, "fdelete"}, {127, "frename"},
    {128, "fisopen"}, {129, "rtotext"}, {130, "texttor"}, {131, "itotext"}, {132, "texttoi"},
    {133, "btotext"}, {134, "texttob"}, {135, "ichk"}, {210, "xcall"}};
} // namespace

int opcodeOf(const std::string& m) {
  for (const Entry& e : kTable)
    if (m == e.name) return int(e.op);
  if (m.size() > 2 && m.compare(0, 2, "op") == 0) {
    char* end = nullptr;
    const long v = std::strtol(m.c_str() + 2, &end, 10);
    if (end && *end == 0 && v >= 0 && v <= 255) return int(v);
  }
  return -1;
}

const char* mnemonicOf(unsigned op) {
  for (const Entry& e : kTable)
    if (e.op == op) return e.name;
  return "?";
}

} // namespace zasm
