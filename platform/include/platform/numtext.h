#pragma once
// Numbers as text in files, target text and protocols: always with a decimal
// point, whatever locale the process runs in (a GUI takes the user's locale,
// where the C library's conversions would write and expect a comma).
#include "platform/export.h"
#include <string>
#include <string_view>

namespace plat::num {

// While it lives, this thread formats and parses numbers in the "C" locale
// (for printf-style code that cannot go through formatDouble).
class PLATFORM_API CLocaleScope {
public:
  CLocaleScope();
  ~CLocaleScope();
  CLocaleScope(const CLocaleScope&) = delete;
  CLocaleScope& operator=(const CLocaleScope&) = delete;

private:
  void* old_ = nullptr;
  bool set_ = false;
};

// printf-style formatting of one double (fmt holds exactly one conversion of
// a double such as "%f", "%g", "%.7g", "%e") in the "C" locale.
PLATFORM_API std::string formatDouble(const char* fmt, double v);
// Parses the whole text as a decimal floating-point number ("1.5", "-2e3",
// " 7 "): spaces around it are allowed, "+" before it too; anything else
// (a comma, junk after the number, an empty text) fails. Values beyond the
// double range fail as well. Locale-free.
PLATFORM_API bool parseDouble(std::string_view text, double& out);

} // namespace plat::num
