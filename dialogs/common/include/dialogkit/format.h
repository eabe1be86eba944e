#pragma once
// The checked formatter of message templates. Templates come from language
// resource libraries outside this system, so they are never handed to printf:
// only the placeholders %s %u %d %i %x %X %f (flags "-+ 0#", width and
// precision; "l" and "h" are ignored) are filled, each with the next argument
// when that argument has the placeholder's type (%s text, %u %x %X unsigned,
// %d %i int, %f double). A placeholder that does not match (wrong type, no
// argument left, unknown conversion, width or precision above 1024) stays in
// the text as written and takes no argument. "%%" gives "%". Numbers are
// written without the locale.
#include <initializer_list>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace kit {

class FormatArg {
public:
  FormatArg(const char* s) : v_(std::string(s ? s : "")) {}
  FormatArg(std::string s) : v_(std::move(s)) {}
  FormatArg(std::string_view s) : v_(std::string(s)) {}
  FormatArg(unsigned u) : v_(u) {}
  FormatArg(int i) : v_(i) {}
  FormatArg(double d) : v_(d) {}
  const std::variant<std::string, unsigned, int, double>& value() const { return v_; }
private:
  std::variant<std::string, unsigned, int, double> v_;
};

std::string formatChecked(std::string_view tmpl, const std::vector<FormatArg>& args);

} // namespace kit
