#pragma once
// Access to the stand-in libraries of tests/support/dialog_fixtures.
#include "platform/library.h"
#include <string>

namespace shelltest {

inline std::string fixtureDir(const std::string& variant) { return std::string(SHELL_FIXTURES) + "/" + variant; }

// The calls a loaded fixture library logged ("" when it is not loaded).
inline std::string fixtureCalls(const std::string& dir, const char* file) {
  plat::lib::Handle h = plat::lib::load(dir + "/" + file);
  if (!h) return {};
  auto fn = plat::lib::symbolAs<int (*)(char*, int)>(h, "FixtureCalls");
  std::string out;
  if (fn) {
    out.resize(std::size_t(fn(nullptr, 0)) + 1);
    fn(out.data(), int(out.size()));
    out.resize(out.size() - 1);
  }
  plat::lib::unload(h);
  return out;
}

template <class F> F fixtureFn(const std::string& dir, const char* file, const char* name) {
  plat::lib::Handle h = plat::lib::load(dir + "/" + file);
  F f = h ? plat::lib::symbolAs<F>(h, name) : nullptr;
  // The handle stays open: the library keeps its state while the test runs.
  return f;
}

inline void fixtureClear(const std::string& dir, const char* file) {
  if (auto f = fixtureFn<void (*)()>(dir, file, "FixtureClear")) f();
}

} // namespace shelltest
