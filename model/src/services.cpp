#include "model/services.h"

#include "platform/uisink.h"

#include "model/records.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>

namespace model {

const char* messageText(int number) {
  switch (number) {
  case 40015: return "Subprogram call-up is being deleted!";
  case 40016: return "Warning!   Function block library has already been loaded.";
  case 50016: return "Error!   Printing cannot be executed.";
  case 50037: return "File error!";
  case 50038: return "Error!   File cannot be loaded.";
  case 50039: return "Name conflict !   Name in loaded library is already used.";
  case 50040: return "Error!   Version conflict in loaded data or library.";
  case 50041: return "Error!   Fatal version conflict in library structure.";
  case 50042: return "File %s could not be found.\nEnter new path?";
  case 50044: return "Error!   Invalid file.";
  case 50059: return "Error!   Application %s cannot be started.";
  case 50061: return "Error!   Function block library ZRLFB02.MCO cannot be loaded.\nNo new function blocks can be inserted.";
  case 40018: return "Function block %s is not a member of library %s.\nAll calls of %s will be deleted.";
  case 40020: return "All subprogram call-ups are being deleted!";
  case 50036: return "Insufficient memory! Save and start again.";
  case 50045: return "Incompatibility !   Deletion of lines or connecting.";
  case 50050: return "Error!   Subprograms cannot be called up recursively.";
  // The main program's start-up, frame and window messages.
  case 40000: return "For a complete language change Zerlo must be restarted.\nShould the application be closed?";
  case 40001: return "Threads that have been started by function blocks are still active.\nShould they be closed by the system? (Data loss possible!)";
  case 40006: return "Quit program?";
  case 40008: return "Should project changes be saved %s?";
  case 40009: return "No more windows are available!\nPlease close at least one window.";
  case 40022: return "Warning!\nThe project is already used in another Zerlo program instance.\nEditing a project in different instances can lead to inconsistencies.";
  case 50002: return "Zerlo cannot be started again! Further program instances are not supported.";
  case 50003: return "Error!   Library STOCKBARS.DLL cannot be loaded.";
  case 50006: return "Error!   Clipboard cannot be initialized.";
  case 50008: return "Error!   No executable program found.";
  case 50010: return "Error!   No timer available.";
  case 50017: return "Error!   Resource DLL for the selected language cannot be loaded.\nInternal English resources will be used.";
  case 50060: return "Error!   Library ZRLTGTWIN.DLL cannot be loaded.";
  case 50062: return "Error!   Installation path is too long. Please install Zerlo again and use a shorter path.";
  default: return "";
  }
}

namespace {
const char* kCaption = "Zerlo";

void show(int number, unsigned style = plat::ui::MB_OK) {
  plat::ui::messageBox(messageText(number), kCaption, style);
}

// Reads a whole decimal number (optional sign and blanks around it).
bool parseWhole(const std::string& s, int& out) {
  std::size_t i = 0;
  while (i < s.size() && s[i] == ' ') ++i;
  bool neg = false;
  if (i < s.size() && (s[i] == '-' || s[i] == '+')) neg = s[i++] == '-';
  long v = 0;
  std::size_t digits = 0;
  while (i < s.size() && s[i] >= '0' && s[i] <= '9') {
    if (v < 1000000000L) v = v * 10 + (s[i] - '0');
    ++i;
    ++digits;
  }
  while (i < s.size() && s[i] == ' ') ++i;
  if (!digits || i != s.size()) return false;
  out = int(neg ? -v : v);
  return true;
}
} // namespace

void ShellServices::msg_OutOfMemory() { show(50036, plat::ui::MB_OK | plat::ui::MB_ICONHAND); }
void ShellServices::msg_IncompatibleDelete() { show(50045); }
void ShellServices::msg_SubprogramDeleted() { show(40015); }

bool ShellServices::dlg_AskYesNo(int number) {
  return plat::ui::messageBox(messageText(number), kCaption,
                              plat::ui::MB_YESNO | plat::ui::MB_ICONQUESTION) == plat::ui::IDYES;
}

bool ShellServices::dlg_AskOutputName(const std::string& label, std::string& name,
                                      std::uint16_t& choice, std::uint16_t& second, bool keepName) {
  std::string n = keepName ? name : std::string();
  if (!plat::ui::prompt(label + " name ?", label, n)) return false;
  if (n.size() > 16) n.resize(16);
  std::string c = std::to_string(choice);
  int v = 0;
  if (!plat::ui::prompt(label + " type ?", label, c) || !parseWhole(c, v) || v < 0 || v > 65535)
    return false;
  name = n;
  choice = std::uint16_t(v);
  (void)second;
  return true;
}

bool ShellServices::dlg_AskText(const std::string& title, std::string& text, std::size_t maxLength) {
  std::string t = text;
  if (!plat::ui::prompt(title, title, t)) return false;
  if (t.size() > maxLength) t.resize(maxLength);
  text = t;
  return true;
}

bool ShellServices::askInteger(const std::string& question, int& value) {
  // Asked again until the answer is a whole number; a cancel refuses.
  for (;;) {
    std::string t = std::to_string(value);
    if (!plat::ui::prompt(question, "Eingabe", t)) return false;
    int v = 0;
    if (parseWhole(t, v)) {
      value = v;
      return true;
    }
  }
}

int ShellServices::bind_SW50_CallMBWithID(int number, unsigned style) {
  return plat::ui::messageBox(messageText(number), kCaption, style);
}

int ShellServices::bind_SW50_CallMBWithIDAndString(int number, const std::string& text, unsigned style) {
  std::string msg = messageText(number);
  const std::size_t at = msg.find("%s");
  if (at != std::string::npos) msg.replace(at, 2, text);
  return plat::ui::messageBox(msg, kCaption, style);
}

int ShellServices::msg_AskNewPath(const std::string& name) {
  return bind_SW50_CallMBWithIDAndString(50042, name, plat::ui::MB_YESNO) == plat::ui::IDYES ? 0 : 1;
}

int ShellServices::msg_Notice(const std::string& text) {
  plat::ui::messageBox(text, "Hinweis", plat::ui::MB_OK | plat::ui::MB_ICONINFORMATION);
  return 1;
}

bool EditorServices::scr_CreateGate(GateRecord*, int, const std::string&) { return false; }

void pf_KindParamDefaults(unsigned kind, double* x, std::size_t n) {
  if (!x) return;
  auto set = [&](std::size_t i, double v) { if (i < n) x[i] = v; };
  auto setw = [&](std::size_t i, std::uint16_t v) {
    if (i < n) {
      x[i] = 0;
      std::memcpy(&x[i], &v, 2);
    }
  };
  switch (kind) {
    case 6: case 54: set(0, 1.0); break;
    case 7: set(0, 1.0); set(1, 2.0); break;
    case 28: case 78: setw(0, 2); set(1, 1.0e-7); set(2, 1.0); break;
    case 29: setw(0, 2); set(2, 1.0); break;
    case 52:
      // A zero or non-finite first value would make the factor infinite.
      if (n >= 1) set(2, (x[0] != 0 && std::isfinite(x[0])) ? 1.0 / x[0] : 1.0);
      break;
    case 58: case 87: set(0, 1.0); set(1, -1.0); break;
    case 69: setw(0, 1); set(1, 10.0); set(2, 1.0); break;
    case 72: setw(0, 2); break;
    case 73: setw(0, 1); break;
    case 88: case 89: setw(0, 65535); break;
    default: break;
  }
}

void ParamDefaults::pf_SetParamDefaults(GateRecord* gate) {
  if (gate) pf_KindParamDefaults(gate->Kind, gate->Extra, gate->ExtraCount);
}

namespace {
ShellServices g_defaultShell;
EditorServices g_defaultEditor;
ParamDefaults g_defaultParams;
FixedFontMetrics g_defaultMetrics;
ShellServices* g_shell = &g_defaultShell;
EditorServices* g_editor = &g_defaultEditor;
ParamDefaults* g_params = &g_defaultParams;
FontMetrics* g_metrics = &g_defaultMetrics;
} // namespace

ShellServices& shell() { return *g_shell; }
EditorServices& editor() { return *g_editor; }
ParamDefaults& paramDefaults() { return *g_params; }
FontMetrics& fontMetrics() { return *g_metrics; }

ShellServices* setShell(ShellServices* s) {
  ShellServices* prev = g_shell;
  g_shell = s ? s : &g_defaultShell;
  return prev;
}
EditorServices* setEditor(EditorServices* e) {
  EditorServices* prev = g_editor;
  g_editor = e ? e : &g_defaultEditor;
  return prev;
}
ParamDefaults* setParamDefaults(ParamDefaults* p) {
  ParamDefaults* prev = g_params;
  g_params = p ? p : &g_defaultParams;
  return prev;
}
FontMetrics* setFontMetrics(FontMetrics* f) {
  FontMetrics* prev = g_metrics;
  g_metrics = f ? f : &g_defaultMetrics;
  return prev;
}

} // namespace model
