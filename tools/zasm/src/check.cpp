// The checks of the linker that need no other module, run on an assembled
// library before it is written, so that a library that cannot link is never
// written.
#include "zasm/zasm.h"

#include "engine/vm.h"
#include "engine/vmcode.h"

#include <cctype>

namespace zasm {

namespace {

bool sameName(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (std::toupper(static_cast<unsigned char>(a[i])) != std::toupper(static_cast<unsigned char>(b[i]))) return false;
  return true;
}

bool isJump(unsigned op) { return op == 66 || op == 67 || op == 68 || op == 70; }

struct Checker {
  const ModuleSource& src;
  std::string& error;

  bool fail(const std::string& where, const engine::Instr& I, const std::string& msg) {
    error = where + ": instruction " + std::to_string(I.op) + " at byte " + std::to_string(I.pos) + ": " + msg;
    return false;
  }

  // A block of 'size' bytes must exist and hold the offset.
  bool inside(const std::string& where, const engine::Instr& I, const char* block, std::uint32_t offset,
              std::size_t size) {
    if (size == 0) return fail(where, I, std::string("refers to the ") + block + " block, which is empty");
    if (offset > size)
      return fail(where, I, "offset " + std::to_string(offset) + " lies outside the " + block + " block");
    return true;
  }

  // ownSelf: the block the '+' tag names (the procedure's own block).
  bool block(const std::string& where, const std::vector<std::uint8_t>& bytes, std::uint32_t start) {
    engine::Procedure p;
    std::string err;
    if (!engine::decodeProcedure(bytes.data(), bytes.size(), start, p, err)) {
      error = where + ": " + err;
      return false;
    }
    for (const engine::Instr& I : p.code) {
      for (unsigned k = 0; k < I.operandCount(); ++k) {
        const engine::Operand& o = p.operands[I.first + k];
        if ((k == 0 && I.op >= 33 && I.op <= 35) || (k == 3 && I.op == 135)) continue;   // immediates
        if (o.tag < engine::kAreaCount) continue;
        switch (o.tag) {
        case engine::kTagOwnCode:
          if (!inside(where, I, "own", o.offset, bytes.size())) return false;
          if (k == 0 && isJump(I.op) && p.indexAt(o.offset) < 0)
            return fail(where, I, "jump target " + std::to_string(o.offset) + " is not an instruction of the block");
          break;
        case engine::kTagLinkFrame:
          if (!inside(where, I, "linker frame", o.offset, engine::Vm::kLinkFrameSize)) return false;
          break;
        case engine::kTagModuleCode:
          if (!inside(where, I, "code", o.offset, src.code.size())) return false;
          if (k == 0 && isJump(I.op) && &bytes == &src.code && p.indexAt(o.offset) < 0)
            return fail(where, I, "jump target " + std::to_string(o.offset) + " is not an instruction of the function");
          break;
        case engine::kTagModuleConst:
          if (!inside(where, I, "constant", o.offset, src.consts.size())) return false;
          break;
        case engine::kTagModuleVars:
          if (!inside(where, I, "variable", o.offset, src.varsSize)) return false;
          break;
        case engine::kTagOtherVars: case engine::kTagOtherConst: case engine::kTagOtherCode: {
          const unsigned num = o.offset >> 24;
          if (num >= src.uses.size())
            return fail(where, I, "names module " + std::to_string(num) + ", which is not in the uses table");
          if (o.tag == engine::kTagOtherCode && src.uses[num].size() >= 6 &&
              sameName(src.uses[num].substr(0, 6), "EXTERN")) {
            const std::uint32_t off = o.offset & 0x00FFFFFF;
            if (off % 10 != 0 || isForbiddenExtern(off / 10))
              return fail(where, I, "extern " + std::to_string(off / 10) + " cannot be called");
          }
          // A module that uses itself: its own blocks.
          if (sameName(src.uses[num], src.name)) {
            const std::uint32_t off = o.offset & 0x00FFFFFF;
            if (o.tag == engine::kTagOtherVars && !inside(where, I, "variable", off, src.varsSize)) return false;
            if (o.tag == engine::kTagOtherConst && !inside(where, I, "constant", off, src.consts.size())) return false;
            if (o.tag == engine::kTagOtherCode && !inside(where, I, "code", off, src.code.size())) return false;
          }
          break;
        }
        default:
          return fail(where, I, "unknown area tag " + std::to_string(o.tag));
        }
      }
    }
    return true;
  }
};

} // namespace

bool checkLibrary(const ModuleSource& src, std::string& error) {
  static const char* names[] = {"step", "code1", "code2", "alloc", "endrun", "param", "draw1", "draw2"};
  Checker c{src, error};
  for (std::uint32_t f : src.functions)
    if (!c.block("code at byte " + std::to_string(f), src.code, f)) return false;
  if (!src.init.empty() && !c.block("init", src.init, 0)) return false;
  for (const TypeSource& t : src.types) {
    if (t.procs[kStep].empty()) {
      error = "type " + t.name + ": no step procedure (a block library type needs one to load)";
      return false;
    }
  }
  for (const TypeSource& t : src.types)
    for (int k = 0; k < kProcSlots; ++k)
      if (!t.procs[k].empty() && !c.block("type " + t.name + " " + names[k], t.procs[k], 0)) return false;
  return true;
}

} // namespace zasm
