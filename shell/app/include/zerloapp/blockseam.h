#pragma once
// The insert box's editor operations over the frame's worksheets and the
// worksheet editor: scratch documents for block pictures, gates placed from a
// library (fn_InsertLibraryGate, fn_InsertGateByName), the worksheet under
// the mouse for drops.
#include "shell/insertbox.h"

namespace zapp {

class Frame;
using shell::WorksheetWindowData;

class FrameBlockEditor : public shell::BlockEditorSeam {
public:
  explicit FrameBlockEditor(Frame& frame) : frame_(frame) {}
  void frameCommand(int id) override;
  void newScratchDocument(WorksheetWindowData& record) override;
  void freeScratchDocument(WorksheetWindowData& record) override;
  void drawRecord(WorksheetWindowData& record) override;
  void* insertGate(WorksheetWindowData& window, const std::string& module, const std::string& name,
                   int parameter, std::int16_t x, std::int16_t y) override;
  bool gateSize(WorksheetWindowData& record, void* gate, int& width, int& height) override;
  void deleteGate(WorksheetWindowData& record, void* gate) override;
  WorksheetWindowData* worksheetUnderCursor() override;
  void screenToClient(WorksheetWindowData& window, int& x, int& y) override;
  void activate(WorksheetWindowData& window) override;

private:
  Frame& frame_;
};

} // namespace zapp
