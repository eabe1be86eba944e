// Parameter lists: the walk over gates and sub-logics, saving and loading.
#include "engine/paramlist.h"

#include <algorithm>

#include "platform/paths.h"

namespace engine {
namespace {

void separator(ParamText& t, std::uint16_t indent, char ch) {
  t.text += std::string(indent, ' ');
  t.text += std::string(indent < 131 ? 131u - indent : 0u, ch);
  t.text += "\r\n";
}

bool exhausted(const ParamText& t, ParamMode mode) { return mode == ParamMode::Read && t.pos >= t.text.size(); }

void walkGates(model::GateRecord* g, model::GateInstance* in, std::uint16_t indent, ParamText& t,
               ParamMode mode, ParamDialogs* d) {
  std::uint16_t number = 0;
  for (; g && !exhausted(t, mode); g = g->Next, in = in ? in->Next : nullptr) {
    if (!lst_Counts(g->Kind)) continue;
    ++number;
    lst_WalkLogic(g, in, false, number, indent, t, mode, d);
  }
}

bool isPrinter(const std::string& path) {
  auto slash = path.find_last_of('/');
  return plat::path::toUpper(slash == std::string::npos ? path : path.substr(slash + 1)) == "PRINTER";
}

bool save(const std::string& path, const std::string& text, ParamDialogs* d, std::string* err) {
  if (isPrinter(path)) {
    if (d) d->message(50016);
    return false;
  }
  return plat::path::writeFileAtomic(path, text, err);
}

// Reads a list file; a missing or empty one asks 50042 with its name, and
// Yes lets the chooser give another path.
bool load(std::string path, ParamText& t, ParamDialogs* d, const ListFileChooser& chooseAgain) {
  for (int round = 0; round < 100; ++round) {
    if (plat::path::readFile(path, t.text) && !t.text.empty()) return true;
    t.text.clear();
    if (!d) return false;
    const std::size_t slash = path.find_last_of("/\\");
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    if (!d->askYesNo(50042, name) || !chooseAgain || !chooseAgain(path) || path.empty()) return false;
  }
  return false;
}

std::string tempListPath(const std::string& dir) {
  if (dir.empty()) return kTempListName;
  const char last = dir.back();
  return dir + (last == '/' || last == '\\' ? "" : "/") + kTempListName;
}

} // namespace

bool lst_Counts(unsigned kind) {
  return kind != 44 && kind != 45 && kind != 61 && kind != 66 && kind != 85;
}

std::string lst_PageHead(const std::string& title, const std::string& label, const std::string& name,
                         const std::string& date8) {
  std::string l = kListVersionBanner;
  l.resize(std::max<std::size_t>(l.size(), 30), ' ');
  l += label + name;
  l.resize(std::max<std::size_t>(l.size(), 60), ' ');
  std::string date = date8.substr(0, 8);
  date.resize(8, ' ');
  return title + "\r\n\r\n" + l + "Date : " + date + "\r\n";
}

void lst_WalkLogic(model::GateRecord* gate, model::GateInstance* inst, bool global, std::uint16_t number,
                   std::uint16_t indent, ParamText& t, ParamMode mode, ParamDialogs* d) {
  ParamCall c;
  c.gate = gate; c.instance = inst; c.global = global; c.allFields = true;
  c.mode = mode; c.gateNumber = number; c.indent = indent;
  gp_GateParams(c, t, d);
  t.failed = false;  // a gate missing from a foreign list does not end it
  const model::LogicRecord* sub = model::subLogic(gate);
  if (!sub) return;
  if (mode == ParamMode::Write) separator(t, indent, '+');
  walkGates(sub->FirstGate, inst ? inst->Children : nullptr, std::uint16_t(indent + 2), t, mode, d);
  if (mode == ParamMode::Write) separator(t, indent, '-');
}

void lst_WalkList(model::GateRecord* first, model::GateInstance* firstInst, ParamText& t, ParamMode mode,
                  ParamDialogs* d) {
  walkGates(first, firstInst, 0, t, mode, d);
}

bool lst_AllParamsWithHead(const std::string& path, model::GateRecord* first, model::GateInstance* firstInst,
                           const std::string& logicName, const std::string& date8, ParamDialogs* d,
                           std::string* err) {
  ParamText t;
  if (!logicName.empty()) t.text = lst_PageHead("KESTRUM LOGIC PARAMETER LIST", "LOGIC : ", logicName, date8);
  lst_WalkList(first, firstInst, t, ParamMode::Write, d);
  return save(path, t.text, d, err);
}

bool lst_AllParamsFromFile(const std::string& path, model::GateRecord* first, model::GateInstance* firstInst,
                           ParamDialogs* d, const ListFileChooser& chooseAgain) {
  ParamText t;
  if (!load(path, t, d, chooseAgain)) return false;
  lst_WalkList(first, firstInst, t, ParamMode::Read, d);
  return true;
}

bool lst_LogicParamsToOutput(const std::string& path, model::GateRecord* gate, model::GateInstance* inst,
                             bool global, std::uint16_t number, ParamDialogs* d, std::string* err) {
  ParamText t;
  lst_WalkLogic(gate, inst, global, number, 0, t, ParamMode::Write, d);
  return save(path, t.text, d, err);
}

bool lst_LogicParamsFromFile(const std::string& path, model::GateRecord* gate, model::GateInstance* inst,
                             bool global, std::uint16_t number, ParamDialogs* d, const ListFileChooser& chooseAgain) {
  ParamText t;
  if (!load(path, t, d, chooseAgain)) return false;
  lst_WalkLogic(gate, inst, global, number, 0, t, ParamMode::Read, d);
  return true;
}

bool lst_LogicParamsToTempOutput(const std::string& dir, model::GateRecord* gate, model::GateInstance* inst,
                                 bool global, std::uint16_t number, ParamDialogs* d, std::string* err) {
  return lst_LogicParamsToOutput(tempListPath(dir), gate, inst, global, number, d, err);
}

bool lst_LogicParamsFromTempFile(const std::string& dir, model::GateRecord* gate, model::GateInstance* inst,
                                 bool global, std::uint16_t number, ParamDialogs* d) {
  return lst_LogicParamsFromFile(tempListPath(dir), gate, inst, global, number, d);
}

} // namespace engine
