#include "core.h"

#include "dialogkit/format.h"

#include <cctype>
#include <cstddef>
#include <cstring>

namespace sw {

bool isValidName(const char* name) {
  if (!name) return false;
  if (name[0] == '&' || name[0] == '$') return false;
  return isBlankFree(name);
}

bool isBlankFree(const char* name) {
  return name && !std::strchr(name, ' ') && !std::strchr(name, '\t');
}

const NameNode* findName(NameNode* const* list, const char* name) {
  if (!list || !name) return nullptr;
  for (const NameNode* n = *list; n; n = n->next)
    if (n->name && std::strcmp(n->name, name) == 0) return n;
  return nullptr;
}

int countName(NameNode* const* list, const char* name) {
  if (!list || !name) return 0;
  int count = 0;
  for (const NameNode* n = *list; n; n = n->next)
    if (n->name && std::strcmp(n->name, name) == 0) ++count;
  return count;
}

std::vector<std::string> listNames(NameNode* const* list) {
  std::vector<std::string> out;
  if (!list) return out;
  for (const NameNode* n = *list; n; n = n->next)
    if (n->name) out.emplace_back(n->name);
  return out;
}

std::string upperCut(const std::string& s, std::size_t n) {
  std::string r = s.substr(0, n);
  for (char& c : r) c = char(std::toupper(static_cast<unsigned char>(c)));
  return r;
}

// ---- services ----
void Services::reset() {
  t_ = ServiceFunctionTable{};
  t_.size = sizeof(ServiceFunctionTable);
}

void Services::set(const ServiceFunctionTable* table) {
  if (!table) return;
  if (table->size >= sizeof(ServiceFunctionTable)) {
    t_ = *table;
  } else {
    // Whole entries only: an entry that lies partly beyond the size stays null.
    ServiceFunctionTable copy{};
    constexpr std::size_t first = offsetof(ServiceFunctionTable, zoom);
    constexpr std::size_t entry = sizeof(void (*)());
    std::size_t whole = table->size > first ? (table->size - first) / entry : 0;
    std::memcpy(reinterpret_cast<char*>(&copy) + first, reinterpret_cast<const char*>(table) + first,
                whole * entry);
    t_ = copy;
  }
  t_.size = sizeof(ServiceFunctionTable);
}

Services& services() {
  static Services s;
  return s;
}

// ---- default names ----
bool isDefaultProjectName(const char* path, const std::string& tmpl) {
  if (!path) return false;
  std::string p = path;
  std::size_t slash = p.find_last_of("/\\:");
  std::string name = slash == std::string::npos ? p : p.substr(slash + 1);
  std::size_t dot = name.rfind('.');
  if (dot != std::string::npos) name.resize(dot);
  std::string prefix = tmpl.substr(0, tmpl.find('%'));
  if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0) return false;
  unsigned number = 0;
  for (std::size_t i = prefix.size(); i < name.size() && std::isdigit(static_cast<unsigned char>(name[i])); ++i) {
    number = number * 10 + unsigned(name[i] - '0');
    if (number > 100000000u) break;
  }
  return kit::formatChecked(tmpl, {int(number)}) == name;
}

// ---- start screen ----
SwWindow StartNotice::tick(const SwWindow* frame) {
  if (sent_ || clock_() < deadline_ || !frame || *frame == 0) return 0;
  sent_ = true;
  return *frame;
}

std::vector<std::string> startLines(const StartBitmapParams* p) {
  std::vector<std::string> out(3);
  if (!p) return out;
  for (int i = 0; i < 3; ++i)
    if (p->lines[i]) out[std::size_t(i)] = std::string(p->lines[i]).substr(0, 35);
  return out;
}

} // namespace sw

namespace sw {

int zoomPosition(float zoom) {
  if (!(zoom >= 0.3f && zoom <= 10.0f)) return 10;
  float product = zoom * 10.0f;
  return int(product);
}

float zoomFromPosition(int position) { return float(position) * 0.1f; }

int periodPosition(int periodMs) { return periodMs >= 50 && periodMs <= 5000 ? periodMs / 50 : 6; }

int formatIndex(int format) { return format >= 0 && format <= 5 ? format : 0; }

} // namespace sw
