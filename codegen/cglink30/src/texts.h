#pragma once
// The string table of the code generator: message texts (4-62, 200-204,
// 500-506) and listing formats (300-332, 405-412). A language resource library
// may replace any of them (see TextSource).
#include <functional>
#include <string>

namespace cg {

// The built-in English text of an id; nullptr when the table has none.
const char* builtinText(int id);

// Where texts come from during a run: an optional override (the language
// resource library) and then the built-in table.
class TextSource {
public:
  using Lookup = std::function<bool(int id, std::string& out)>;
  void setOverride(Lookup l) { override_ = std::move(l); }
  void clearOverride() { override_ = nullptr; }
  // The text of id; false (and out empty) when none can be had.
  bool get(int id, std::string& out) const;
  std::string get(int id) const {
    std::string s;
    get(id, s);
    return s;
  }

private:
  Lookup override_;
};

// printf-style formatting into a std::string, always in the "C" locale (a
// decimal point in %e, %f and %g whatever the process locale).
std::string format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
// Formats with a run-time format text (from the table or a resource library).
std::string formatText(const char* fmt, ...);
template <class... A> std::string vformat(const std::string& fmt, A... args) {
  return formatText(fmt.c_str(), args...);
}

}  // namespace cg
