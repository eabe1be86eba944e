// Block parameters: the per-kind forms in prompt, read and write mode.
#include "engine/params.h"

#include "model/services.h"

#include <algorithm>
#include <functional>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include "engine/services.h"
#include "engine/vm.h"
#include "model/gatekinds.h"
#include "recorder/recordgate.h"
#include "model/numbers.h"

namespace engine {
namespace {

using model::GateInstance;
using model::GateRecord;

std::size_t extraSlots(const GateRecord* g, const GateInstance* in) {
  if (in && in->ExtraSlotCount) return in->ExtraSlotCount;
  return g ? g->ExtraCount : 0;
}
double* extraValues(const GateRecord* g, GateInstance* in) {
  if (in && in->ExtraValues) return in->ExtraValues;
  return g ? g->Extra : nullptr;
}

std::string typeName(const GateRecord* g) {
  std::string n;
  if (const auto* l = model::subLogic(g)) n.assign(l->Name, strnlen(l->Name, 16));
  else if (const auto* t = model::subType(g)) n.assign(t->Name, strnlen(t->Name, 16));
  else {
    n.assign(model::gt_KindNameField(g->Kind), 16);
    if (!n.empty() && n[0] == '%') n.erase(0, 1);  // the kind table's mark, not part of the name
  }
  auto b = n.find(' ');
  if (b != std::string::npos) n.resize(b);
  return n;
}

// One gate's form in the current mode.
class Form {
public:
  Form(const ParamCall& c, ParamText& t, ParamDialogs* d) : c_(c), t_(t), d_(d) {}

  bool stopped() const { return stop_; }

