#pragma once
// Gate kinds: the name table of the built-in kinds 1..89, the two palette
// orders, the creation questions and counts of a new gate, the pin-type rules,
// the parameter sharing predicate, and the lookup of gate types by name.
#include "model/records.h"

#include <array>
#include <cstdint>
#include <string>

namespace model {

constexpr int kKindCount = 89;

// The 16-character blank-padded name of a kind (row 0 and kinds outside 1..89:
// sixteen blanks). The returned pointer is to exactly 16 characters, not
// zero-terminated.
const char* gt_KindNameField(unsigned kind);
// The name of a kind without the padding (and with its "%" mark).
std::string gt_KindName(unsigned kind);

// Palette orders: a permutation of the kinds 1..89.
const std::array<std::uint8_t, kKindCount>& gt_PaletteOrderGrouped();
const std::array<std::uint8_t, kKindCount>& gt_PaletteOrderAlphabetical();
// The order in force: alphabetical from the start; gt_ApplyPaletteOption picks
// by the document's PaletteOrderOption (0 grouped, else alphabetical).
const std::array<std::uint8_t, kKindCount>& gt_PaletteOrder();
void gt_ApplyPaletteOption(std::uint8_t option);
// Entry i (0-based) of the order in force; 0 for an index outside 0..88.
std::uint8_t gt_PaletteEntry(int index);

// Defaults kept between creations.
extern std::uint16_t DefaultVectorDimension;  // 1 at start
extern std::uint16_t DefaultWordWidth;        // 2 at start

// The creation values of a new gate.
struct CreateParams {
  std::uint8_t kind = 0;
  PinSignalType inputType = kTypeOpen;
  PinSignalType outputType = kTypeOpen;
  std::uint16_t inputCount = 1;
  std::uint16_t outputCount = 1;
  std::uint16_t extraCount = 0;
  std::uint16_t stateCount = 0;
  // The parameter block handed to gate creation: 8 bytes for most kinds, 24
  // for the marker kinds (first extra rows).
  std::array<std::uint8_t, 24> block{};
  std::string portName;     // Input and Output: the answered name
};

// Fills the creation values of a gate of the kind, asking the shell's prompts
// where the kind needs it; false when a question is cancelled or an answer is
// out of its range. reference: the called logic (kind 0), the type record
// (133, 134) or the marker gate (83, 84); attachedTo: the gate a
// Param.-Variation gate belongs to. The kind may change (a port answered 0).
bool gt_AskCreateParams(CreateParams& p, void* reference, GateRecord* attachedTo);
// The same for gates built from stored text: Input and Output take the given
// vector dimension and ask nothing.
bool gt_AskCreateParamsMacro(CreateParams& p, void* reference, GateRecord* attachedTo,
                             std::uint16_t portDimension);
// Input and Output take the dimension and ask nothing; other kinds as
// gt_AskCreateParams.
bool gt_AskCreateParamsDim(CreateParams& p, void* reference, GateRecord* attachedTo,
                           std::uint16_t portDimension);

// Pin-type rules: test whether pin (1-based) accepts the type and set the
// pin's type (the offered type when accepted, the rule's fallback when
// refused). coupled is set for kinds whose pins of one class share one type.
// A pin number outside the gate's pins is refused and changes nothing.
bool gt_InputTypeOk(GateRecord* gate, unsigned pin, PinSignalType type, bool& coupled);
bool gt_OutputTypeOk(GateRecord* gate, unsigned pin, PinSignalType type, bool& coupled);

// The sharing predicate: whether the gate's extra values are shared by all
// its instances.
bool gt_SharesParams(const LogicRecord* logic, const GateRecord* gate, bool allowed);

// Counted gates take part in gate ordinals: not Input, Param.-Variation or
// Disable-Logic, and not a compiled gate whose type has flag bit 1.
bool gt_IsCountedGate(const GateRecord* gate);

// Bits needed for n: 1, plus 1 for every halving while n is 2 or more.
unsigned gt_BitsNeeded(unsigned n);

// Lookups by name (16-character fields compared blank-padded; module names as
// 8-character fields). kind receives 0 (plain logic), 133 or 134 (compiled
// type) or 1..89; type receives the LogicRecord or GateTypeRecord.
// Searches every module of the document first, then the name table. Naming the
// logic being edited (editLogic) fails.
bool gt_FindStdGate2(const char* name, const LogicRecord* editLogic, std::uint8_t& kind, void*& type);
// moduleName "%STD": the name table only; else the modules whose name matches.
// Naming the edited logic fails and leaves 50050 pending for the block drop.
bool gt_FindStdModule(const char* moduleName, const char* name, const LogicRecord* editLogic,
                      std::uint8_t& kind, void*& type);
// Picks through a chooser (the selection list) and looks the pick up; a
// cancelled pick or a blank name fails.
struct GatePick { std::string module; std::string name; };
using GateChooser = bool (*)(GatePick& pick, void* context);
bool gt_FindStdGate(GateChooser choose, void* context, const LogicRecord* editLogic,
                    std::uint8_t& kind, void*& type);

// Field comparisons: a and b as blank-padded fields of width n (a zero byte
// ends a name and counts as blank padding).
bool gt_FieldEquals(const char* a, const char* b, std::size_t n);

// Port and text names. Input/Output gates get 8 extra rows holding the name;
// a Text gate its text from byte 8 with the height in row 0.
std::string gt_PortName(const GateRecord* gate);
bool gt_SetPortName(LogicRecord* logic, GateRecord* gate, const std::string& name);
std::string gt_GateText(const GateRecord* gate, int* height = nullptr);
// Edits a port name through the port dialog, or a Text gate's text through
// the text dialog (handed to the editor's scr_CreateGate). The present name is
// shown; Cancel changes nothing.
bool gt_GateNameText(LogicRecord* logic, GateRecord* gate);
// Without port dialog: ports take the editor's port name buffer; a Text gate
// asks its text (at most 255 characters; empty becomes "###").
bool gt_NameText2(LogicRecord* logic, GateRecord* gate);

} // namespace model
