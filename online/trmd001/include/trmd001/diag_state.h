#pragma once
// The diagnosis library's state shared between its exports and its window:
// the interface state and error counters reported by the software PLC, the
// look-out requests, and the runtime's function table.
#include "runtime/runtime_function_table.h"

#include <atomic>
#include <functional>

namespace trmd {

class DiagState {
public:
  // Exports.
  int initFunctionTable(const RuntimeFunctionTable* table);
  int callDialog(int request);
  int infoLookOut(int code);
  int interfaceError(int code);

  // The window that CallTrmd001Dlg (0) runs: returns the dialog result (100 or
  // 300). Without one (headless) the dialog ends at once with 300.
  void setDialogRunner(std::function<int(DiagState&)> runner);

  // Shared values.
  int interfaceState() const { return interfaceState_.load(); }
  int statusShown() const { return statusShown_.load(); }
  bool simulation() const { return simulation_.load() != 0; }
  bool reshowRequest() const { return reshow_.load() != 0; }
  bool closeRequest() const { return closeRequest_.load() != 0; }
  int dialogResult() const { return dialogResult_.load(); }
  int errorCounter(int n) const;             // n 1..20
  const RuntimeFunctionTable& table() const { return table_; }

  // Function table wrappers: 0 (or nothing) while an entry is null.
  int readValue(const char* area, int index, void* buffer, int size) const;
  int writeValue(const char* area, int index, const void* value) const;
  void setMode(int mode) const;
  int getMode() const;
  int settingsAction(int kind) const;

  void resetShared();

  // The window's changes of the shared values.
  void setStatusShown(int s) { statusShown_ = s; }
  void clearReshowRequest() { reshow_ = 0; }
  void setInterfaceStateMinimised() { interfaceState_ = 500; }

  // Each error counter stops here, so that the counters and their sum never overflow.
  static constexpr int kCounterLimit = 1000000;                        // what constructing a dialog object does

private:
  RuntimeFunctionTable table_{kRuntimeFunctionTableSize, nullptr, nullptr, nullptr, nullptr, nullptr};
  std::atomic<int> interfaceState_{501};
  std::atomic<int> statusShown_{-999};
  std::atomic<int> simulation_{0};
  std::atomic<int> reshow_{1};
  std::atomic<int> closeRequest_{0};
  std::atomic<int> lastMode_{0};
  std::atomic<int> dialogResult_{300};
  std::atomic<int> counters_[20] = {};
  std::function<int(DiagState&)> runner_;
};

DiagState& state();

} // namespace trmd
