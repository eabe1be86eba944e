#include "zasm/zasm.h"

#include "engine/vmcode.h"
#include "platform/numtext.h"

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

namespace zasm {

namespace {

struct Line {
  int number = 0;
  std::string text;
};

std::string trim(const std::string& s) {
  std::size_t a = 0, b = s.size();
  while (a < b && std::isspace(static_cast<unsigned char>(s[a]))) ++a;
  while (b > a && std::isspace(static_cast<unsigned char>(s[b - 1]))) --b;
  return s.substr(a, b - a);
}

// Strips a comment (';' outside a quoted text).
std::string stripComment(const std::string& s) {
  bool quoted = false;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '"') quoted = !quoted;
    if (s[i] == ';' && !quoted) return s.substr(0, i);
  }
  return s;
}

std::vector<std::string> splitWords(const std::string& s) {
  std::vector<std::string> out;
  std::string cur;
  for (char c : s) {
    if (std::isspace(static_cast<unsigned char>(c)) || c == ',') {
      if (!cur.empty()) out.push_back(cur);
      cur.clear();
    } else {
      cur.push_back(c);
    }
  }
  if (!cur.empty()) out.push_back(cur);
  return out;
}

bool parseNumber(const std::string& s, long long& v) {
  if (s.empty()) return false;
  char* end = nullptr;
  v = std::strtoll(s.c_str(), &end, 0);
  return end && *end == 0;
}

void put16(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v) {
  b[at] = std::uint8_t(v);
  b[at + 1] = std::uint8_t(v >> 8);
}
void put32(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = std::uint8_t(v >> (8 * i));
}

const struct { const char* name; std::uint8_t tag; } kAreas[] = {
    {"in", 0}, {"out", 1}, {"extra", 2}, {"state", 3}, {"frame", 4}, {"abs", 5}, {"logic", 6},
    {"reqstep", 7}, {"changed", 8}, {"converged", 9}, {"accept", 10}, {"iter", 11}, {"time0", 12},
    {"first", 13}, {"runerr", 14}, {"reject", 15}, {"framereq", 16}, {"framearg", 17}, {"stack", 18},
    {"own", '+'}, {"link", ','}, {"code", '-'}, {"const", '.'}, {"vars", '/'}};

bool isExternName(const std::string& name) {
  if (name.size() < 6) return false;
  for (int i = 0; i < 6; ++i)
    if (std::toupper(static_cast<unsigned char>(name[i])) != "EXTERN"[i]) return false;
  return true;
}

struct Assembler {
  const ModuleSource* module = nullptr;
  char selfTag = '+';
  std::map<std::string, std::uint32_t> labels;
  std::vector<std::uint32_t> funcStarts;
  std::string error;

  bool fail(int line, const std::string& msg) {
    if (error.empty()) error = "line " + std::to_string(line) + ": " + msg;
    return false;
  }

  bool symbol(int line, const std::map<std::string, std::uint32_t>* table, const std::string& s, std::uint32_t& out) {
    long long v;
    std::string name = s, plus;
    const std::size_t p = s.find('+', 1);
    long long add = 0;
    if (p != std::string::npos) {
      name = s.substr(0, p);
      if (!parseNumber(s.substr(p + 1), add)) return fail(line, "bad offset " + s);
    }
    if (parseNumber(name, v)) { out = std::uint32_t(v + add); return true; }
    if (table) {
      auto it = table->find(name);
      if (it != table->end()) { out = std::uint32_t(it->second + add); return true; }
    }
    return fail(line, "unknown symbol " + name);
  }