  // Field editors. Each returns true when the field was taken.
  bool real(const std::string& prompt, double& v) {
    if (!begin()) return false;
    if (c_.mode == ParamMode::Write) {
      line(prompt); t_.text += ' '; t_.text += realField(v); end(";");
      return true;
    }
    return ask(prompt, [&] { return d_->promptReal(prompt, v); }, [&](std::string tok) { v = model::nc_ParseReal(tok.c_str()); });
  }
  bool integer(const std::string& prompt, std::int16_t& v) {
    if (!begin()) return false;
    if (c_.mode == ParamMode::Write) {
      char b[16] = {};
      model::nc_FormatIntField(v, b, sizeof b, 6);
      line(prompt); t_.text += ' '; t_.text.append(b, 6); t_.text += "      "; end(";");
      return true;
    }
    return ask(prompt, [&] { return d_->promptInt(prompt, v); }, [&](std::string tok) { v = model::nc_ParseDecimal(tok.c_str()); });
  }
  bool intSlot(const std::string& prompt, double& slot) {
    auto v = std::int16_t(pf_SlotWord(slot));
    bool ok = integer(prompt, v);
    pf_SetSlotWord(slot, std::uint16_t(v));
    return ok;
  }
  bool boolean(const std::string& prompt, double& slot) {
    if (!begin()) return false;
    bool v = pf_SlotWord(slot) != 0;
    if (c_.mode == ParamMode::Write) {
      line(prompt); t_.text += ' '; t_.text += v ? "  TRUE      " : " FALSE      "; end(";");
      return true;
    }
    bool ok = ask(prompt, [&] { return d_->promptBool(prompt, v); },
                  [&](std::string tok) { v = !tok.empty() && (tok[0] == 'T' || tok[0] == 't'); });
    pf_SetSlotWord(slot, v ? 1 : 0);
    return ok;
  }
  bool word(const std::string& prompt, double& slot, int bits) {
    if (!begin()) return false;
    std::uint16_t v = pf_SlotWord(slot);
    if (c_.mode == ParamMode::Write) {
      char b[16] = {};
      model::nc_FormatHex2(v, b, sizeof b, 6);
      line(prompt); t_.text += ' '; t_.text.append(b, 6); t_.text += "      "; end(";");
      return true;
    }
    bool ok = ask(prompt, [&] { return d_->promptWord(prompt, v, bits); },
                  [&](std::string tok) { v = std::uint16_t(model::nc_ParseHex(tok.c_str())); });
    if (bits > 0 && bits < 16) v &= std::uint16_t((1u << bits) - 1);
    pf_SetSlotWord(slot, v);
    return ok;
  }
  bool level(const std::string& prompt, double& slot) {
    if (!begin()) return false;
    std::uint16_t v = std::min<std::uint16_t>(pf_SlotWord(slot), 15);
    if (c_.mode == ParamMode::Write) {
      line(prompt); t_.text += ' '; t_.text += char('A' + v); t_.text += std::string(11, ' '); end(";");
      return true;
    }
    std::int16_t iv = std::int16_t(v);
    bool ok = ask(prompt, [&] { return d_->promptInt(prompt, iv); }, [&](std::string tok) {
      int ch = tok.empty() ? 0 : (tok[0] & ~0x20);
      iv = (ch > 'A' && ch <= 'Z') ? std::int16_t(std::min(ch - 'A', 15)) : 0;
    });
    pf_SetSlotWord(slot, std::uint16_t(std::clamp<int>(iv, 0, 15)));
    return ok;
  }
  bool vector(const std::string& prompt, double* v, std::size_t n) {
    if (!begin() || n == 0) return !stop_;
    if (c_.mode == ParamMode::Write) {
      line(prompt); t_.text += "\r\n";
      for (std::size_t i = 0; i < n; ++i) {
        if (i % 4 == 0) t_.text += std::string(c_.indent + 5u, ' ');
        t_.text += ' '; t_.text += realField(v[i]);
        t_.text += i + 1 == n ? ';' : ',';
        if (i % 4 == 3 || i + 1 == n) t_.text += "\r\n";
      }
      return true;
    }
    if (c_.mode == ParamMode::Prompt) return true;  // the vector dialog is elsewhere
    int m = seekMark();
    if (m != '=') return m == ':' || m == '?';
    for (std::size_t i = 0; i < n; ++i) {
      std::string tok = token();
      if (!tok.empty()) v[i] = model::nc_ParseReal(tok.c_str());
      skipBlank();
      if (t_.pos < t_.text.size() && t_.text[t_.pos] == ',') { ++t_.pos; continue; }
      break;
    }
    skipToSemicolon();
    return true;
  }
  // A table of rows x columns REALs (a matrix, or the points of an interval
  // table): written row by row, a new line at each row start and after every
  // four values of a row; read back as one list of values separated by ",".
  bool table(const std::string& prompt, double* v, std::size_t columns, std::size_t rows) {
    if (!begin() || columns == 0 || rows == 0) return !stop_;
    const std::size_t n = columns * rows;
    if (c_.mode == ParamMode::Write) {
      line(prompt); t_.text += "\r\n";
      for (std::size_t r = 0; r < rows; ++r)
        for (std::size_t k = 0; k < columns; ++k) {
          const std::size_t i = r * columns + k;
          if (k % 4 == 0) t_.text += std::string(c_.indent + 5u, ' ');
          t_.text += ' '; t_.text += realField(v[i]);
          t_.text += i + 1 == n ? ';' : ',';
          if (k % 4 == 3 || k + 1 == columns) t_.text += "\r\n";
        }
      return true;
    }
    return vector(prompt, v, n);
  }
  // The computation mode of a macro gate: its flags (bit 15 steps per
  // cycle, bit 14 compute only at time) and its steps (at least 1).
  bool computeMode(std::uint16_t& flags, std::uint16_t& steps) {
    if (!begin()) return false;
    if (c_.mode == ParamMode::Write) {
      if (flags & 0x8000) line("Max. stepno. per cycle");
      else if (flags & 0x4000) line("Compute only at Time");
      else line("Iterations per step");
      t_.text += ' ';
      if (!(flags & 0x8000) && (flags & 0x4000)) {
        t_.text += realField(0.0);
      } else {
        char b[16] = {};
        model::nc_FormatIntField(std::int16_t(std::max<std::uint16_t>(steps, 1)), b, sizeof b, 6);
        t_.text.append(b, 6);
        t_.text += "      ";
      }
      end(";");
      return true;
    }
    if (c_.mode == ParamMode::Prompt) return true;  // the mode dialog is elsewhere
    skipBlank();
    const char letter = t_.pos < t_.text.size() ? char(t_.text[t_.pos] & ~0x20) : 0;
    const int m = seekMark();
    if (m != '=') {
      if (m == ':' || m == '?') skipToSemicolon();
      return m == ':' || m == '?';
    }
    const std::string tok = token();
    skipToSemicolon();
    const long n = tok.empty() ? 1 : long(model::nc_ParseReal(tok.c_str()));
    if (letter == 'C') {
      flags = std::uint16_t((flags | 0x4000) & ~0x8000);
      steps = 1;
      return true;
    }
    if (letter == 'M') flags = std::uint16_t((flags | 0x8000) & ~0x4000);
    else if (letter == 'I') flags = std::uint16_t(flags & ~0xC000);
    steps = std::uint16_t(std::clamp<long>(n, 1, 32767));
    return true;
  }
  bool text(const std::string& prompt, char* field, std::size_t size) {
    if (!begin() || size == 0) return !stop_;
    std::size_t max = std::min<std::size_t>(size, 40);
    std::string v(field, strnlen(field, max));
    if (c_.mode == ParamMode::Write) {
      std::replace(v.begin(), v.end(), ';', ',');
      line(prompt); t_.text += v; end(";");
      return true;
    }
    if (c_.mode == ParamMode::Prompt) {
      if (!d_ || !d_->promptText(prompt, v, max)) return fail();
    } else {
      int m = seekMark();
      if (m == '?') { if (!d_ || !d_->promptText(prompt, v, max)) return fail(); }
      else if (m != '=') return m == ':';
      else {
        v.clear();
        while (t_.pos < t_.text.size() && t_.text[t_.pos] != ';' && std::uint8_t(t_.text[t_.pos]) >= ' ') {
          if (v.size() < max) v += t_.text[t_.pos];  // never more than the field holds
          ++t_.pos;
        }
        skipToSemicolon();
      }
    }
    std::memset(field, 0, size);
    std::memcpy(field, v.data(), std::min(v.size(), size));
    return true;
  }

private:
  // Header once per gate; in read mode finds the gate's header first.
  bool begin() {
    if (stop_) return false;
    if (started_) return true;
    started_ = true;
    if (c_.mode == ParamMode::Prompt && d_) {
      d_->setTitle(gp_SetFormTitle(c_.gate, c_.gateNumber));
    } else if (c_.mode == ParamMode::Write) {
      char nr[8];
      std::snprintf(nr, sizeof nr, "%3u", unsigned(c_.gateNumber % 1000));
      t_.text += std::string(c_.indent, ' ') + "$ Gate No." + nr + "  : " + typeName(c_.gate) +
                 (c_.global ? "  (GLOBAL)" : "") + ";\r\n";
    } else if (c_.mode == ParamMode::Read && !findHeader()) {
      t_.failed = true;
      stop_ = true;
      return false;
    }
    return true;
  }
  bool findHeader() {
    const std::string& s = t_.text;
    const std::string name = typeName(c_.gate);
    static const char kHead[] = "$ Gate No.";
    const std::size_t start = t_.pos;  // a gate not in the text leaves the position for the next
    for (;;) {
      std::size_t p = s.find('$', t_.pos);
      if (p == std::string::npos) { t_.pos = start; return false; }
      t_.pos = p + 1;
      if (s.compare(p, sizeof kHead - 1, kHead) != 0) continue;
      std::size_t q = p + sizeof kHead - 1;
      while (q < s.size() && s[q] == ' ') ++q;
      unsigned nr = 0;
      while (q < s.size() && s[q] >= '0' && s[q] <= '9') nr = std::min(nr * 10 + unsigned(s[q++] - '0'), 100000u);
      if (c_.gateNumber != 0 && nr != c_.gateNumber) continue;
      q = s.find(':', q);
      if (q == std::string::npos || s.find('\n', p) < q) continue;
      ++q;
      while (q < s.size() && s[q] == ' ') ++q;
      if (s.compare(q, name.size(), name) != 0) continue;
      char after = q + name.size() < s.size() ? s[q + name.size()] : ';';
      if (after != ' ' && after != ';') continue;
      std::size_t eol = s.find('\n', q);
      t_.pos = eol == std::string::npos ? s.size() : eol + 1;
      return true;
    }
  }
  // Read mode: the next of "?", ":", "=" or "$" (not consumed for "$").
  int seekMark() {
    const std::string& s = t_.text;
    while (t_.pos < s.size()) {
      char ch = s[t_.pos];
      if (ch == '$') { stop_ = true; t_.failed = true; return '$'; }
      ++t_.pos;
      if (ch == '?' || ch == ':' || ch == '=') return ch;
    }
    stop_ = true;
    t_.failed = true;
    return 0;
  }
  void skipBlank() {
    while (t_.pos < t_.text.size() && std::uint8_t(t_.text[t_.pos]) <= ' ') ++t_.pos;
  }
  std::string token() {
    skipBlank();
    std::string tok;
    while (t_.pos < t_.text.size() && tok.size() < 16) {
      char ch = t_.text[t_.pos];
      if (std::uint8_t(ch) <= ' ' || ch == ';' || ch == ',' || ch == '$') break;
      tok += ch;
      ++t_.pos;
    }
    return tok;
  }
  void skipToSemicolon() {
    while (t_.pos < t_.text.size() && t_.text[t_.pos] != '$') {
      if (t_.text[t_.pos++] == ';') return;
    }
  }
  template <class Prompt, class Parse>
  bool ask(const std::string&, Prompt prompt, Parse parse) {
    if (c_.mode == ParamMode::Prompt) return (d_ && prompt()) ? true : fail();
    int m = seekMark();
    if (m == '?') {
      skipToSemicolon();
      return (d_ && prompt()) ? true : fail();
    }
    if (m == ':') { skipToSemicolon(); return true; }
    if (m != '=') return false;
    std::string tok = token();
    if (!tok.empty()) parse(tok);
    skipToSemicolon();
    return true;
  }
  bool fail() { stop_ = true; return false; }

public:
  ParamMode mode() const { return c_.mode; }
  ParamDialogs* dialogs() const { return d_; }
  // A field of prompt mode alone (the form's own loop decides what follows).
  bool promptOnly(const std::function<bool()>& f) {
    if (!begin()) return false;
    return (d_ && f()) ? true : fail();
  }
  void message(int id) {
    if (d_) d_->message(id);
    else engineServices().showMessage(id);
  }

private:
  void line(const std::string& prompt) {
    std::string p = prompt.substr(0, 30);
    p.resize(30, ' ');
    for (char& ch : p) {
      if (ch == '?' || ch == ':') ch = ' ';
      else if (ch == '=') ch = '~';
    }
    t_.text += std::string(c_.indent + 4u, ' ') + p + (c_.global ? ':' : '=');
  }
  void end(const char* sep) { t_.text += sep; t_.text += "\r\n"; }
  static std::string realField(double v) {
    char b[32] = {};
    model::nc_FormatRealRange(v, b, sizeof b, 12);
    std::string s(b, strnlen(b, 12));
    s.resize(12, ' ');
    return s;
  }

