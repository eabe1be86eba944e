// Writes the sample project that `make run` opens: a main logic with a few
// gates of the built-in kinds, saved by the project file writer.
#include "model/document.h"
#include "model/editing.h"
#include "model/fake_services.h"
#include "model/memory.h"
#include "modelfiles/project.h"

#include <cstdio>
#include <filesystem>

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: zerlo_mksample OUT.MDL\n");
    return 2;
  }
  model::FakeShell shell;
  model::setShell(&shell);
  model::mm_UnitInit();
  model::doc_StartUp();
  model::DocumentRecord* doc = model::doc_New();
  model::CurrentDocument = doc;
  model::LogicRecord* logic = model::ge_NewLogic("$MAIN");
  if (!logic) {
    std::fprintf(stderr, "zerlo_mksample: no logic\n");
    return 1;
  }
  model::KeepInstances = 1;
  struct Place { std::uint8_t kind; int x, y; };
  static const Place gates[] = {
      {model::kKindAnd, 160, 100}, {model::kKindOr, 160, 240}, {model::kKindExor, 340, 160},
      {model::kKindAnd, 520, 100}, {model::kKindCounter, 520, 260}, {model::kKindOr, 700, 180},
  };
  for (const Place& p : gates) {
    model::GateRecord* g = nullptr;
    if (!model::ge_CreateGateAsked(logic, p.kind, nullptr, nullptr, p.x, p.y, g)) {
      std::fprintf(stderr, "zerlo_mksample: gate %d not created\n", int(p.kind));
      return 1;
    }
  }
  model::EditLogic(*doc) = logic;
  std::error_code ec;
  std::filesystem::create_directories(std::filesystem::path(argv[1]).parent_path(), ec);
  const int ok = modelfiles::mdl_SaveProjectAs(argv[1]);
  model::CurrentDocument = nullptr;
  modelfiles::mdl_FreeDocument(doc);
  modelfiles::mdl_FreeDocumentCode(model::TemplateDocument);
  model::doc_ShutDown();
  model::setShell(nullptr);
  if (ok != 1) {
    std::fprintf(stderr, "zerlo_mksample: %s not written\n", argv[1]);
    return 1;
  }
  return 0;
}
