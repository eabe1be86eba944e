#include "session.h"

#include "parser.h"

#include "exprparser/exprparser.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace exprparser {
namespace {

// The integer part of a parameter; NaN and values out of range are held to
// what 32 bits can take.
int32_t integerPart(double d) {
  if (std::isnan(d)) return 0;
  if (d >= 2147483647.0) return 2147483647;
  if (d <= -2147483648.0) return INT32_MIN;
  return static_cast<int32_t>(d);
}

uint32_t flagAddress(const double* v, int byteIndex, int bitIndex) {
  uint32_t byte = static_cast<uint32_t>(integerPart(v[byteIndex]));
  uint32_t bit = static_cast<uint32_t>(integerPart(v[bitIndex])) % 8u;
  return byte * 8u + bit;
}

uint32_t poolBase(const double* v, int index) { return static_cast<uint32_t>(integerPart(v[index])) + 50u; }

size_t boundedLength(const char* s, size_t max) {
  size_t n = 0;
  while (n < max && s[n]) ++n;
  return n;
}

// The file name of a path: the part after the last separator or drive colon.
std::string fileNameOf(const std::string& path) {
  size_t cut = path.find_last_of("/\\:");
  return cut == std::string::npos ? path : path.substr(cut + 1);
}

// Only a plain file name may be deleted from the temporary directory.
bool isPlainFileName(const char* name) {
  if (!*name || std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0) return false;
  for (const char* p = name; *p; ++p)
    if (*p == '/' || *p == '\\') return false;
  return true;
}

std::string joinPath(const std::string& dir, const std::string& name) {
  if (dir.empty()) return name;
  if (dir.back() == '/' || dir.back() == '\\') return dir + name;
  return dir + "/" + name;
}

}  // namespace

GenSettings settingsFor(bool condition, int variant, bool swapFlags, const double* v) {
  GenSettings s;
  s.variant = condition ? variant : 0;
  if (!v) {
    s.poolBase = 51;
    s.markBase = 0;
    return s;
  }
  if (condition && variant != 0) {
    s.f1 = 0;
    s.f2 = flagAddress(v, 1, 2);
    s.f3 = flagAddress(v, 8, 9);
    s.f6 = 0;
    s.f4 = flagAddress(v, 4, 5);
    s.f5 = flagAddress(v, 6, 7);
    s.poolBase = poolBase(v, 3);
    s.markBase = s.f2 * 1000u;
    return s;
  }
  s.f1 = flagAddress(v, 1, 2);
  s.f2 = flagAddress(v, 3, 4);
  s.f4 = flagAddress(v, 8, 9);
  s.f5 = flagAddress(v, 10, 11);
  s.poolBase = poolBase(v, 7);
  if (condition) {
    s.f3 = swapFlags ? flagAddress(v, 5, 6) : flagAddress(v, 12, 13);
    s.f6 = swapFlags ? flagAddress(v, 12, 13) : flagAddress(v, 5, 6);
  } else {
    s.f3 = flagAddress(v, 5, 6);
  }
  s.markBase = s.f1 * 1000u;
  return s;
}

int writeTextFile(const std::string& path, const std::string& data) {
  std::string dir = path;
  size_t cut = dir.find_last_of('/');
  dir = cut == std::string::npos ? std::string(".") : (cut == 0 ? std::string("/") : dir.substr(0, cut));
  std::string tmpl = joinPath(dir, ".exprparser.XXXXXX");
  int fd = mkstemp(tmpl.data());
  if (fd < 0) return kCannotCreate;
  const char* p = data.data();
  size_t left = data.size();
  bool ok = true;
  while (left > 0) {
    ssize_t n = ::write(fd, p, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      ok = false;
      break;
    }
    p += n;
    left -= size_t(n);
  }
  (void)::fchmod(fd, 0644);  // mkstemp makes the file private; the text is not secret
  if (ok && ::fsync(fd) != 0) ok = false;
  if (::close(fd) != 0) ok = false;
  if (ok && std::rename(tmpl.c_str(), path.c_str()) != 0) ok = false;
  if (!ok) {
    ::unlink(tmpl.c_str());
    return kCannotWrite;
  }
  return 0;
}

bool Session::refuseWhenUnusable() {
  if (!unusable_) return false;
  errors_.error(unusable_);
  return true;
}

