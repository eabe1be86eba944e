#pragma once
// What the model needs of the application shell and of the editor, as
// interfaces. The shell and the editor install their real implementations;
// until then (and in headless programs) the defaults below are used: messages
// and questions go through the platform's UI sink, editor services do nothing.
// Recording fakes for tests are in model/fake_services.h.
#include <cstddef>
#include <cstdint>
#include <string>

namespace model {

struct GateRecord;
struct LogicRecord;
struct WirePoint;

// Message texts of the numbered messages that the model raises.
const char* messageText(int number);

// Auto-routing options of the shell's settings ("autoroot"); the values are
// those in force before the settings are read.
struct RouteOptions {
  std::uint8_t onoff = 1;     // 1: new and moved connections are routed
  std::int16_t node = 6;      // search depth in straight runs (4..9 when used)
  std::uint8_t crosstext = 1; // 1: Text gates are no obstacles
};

class ShellServices {
public:
  virtual ~ShellServices() = default;
  // 50036 "Insufficient memory! Save and start again."
  virtual void msg_OutOfMemory();
  virtual void menu_UpdateReduced() {}
  // 50045 "Incompatibility !   Deletion of lines or connecting."
  virtual void msg_IncompatibleDelete();
  // 40015 "Subprogram call-up is being deleted!"
  virtual void msg_SubprogramDeleted();
  // Shows the numbered message as a Yes/No question; true on Yes.
  virtual bool dlg_AskYesNo(int number);
  // Leaves a message number pending for the block-drop service.
  virtual void app_SetDropFlag(int number) { pendingDrop = number; }
  // The port dialog: label "Input" or "Output", the name (at most 16
  // characters) and the type choice. The name is emptied first unless keepName.
  // True on OK with the answers in place; nothing changed on Cancel.
  virtual bool dlg_AskOutputName(const std::string& label, std::string& name,
                                 std::uint16_t& choice, std::uint16_t& second, bool keepName);
  // A text prompt (title, at most maxLength characters); true on OK.
  virtual bool dlg_AskText(const std::string& title, std::string& text, std::size_t maxLength);
  // The integer prompt of the block parameter forms; value holds the default
  // on entry and the answer on OK; false when cancelled.
  virtual bool askInteger(const std::string& question, int& value);
  virtual RouteOptions blk_GetRouteOptions() { return {}; }

  // Numbered messages of the standard dialogs library (text of messageText);
  // the answer is the button pressed (6 Yes). "%s" takes text.
  virtual int bind_SW50_CallMBWithID(int number, unsigned style);
  virtual int bind_SW50_CallMBWithIDAndString(int number, const std::string& text, unsigned style);
  // 50037, 50038, 50039, 50040, 50041, 50044, 50016.
  virtual void msg_FileError() { bind_SW50_CallMBWithID(50037, 0); }
  virtual void msg_FileNotLoaded() { bind_SW50_CallMBWithID(50038, 0); }
  virtual void msg_NameConflict() { bind_SW50_CallMBWithID(50039, 0); }
  virtual void msg_VersionConflict() { bind_SW50_CallMBWithID(50040, 0); }
  virtual void msg_FatalVersionConflict() { bind_SW50_CallMBWithID(50041, 0); }
  virtual void msg_InvalidFile() { bind_SW50_CallMBWithID(50044, 0); }
  virtual void msg_PrintFailed() { bind_SW50_CallMBWithID(50016, 0); }
  // 50042 "File %s could not be found. Enter new path?": 0 on Yes, 1 on No.
  virtual int msg_AskNewPath(const std::string& name);
  // A text in a box with the caption "Hinweis"; returns 1.
  virtual int msg_Notice(const std::string& text);
  virtual void app_BeginWaitCursor() {}
  virtual void app_EndWaitCursor() {}

  int pendingDrop = 0;   // last message left for the block-drop service
};

class EditorServices {
public:
  virtual ~EditorServices() = default;
  virtual void ws_DirtyAddPoint(int /*x*/, int /*y*/) {}
  virtual void ws_DirtyFlush() {}
  virtual void ws_DirtyReset() {}
  // Replaces the points of a wire whose first and last points are its ends by
  // a routed path (joinNet 1: a branch may end on its net; interactive 1 from
  // the wiring loop). The default leaves the two points.
  virtual void route_Connection(WirePoint*& /*wire*/, int /*joinNet*/, int /*interactive*/) {}
  // Stores a Text gate's text and height (the gate script operation).
  virtual bool scr_CreateGate(GateRecord* gate, int height, const std::string& text);
  // Rebuilds the call gate at (x, y) of the edited logic after the called
  // logic's ports changed.
  virtual bool ws_RebuildAfterParamChange(const char* /*logicName*/, int /*x*/, int /*y*/) { return false; }
  // The editor's port name buffer, used when ports are named without dialog.
  std::string portNameBuffer;
  // Set while the editor creates a Text gate by itself: no text dialogs.
  bool suppressTextDialogs = false;
};

// Default parameters of a new gate by kind (kinds 6..89; others untouched),
// written into its first count extra values; integer defaults go into the
// first two bytes of their 8-byte slot.
void pf_KindParamDefaults(unsigned kind, double* extras, std::size_t count);

// Parameter defaults of a new gate. The default writes the kind's defaults
// (pf_KindParamDefaults) into the gate's extra values; a program may install
// another implementation.
class ParamDefaults {
public:
  virtual ~ParamDefaults() = default;
  virtual void pf_SetParamDefaults(GateRecord* gate);
};

// Text measurement for Text gate extents.
class FontMetrics {
public:
  virtual ~FontMetrics() = default;
  // Sets the text height; returns the character cell height.
  virtual int setTextHeight(int height) = 0;
  virtual int textWidth(const std::string& line) = 0;
};

// Fixed metrics: cell height = text height, every character cellWidth wide.
class FixedFontMetrics : public FontMetrics {
public:
  explicit FixedFontMetrics(int cellWidth = 8) : cellWidth_(cellWidth) {}
  int setTextHeight(int height) override { return height; }
  int textWidth(const std::string& line) override { return int(line.size()) * cellWidth_; }
private:
  int cellWidth_;
};

ShellServices& shell();
EditorServices& editor();
ParamDefaults& paramDefaults();
FontMetrics& fontMetrics();
// Installs an implementation (null restores the default); returns the previous one.
ShellServices* setShell(ShellServices* s);
EditorServices* setEditor(EditorServices* e);
ParamDefaults* setParamDefaults(ParamDefaults* p);
FontMetrics* setFontMetrics(FontMetrics* f);

} // namespace model
