#pragma once
// Message boxes of the fuzz targets of this folder answer with their default
// button and log nothing.
#include "platform/uisink.h"

#include <memory>
#include <string>

namespace ddffuzz {

class QuietSink : public plat::ui::Sink {
public:
  int messageBox(const std::string&, const std::string&, unsigned style) override {
    return plat::ui::defaultAnswer(style);
  }
  bool prompt(const std::string&, const std::string&, std::string&) override { return false; }
};

// Installs the quiet sink once.
inline void quiet() {
  static auto installed = plat::ui::setSink(std::make_shared<QuietSink>());
  (void)installed;
}

}  // namespace ddffuzz
