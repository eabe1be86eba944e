#pragma once
// Recording fakes of the shell and editor services, for tests of the model
// and of everything built on it. Answers come from scripts; every call is
// recorded in order.
#include "model/services.h"

#include <deque>
#include <string>
#include <vector>

namespace model {

class FakeShell : public ShellServices {
public:
  std::vector<std::string> calls;       // "msg 50036", "ask Vector Dimension ?", ...
  std::deque<int> integers;             // answers of askInteger; empty: the default
  std::deque<bool> integerCancels;      // true at the front cancels the next integer question
  std::deque<bool> yesNo;               // empty: Yes
  struct PortAnswer { bool ok; std::string name; std::uint16_t choice; };
  std::deque<PortAnswer> ports;         // empty: OK with the name as offered and choice 0
  std::deque<std::pair<bool, std::string>> texts;  // empty: OK, text unchanged
  RouteOptions route{0, 6, 1};   // routing off unless a test turns it on
  int outOfMemory = 0;
  int incompatible = 0;

  void msg_OutOfMemory() override { ++outOfMemory; calls.push_back("msg 50036"); }
  void menu_UpdateReduced() override { calls.push_back("menu reduced"); }
  void msg_IncompatibleDelete() override { ++incompatible; calls.push_back("msg 50045"); }
  void msg_SubprogramDeleted() override { calls.push_back("msg 40015"); }
  bool dlg_AskYesNo(int number) override {
    calls.push_back("ask " + std::to_string(number));
    if (yesNo.empty()) return true;
    const bool a = yesNo.front();
    yesNo.pop_front();
    return a;
  }
  void app_SetDropFlag(int number) override {
    pendingDrop = number;
    calls.push_back("drop " + std::to_string(number));
  }
  bool dlg_AskOutputName(const std::string& label, std::string& name, std::uint16_t& choice,
                         std::uint16_t& /*second*/, bool keepName) override {
    calls.push_back("port " + label + " [" + (keepName ? name : std::string()) + "]");
    if (ports.empty()) {
      if (!keepName) name.clear();
      choice = 0;
      return true;
    }
    PortAnswer a = ports.front();
    ports.pop_front();
    if (!a.ok) return false;
    name = a.name;
    choice = a.choice;
    return true;
  }
  bool dlg_AskText(const std::string& title, std::string& text, std::size_t maxLength) override {
    calls.push_back("text " + title + " [" + text + "]");
    if (texts.empty()) return true;
    auto a = texts.front();
    texts.pop_front();
    if (!a.first) return false;
    text = a.second.substr(0, maxLength);
    return true;
  }
  bool askInteger(const std::string& question, int& value) override {
    calls.push_back("ask " + question);
    if (!integerCancels.empty()) {
      const bool cancel = integerCancels.front();
      integerCancels.pop_front();
      if (cancel) return false;
    }
    if (!integers.empty()) {
      value = integers.front();
      integers.pop_front();
    }
    return true;
  }
  RouteOptions blk_GetRouteOptions() override { return route; }
};

class FakeEditor : public EditorServices {
public:
  std::vector<std::pair<int, int>> dirty;
  int flushes = 0;
  int routed = 0;
  std::vector<std::string> rebuilt;   // "name x y"
  std::vector<std::string> scripts;   // "height text"
  void ws_DirtyAddPoint(int x, int y) override { dirty.emplace_back(x, y); }
  void ws_DirtyFlush() override { ++flushes; }
  void ws_DirtyReset() override { dirty.clear(); }
  void route_Connection(WirePoint*&, int, int) override { ++routed; }
  bool scr_CreateGate(GateRecord*, int height, const std::string& text) override {
    scripts.push_back(std::to_string(height) + " " + text);
    return true;
  }
  bool ws_RebuildAfterParamChange(const char* logicName, int x, int y) override {
    rebuilt.push_back(std::string(logicName) + " " + std::to_string(x) + " " + std::to_string(y));
    return true;
  }
};

} // namespace model
