#pragma once
// The logic of the standard dialogs library without widgets: name rules and
// lookups over the caller's name lists, the service table, the default names
// of new projects and the start screen's notice clock.
#include "stockwin/stockwin.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace sw {

// ---- names ----
// A subprogram name: not null, not beginning with "&" or "$", no blank or tab
// (the empty name passes; callers refuse it before).
bool isValidName(const char* name);
// No blank and no tab (null fails).
bool isBlankFree(const char* name);
// The first node whose name equals name exactly; null for a null list or name.
const NameNode* findName(NameNode* const* list, const char* name);
int countName(NameNode* const* list, const char* name);
// The non-null names of the list in list order.
std::vector<std::string> listNames(NameNode* const* list);
// Upper-cased (ASCII), cut to n characters.
std::string upperCut(const std::string& s, std::size_t n);
inline std::string upper(const std::string& s) { return upperCut(s, std::string::npos); }

// ---- the service table ----
// The library's copy of the main program's callbacks. set() with a null table
// changes nothing; a size word below the table's takes the entries that lie
// whole within it and clears the rest; the kept size is always the table's.
class Services {
public:
  Services() { reset(); }
  void reset();
  void set(const ServiceFunctionTable* table);
  const ServiceFunctionTable& table() const { return t_; }
  float zoom() const { return t_.zoom ? t_.zoom() : 1.0f; }
private:
  ServiceFunctionTable t_{};
};
Services& services();

// ---- new projects ----
// True when the file name of path (after the last "/", "\" or ":", before the
// last dot after it) is the template formatted with the number that follows
// the template's prefix (the text before its first "%").
bool isDefaultProjectName(const char* path, const std::string& tmpl);

// ---- start screen ----
// The notice of the start screen: once the deadline has passed and the frame
// is known, the frame is told once. The clock is injected (milliseconds).
class StartNotice {
public:
  using Clock = std::function<std::int64_t()>;
  StartNotice(Clock clock, std::int64_t minimumMs) : clock_(std::move(clock)) { deadline_ = clock_() + minimumMs; }
  // One tick: the frame to notify now (0: nothing to send).
  SwWindow tick(const SwWindow* frame);
  bool sent() const { return sent_; }
private:
  Clock clock_;
  std::int64_t deadline_ = 0;
  bool sent_ = false;
};
// The lines of the start screen: each cut to 35 characters, null as empty.
std::vector<std::string> startLines(const StartBitmapParams* p);

} // namespace sw

namespace sw {
// ---- worksheet setup ----
// Slider positions of the record's values (out-of-range values show 10 and 6)
// and back. The zoom product is taken in f32, so a stored 0.7 shows 7.
int zoomPosition(float zoom);
float zoomFromPosition(int position);
int periodPosition(int periodMs);
int formatIndex(int format);
} // namespace sw
