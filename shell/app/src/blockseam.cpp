// The insert box's editor operations over the frame and the editor.
#include "zerloapp/blockseam.h"

#include "display/gdi.h"
#include "editor/editor.h"
#include "editor/gatecmd.h"
#include "editor/ws.h"
#include "model/editing.h"
#include "model/geometry.h"
#include "zerloapp/frame.h"

#include <QApplication>
#include <QCursor>
#include <QMdiArea>

namespace zapp {

void FrameBlockEditor::frameCommand(int id) { frame_.onCommand(id); }

void FrameBlockEditor::newScratchDocument(WorksheetWindowData& record) {
  record.document = nullptr;
  EngineEvent e;
  e.type = editor::kMsgCommand;
  e.code = 232;
  editor::ui_NewDocument3(&record, &e);
}

void FrameBlockEditor::freeScratchDocument(WorksheetWindowData& record) {
  // The destroy event frees the record's own document and forgets the record.
  EngineEvent e;
  e.type = editor::kMsgDestroy;
  editor::ui_Dispatch(&record, &e);
  record.document = nullptr;
}

void FrameBlockEditor::drawRecord(WorksheetWindowData& record) {
  if (!record.document || !disp::gdi_CurrentDevice()) return;
  EngineEvent e;
  e.type = editor::kMsgPaint;
  e.right = record.clientW;
  e.bottom = record.clientH;
  editor::ui_Dispatch(&record, &e);
}

namespace {

// Places an item of a module ("%STD" or none: the standard table) at a window
// point of the window's document; the new gate, or null.
model::GateRecord* place(WorksheetWindowData& window, const std::string& module, const std::string& name,
                         int parameter, int x, int y) {
  model::DocumentRecord* doc = window.document;
  if (!doc) return nullptr;
  model::DocumentRecord* previous = model::CurrentDocument;
  model::CurrentDocument = doc;
  doc->ScrollX = window.scrollX;
  doc->ScrollY = window.scrollY;
  doc->CurrentGate = nullptr;
  const int placed = module.empty() || module == "%STD"
                         ? editor::fn_InsertLibraryGate(name, true, x, y)
                         : editor::fn_InsertGateByName(module, name, true, x, y, parameter);
  model::GateRecord* gate = placed ? doc->CurrentGate : nullptr;
  if (gate) editor::ui_SetProjectChanged(1);
  if (previous) model::CurrentDocument = previous;
  return gate;
}

} // namespace

void* FrameBlockEditor::insertGate(WorksheetWindowData& window, const std::string& module, const std::string& name,
                                   int parameter, std::int16_t x, std::int16_t y) {
  return place(window, module, name, parameter, x, y);
}

bool FrameBlockEditor::gateSize(WorksheetWindowData&, void* gate, int& width, int& height) {
  if (!gate) return false;
  std::int16_t x = 0, y = 0, w = 0, h = 0;
  model::gg_GateRect(static_cast<model::GateRecord*>(gate), x, y, w, h, true);
  width = w;
  height = h;
  return true;
}

void FrameBlockEditor::deleteGate(WorksheetWindowData& record, void* gate) {
  model::DocumentRecord* doc = record.document;
  if (!doc || !gate) return;
  model::DocumentRecord* previous = model::CurrentDocument;
  model::CurrentDocument = doc;
  if (model::LogicRecord* logic = editor::currentLevelLogic())
    model::ge_DeleteGate(logic, static_cast<model::GateRecord*>(gate));
  if (doc->CurrentGate == gate) doc->CurrentGate = nullptr;
  if (previous) model::CurrentDocument = previous;
}

WorksheetWindowData* FrameBlockEditor::worksheetUnderCursor() {
  for (QWidget* w = QApplication::widgetAt(QCursor::pos()); w; w = w->parentWidget())
    if (auto* ws = dynamic_cast<Worksheet*>(w)) return &ws->data;
  return nullptr;
}

void FrameBlockEditor::screenToClient(WorksheetWindowData& window, int& x, int& y) {
  Worksheet* ws = frame_.worksheetOf(&window);
  if (!ws) return;
  const QPoint p = ws->canvas->mapFromGlobal(QPoint(x, y));
  x = p.x();
  y = p.y();
}

void FrameBlockEditor::activate(WorksheetWindowData& window) {
  Worksheet* ws = frame_.worksheetOf(&window);
  if (!ws) return;
  frame_.mdi->setActiveSubWindow(ws);
  ws->canvas->setFocus();
  ws->invalidate();
}

} // namespace zapp