  bool operand(int line, const std::string& s, engine::Operand& o) {
    if (s == "null") { o = {0, engine::kAreaAbsolute}; return true; }
    if (s[0] == '#') {
      long long v;
      if (!parseNumber(s.substr(1), v)) return fail(line, "bad immediate " + s);
      o = {std::uint32_t(v), engine::kAreaAbsolute};
      return true;
    }
    if (s[0] == '@') {
      auto it = labels.find(s.substr(1));
      if (it == labels.end()) return fail(line, "unknown label " + s.substr(1));
      o = {it->second, std::uint8_t(selfTag)};
      return true;
    }
    const std::size_t colon = s.find(':');
    if (colon == std::string::npos) return fail(line, "operand needs AREA:OFFSET: " + s);
    const std::string area = s.substr(0, colon), off = s.substr(colon + 1);
    // Extern call: x<module>:<number>
    if (area.size() > 1 && area[0] == 'x' && std::isdigit(static_cast<unsigned char>(area[1]))) {
      long long mod, num;
      if (!parseNumber(area.substr(1), mod) || mod < 0 || mod > 255 || !parseNumber(off, num) || num < 0 || num > 6553)
        return fail(line, "bad extern operand " + s);
      // With a "uses" table the module must be in it and be an extern library.
      if (module && !module->uses.empty()) {
        if (std::size_t(mod) >= module->uses.size())
          return fail(line, "module " + std::to_string(mod) + " is not in the uses table: " + s);
        if (!isExternName(module->uses[std::size_t(mod)]))
          return fail(line, "module " + std::to_string(mod) + " (" + module->uses[std::size_t(mod)] +
                                ") is no extern library: " + s);
      }
      o = {std::uint32_t(mod) << 24 | std::uint32_t(num * 10), std::uint8_t('2')};
      return true;
    }
    // Other module: m<k>.code|vars|const:offset
    if (area.size() > 2 && area[0] == 'm' && std::isdigit(static_cast<unsigned char>(area[1]))) {
      const std::size_t dot = area.find('.');
      long long mod;
      if (dot == std::string::npos || !parseNumber(area.substr(1, dot - 1), mod) || mod < 0 || mod > 255)
        return fail(line, "bad module operand " + s);
      if (module && !module->uses.empty() && std::size_t(mod) >= module->uses.size())
        return fail(line, "module " + std::to_string(mod) + " is not in the uses table: " + s);
      const std::string which = area.substr(dot + 1);
      std::uint8_t tag = which == "vars" ? '0' : which == "const" ? '1' : which == "code" ? '2' : 0;
      long long v;
      if (!tag || !parseNumber(off, v) || v < 0 || v > 0xFFFFFF) return fail(line, "bad module operand " + s);
      o = {std::uint32_t(mod) << 24 | std::uint32_t(v), tag};
      return true;
    }
    std::uint8_t tag = 0xFF;
    for (const auto& a : kAreas)
      if (area == a.name) tag = a.tag;
    if (area.size() > 1 && area[0] == 'a' && std::isdigit(static_cast<unsigned char>(area[1]))) {
      long long v;
      if (!parseNumber(area.substr(1), v) || v < 0 || v > 255) return fail(line, "bad area " + area);
      tag = std::uint8_t(v);
    }
    if (tag == 0xFF) return fail(line, "unknown area " + area);
    const std::map<std::string, std::uint32_t>* table = nullptr;
    if (module) {
      if (tag == '.') table = &module->constLabels;
      else if (tag == '/') table = &module->varLabels;
      else if (tag == '-') table = &module->codeLabels;
    }
    if (tag == std::uint8_t(selfTag) && selfTag == '-') table = &labels;
    std::uint32_t v = 0;
    if (!symbol(line, table, off, v)) return false;
    o = {v, tag};
    return true;
  }

