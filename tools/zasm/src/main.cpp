// zasm: assembles a block library text, checks every block as the linker
// would (as far as no other module is needed) and prints the listing of every
// block, or the first error (exit code 1). With -o FILE.MCO it writes the
// block library file (atomically) instead of the listing.
#include "zasm/mco.h"
#include "zasm/zasm.h"

#include "platform/paths.h"

#include <iostream>

int main(int argc, char** argv) {
  if (argc != 2 && !(argc == 4 && std::string(argv[2]) == "-o")) {
    std::cerr << "usage: zasm FILE [-o LIBRARY.MCO]\n";
    return 2;
  }
  zasm::ModuleSource m;
  std::string error;
  if (!zasm::assembleLibraryFile(argv[1], m, error)) {
    std::cerr << argv[1] << ": " << error << "\n";
    return 1;
  }
  // What the linker would refuse is never written (nor listed as good).
  if (!zasm::checkLibrary(m, error)) {
    std::cerr << argv[1] << ": " << error << "\n";
    return 1;
  }
  if (argc == 4) {
    const std::vector<std::uint8_t> bytes = zasm::encodeMco(m);
    std::string werr;
    if (!plat::path::writeFileAtomic(argv[3], std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()),
                                     &werr)) {
      std::cerr << "zasm: cannot write " << argv[3] << ": " << werr << "\n";
      return 1;
    }
    return 0;
  }
  static const char* names[] = {"step", "code1", "code2", "alloc", "endrun", "param", "draw1", "draw2"};
  std::cout << "module " << m.name << ": code " << m.code.size() << " bytes, vars " << m.varsSize
            << " bytes, const " << m.consts.size() << " bytes\n";
  for (std::size_t k = 0; k < m.uses.size(); ++k) std::cout << "uses " << k << " " << m.uses[k] << "\n";
  if (!m.init.empty()) std::cout << "init\n" << zasm::disassemble(m.init);
  for (const auto& kv : m.codeLabels) {
    std::cout << "func " << kv.first << "\n" << zasm::disassemble(m.code, kv.second);
  }
  for (const zasm::TypeSource& t : m.types) {
    std::cout << "type " << t.name << "\n";
    for (int k = 0; k < zasm::kProcSlots; ++k)
      if (!t.procs[k].empty()) std::cout << names[k] << "\n" << zasm::disassemble(t.procs[k]);
  }
  return 0;
}
