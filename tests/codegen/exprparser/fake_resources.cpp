// A language resource library for the tests: German texts for a few messages
// of the formula parser and the code generator.
#include <cstring>

extern "C" __attribute__((visibility("default"))) int LoadResString(unsigned id, char* buf, int size) {
  const char* text = nullptr;
  switch (id) {
    case 1004: text = "Fehler:   Syntaxfehler. (Hilfe: F1)"; break;
    case 2000: text = "Pruefe: %s"; break;
    case 54: text = "Andere Tasknummer in BEG und END."; break;  // of the code generator
    default: return 0;
  }
  if (!buf || size <= 0) return 0;
  std::strncpy(buf, text, static_cast<size_t>(size) - 1);
  buf[size - 1] = '\0';
  return static_cast<int>(std::strlen(buf));
}