  // Assembles the lines of one block; 'funcs' allows "func NAME FRAME" headers
  // (module code), otherwise one "frame N" header is written at byte 0.
  bool block(const std::vector<Line>& lines, bool funcs, std::vector<std::uint8_t>& out) {
    struct Item { int line; int op = -1; unsigned n = 0; std::vector<std::string> ops; std::uint32_t at = 0; std::uint32_t len = 0; long frame = -1; };
    std::vector<Item> items;
    std::uint32_t pos = funcs ? 0 : 4;
    long frame = 0;
    labels.clear();
    for (const Line& l : lines) {
      std::string t = trim(stripComment(l.text));
      if (t.empty()) continue;
      // label:
      if (t.back() == ':' && t.find_first_of(" \t") == std::string::npos) {
        labels[t.substr(0, t.size() - 1)] = pos;
        continue;
      }
      std::vector<std::string> w = splitWords(t);
      if (w[0] == "frame" && !funcs) {
        long long v;
        if (w.size() != 2 || !parseNumber(w[1], v) || v < 0 || v > 65535) return fail(l.number, "bad frame");
        frame = long(v);
        continue;
      }
      if (w[0] == "func") {
        long long v = 0;
        if (!funcs) return fail(l.number, "func only in a code section");
        if (w.size() < 2 || (w.size() > 2 && (!parseNumber(w[2], v) || v < 0 || v > 65535)))
          return fail(l.number, "func NAME [FRAME]");
        labels[w[1]] = pos;
        funcStarts.push_back(pos);
        Item it;
        it.line = l.number;
        it.frame = long(v);
        it.at = pos;
        it.len = 4;
        items.push_back(it);
        pos += 4;
        continue;
      }
      if (funcs && items.empty()) return fail(l.number, "code must start with func");
      std::string mn = w[0];
      unsigned n = 1;
      bool haveN = false;
      const std::size_t slash = mn.find('/');
      if (slash != std::string::npos) {
        long long v;
        if (!parseNumber(mn.substr(slash + 1), v) || v < 0 || v > 65535) return fail(l.number, "bad count");
        n = unsigned(v);
        haveN = true;
        mn = mn.substr(0, slash);
      }
      int op = opcodeOf(mn);
      if (op < 0 || !engine::isOpcode(unsigned(op))) return fail(l.number, "unknown instruction " + mn);
      if (op == 210) op = 110;
      Item it;
        it.line = l.number;
      it.op = op;
      it.ops.assign(w.begin() + 1, w.end());
      if (!haveN) {
        if (op == 69) n = unsigned(it.ops.size());
        else if (op == 110) n = 4;
        else if (op == 111) n = 0;
        else if ((op == 121 || op == 122 || op == 129 || op == 131 || op == 133) && it.ops.size() == 3) n = 0;
      }
      it.n = n;
      unsigned count = 0, len = 0;
      engine::instrShape(unsigned(op), n, count, len);
      if (it.ops.size() > count) return fail(l.number, mn + " takes " + std::to_string(count) + " operands");
      it.at = pos;
      it.len = len;
      items.push_back(it);
      pos += len;
    }
    out.assign(pos, 0);
    if (!funcs) put16(out, 0, std::uint32_t(frame));
    for (const Item& it : items) {
      if (it.op < 0) {
        put16(out, it.at, std::uint32_t(it.frame));
        continue;
      }
      put32(out, it.at, std::uint32_t(it.op));
      if (it.len > 8) put16(out, it.at + 8, it.n);
      for (std::size_t k = 0; k < it.ops.size(); ++k) {
        engine::Operand o;
        if (!operand(it.line, it.ops[k], o)) return false;
        const std::size_t g = it.at + 12 + (k / 2) * 12;
        if (k % 2 == 0) { put32(out, g, o.offset); out[g + 4] = o.tag; }
        else { put32(out, g + 8, o.offset); out[g + 5] = o.tag; }
      }
      // Operands not written stay absolute 0: a missing operand.
      unsigned count = 0, len = 0;
      engine::instrShape(unsigned(it.op), it.n, count, len);
      for (std::size_t k = it.ops.size(); k < count; ++k) {
        const std::size_t g = it.at + 12 + (k / 2) * 12;
        if (k % 2 == 0) out[g + 4] = engine::kAreaAbsolute; else out[g + 5] = engine::kAreaAbsolute;
      }
    }
    return true;
  }
};

