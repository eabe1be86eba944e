#pragma once
// What the engine needs of the shell: numbered messages, the information box
// of the index check, and the target program frame of the code writer. The
// default shows messages through the platform's UI sink; tests install the
// recording fake below.
#include <cstdint>
#include <string>
#include <vector>

namespace model { struct LogicRecord; }

namespace engine {

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
};

} // namespace engine
