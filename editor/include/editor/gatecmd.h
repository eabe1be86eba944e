#pragma once
// Gate commands of the worksheet editor: placing a gate at a window point,
// inserting a gate by kind, by name or from a library, adding a gate chosen
// by the user, removing, renumbering and re-placing the gate under a point,
// and the text store of Text gates. Window points are shifted by the current
// document's scroll position; everything works on the current level's logic.
#include "model/gatekinds.h"
#include "model/records.h"

#include <string>

namespace editor {

// Creates a gate from its creation values at a window point (snapped to the
// grid so that the kind's box lands on it). Param.-Variation and Disable-Logic
// gates ask their creation values against the gate under the point when no
// attachedTo is given. askTexts: dialogue, step, text and message gates ask
// their text. The new gate becomes the document's current gate; true when made.
bool de_PlaceGateAt(model::CreateParams params, void* sub, model::GateRecord* attachedTo, int x, int y,
                    bool askTexts);
bool de_PlaceGateWrapper(const model::CreateParams& params, void* sub, int x, int y);

// byName false: a gate of the kind of the gate under the window point (1 and
// nothing made when there is none); true: the user picks it through the
// chooser. Placed at (50, 50); 1 when placed, else 0.
int fn_InsertGateAt(bool byName, int x, int y);
// name is looked up in every module, then in the standard table; placed at (x, y).
int fn_InsertLibraryGate(const std::string& name, bool byName, int x, int y);
// A gate of a library module (or "%STD", the standard table) by name; port
// gates take the vector dimension option without asking.
int fn_InsertGateByName(const std::string& library, const std::string& name, bool byName, int x, int y,
                        int option);
// "Function-Addgate": the chooser, then the new gate is the document's
// current gate and the editor state 9; AND/OR module gates ask their input count.
int fn_AddGate();
// Deletes the gate under the window point ("Remove Gate ?" is accepted); none: state 0.
bool fn_RemoveGateAt(int x, int y);
// "Baustein Nr. ": moves the gate under the point to the answered place of the order.
bool fn_SetGateNumberAt(int x, int y);
bool fn_SetGateNumber(model::GateRecord* gate, int number);
// Re-places (copies) the gate under the point with its own settings; 1 when
// placed (or when no gate is there), 0 when refused.
int fn_EditGateAt(int x, int y);

// Makes the gate again with another input count (the creation values of the
// last placement, the same position); the new gate, or null when it could not
// be made (the old one is gone then).
model::GateRecord* gc_RemakeWithInputs(model::GateRecord* gate, unsigned inputs);

// The chooser of fn_AddGate and fn_InsertGateAt: asks the host for a text
// "NAME" (standard table) or "MODULE/NAME" with the title "Function-Addgate".
bool gc_ChooseGate(model::GatePick& pick, void* context);

// Stores a Text gate's text and height: a block of 16 + 8 x (n div 8 + 1)
// bytes, the height in its first word and the text from byte 8; every
// instance of the gate takes the new block. False without memory (the gate
// keeps its old text) or for a gate that is not a Text gate.
// logic: the logic that holds the gate (null: looked up in the modules).
bool scr_SetTextGateText(model::GateRecord* gate, int height, const std::string& text,
                         model::LogicRecord* logic = nullptr);

// The limit of a Text gate's text.
inline constexpr std::size_t kTextGateLimit = 32000;

} // namespace editor