bool constData(const Line& l, ModuleSource& m, std::string& error) {
  std::string t = trim(stripComment(l.text));
  if (t.empty()) return true;
  auto fail = [&](const std::string& msg) { error = "line " + std::to_string(l.number) + ": " + msg; return false; };
  const std::size_t colon = t.find(':');
  if (colon != std::string::npos && t.find('"') > colon && t.substr(0, colon).find(' ') == std::string::npos) {
    m.constLabels[t.substr(0, colon)] = std::uint32_t(m.consts.size());
    t = trim(t.substr(colon + 1));
    if (t.empty()) return true;
  }
  const std::size_t sp = t.find_first_of(" \t");
  const std::string kind = t.substr(0, sp);
  const std::string rest = sp == std::string::npos ? "" : trim(t.substr(sp));
  auto bytes = [&](const void* p, std::size_t n) {
    const auto* b = static_cast<const std::uint8_t*>(p);
    m.consts.insert(m.consts.end(), b, b + n);
  };
  if (kind == "text") {
    if (rest.size() < 2 || rest.front() != '"' || rest.back() != '"') return fail("text needs \"...\"");
    std::string s = rest.substr(1, rest.size() - 2);
    bytes(s.data(), s.size());
    m.consts.push_back(0);
    return true;
  }
  for (const std::string& w : splitWords(rest)) {
    if (kind == "real") {
      double v = 0;
      if (!plat::num::parseDouble(w, v)) return fail("bad real " + w);
      std::uint64_t bits;
      std::memcpy(&bits, &v, 8);
      for (int i = 0; i < 8; ++i) m.consts.push_back(std::uint8_t(bits >> (8 * i)));
      continue;
    }
    long long v;
    if (!parseNumber(w, v)) return fail("bad number " + w);
    if (kind == "int" || kind == "word") { m.consts.push_back(std::uint8_t(v)); m.consts.push_back(std::uint8_t(v >> 8)); }
    else if (kind == "long") { for (int i = 0; i < 4; ++i) m.consts.push_back(std::uint8_t(v >> (8 * i))); }
    else if (kind == "byte") m.consts.push_back(std::uint8_t(v));
    else if (kind == "zero") { if (v < 0 || v > 1 << 20) return fail("bad size"); m.consts.insert(m.consts.end(), std::size_t(v), 0); }
    else return fail("unknown data kind " + kind);
  }
  return true;
}

const char* kProcNames[kProcSlots] = {"step", "code1", "code2", "alloc", "endrun", "param", "draw1", "draw2"};

} // namespace

bool assembleProcedure(const std::string& text, std::vector<std::uint8_t>& out, std::string& error,
                       const ModuleSource* module) {
  std::vector<Line> lines;
  std::istringstream in(text);
  std::string s;
  int n = 0;
  while (std::getline(in, s)) {
    if (!s.empty() && s.back() == '\r') s.pop_back();
    lines.push_back({++n, s});
  }
  Assembler a;
  a.module = module;
  if (!a.block(lines, false, out)) {
    error = a.error;
    return false;
  }
  return true;
}

