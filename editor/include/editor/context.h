#pragma once
// Every global of the editor in one record, so that tests reset it whole.
// The editor state word itself stays the first field of the TemplateDocument.
#include "editor/host.h"
#include "editor/tables.h"
#include "model/records.h"
#include "model/services.h"

#include <cstdint>
#include <string>
#include <vector>

namespace editor {

// The editor-wide repaint rectangle in sheet units.
struct DirtyRect {
  bool empty = true;
  int left = 0, top = 0, right = 0, bottom = 0;
};

// Values the option file carries into the editor.
struct OptionValues {
  std::uint8_t ioLabels = 0;         // the I/O-label option
  std::uint8_t listByte = 0;         // byte of the list unit
  std::uint8_t placeByte = 0;        // read when gates are placed or moved
  double userDouble = 0.0;           // read by the message handler and the commands
  std::int32_t accuracyField = 0;    // the simulation accuracy times 10000
  std::uint8_t runFlags[6] = {};     // offsets 8..13 except 12 (document settings)
  std::uint16_t settingWords[3] = {};
  std::string paths[10];             // the ten path slots
  double zoom = 1.0;
};

struct EditorContext {
  RowTable mainSlot;
  RowTable secondSlot;
  DirtyRect dirty;
  model::DocumentRecord* ActivatedDocument = nullptr;  // current at the last activation
  model::DocumentRecord* DragDocument = nullptr;       // the document the drag callbacks work on
  std::uint8_t SimulationOn = 0;
  std::uint8_t projectChanged = 0;   // the byte the shell's save question reads
  std::uint8_t libraryReplaced = 0;  // set by a library replacement, cleared by the module-list release
  std::uint8_t replaceNoticePending = 1;  // the first library replacement tells to save and reload
  int eventHandled = 0;
  int runWindowCount = 0;
  int trendWindowCount = 0;
  int handlerDepth = 0;              // > 0 while a handler runs (modal pumping)
  std::vector<WorksheetWindowData*> liveWindows;
  std::vector<std::string> stubCalls;   // handler ids run by the stand-in
  model::RouteOptions routeOptions;
  std::string optionDirectory;       // where the option file is read
  std::string binDirectory;          // the program directory (DEFAULT.MDN); the option directory when empty
  OptionValues options;
  bool optionsRead = false;
  // The hook of the auto-router (set by the gesture code).
  void (*routeHook)(model::WirePoint*& wire, int mode, int flags) = nullptr;
  // Drops the undo copy of the current document (set by the undo code).
  void (*dropUndoHook)() = nullptr;
};

EditorContext& ctx();
// Empties the context and the registry back to the editor's own handlers.
void editor_ResetContext();

// The editor state word (the TemplateDocument's first field).
std::uint32_t& editorState();
void setEditorState(std::uint32_t state);

} // namespace editor
