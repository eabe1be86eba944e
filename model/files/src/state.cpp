#include "modelfiles/state.h"

#include "internal.h"
#include "modelfiles/messages.h"

#include "platform/paths.h"

#include <cctype>
#include <cstdio>

namespace modelfiles {

using namespace model;
using namespace detail;

std::string StateDirectory;
std::string StateFilePath;

namespace {

std::string stateBase(const LogicRecord* l) {
  std::string s;
  for (int i = 0; l && i < 8 && l->Name[i] && l->Name[i] != ' '; ++i) {
    char c = l->Name[i];
    if (c == '-' || c == '.' || c == ',' || c == ':' || c == ';' || c == '&') c = '_';
    s += char(std::toupper(static_cast<unsigned char>(c)));
  }
  return s;
}

std::string inStateDir(const std::string& name) {
  return StateDirectory.empty() ? name : plat::path::join(StateDirectory, name);
}

// Reads step block and tree from bytes; applies both only when the whole
// state was read. consumed receives the bytes used.
int readState(LogicRecord* logic, const std::uint8_t* data, std::size_t size, bool withStep, std::size_t& consumed) {
  ByteReader r(data, size);
  StepBlock step{};
  if (withStep) readStepBlock(r, step);
  ValueTree tree;
  if (r.failed() || !parseValueTree(r, true, tree)) {
    showMessage(50037);
    return 0;
  }
  consumed = r.pos();
  if (withStep) logic->StepBlock = step;
  if (!applyValueTree(tree, logic->FirstGate, logic->FirstInstance, false)) {
    showMessage(50040);
    return 0;
  }
  return 1;
}

int readFromHandle(LogicRecord* logic, FileHandle file, bool withStep) {
  long start = 0;
  gem_Fseek(0, file, 1, start);
  std::vector<std::uint8_t> bytes;
  if (start < 0 || !gem_ReadRest(file, bytes)) {
    showMessage(50037);
    return 0;
  }
  std::size_t used = 0;
  const int result = readState(logic, bytes.data(), bytes.size(), withStep, used);
  long pos = 0;
  gem_Fseek(start + long(used), file, 0, pos);
  return result;
}

} // namespace

std::vector<std::uint8_t> mdl_EncodeLogicState(const LogicRecord& logic) {
  ByteWriter w;
  writeStepBlock(w, logic.StepBlock);
  writeValueTree(w, logic.FirstGate, logic.FirstInstance);
  return std::move(w.bytes);
}

bool mdl_WriteValueTree(FileHandle file, const GateRecord* gates, const GateInstance* instances) {
  ByteWriter w;
  writeValueTree(w, gates, instances);
  long n = long(w.size());
  gem_Fwrite(file, n, w.bytes.data());
  return n != long(w.size());
}

bool mdl_ReadValueTree(FileHandle file, GateRecord* gates, GateInstance* instances) {
  long start = 0;
  gem_Fseek(0, file, 1, start);
  std::vector<std::uint8_t> bytes;
  if (start < 0 || !gem_ReadRest(file, bytes)) return true;
  ByteReader r(bytes);
  ValueTree tree;
  const bool parsed = parseValueTree(r, true, tree);
  long pos = 0;
  gem_Fseek(start + long(r.pos()), file, 0, pos);
  if (!parsed) return true;
  return !applyValueTree(tree, gates, instances, false);
}

int mdl_ReadLogicStateFile(LogicRecord* logic, const std::string& name) {
  if (!logic) return 0;
  std::string p = name;
  FileHandle h = 0;
  if (gem_OpenExisting(p, h) < 1) return 0;
  const int result = readFromHandle(logic, h, true);
  gem_Fclose(h);
  return result;
}

int mdl_WriteLogicStateFile(LogicRecord* logic, const std::string& name) {
  if (!logic) return 0;
  // The same placement as the file layer's open: a bare name lies in the
  // temporary folder.
  std::string p = plat::path::normalize(name);
  if (!plat::path::isAbsolute(p) && !p.empty() && p[0] != '.' && p.find('/') == std::string::npos)
    p = plat::path::join(fileServices().tempDir(), p);
  const auto bytes = mdl_EncodeLogicState(*logic);
  if (!plat::path::writeFileAtomic(plat::path::resolveForWrite(p),
                                   std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()))) {
    showMessage(50037);
    return 0;
  }
  return 1;
}

int mdl_ReadLogicState(LogicRecord* logic, FileHandle file) {
  if (!logic) return 0;
  if (file >= 1) return readFromHandle(logic, file, true);
  if (!mdl_SelectStateFile(logic, false)) return 1;
  return mdl_ReadLogicStateFile(logic, StateFilePath);
}

int mdl_WriteLogicState(LogicRecord* logic, FileHandle file) {
  if (!logic) return 0;
  if (file >= 1) {
    const auto bytes = mdl_EncodeLogicState(*logic);
    if (!gem_WriteChecked(file, bytes.data(), long(bytes.size()))) return 0;
    return 1;
  }
  if (!mdl_SelectStateFile(logic, true)) return 1;
  return mdl_WriteLogicStateFile(logic, StateFilePath);
}

std::string mdl_DefaultStateName(const LogicRecord* logic, bool forWriting) {
  const std::string base = stateBase(logic);
  int free = 0;
  for (; free < 1000; ++free) {
    char num[8];
    std::snprintf(num, sizeof num, "%03d", free);
    if (plat::path::resolveExisting(inStateDir(base + "." + num)).empty()) break;
  }
  int n = forWriting ? free : (free > 0 ? free - 1 : 0);
  if (n > 999) n = 999;
  char num[8];
  std::snprintf(num, sizeof num, "%03d", n);
  return base + "." + num;
}

int mdl_SelectStateFile(const LogicRecord* logic, bool forWriting) {
  const std::string proposed = mdl_DefaultStateName(logic, forWriting);
  const std::string pattern = inStateDir(stateBase(logic) + ".*");
  std::string chosen = proposed;
  if (!fileServices().fileDialog(FileDialog::OpenWithDirList, pattern, chosen) || chosen.empty()) return 0;
  const std::string full = plat::path::isAbsolute(chosen) || chosen.find('/') != std::string::npos
                               ? chosen
                               : inStateDir(chosen);
  StateFilePath = full;
  StateDirectory = plat::path::dirName(full);
  return 1;
}

} // namespace modelfiles