namespace {

struct Origin {
  std::string file;   // "" for the text itself
  int line = 0;
};

std::vector<Line> splitLines(const std::string& text) {
  std::vector<Line> lines;
  std::istringstream in(text);
  std::string s;
  int n = 0;
  while (std::getline(in, s)) {
    if (!s.empty() && s.back() == '\r') s.pop_back();
    lines.push_back({++n, s});
  }
  return lines;
}

// Replaces every "include FILE" line at the top level by the lines of FILE
// (relative to dir; included files may include others, 8 deep). Lines are
// numbered through, origins keep where each came from.
bool expandIncludes(const std::vector<Line>& in, const std::string& file, const std::string& dir, int depth,
                    std::vector<Line>& out, std::vector<Origin>& origins, std::string& error) {
  for (const Line& l : in) {
    const std::vector<std::string> w = splitWords(trim(stripComment(l.text)));
    if (w.size() == 2 && w[0] == "include") {
      const std::string where = (file.empty() ? "" : file + " ") + "line " + std::to_string(l.number) + ": ";
      if (dir.empty()) return error = where + "include needs the library's file", false;
      if (depth >= 8) return error = where + "includes nested more than 8 deep", false;
      if (w[1].find('/') != std::string::npos || w[1].find("..") != std::string::npos)
        return error = where + "include names a file beside the library: " + w[1], false;
      std::ifstream f(dir + "/" + w[1], std::ios::binary);
      if (!f) return error = where + "cannot open " + w[1], false;
      std::stringstream ss;
      ss << f.rdbuf();
      if (!expandIncludes(splitLines(ss.str()), w[1], dir, depth + 1, out, origins, error)) return false;
      continue;
    }
    origins.push_back({file, l.number});
    out.push_back({int(origins.size()), l.text});
  }
  return true;
}

bool assembleLines(const std::vector<Line>& lines, ModuleSource& m, std::string& error);

// "line K: ..." of the numbered-through lines back to the line of its file.
bool withOrigin(bool ok, const std::vector<Origin>& origins, std::string& error) {
  if (ok || error.rfind("line ", 0) != 0) return ok;
  const std::size_t colon = error.find(':');
  const long k = std::strtol(error.c_str() + 5, nullptr, 10);
  if (colon == std::string::npos || k < 1 || std::size_t(k) > origins.size()) return ok;
  const Origin& o = origins[std::size_t(k - 1)];
  error = (o.file.empty() ? "" : o.file + " ") + "line " + std::to_string(o.line) + error.substr(colon);
  return ok;
}

} // namespace

bool assembleLibrary(const std::string& text, ModuleSource& m, std::string& error) {
  std::vector<Line> lines;
  std::vector<Origin> origins;
  if (!expandIncludes(splitLines(text), "", "", 0, lines, origins, error)) return false;
  return withOrigin(assembleLines(lines, m, error), origins, error);
}

bool assembleLibraryFile(const std::string& path, ModuleSource& m, std::string& error) {
  std::ifstream f(path, std::ios::binary);
  if (!f) {
    error = "cannot open " + path;
    return false;
  }
  std::stringstream ss;
  ss << f.rdbuf();
  const std::size_t slash = path.rfind('/');
  const std::string dir = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
  std::vector<Line> lines;
  std::vector<Origin> origins;
  if (!expandIncludes(splitLines(ss.str()), "", dir, 0, lines, origins, error)) return false;
  return withOrigin(assembleLines(lines, m, error), origins, error);
}

