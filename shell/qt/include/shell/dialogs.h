#pragma once
// The program's own dialogs, built in code: block selection with preview
// (template 5), library removal and replacement (20, 67), parameter entry
// (26, 41), vector and matrix input (9, 10), text input (7), on/off (31) and
// bits (32). They run modally for the frame through the dialog kit under the
// library name "Zerlo" and their template number; controls are named
// "c<id>". Each answers 1 for OK and 0 for cancel.
#include "engine/params.h"
#include "engine/services.h"
#include "shell/prompts.h"
#include "shell/services.h"

#include <QImage>
#include <cstdint>
#include <functional>
#include <string>

namespace shell {

inline constexpr const char* kDialogLibrary = "Zerlo";

// Hooks the dialogs need of the main program.
struct DialogHooks {
  std::function<bool()> onlineDisplayRuns;    // dlg_Input answers 0 at once while it runs
  std::function<void()> valueSheetChanged;    // WM_USER+16 to the value sheet's first child
  std::function<bool(const std::string& library, const std::string& block)> blockHelp;   // button 122
};
DialogHooks& dialogHooks();

// ---- block selection ----
int dlg_SelectBlock(const SelectCallbacks& cb, std::string& block, std::string& library);
int dlg_RemoveLibrary(const SelectCallbacks& cb, std::string& library);
int dlg_ReplaceLibrary(const SelectCallbacks& cb, std::string& library);
// The preview's zoom and offset (sheet units) for a block in an area:
// 1.0, reduced where the block is at least as large as the area (the smaller
// ratio wins); centred in a direction where it is smaller.
struct PreviewFit { float zoom = 1.0f; int offsetX = 0, offsetY = 0; };
PreviewFit dlg_PreviewFit(int areaW, int areaH, int blockW, int blockH);
// The preview picture of a block: white, the block drawn by the callback
// through the drawing layer; the layer's device, window and zoom restored.
QImage dlg_RenderPreview(const SelectCallbacks& cb, const std::string& library, const std::string& block,
                         int width, int height);

// ---- parameters (the operand table of the engine: designation and remark) ----
int dlg_ParamReal(double* value, double cls, double index, std::uint16_t* changed);
int dlg_ParamInt(std::int32_t* value, double cls, double index, std::uint16_t* changed);
int dlg_ParamBit(std::int32_t* value, double cls, double index, std::uint16_t* changed);
// text: at least 18 characters of room; cut to 17.
int dlg_ParamText(char* text, double cls, double index, std::uint16_t* changed);
int dlg_VectorInput(double* values, double cls, double index, double count, std::uint16_t* changed);
int dlg_MatrixInput(double* values, double cls, double index, double rows, std::uint16_t* changed);
// The operand text of a class and index ("PF12"; bits "B3.5").
std::string dlg_OperandText(int cls, long index, bool bit = false);

// ---- text, on/off, bits ----
// The text (only when shorter than 48 characters) is offered with trailing
// blanks removed; OK with a text stores it (maxLength counts the terminating
// zero) and sets ok = 1; Cancel or an empty text leaves it and sets ok = 0.
std::string& dlg_Input(const std::string& caption, std::string& text, int maxLength, std::uint16_t* ok);
std::string& dlg_InputB(const std::string& caption, std::string& text, int maxLength, std::uint16_t* ok);
void dlg_AskOnOff(const std::string& text, std::uint8_t* value, std::uint16_t* ok);
void dlg_AskBits(const std::string& text, std::uint8_t* value, std::uint16_t* ok);

// The block parameter forms' prompts over these dialogs.
class ShellParamDialogs : public engine::ParamDialogs {
public:
  bool promptReal(const std::string& prompt, double& value) override;
  bool promptInt(const std::string& prompt, std::int16_t& value) override;
  bool promptBool(const std::string& prompt, bool& value) override;
  bool promptWord(const std::string& prompt, std::uint16_t& value, int bits) override;
  bool promptText(const std::string& prompt, std::string& value, std::size_t maxLength) override;
  void message(int id) override;
  bool askYesNo(int id, const std::string& insert) override;
};

// The engine's services with the parameter dialogs that block code opens
// through its deferred externs (real, integer, bit and text parameters,
// vectors and matrices, the input dialog), shown by the operand's address text.
class DialogEngineServices : public ShellEngineServices {
public:
  bool dialogReal(const engine::DialogOperand& operand, double& value) override;
  bool dialogInt(const engine::DialogOperand& operand, std::int16_t& value) override;
  bool dialogBit(const engine::DialogOperand& operand, bool& value, int bit) override;
  bool dialogText(const engine::DialogOperand& operand, std::string& value) override;
  bool dialogVector(const engine::DialogOperand& operand, std::vector<double>& values, bool matrix) override;
  bool dialogInput(const std::string& prompt, std::string& text, std::int16_t value) override;
};
// installServices() with DialogEngineServices as the engine's services.
void installDialogServices();

} // namespace shell