int Session::check(bool condition, const char* text, int16_t* aux, const double* vector) {
  errors_.clear();
  if (refuseWhenUnusable()) return 0;
  if (!aux) return 1;
  int16_t constants = 0, ex = 0, ey = 0;
  if (text) {
    errors_.note(kChecking, text);
    if (*text) {
      GenSettings s = condition ? settingsFor(true, aux[0], aux[3] != 0, vector) : settingsFor(false, 0, false, vector);
      Builder b(s, errors_);
      ParseOutcome o = parseText(text, Mode{condition, false}, b, errors_);
      size_t n = b.pool().values().size();
      constants = int16_t(n > 32767 ? 32767 : n);
      ex = o.usesEX ? 1 : 0;
      ey = o.usesEY ? 1 : 0;
    }
  }
  aux[0] = constants;
  aux[1] = ex;
  aux[2] = ey;
  return errors_.count() == 0 ? 1 : 0;
}

int Session::parseFormel(const char* text, int16_t* aux, const double* vector) {
  return check(false, text, aux, vector);
}

int Session::parseCondition(const char* text, int16_t* aux, const double* vector) {
  return check(true, text, aux, vector);
}

int Session::generate(bool condition, char* buffer, const int16_t* aux, const double* vector, int16_t* out) {
  errors_.clear();
  lastText_.clear();
  auto finish = [&](int result) {
    if (out) *out = int16_t(result);
    return result;
  };
  if (refuseWhenUnusable()) {
    if (buffer) buffer[0] = '\0';
    return finish(0);
  }
  // Nothing to generate from: no success either.
  if (!buffer || !aux) {
    if (buffer) buffer[0] = '\0';
    return finish(0);
  }
  const size_t bufferSize = condition ? EXPRPARSER_CONDITION_BUFFER_SIZE : EXPRPARSER_FORMULA_BUFFER_SIZE;
  std::string text;
  if (condition) {
    text.assign(buffer, std::min(boundedLength(buffer, bufferSize), bufferSize - 1));
  } else {
    // Bytes 0..9 hold the target (at most 9 characters), the formula starts at byte 10.
    std::string name(buffer, boundedLength(buffer, 9));
    std::string formula(buffer + 10, boundedLength(buffer + 10, 59));
    text = name + "=" + formula;
    std::memcpy(buffer, text.c_str(), text.size() + 1);
  }
  errors_.note(kChecking, text);
  GenSettings s = condition ? settingsFor(true, aux[0], aux[3] != 0, vector) : settingsFor(false, 0, false, vector);
  Builder b(s, errors_);
  if (!text.empty()) parseText(text, Mode{condition, true}, b, errors_);

  buffer[0] = '\0';
  if (errors_.count() == 0) {
    std::string path;
    bool havePath = services_ && services_->tempFilePath(path) && !path.empty();
    std::string name = havePath ? fileNameOf(path) : std::string();
    // The name must fit the caller's buffer (and at most 99 characters).
    const size_t maxName = std::min<size_t>(99, bufferSize - 1);
    if (!havePath || name.empty() || name.size() > maxName) {
      if (havePath) ::unlink(path.c_str());  // the empty file made for us is of no use
      errors_.error(kPathTooLong);
    } else {
      std::string generator = text;
      for (char& c : generator)
        if (c == '\n' || c == '\r') c = ' ';  // a line break would end the comment line
      lastText_ = renderText(generator, b.program(), b.pool());
      int w = writeTextFile(path, lastText_);
      if (w) errors_.error(w, path);
      std::memcpy(buffer, name.c_str(), name.size() + 1);
    }
  }
  return finish(errors_.count() == 0 ? 1 : 0);
}

int Session::formelZcdGen(char* buffer, const int16_t* aux, const double* vector, int16_t* out) {
  return generate(false, buffer, aux, vector, out);
}

int Session::conditionZcdGen(char* buffer, const int16_t* aux, const double* vector, int16_t* out) {
  return generate(true, buffer, aux, vector, out);
}

void Session::unlinkFile(const char* name, int16_t* out) {
  errors_.clear();
  if (!name || refuseWhenUnusable()) return;
  std::string dir;
  if (!services_ || !services_->tempDir(dir)) return;
  bool removed = isPlainFileName(name) && ::unlink(joinPath(dir, name).c_str()) == 0;
  if (out) *out = removed ? 1 : 0;
}

}  // namespace exprparser
