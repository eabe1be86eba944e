#include "trmd001/diag_state.h"

namespace trmd {

DiagState& state() {
  static DiagState s;
  return s;
}

int DiagState::initFunctionTable(const RuntimeFunctionTable* t) {
  table_ = RuntimeFunctionTable{kRuntimeFunctionTableSize, nullptr, nullptr, nullptr, nullptr, nullptr};
  if (!t || t->size != kRuntimeFunctionTableSize) return 0;
  table_ = *t;
  return 1;
}

void DiagState::resetShared() {
  interfaceState_ = 501;
  statusShown_ = -999;
  simulation_ = 0;
  reshow_ = 1;
  closeRequest_ = 0;
  lastMode_ = 0;
  dialogResult_ = 300;
  for (auto& c : counters_) c = 0;
}

void DiagState::setDialogRunner(std::function<int(DiagState&)> runner) { runner_ = std::move(runner); }

int DiagState::callDialog(int request) {
  resetShared();
  if (request == 0) {
    dialogResult_ = runner_ ? runner_(*this) : 300;
  } else if (request == 1) {
    closeRequest_ = 1;
  }
  return dialogResult_.load();
}

int DiagState::infoLookOut(int code) {
  switch (code) {
  case 0: simulation_ = 1; statusShown_ = -999; return 0;
  case 1: simulation_ = 0; statusShown_ = -999; return 0;
  case 100: reshow_ = 1; return 0;
  default: return code - 100;
  }
}

int DiagState::interfaceError(int code) {
  if (code == 0) {
    interfaceState_ = 0;
    for (auto& c : counters_) c = 0;
    return 1;
  }
  if (code >= 601 && code <= 999) {
    interfaceState_ = 501;
    for (auto& c : counters_) c = 0;
    code -= 600;
  }
  if (code >= 1 && code <= 20) {
    int c = counters_[code - 1].load();
    while (c < kCounterLimit && !counters_[code - 1].compare_exchange_weak(c, c + 1)) {
    }
  }
  int sum = 0;
  for (auto& c : counters_) sum += c.load();
  if (sum >= 100) interfaceState_ = 1;
  return 1;
}

int DiagState::errorCounter(int n) const { return n >= 1 && n <= 20 ? counters_[n - 1].load() : 0; }

int DiagState::readValue(const char* area, int index, void* buffer, int size) const {
  return table_.readValue ? table_.readValue(area, index, buffer, size) : 0;
}
int DiagState::writeValue(const char* area, int index, const void* value) const {
  return table_.writeValue ? table_.writeValue(area, index, value) : 0;
}
void DiagState::setMode(int mode) const {
  if (table_.setMode) table_.setMode(mode);
}
int DiagState::getMode() const { return table_.getMode ? table_.getMode() : 0; }
int DiagState::settingsAction(int kind) const {
  if (!table_.settingsAction) return 0;
  table_.settingsAction(kind);
  return 1;
}

} // namespace trmd
