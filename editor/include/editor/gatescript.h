#pragma once
// GateScript: the line-oriented text in which gates with their pins,
// parameters, texts, labels and wires travel between worksheets (copy and
// paste, deleting a selection while keeping its outer wiring, drops of
// library items, and the rebuilding of every call of a subprogram whose
// ports change). This header holds the tokeniser, the writers and the
// interpreter; the text is 8-bit bytes, numbers are written and read
// locale-free.
#include "editor/clipboard.h"
#include "editor/host.h"
#include "model/records.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace editor {

// ---- tokenising ----

// A reader takes at most 31999 characters of a line.
inline constexpr std::size_t kScriptLineRoom = 32000;
// The "(" of a statement must stand among the first 127 characters.
inline constexpr std::size_t kScriptHeadLimit = 127;

struct ScriptHead {
  std::string name;       // text before "=", blanks removed (empty: no name)
  std::string word;       // statement word, blanks removed
  std::size_t args = 0;   // position after the "("
};
// Splits a line's head; false when no "(" stands among its first 127 characters.
bool scr_SplitHead(std::string_view line, ScriptHead& head);
// The token from pos up to delimiter (consumed), blanks removed; without the
// delimiter the whole rest of the line, unchanged, and pos stays.
std::string scr_Token(std::string_view line, std::size_t& pos, char delimiter);
// The rest of the line from pos without its last cut characters (empty when shorter).
std::string scr_RestToken(std::string_view line, std::size_t pos, std::size_t cut);
// Leading decimal integer ("20);" reads 20, no number reads 0), clamped to 32 bits.
int scr_Number(std::string_view token);
// Leading real number, locale-free; 0 when there is none.
double scr_Real(std::string_view token);
// A real as "%f" writes it in the C locale (six decimals).
std::string scr_FormatReal(double value);

// ---- the library gate insertion seam ----

// Inserts one library gate ("%STD" or a module name, and a type name) into the
// logic at a sheet position with its creation parameter (-1: none); answers
// the new gate or null. The default is a plain model insertion; the gesture
// code installs its own.
using LibraryGateInserter = model::GateRecord* (*)(model::LogicRecord* logic, const std::string& library,
                                                    const std::string& type, int x, int y, int creation);
LibraryGateInserter scr_SetLibraryGateInserter(LibraryGateInserter inserter);
model::GateRecord* scr_PlainLibraryInsert(model::LogicRecord* logic, const std::string& library,
                                          const std::string& type, int x, int y, int creation);

// ---- writers ----

// Writes the gate list (with the instance list that runs parallel to it) as a
// copy script to the system clipboard; 1 when the clipboard took it.
int scr_WriteSelection(WorksheetWindowData* window, model::GateRecord* first, model::GateInstance* instances);
// Appends the copy form of a gate list to an open buffer.
void scr_AppendCopy(ScriptBuffer* buffer, int windowKind, model::GateRecord* first,
                    model::GateInstance* instances);
// A buffer writing into the internal script buffer, and its close.
ScriptBuffer* scr_OpenWriter();
int scr_CloseWriter(ScriptBuffer* buffer);
void scr_WriteSelectLogic(ScriptBuffer* buffer, WorksheetWindowData* window, const char* logicName);
// Appends a logic in reference form: gates calling (or typed by) S, or the
// gate G, are re-created with the given library, type and creation parameter;
// all others are referred to.
void scr_WriteRefSelection(ScriptBuffer* buffer, int windowKind, model::LogicRecord* logic, const void* S,
                           const std::string& library, const std::string& type, int creation);
void scr_WriteRefSelectionB(ScriptBuffer* buffer, int windowKind, model::LogicRecord* logic,
                            const model::GateRecord* G, const std::string& library, const std::string& type,
                            int creation);

// ---- interpreter ----

// Sources of a run.
enum : int { kScriptClipboard = 0, kScriptInternal = 1 };

// 9 when the WindowType of the source's script does not suit the window, else 0.
int scr_CheckWindowType(WorksheetWindowData* window, int source);
// 1 when the script makes Input or Output gates and the window's current
// logic is not "$MAIN"; 0 otherwise (and when the window kind does not suit).
int scr_PastePrecheck(WorksheetWindowData* window, EngineEvent* event, int x, int y, int source);
// Runs the script into the window's current logic at offset (x, y) in sheet
// units: 0 done, 9 nothing made (or the window kind does not suit).
int scr_Execute(WorksheetWindowData* window, EngineEvent* event, int x, int y, int source);
// The gate the last run created last (null when none).
model::GateRecord* scr_LastCreatedGate();
// Replaces a Text gate's text block (height and text); false for other gates.
bool scr_SetTextBlock(model::LogicRecord* logic, model::GateRecord* gate, int height, const std::string& text);
// The default label of a new Input (output connector) or Output gate (input
// connector): language text 21 or "Out%d", 20 or "In%d", the first number not
// taken among the logic's ports of that kind; at most 7 characters.
std::string scr_DefaultConnectorName(const model::LogicRecord* logic, const model::GateRecord* gate);

// Records every use of the current level's logic as script into the open
// buffer, then removes those uses; true when a use in "999FBPICW" was removed.
bool scr_RecordSubprogramUsers(WorksheetWindowData* window, ScriptBuffer* buffer);
// Writes the port script before a change of the current level's ports:
// the uses of the logic and a selectLogic back to it. Answers whether the
// insert box must be refreshed; written tells whether a script was written.
bool scr_WritePortScript(WorksheetWindowData* window, bool& written);
// Runs the port script of scr_WritePortScript and refreshes the insert box.
void scr_RunPortScript(WorksheetWindowData* window, EngineEvent* event, bool refreshInsertBox);

// ---- drop services of the insert box ----

// Places a library item at a sheet position; the new gate or null.
model::GateRecord* scr_DropService(WorksheetWindowData* window, const std::string& library,
                                   const std::string& type, int x, int y, int creation);
// Replaces the gate at a window position by the library item, keeping its
// wiring; the new gate or null.
model::GateRecord* scr_DropItemAt(WorksheetWindowData* window, const std::string& library,
                                  const std::string& type, int x, int y);
// Inserts one library gate at a sheet position (creation 0 means -1).
model::GateRecord* scr_InsertLibraryGate(WorksheetWindowData* window, const std::string& library,
                                         const std::string& type, int x, int y, int creation);

// A pin's sheet position, moved outward for a negated pin (3 units for an
// input, 2 for an output) in the pin's direction.
void scr_PinPoint(model::GateRecord* gate, unsigned pin, bool input, int& x, int& y);
// Lays a two-point wire from the output to the input and connects the pins
// with the model's type check; false (nothing changed) when refused.
bool scr_LayWire(model::LogicRecord* logic, model::GateRecord* dest, unsigned in, model::GateRecord* src,
                 unsigned out);
// The plain module that holds a logic in the current document (null when none).
model::ProjectModule* scr_ModuleOfLogic(const model::LogicRecord* logic);
// A text without its blanks.
std::string scr_NoBlanks(std::string_view text);

// The name of a logic up to its first blank.
std::string scr_LogicBaseName(const model::LogicRecord* logic);
// The pin names of the script: input (or output) pin n from 1.
std::string scr_PinName(const model::GateRecord* gate, unsigned pin, bool input);

} // namespace editor