namespace {

bool assembleLines(const std::vector<Line>& lines, ModuleSource& m, std::string& error) {
  m = ModuleSource{};
  auto fail = [&](int line, const std::string& msg) { error = "line " + std::to_string(line) + ": " + msg; return false; };
  enum { Top, Const, Code, Type, Proc, Init } state = Top;
  std::vector<Line> collected;
  TypeSource* type = nullptr;
  int procSlot = -1;
  for (const Line& l : lines) {
    const std::string t = trim(stripComment(l.text));
    std::vector<std::string> w = splitWords(t);
    const std::string head = w.empty() ? "" : w[0];
    switch (state) {
    case Top:
      if (t.empty()) break;
      if (head == "module" && w.size() == 2) {
        if (w[1].size() > 8) return fail(l.number, "module name longer than 8 characters");
        m.name = w[1];
      } else if (head == "vars" && w.size() == 2) {
        long long v;
        if (!parseNumber(w[1], v) || v < 0 || v > (1 << 24)) return fail(l.number, "bad size");
        m.varsSize = std::max<std::uint32_t>(m.varsSize, std::uint32_t(v));
      } else if (head == "var" && w.size() == 3) {
        long long v;
        if (!parseNumber(w[2], v) || v < 1 || v > (1 << 20)) return fail(l.number, "bad size");
        m.varLabels[w[1]] = m.varsSize;
        m.varsSize += std::uint32_t(v);
      } else if (head == "uses" && w.size() == 2) {
        if (w[1].size() > 8) return fail(l.number, "module name longer than 8 characters");
        if (m.uses.size() >= 50) return fail(l.number, "more than 50 modules used");
        m.uses.push_back(w[1]);
      } else if (head == "init" && w.size() == 1) {
        if (!m.init.empty()) return fail(l.number, "a second init block");
        collected.clear();
        state = Init;
      } else if (head == "const" && w.size() == 1) {
        state = Const;
      } else if (head == "code" && w.size() == 1) {
        state = Code;
        collected.clear();
      } else if (head == "type" && w.size() == 2) {
        if (w[1].size() > 16) return fail(l.number, "type name longer than 16 characters");
        m.types.emplace_back();
        type = &m.types.back();
        type->name = w[1];
        state = Type;
      } else {
        return fail(l.number, "unknown line: " + t);
      }
      break;
    case Const:
      if (head == "endconst") { state = Top; break; }
      if (!constData(l, m, error)) return false;
      break;
    case Code:
      if (head == "endcode") {
        Assembler a;
        a.module = &m;
        a.selfTag = '-';
        if (!a.block(collected, true, m.code)) { error = a.error; return false; }
        for (auto& kv : a.labels) m.codeLabels[kv.first] = kv.second;
        m.functions = a.funcStarts;
        state = Top;
        break;
      }
      collected.push_back(l);
      break;
    case Type: {
      if (t.empty()) break;
      auto number = [&](const std::string& s, long long lo, long long hi, long long& v) {
        return parseNumber(s, v) && v >= lo && v <= hi;
      };
      long long v, v2;
      if (head == "endtype") { state = Top; type = nullptr; break; }
      if (head == "inputs" || head == "outputs") {
        auto& pins = head == "inputs" ? type->inputs : type->outputs;
        for (std::size_t k = 1; k < w.size(); ++k) {
          if (!number(w[k], 0, 83, v)) return fail(l.number, "bad signal type " + w[k]);
          pins.push_back(model::PinSignalType(v));
        }
      } else if (head == "pin") {
        // pin in|out NAME SIGNAL X Y SIDE
        long long sig, x, y, side;
        if (w.size() != 7 || (w[1] != "in" && w[1] != "out") || w[2].empty() || w[2].size() > 8 ||
            !number(w[3], 0, 83, sig) || !number(w[4], -32768, 32767, x) || !number(w[5], -32768, 32767, y) ||
            !number(w[6], 1, 4, side))
          return fail(l.number, "pin in|out NAME(1-8 characters) SIGNAL X Y SIDE(1-4)");
        for (const auto* rows : {&type->inputRows, &type->outputRows})
          for (const model::TypePinRow& r : *rows)
            if (std::strncmp(reinterpret_cast<const char*>(r.Carried), w[2].c_str(), 8) == 0)
              return fail(l.number, "a second pin named " + w[2]);
        const bool in = w[1] == "in";
        auto& types = in ? type->inputs : type->outputs;
        auto& rows = in ? type->inputRows : type->outputRows;
        rows.resize(types.size(), model::TypePinRow{});
        model::TypePinRow r{};
        r.X = std::int16_t(x);
        r.Y = std::int16_t(y);
        r.Side = std::uint16_t(side);
        r.Type = model::PinSignalType(sig);
        std::memcpy(r.Carried, w[2].data(), w[2].size());
        rows.push_back(r);
        types.push_back(model::PinSignalType(sig));
      } else if (head == "field") {
        // field KIND COUNT OFFSET "PROMPT": a described parameter field
        const std::size_t q = t.find('"');
        const std::vector<std::string> nums = splitWords(t.substr(0, q));
        long long kind, count, off;
        if (q == std::string::npos || t.back() != '"' || q + 1 >= t.size() || nums.size() != 4 ||
            !number(nums[1], 0, 5, kind) || !number(nums[2], 0, 65535, count) || !number(nums[3], 0, 65535, off))
          return fail(l.number, "field KIND COUNT OFFSET \"PROMPT\"");
        const std::string prompt = t.substr(q + 1, t.size() - q - 2);
        if (prompt.size() > 32) return fail(l.number, "prompt longer than 32 characters");
        std::uint8_t row[48] = {};
        row[0] = std::uint8_t(kind);
        row[1] = std::uint8_t(count);
        row[2] = std::uint8_t(count >> 8);
        std::memcpy(row + 3, prompt.data(), prompt.size());
        row[44] = std::uint8_t(off);
        row[45] = std::uint8_t(off >> 8);
        type->fields.insert(type->fields.end(), row, row + 48);
      } else if (head == "extra" && w.size() == 2 && number(w[1], 0, 1000, v)) {
        type->extra = std::uint16_t(v);
      } else if (head == "state" && w.size() == 2 && number(w[1], 0, 60000, v)) {
        type->state = std::uint16_t(v);
      } else if (head == "flags" && w.size() == 2 && number(w[1], 0, 65535, v)) {
        type->flags = std::uint16_t(v);
      } else if (head == "size" && w.size() == 3 && number(w[1], 0, 32767, v) && number(w[2], 0, 32767, v2)) {
        type->width = std::int16_t(v);
        type->height = std::int16_t(v2);
      } else {
        procSlot = -1;
        for (int k = 0; k < kProcSlots; ++k)
          if (head == kProcNames[k] && w.size() == 1) procSlot = k;
        if (procSlot < 0) return fail(l.number, "unknown line in type: " + t);
        collected.clear();
        state = Proc;
      }
      break;
    }
    case Init:
      if (head == "endinit") {
        Assembler a;
        a.module = &m;
        if (!a.block(collected, false, m.init)) { error = a.error; return false; }
        state = Top;
        break;
      }
      collected.push_back(l);
      break;
    case Proc:
      if (head == "endproc") {
        Assembler a;
        a.module = &m;
        if (!a.block(collected, false, type->procs[procSlot])) { error = a.error; return false; }
        if (type->procs[procSlot].size() > 65535) return fail(l.number, "procedure longer than 65535 bytes");
        state = Type;
        break;
      }
      collected.push_back(l);
      break;
    }
  }
  if (state != Top) return fail(int(lines.size()), "text ends inside a section");
  if (m.name.empty()) return fail(1, "no module line");
  return true;
}

} // namespace

