// INI files with the semantics of the Windows profile functions.
//
// The file is kept as a list of lines so that a write changes only the line of
// its key: comments, blank lines and the order of everything else survive.
// Every write takes an exclusive lock on "<file>.lock" beside the file, reads
// the file again under the lock, changes it and replaces it through a
// temporary file and a rename. Readers need no lock: they always see either
// the old or the new file, never a half-written one.
#include "platform/profile.h"
#include "platform/paths.h"

#include <cerrno>
#include <climits>
#include <optional>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace plat::profile {

namespace {

std::string_view trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
  return s;
}

bool iequal(std::string_view a, std::string_view b) {
  return a.size() == b.size() && path::toUpper(a) == path::toUpper(b);
}

struct Line {
  enum Kind { Other, Section, Key } kind = Other;
  std::string text;   // the line as in the file, without its end
  std::string name;   // section or key name, trimmed
  std::string value;  // key value, trimmed, enclosing quotes removed
};

Line parseLine(std::string text) {
  Line l;
  if (!text.empty() && text.back() == '\r') text.pop_back();
  l.text = std::move(text);
  std::string_view t = trim(l.text);
  if (t.empty() || t.front() == ';' || t.front() == '#') return l;
  // A UTF-8 byte order mark before the first line belongs to no name.
  if (t.substr(0, 3) == "\xEF\xBB\xBF") t = trim(t.substr(3));
  if (t.empty()) return l;
  std::size_t close = t.rfind(']');
  if (t.front() == '[' && close != std::string_view::npos) {
    l.kind = Line::Section;
    l.name = std::string(trim(t.substr(1, close - 1)));
    return l;
  }
  std::size_t eq = t.find('=');
  if (eq == std::string_view::npos) return l;
  l.kind = Line::Key;
  l.name = std::string(trim(t.substr(0, eq)));
  std::string_view v = trim(t.substr(eq + 1));
  if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front()) v = v.substr(1, v.size() - 2);
  l.value = std::string(v);
  return l;
}

struct Document {
  std::vector<Line> lines;

  static Document parse(const std::string& data) {
    Document d;
    std::size_t i = 0;
    while (i < data.size()) {
      std::size_t j = data.find('\n', i);
      if (j == std::string::npos) j = data.size();
      d.lines.push_back(parseLine(data.substr(i, j - i)));
      i = j + 1;
    }
    return d;
  }

  std::string text() const {
    std::string out;
    for (const Line& l : lines) {
      out += l.text;
      out += '\n';
    }
    return out;
  }

  // Index of the first section header of that name, or npos.
  std::size_t findSection(std::string_view section) const {
    for (std::size_t i = 0; i < lines.size(); ++i)
      if (lines[i].kind == Line::Section && iequal(lines[i].name, section)) return i;
    return npos;
  }
  // One past the last line of the section that starts at header s.
  std::size_t sectionEnd(std::size_t s) const {
    std::size_t i = s + 1;
    while (i < lines.size() && lines[i].kind != Line::Section) ++i;
    return i;
  }
  std::size_t findKey(std::size_t s, std::string_view key) const {
    std::size_t end = sectionEnd(s);
    for (std::size_t i = s + 1; i < end; ++i)
      if (lines[i].kind == Line::Key && iequal(lines[i].name, key)) return i;
    return npos;
  }
  std::optional<std::string> value(std::string_view section, std::string_view key) const {
    std::size_t s = findSection(section);
    if (s == npos) return std::nullopt;
    std::size_t k = findKey(s, key);
    if (k == npos) return std::nullopt;
    return lines[k].value;
  }

  static constexpr std::size_t npos = std::string::npos;
};

std::string fileFor(const std::string& file) {
  std::string r = path::resolveExisting(file);
  return r.empty() ? path::resolveForWrite(file) : r;
}

Document load(const std::string& file) {
  std::string data;
  if (!path::readFile(fileFor(file), data)) return {};
  return Document::parse(data);
}

// Holds the cross-process lock of a profile file while it lives.
class FileLock {
public:
  explicit FileLock(const std::string& file) {
    std::string lockPath = file + ".lock";
    fd_ = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (fd_ < 0) return;
    while (::flock(fd_, LOCK_EX) != 0) {
      if (errno != EINTR) {
        ::close(fd_);
        fd_ = -1;
        return;
      }
    }
  }
  ~FileLock() {
    if (fd_ >= 0) {
      ::flock(fd_, LOCK_UN);
      ::close(fd_);
    }
  }
  bool held() const { return fd_ >= 0; }
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;
private:
  int fd_ = -1;
};

// Runs change on the current content under the lock and writes the result
// when change reports a modification.
template <class Change> bool modify(const std::string& file, Change change) {
  std::string target = fileFor(file);
  if (target.empty()) return false;
  FileLock lock(target);
  if (!lock.held()) return false;
  std::string data;
  bool existed = path::readFile(target, data);
  Document doc = existed ? Document::parse(data) : Document{};
  if (!change(doc, existed)) return true;
  return path::writeFileAtomic(target, doc.text());
}

} // namespace

