#pragma once
// Block parameters: one per-kind form over a gate's parameter (extra) values
// and presets (state values), run in one of three modes:
//   prompt - asked field by field through a ParamDialogs service;
//   write  - appended to a parameter text (one gate's lines, see below);
//   read   - taken back from such a text, skipping fields marked ":" and
//            asking those marked "?".
// Text layout of one gate (every line ends with CR LF):
//   <indent>"$ Gate No."<nr, 3 right>"  : "<type name>["  (GLOBAL)"]";"
//   <indent+4><prompt, 30>"="|":"" "<value, 12>";"
// Numbers are written and read locale-free (model/numbers.h).
// No windows here: the editor installs these functions in its engine hooks
// (pf_EditBlock, pf_PromptInt, pf_PromptIoValue) with a dialog service of its own.
#include <cstddef>
#include <cstdint>
#include <string>

#include "model/records.h"

namespace engine {

// The input dialogs the prompt mode asks through. Each returns false on Cancel.
class ParamDialogs {
public:
  virtual ~ParamDialogs() = default;
  virtual bool promptReal(const std::string& prompt, double& value) = 0;
  virtual bool promptInt(const std::string& prompt, std::int16_t& value) = 0;
  virtual bool promptBool(const std::string& prompt, bool& value) = 0;
  virtual bool promptWord(const std::string& prompt, std::uint16_t& value, int bits) = 0;
  virtual bool promptText(const std::string& prompt, std::string& value, std::size_t maxLength) = 0;
  virtual void message(int id) = 0;
  // A numbered question with a text for its "%s"; true on Yes. The default
  // shows the message and answers No.
  virtual bool askYesNo(int id, const std::string& /*insert*/) {
    message(id);
    return false;
  }
  // The title of the input dialogs while one gate's form asks (once a gate).
  virtual void setTitle(const std::string& /*title*/) {}
};

enum class ParamMode : std::uint8_t { Prompt = 0, Read = 1, Write = 2 };

// A parameter text with its read position (read mode) or the growing text
// (write mode).
struct ParamText {
  std::string text;
  std::size_t pos = 0;
  bool failed = false;  // read: text exhausted / header not found
};

// Arguments of one gate's parameter call.
struct ParamCall {
  model::GateRecord* gate = nullptr;
  model::GateInstance* instance = nullptr;
  bool enable = true;       // false: only the presets
  bool global = false;      // lines use ":" instead of "="
  bool allFields = true;    // compiled types: every described field, not only the clicked one
  std::int16_t clickX = 0, clickY = 0;
  ParamMode mode = ParamMode::Write;
  std::uint16_t gateNumber = 0;  // 0: read mode does not check numbers
  std::uint16_t indent = 0;
};

// Parameters and presets of one gate. Returns false when the prompt mode was
// cancelled or, in read mode, when the text ended / the header was not found
// (all remaining fields then keep their values).
bool gp_GateParams(const ParamCall& call, ParamText& text, ParamDialogs* dialogs);
// The parameter form alone (the editor's "edit block").
bool pf_EditBlock(const ParamCall& call, ParamText& text, ParamDialogs* dialogs);

// The prompt of parameter n (1-based) of a built-in kind; "" when none.
std::string pf_ParamPromptText(unsigned kind, int n);
// Default parameters of a new gate (kinds 6..89; others untouched).
void pf_SetParamDefaults(unsigned kind, double* extras, std::size_t count);
// Asks the set value of an I/O gate by its signal type (1 binary, 2..16
// word, 20 REAL); any other type shows 40017 and returns false.
bool pf_PromptIoValue(ParamDialogs& dialogs, unsigned signalType, double& value);
// An INT in the input dialog.
bool pf_PromptInt(ParamDialogs& dialogs, const std::string& prompt, std::int16_t& value);
// The form title of a gate: "Set Parameter Gate No :nnn; Name : " and its
// type name (up to the first blank, at most 16 characters).
std::string gp_SetFormTitle(const model::GateRecord* gate, unsigned gateNumber);
// "Accuracy" (REAL) and "Min. No of Steps" (INT, at least 1); false on Cancel.
bool pf_PromptAccuracy(ParamDialogs& dialogs, double& accuracy, std::int16_t& minSteps);
// The step width of a logic: "variable Stepwidth" (BOOL, bit 0 of the step
// flags), "Start Interval", "Min Interval", "Max Interval", "Incr. Interval".
bool pf_PromptStepWidth(ParamDialogs& dialogs, model::StepBlock& block);

// Described parameter field of a compiled type: 48 bytes a field.
struct ParamFieldDescriptor {
  std::uint8_t type = 0;      // 0 bits/word, 1 REAL, 2 INT, 3 text
  std::uint16_t count = 0;
  std::string prompt;         // at most 33 characters
  std::int16_t x = 0, y = 0, width = 0, height = 0;
  std::uint16_t offset = 0;   // byte offset in the parameter block
};
constexpr std::size_t kParamFieldSize = 48;
ParamFieldDescriptor pf_DecodeField(const std::uint8_t* raw);
// A slider field ("%2" prompt: "%2?min%max%"; a maximum not above the minimum
// is minimum + 100): the value set from a click in the field's box, along the
// width when the box is not higher than wide (left = min), else along the
// height (bottom = min); always within the range.
double pf_SliderValue(const ParamFieldDescriptor& d, double value, int clickX, int clickY);

// Integer parameters live in the first two bytes of their 8-byte slot.
std::uint16_t pf_SlotWord(const double& slot);
void pf_SetSlotWord(double& slot, std::uint16_t v);

} // namespace engine