bool isForbiddenExtern(unsigned number) {
  return number == 7 || number == 11 || number == 77 || number == 107 || number == 113 || number == 119 ||
         number > 122;
}

std::vector<model::TypePinRow> typeRows(const TypeSource& t, bool inputs) {
  const auto& types = inputs ? t.inputs : t.outputs;
  const auto& placed = inputs ? t.inputRows : t.outputRows;
  std::vector<model::TypePinRow> rows(types.size());
  for (std::size_t k = 0; k < types.size(); ++k) {
    model::TypePinRow r = k < placed.size() ? placed[k] : model::TypePinRow{};
    if (r.Side == 0) {
      r.X = inputs ? 0 : t.width;
      r.Y = std::int16_t(10 + 20 * k);
      r.Side = inputs ? 2 : 1;
    }
    r.Type = types[k];
    rows[k] = r;
  }
  return rows;
}

std::string disassemble(const std::vector<std::uint8_t>& code, std::uint32_t start) {
  engine::Procedure p;
  std::string err;
  if (!engine::decodeProcedure(code.data(), code.size(), start, p, err)) return "error: " + err + "\n";
  std::ostringstream out;
  out << "frame " << p.frameSize << "\n";
  for (const engine::Instr& I : p.code) {
    out << I.pos << ": " << mnemonicOf(I.op);
    if (I.len > 8) out << "/" << I.n;
    for (unsigned k = 0; k < I.operandCount(); ++k) {
      const engine::Operand& o = p.operands[I.first + k];
      out << (k ? ", " : " ");
      if (o.tag < 32) out << "a" << unsigned(o.tag) << ":" << o.offset;
      else out << "'" << char(o.tag) << "':" << o.offset;
    }
    out << "\n";
  }
  return out.str();
}

} // namespace zasm