  const ParamCall& c_;
  ParamText& t_;
  ParamDialogs* d_;
  bool started_ = false;
  bool stop_ = false;
};

unsigned outType(const GateRecord* g) { return g->OutputCount && g->Outputs ? g->Outputs[0].Type : 0; }

std::uint16_t highWord(const double& slot) {
  std::uint16_t w;
  std::memcpy(&w, reinterpret_cast<const std::uint8_t*>(&slot) + 2, 2);
  return w;
}
void setHighWord(double& slot, std::uint16_t w) { std::memcpy(reinterpret_cast<std::uint8_t*>(&slot) + 2, &w, 2); }

// Maximum iteration steps (a word in x[0]) and error limit (x[1]); in prompt
// mode asked as accuracy and minimum number of steps.
void iterationPair(Form& f, double* x) {
  if (f.mode() == ParamMode::Prompt) {
    auto steps = std::int16_t(pf_SlotWord(x[0]));
    double limit = x[1];
    if (!f.promptOnly([&] { return pf_PromptAccuracy(*f.dialogs(), limit, steps); })) return;
    pf_SetSlotWord(x[0], std::uint16_t(steps));
    x[1] = std::fabs(limit);
    return;
  }
  f.intSlot("Max.number of iteration-steps", x[0]);
  f.real("Error limit", x[1]);
  x[1] = std::fabs(x[1]);
}

// Delay (kind 10): x[0] the step width, x[1] the number of steps (first
// word) and the interpolation method (second word, 0 or 1). The delay is
// shown as width x steps; the steps are capped so that (steps + 3) x elements
// + 3 state values fit; the width follows as delay / steps.
void delayForm(Form& f, const GateRecord* g, double* x) {
  const unsigned elems = std::max(1u, model::elementCount(model::PinSignalType(outType(g))));
  const int maxSteps = g->StateCount > 3 ? std::max(0, int((g->StateCount - 3u) / elems) - 3) : 0;
  char stepsPrompt[40];
  std::snprintf(stepsPrompt, sizeof stepsPrompt, "Steps-No.? (Max=%3d)", std::min(maxSteps, 999));
  std::uint16_t steps = pf_SlotWord(x[1]);
  std::uint16_t method = highWord(x[1]);
  for (int round = 0; round < 100 && !f.stopped(); ++round) {
    double delay = x[0] * steps;
    if (!f.real(pf_ParamPromptText(10, 1), delay)) return;
    auto entered = std::int16_t(steps);
    if (!f.integer(stepsPrompt, entered)) return;
    steps = entered >= 1 ? std::uint16_t(std::min<int>(entered, maxSteps)) : 0;
    x[0] = (delay != 0 && steps != 0) ? std::fabs(delay) / steps : 0.0;
    pf_SetSlotWord(x[1], steps);
    double shown = x[0];
    if (f.mode() != ParamMode::Prompt) {
      f.real(pf_ParamPromptText(10, 3), shown);   // written; read back only to pass it
      break;
    }
    // The width is confirmed, or the delay and steps are asked again.
    if (f.dialogs() && f.dialogs()->promptReal(pf_ParamPromptText(10, 3), shown)) break;
  }
  if (f.stopped()) return;
  if (outType(g) >= 19) {
    auto m = std::int16_t(method + 1);
    if (f.integer(pf_ParamPromptText(10, 4), m)) method = std::uint16_t(std::clamp<int>(m, 1, 2) - 1);
  } else {
    method = 0;
  }
  setHighWord(x[1], method);
}

// Function-Gen. (kind 73): x[0] holds the method order (first word) and the
// number of intervals in use (second word); then the points, X and Y of each
// (intervals + 1 rows). A count outside 2..maximum shows 50048 and leaves the
// table as it is.
void intervalTable(Form& f, double* x, std::size_t n) {
  const int points = int((n - 1) / 2);
  const int maxIntervals = std::max(0, points - 1);
  char prompt[40];
  std::snprintf(prompt, sizeof prompt, "Number Intervals (max%4d)", std::min(maxIntervals, 9999));
  std::uint16_t order = pf_SlotWord(x[0]);
  std::uint16_t count = highWord(x[0]);
  auto entered = std::int16_t(count);
  const bool valid = count >= 2 && count <= maxIntervals;
  if (f.mode() == ParamMode::Write) {
    f.integer(prompt, entered);
    if (valid) f.table(pf_ParamPromptText(73, 1), x + 1, 2, std::size_t(count) + 1);
  } else if (f.integer(prompt, entered)) {
    if (entered < 2 || entered > maxIntervals) {
      f.message(50048);
    } else {
      count = std::uint16_t(entered);
      setHighWord(x[0], count);
      f.table(pf_ParamPromptText(73, 1), x + 1, 2, std::size_t(count) + 1);
    }
  }
  if (f.stopped()) return;
  auto o = std::int16_t(std::max<std::uint16_t>(order, 1));
  if (f.integer(pf_ParamPromptText(73, 2), o)) pf_SetSlotWord(x[0], std::uint16_t(std::clamp<int>(o, 1, 6)));
}

// The parameter part of one kind.
void kindForm(Form& f, const ParamCall& c, bool withProc) {
  GateRecord* g = c.gate;
  double* x = extraValues(g, c.instance);
  const std::size_t n = x ? extraSlots(g, c.instance) : 0;
  auto P = [&](int i) { return pf_ParamPromptText(g->Kind, i); };
  auto has = [&](std::size_t k) { return k <= n; };  // k slots present
  switch (g->Kind) {
    case model::kKindCall:
      f.computeMode(g->AuxWord54, g->AuxWord66);
      break;
    case 4: case 5: case 6: case 62: case 67:
      if (has(1) && f.real(P(1), x[0]) && g->Kind <= 6) x[0] = std::fabs(x[0]);
      break;
    case 7:
      if (has(2)) {
        double period = x[1], pulse = x[1] - x[0];
        f.real(P(1), period);
        f.real(P(2), pulse);
        x[1] = std::fabs(period);
        x[0] = std::fabs(period) - std::fabs(pulse);
        if (x[0] > x[1]) x[0] = x[1] / 2;
      }
      break;
    case 13:
      if (has(1)) f.intSlot(P(1), x[0]);
      break;
    case 28: case 29: case 78:
      if (has(3)) {
        f.real(P(1), x[2]);
        double tc = std::fabs(x[2]);
        x[2] = tc <= 1e39 ? tc : 1e39;
      }
      if (g->Kind == 78 && has(5)) {
        f.real(P(2), x[3]);
        f.real(P(3), x[4]);
        if (x[4] > x[3]) x[4] = x[3] - 1.0;
      }
      if (has(2)) iterationPair(f, x);
      break;
    case 42:
      for (int i = 0; i < 3 && has(std::size_t(i) + 1); ++i) f.real(P(i + 1), x[i]);
      break;
    case 49:
      if (has(1)) {
        if (outType(g) <= 1) f.boolean(P(1), x[0]);
        else f.word(P(1), x[0], int(outType(g)));
      }
      break;
    case 50:
      if (has(1)) f.word(P(1), x[0], int(std::min(outType(g), 16u)));
      break;
    case 51: {
      std::size_t e = std::min<std::size_t>(model::elementCount(model::PinSignalType(outType(g))), n);
      if (e == 1) f.real(P(1), x[0]);
      else f.vector("Vector Constant ?", x, e);
      break;
    }
    case 52:
      if (has(3)) {
        double start = x[0], end = x[1];
        f.real(P(1), start);
        f.real(P(2), end);
        if (end == start) end = start + 1.0;
        x[0] = start; x[1] = end; x[2] = 1.0 / (end - start);
      }
      break;
    case 53: case 68:
      if (has(1)) f.level("Message level", x[0]);
      break;
    case 54: case 55:
      f.vector(P(1), x, n);
      break;
    case 57:
      if (has(2)) {
        double bw = 2 * x[1];
        f.real(P(1), x[0]);
        f.real(P(2), bw);
        x[1] = std::fabs(bw) / 2;
      }
      break;
    case 58: case 59: case 60: case 87:
      for (int i = 0; i < 2 && has(std::size_t(i) + 1); ++i) f.real(P(i + 1), x[i]);
      break;
    case 69:
      if (has(4)) {
        f.intSlot(P(1), x[0]);
        for (int i = 1; i < 4; ++i) f.real(P(i + 1), x[i]);
      }
      break;
    case rec::kKindReadRecord: case rec::kKindWriteRecord: {
      // The record file's state lies at the head of the extra values; the
      // first channel read is the file's channel offset (values passed over
      // at the start of a record) plus one, at most its values per record.
      rec::RecordFileState st;
      if (!rec::vdb_LoadState(g, c.instance, st)) break;
      if (g->Kind == rec::kKindReadRecord) {
        char prompt[32];
        std::snprintf(prompt, sizeof prompt, "1st channel? (Max=%2u)", unsigned(st.valueCount % 100));
        auto first = std::int16_t(std::min<unsigned>(st.skip + 1u, 32767u));
        if (!f.integer(prompt, first)) break;
        long v = std::max<long>(first, 1);
        if (st.valueCount > 0) v = std::min<long>(v, st.valueCount);
        st.skip = std::uint16_t(v - 1);
        rec::vdb_StoreState(g, c.instance, st);
      }
      // The file is chosen and opened in the dialog mode only.
      if (c.mode == ParamMode::Prompt && !f.stopped()) rec::vdb_OpenRecordFile(g, c.instance);
      break;
    }
    case 72:
      if (has(2)) iterationPair(f, x);
      break;
    case 10:
      if (has(2)) delayForm(f, g, x);
      break;
    case model::kKindMatMultiplic: {
      // Rows: the output's elements; columns: the input's.
      const std::size_t cols = g->InputCount && g->Inputs ? model::elementCount(g->Inputs[0].Type) : 1;
      const std::size_t rows = model::elementCount(model::PinSignalType(outType(g)));
      if (cols * rows <= n) f.table(P(1), x, cols, rows);
      break;
    }
    case 73:
      if (has(3)) intervalTable(f, x, n);
      break;
    case model::kKindCompiled: case model::kKindCompiledNative: {
      const auto* t = model::subType(g);
      if (!t) break;
      const auto* raw = static_cast<const std::uint8_t*>(t->ParamFields);
      auto* block = reinterpret_cast<std::uint8_t*>(x);
      const std::size_t bytes = n * 8;
      const std::size_t fields = raw && x ? t->ParamFieldCount : 0;
      for (std::size_t i = 0; i < fields && !f.stopped(); ++i) {
        ParamFieldDescriptor d = pf_DecodeField(raw + i * kParamFieldSize);
        if (!c.allFields && !(c.clickX >= d.x && c.clickX < d.x + d.width && c.clickY >= d.y &&
                              c.clickY < d.y + d.height))
          continue;
        if (c.mode == ParamMode::Prompt && d.prompt.rfind("%3", 0) == 0) continue;
        std::size_t size = d.type == 1 ? 8u * std::max<std::size_t>(d.count, 1)
                           : d.type == 3 ? std::min<std::size_t>(d.count, 40)
                                         : 8u;
        if (d.type == 1 && d.count >= 256) size = 8u * (d.count / 256) * (d.count % 256);
        if (d.type > 3 || d.offset + size > bytes || size == 0) continue;  // outside the values
        std::uint8_t* at = block + d.offset;
        double slot = 0;
        if (d.type == 0 || d.type == 2) std::memcpy(&slot, at, 8);
        switch (d.type) {
          case 0:
            if (d.count == 1) f.boolean(d.prompt, slot);
            else f.word(d.prompt, slot, d.count);
            std::memcpy(at, &slot, 8);
            break;
          case 2: f.intSlot(d.prompt, slot); std::memcpy(at, &slot, 8); break;
          case 1: {
            std::size_t cnt = size / 8;
            std::vector<double> v(cnt);
            std::memcpy(v.data(), at, size);
            if (cnt == 1 && c.mode == ParamMode::Prompt && d.prompt.rfind("%2", 0) == 0) v[0] = pf_SliderValue(d, v[0], c.clickX, c.clickY);
            else if (cnt == 1) f.real(d.prompt, v[0]);
            else f.vector(d.prompt, v.data(), cnt);
            std::memcpy(at, v.data(), size);
            break;
          }
          case 3: {
            char buf[41] = {};
            std::memcpy(buf, at, size);
            f.text(d.prompt, buf, size);
            std::memcpy(at, buf, size);
            break;
          }
        }
      }
      // The type's parameter procedure after its fields (not when writing);
      // in prompt mode the gate is drawn again afterwards.
      if (withProc && c.mode != ParamMode::Write && !f.stopped() && t->Procs[4] && t->ProcLength[4]) {
        vm().run(g, c.instance, t->Procs[4]);
        if (c.mode == ParamMode::Prompt) engineServices().redrawLevelGates();
      }
      break;
    }
    default:
      break;
  }
}

void presetForm(Form& f, const ParamCall& c) {
  GateRecord* g = c.gate;
  GateInstance* in = c.instance;
  if (!in || !in->StateValues || in->StateSlotCount == 0) return;
  double* s = in->StateValues;
  switch (g->Kind) {
    case 8: case 9:
      if (outType(g) <= 1) f.boolean("Preset Value ?", s[0]);
      else f.word("Preset Value ?", s[0], int(std::min(outType(g), 16u)));
      break;
    case 28: case 42: case 72: case 78: {
      // One REAL, or a vector of the output's elements.
      const std::size_t e = std::min<std::size_t>(model::elementCount(model::PinSignalType(outType(g))),
                                                   in->StateSlotCount);
      if (e <= 1) f.real("Preset Value ?", s[0]);
      else f.vector("Preset Value ?", s, e);
      break;
    }
    case 43: f.intSlot(pf_ParamPromptText(43, 1), s[0]); break;
    case 82: {
      unsigned t = outType(g);
      if (t == 0) f.boolean("Preset Value ?", s[0]);
      else if (t <= 15) f.word("Preset Value ?", s[0], int(t));
      else if (t == 19 || t == 20) f.real("Preset Value ?", s[0]);
      else f.vector("Preset Value ?", s, std::min<std::size_t>(model::elementCount(model::PinSignalType(t)), in->StateSlotCount));
      break;
    }
    default: break;
  }
}

} // namespace

double pf_SliderValue(const ParamFieldDescriptor& d, double value, int clickX, int clickY) {
  // "%2?min%max%": the minimum from the fourth character up to "%", then the maximum.
  const std::string& p = d.prompt;
  std::size_t a = std::min<std::size_t>(3, p.size());
  std::size_t e1 = std::min(p.find('%', a), std::min<std::size_t>(p.size(), 27));
  const double lo = model::nc_ParseReal(p.substr(a, e1 - a).c_str());
  std::size_t b = std::min(e1 + 1, p.size());
  std::size_t e2 = std::min(p.find('%', b), std::min<std::size_t>(p.size(), 29));
  double hi = b < e2 ? model::nc_ParseReal(p.substr(b, e2 - b).c_str()) : lo;
  if (!(hi > lo)) hi = lo + 100;
  double v = std::isfinite(value) ? std::clamp(value, lo, hi) : lo;
  if (d.width >= d.height && d.width > 0) v = lo + (hi - lo) * double(clickX - d.x) / d.width;
  else if (d.height > 0) v = lo + (hi - lo) * double(d.y + d.height - clickY) / d.height;
  return std::clamp(v, lo, hi);
}

std::uint16_t pf_SlotWord(const double& slot) {
  std::uint16_t v;
  std::memcpy(&v, &slot, 2);
  return v;
}
void pf_SetSlotWord(double& slot, std::uint16_t v) { std::memcpy(&slot, &v, 2); }

ParamFieldDescriptor pf_DecodeField(const std::uint8_t* r) {
  ParamFieldDescriptor d;
  auto u16 = [&](int o) { return std::uint16_t(r[o] | (r[o + 1] << 8)); };
  d.type = r[0];
  d.count = u16(1);
  d.prompt.assign(reinterpret_cast<const char*>(r + 3), strnlen(reinterpret_cast<const char*>(r + 3), 33));
  d.x = std::int16_t(u16(36)); d.y = std::int16_t(u16(38));
  d.width = std::int16_t(u16(40)); d.height = std::int16_t(u16(42));
  d.offset = u16(44);
  return d;
}

std::string pf_ParamPromptText(unsigned kind, int n) {
  struct Row { unsigned kind; const char* p[4]; };
  static const Row kRows[] = {
      {4, {"Delay Time ?"}}, {5, {"Delay Time ?"}}, {6, {"Pulse Width ?"}},
      {10, {"Delay Time ?", "Steps-No.? (Max=   )", "Step Width = :", "Interpol.-Method (1,2)?"}},
      {7, {"Time Period ?", "Pulse Width ?"}}, {8, {"Preset Value ?"}}, {9, {"Preset Value ?"}},
      {13, {"Memory Capacity :"}},
      {28, {"Time Constant ?", "Upper Limit ?", "Lower Limit ?", "Preset Value ?"}},
      {29, {"Time Constant ?", "Upper Limit ?", "Lower Limit ?", "Preset Value ?"}},
      {78, {"Time Constant ?", "Upper Limit ?", "Lower Limit ?", "Preset Value ?"}},
      {42, {"Gradient ?", "Start - Value ?", "Stop - Value ?", "Preset Value ?"}},
      {43, {"Start Value (32535) ?"}}, {49, {"Binary Constant ?"}}, {50, {"Digital Constant ?"}},
      {51, {"Analogue Constant ?"}}, {52, {"Scale Start ?", "Scale End ?"}}, {54, {"Coefficients ?"}},
      {55, {"Vector ?"}}, {56, {"Multiplication - Matrix ?"}}, {57, {"Setpoint ?", "Bandwidth ?"}},
      {58, {"Upper Limit ?", "Lower Limit ?"}}, {59, {"Right Limit ?", "Left Limit ?"}},
      {60, {"Setpoint ?", "BandWidth ?"}}, {62, {"Waiting Time ?"}}, {67, {"Bandwidth ?"}},
      {69, {"Waveform ?", "Period ?", "Amplitude ?", "Offset ?"}}, {72, {"Preset Value ?"}},
      {73, {"Points for Interpolation ?", "Order of method (1..6) ?"}},
      {76, {"Points for Interpolation ?", "Smooth Factor (0..100) ?"}}, {82, {"Preset Value ?"}},
      {87, {"Max. Gradient ?", "Min. Gradient ?"}}, {88, {"1st channel? (Max=  )"}},
  };
  for (const Row& r : kRows) {
    if (r.kind != kind) continue;
    if (!r.p[1]) return r.p[0];  // one prompt for every parameter number
    if (n >= 1 && n <= 4 && r.p[n - 1]) return r.p[n - 1];
    return "";
  }
  return "";
}

void pf_SetParamDefaults(unsigned kind, double* x, std::size_t n) { model::pf_KindParamDefaults(kind, x, n); }

bool pf_PromptInt(ParamDialogs& d, const std::string& prompt, std::int16_t& v) { return d.promptInt(prompt, v); }

std::string gp_SetFormTitle(const model::GateRecord* gate, unsigned gateNumber) {
  char nr[8];
  std::snprintf(nr, sizeof nr, "%3u", gateNumber % 1000);
  return std::string("Set Parameter Gate No :") + nr + "; Name : " + (gate ? typeName(gate).substr(0, 16) : "");
}

bool pf_PromptAccuracy(ParamDialogs& d, double& accuracy, std::int16_t& minSteps) {
  if (!d.promptReal("Accuracy", accuracy)) return false;
  if (!d.promptInt("Min. No of Steps", minSteps)) return false;
  if (minSteps < 1) minSteps = 1;
  return true;
}

bool pf_PromptStepWidth(ParamDialogs& d, model::StepBlock& b) {
  bool variable = (b.stepFlags & 1) != 0;
  if (!d.promptBool("variable Stepwidth", variable)) return false;
  b.stepFlags = std::uint16_t(variable ? (b.stepFlags | 1) : (b.stepFlags & ~1u));
  const std::pair<const char*, double*> fields[] = {{"Start Interval", &b.interval},
                                                    {"Min Interval", &b.minInterval},
                                                    {"Max Interval", &b.maxInterval},
                                                    {"Incr. Interval", &b.incrInterval}};
  for (const auto& [prompt, value] : fields)
    if (!d.promptReal(prompt, *value)) return false;
  return true;
}

bool pf_PromptIoValue(ParamDialogs& d, unsigned type, double& value) {
  if (type == 1) {
    bool b = pf_SlotWord(value) != 0;
    if (!d.promptBool("Binary Value ?", b)) return false;
    pf_SetSlotWord(value, b ? 1 : 0);
    return true;
  }
  if (type >= 2 && type <= 16) {
    std::uint16_t w = pf_SlotWord(value);
    if (!d.promptWord("Digital Value ?", w, int(type))) return false;
    if (type < 16) w &= std::uint16_t((1u << type) - 1);
    pf_SetSlotWord(value, w);
    return true;
  }
  if (type == 20) return d.promptReal("Analog Value ?", value);
  d.message(40017);
  return false;
}

bool pf_EditBlock(const ParamCall& call, ParamText& text, ParamDialogs* dialogs) {
  if (!call.gate) return false;
  Form f(call, text, dialogs);
  kindForm(f, call, false);
  return !f.stopped();
}

bool gp_GateParams(const ParamCall& call, ParamText& text, ParamDialogs* dialogs) {
  if (!call.gate) return false;
  Form f(call, text, dialogs);
  if (call.enable) kindForm(f, call, true);
  presetForm(f, call);
  return !f.stopped();
}

} // namespace engine
