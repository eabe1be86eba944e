#pragma once
// What the engine needs of the shell: numbered messages, the information box
// of the index check, and the target program frame of the code writer. The
// default shows messages through the platform's UI sink; tests install the
// recording fake below.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace model { struct LogicRecord; }

namespace engine {

// The operand a parameter dialog edits: its address text (the dialog's
// title), and its class and index as the block code gave them, by which the
// shell finds the operand's name record.
struct DialogOperand {
  std::string title;
  int cls = 0;
  long index = 0;
};

// Texts of the numbered messages the engine raises.
const char* engineMessageText(int number);

class EngineServices {
public:
  virtual ~EngineServices() = default;
  // A numbered message of the standard dialogs library (50031, 50034, ...).
  virtual void showMessage(int number);
  // A numbered message with a name put in place of its "%s" (50046, 50047, ...).
  // May be called from a worker thread.
  virtual void showMessageWith(int number, const std::string& insert);
  // An information box (msg_Notice): text and caption shown unchanged.
  virtual void notice(const std::string& text, const std::string& caption);
  // Writes the target program frame of a logic (the code writer's part).
  virtual void writeFrame(model::LogicRecord* logic, std::uint16_t argument) {}
  // Redraws the gates of the current level (the display update of a step).
  virtual void redrawLevelGates() {}
  // The view scrolled to show the marked sequence gate.
  virtual void viewScrolled() {}
  // A macro level was entered: the view rebuilds itself for the new level
  // and redraws.
  virtual void rebuildView() {}

  // ---- what the outside externs need (dialogs, programs, deferred calls) ----
  // Puts a call into the shell's deferred-call table (run on the UI thread at
  // the next worksheet tick; dropped with the project that queued it); false
  // when the table is full. Without a shell nothing is queued.
  virtual bool queueDeferred(std::function<void()> call) { return false; }
  // The input dialogs the deferred externs open on the UI thread; each gives
  // false on Cancel (and without a shell).
  virtual bool dialogReal(const DialogOperand& operand, double& value) { return false; }
  virtual bool dialogInt(const DialogOperand& operand, std::int16_t& value) { return false; }
  virtual bool dialogBit(const DialogOperand& operand, bool& value, int bit) { return false; }
  virtual bool dialogText(const DialogOperand& operand, std::string& value) { return false; }
  // Vector (matrix false) or matrix input of the values.
  virtual bool dialogVector(const DialogOperand& operand, std::vector<double>& values, bool matrix) { return false; }
  // The input dialog "Eingabe": text edited, prompt and a value shown.
  virtual bool dialogInput(const std::string& prompt, std::string& text, std::int16_t value) { return false; }
  // A plain OK box owned by the frame window.
  virtual int messageBox(const std::string& text, const std::string& caption);
  // Runs a command line as a program (shown normally); false when the system
  // refuses it. The default splits at blanks (double quotes group) and spawns.
  virtual bool startProgram(const std::string& commandLine);
  // The auxiliary program's window (its endpoint name; "" when not found) that
  // the shell asks to close at exit.
  virtual void setHelperWindow(const std::string& endpoint) {}
  // A string of the language library (101: the caption of a missing picture).
  virtual std::string languageString(int id);
};

EngineServices& engineServices();
// Installs an implementation (null restores the default); returns the previous one.
EngineServices* setEngineServices(EngineServices* s);

// Records every call, for tests.
class RecordingEngineServices : public EngineServices {
public:
  std::vector<std::string> calls;
  void showMessage(int number) override { calls.push_back("msg " + std::to_string(number)); }
  void showMessageWith(int number, const std::string& insert) override {
    calls.push_back("msg " + std::to_string(number) + " " + insert);
  }
  void notice(const std::string& text, const std::string& caption) override {
    calls.push_back("notice " + caption + " " + text);
  }
  void writeFrame(model::LogicRecord*, std::uint16_t argument) override {
    calls.push_back("frame " + std::to_string(argument));
  }
  void redrawLevelGates() override { calls.push_back("redraw"); }
  void viewScrolled() override { calls.push_back("scrolled"); }
  void rebuildView() override { calls.push_back("rebuild"); }
  int messageBox(const std::string& text, const std::string& caption) override {
    calls.push_back("box " + caption + " " + text);
    return 1;
  }
  bool startProgram(const std::string& commandLine) override {
    calls.push_back("start " + commandLine);
    return startAnswer;
  }
  void setHelperWindow(const std::string& endpoint) override { calls.push_back("helper " + endpoint); }
  bool startAnswer = true;
};

} // namespace engine