std::string getString(const std::string& file, const std::string& section, const std::string& key,
                      const std::string& def) {
  std::optional<std::string> v = load(file).value(section, key);
  return v ? *v : def;
}

long getInt(const std::string& file, const std::string& section, const std::string& key, long def) {
  std::optional<std::string> v = load(file).value(section, key);
  if (!v) return def;
  std::string_view s = *v;
  bool neg = false;
  if (!s.empty() && (s.front() == '-' || s.front() == '+')) {
    neg = s.front() == '-';
    s.remove_prefix(1);
  }
  if (s.empty() || s.front() < '0' || s.front() > '9') return def;
  // Saturates at the limits of long instead of wrapping around.
  const unsigned long long cap = (unsigned long long)LONG_MAX + 1;
  unsigned long long n = 0;
  for (char c : s) {
    if (c < '0' || c > '9') break;
    unsigned d = unsigned(c - '0');
    n = n > (cap - d) / 10 ? cap : n * 10 + d;
  }
  if (neg) return n > (unsigned long long)LONG_MAX ? LONG_MIN : -long(n);
  return n > (unsigned long long)LONG_MAX ? LONG_MAX : long(n);
}

bool hasKey(const std::string& file, const std::string& section, const std::string& key) {
  return load(file).value(section, key).has_value();
}

bool writeString(const std::string& file, const std::string& section, const std::string& key,
                 const char* value) {
  if (section.empty() && value) return false;
  // Names cannot hold a line break (it would start another line of the file).
  auto oneLine = [](std::string_view s) { return s.find_first_of("\r\n") == std::string_view::npos; };
  if (!oneLine(section) || !oneLine(key) || (value && !oneLine(value))) return false;
  if (key.empty() || key.find('=') != std::string::npos) return false;
  return modify(file, [&](Document& doc, bool existed) {
    std::size_t s = doc.findSection(section);
    if (!value) {
      if (s == Document::npos) return false;
      std::size_t k = doc.findKey(s, key);
      if (k == Document::npos) return false;
      doc.lines.erase(doc.lines.begin() + std::ptrdiff_t(k));
      return true;
    }
    Line kv = parseLine(key + "=" + value);
    if (s == Document::npos) {
      if (!doc.lines.empty() && !trim(doc.lines.back().text).empty()) doc.lines.push_back(Line{});
      doc.lines.push_back(parseLine("[" + section + "]"));
      doc.lines.push_back(std::move(kv));
      return true;
    }
    std::size_t k = doc.findKey(s, key);
    if (k != Document::npos) {
      // The key keeps the spelling it has in the file.
      Line changed = parseLine(doc.lines[k].name + "=" + value);
      if (doc.lines[k].text == changed.text) return false;
      doc.lines[k] = std::move(changed);
      return true;
    }
    // After the last non-blank line of the section.
    std::size_t at = doc.sectionEnd(s);
    while (at > s + 1 && trim(doc.lines[at - 1].text).empty()) --at;
    doc.lines.insert(doc.lines.begin() + std::ptrdiff_t(at), std::move(kv));
    return true;
  });
}

bool deleteSection(const std::string& file, const std::string& section) {
  return modify(file, [&](Document& doc, bool) {
    bool changed = false;
    for (std::size_t s; (s = doc.findSection(section)) != Document::npos;) {
      std::size_t end = doc.sectionEnd(s);
      doc.lines.erase(doc.lines.begin() + std::ptrdiff_t(s), doc.lines.begin() + std::ptrdiff_t(end));
      changed = true;
    }
    return changed;
  });
}

std::vector<std::string> sectionNames(const std::string& file) {
  Document doc = load(file);
  std::vector<std::string> out;
  for (const Line& l : doc.lines) {
    if (l.kind != Line::Section) continue;
    bool seen = false;
    for (const std::string& n : out) seen = seen || iequal(n, l.name);
    if (!seen) out.push_back(l.name);
  }
  return out;
}

std::vector<std::string> keyNames(const std::string& file, const std::string& section) {
  std::vector<std::string> out;
  for (auto& [k, v] : sectionEntries(file, section)) out.push_back(k);
  return out;
}

std::vector<std::pair<std::string, std::string>> sectionEntries(const std::string& file,
                                                                const std::string& section) {
  Document doc = load(file);
  std::vector<std::pair<std::string, std::string>> out;
  std::size_t s = doc.findSection(section);
  if (s == Document::npos) return out;
  std::size_t end = doc.sectionEnd(s);
  for (std::size_t i = s + 1; i < end; ++i) {
    const Line& l = doc.lines[i];
    if (l.kind != Line::Key) continue;
    bool seen = false;
    for (auto& e : out) seen = seen || iequal(e.first, l.name);
    if (!seen) out.emplace_back(l.name, l.value);
  }
  return out;
}

void flush(const std::string&) {}

} // namespace plat::profile
