// File helpers and new projects from templates.
#include "core.h"
#include "projects.h"

#include "modelfiles/recordio.h"
#include "platform/paths.h"
#include "platform/profile.h"
#include "platform/uisink.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>

namespace sw {

namespace fs = std::filesystem;

namespace {


struct FileCloser {
  void operator()(std::FILE* f) const {
    if (f) std::fclose(f);
  }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

bool readable(const std::string& p) {
  File f(std::fopen(p.c_str(), "rb"));
  return f != nullptr;
}

// True when inner is outer or lies below it (canonical paths of what exists).
bool sameOrInside(const fs::path& outer, const fs::path& inner, bool& same) {
  std::error_code ec;
  fs::path o = fs::weakly_canonical(outer, ec);
  if (ec) return false;
  fs::path i = fs::weakly_canonical(inner, ec);
  if (ec) return false;
  auto strip = [](fs::path p) { return p.has_filename() ? p : p.parent_path(); };
  o = strip(o);
  i = strip(i);
  same = o == i;
  auto [oe, ie] = std::mismatch(o.begin(), o.end(), i.begin(), i.end());
  return oe == o.end();
}

} // namespace

bool sw_DirExists(const std::string& path) {
  std::error_code ec;
  return !path.empty() && fs::is_directory(path, ec);
}

int sw_CreatePath(const std::string& path) {
  if (path.empty()) return 0;
  fs::path p(path), sofar;
  for (const fs::path& part : p) {
    sofar /= part;
    if (part.empty() || part == "/") continue;
    std::error_code ec;
    fs::file_status st = fs::status(sofar, ec);
    if (fs::exists(st)) {
      if (!fs::is_directory(st)) return 0;
      continue;
    }
    if (!fs::create_directory(sofar, ec) && !sw_DirExists(sofar.string())) return 0;
  }
  return sw_DirExists(path) ? 1 : 0;
}

int sw_CopyFile(const char* src, const char* dst, int mode, const Say& say, bool* cancelled) {
  using namespace plat::ui;
  if (!src || !dst) {
    say(503, 0, {});
    return 0;
  }
  std::error_code ec;
  if (fs::equivalent(src, dst, ec)) return 1;  // one file: nothing to copy (and nothing to truncate)
  if (readable(dst)) {
    int answer = say(100, mode == 0 ? MB_YESNO : MB_YESNOCANCEL, {dst});
    if (answer == IDCANCEL) {
      if (cancelled) *cancelled = true;
      return 0;
    }
    if (answer == IDNO) return 1;
  }
  File in(std::fopen(src, "rb"));
  if (!in) {
    say(504, 0, {src});
    return 0;
  }
  File out(std::fopen(dst, "wb"));
  if (!out) {
    say(505, 0, {dst});
    return 0;
  }
  std::array<char, 2048> buf;
  for (;;) {
    std::size_t n = std::fread(buf.data(), 1, buf.size(), in.get());
    if (n == 0) break;
    if (std::fwrite(buf.data(), 1, n, out.get()) != n) {
      say(506, 0, {dst});
      return 0;
    }
  }
  if (std::ferror(in.get())) {
    say(507, 0, {src});
    return 0;
  }
  if (std::fclose(out.release()) != 0) {
    say(506, 0, {dst});
    return 0;
  }
  return 1;
}

bool isValidProjectName(const std::string& name) {
  if (name.empty() || name == "." || name == "..") return false;
  return name.find_first_of("*:?\\/") == std::string::npos;
}

std::string suggestProjectName(const std::string& dir, const std::string& tmpl, const std::string& ext) {
  std::string base = dir;
  if (!base.empty() && base.back() != '/') base += '/';
  for (int i = 0; i < 100; ++i) {
    std::string name = kit::formatChecked(tmpl, {i});
    if (!readable(base + name + ext)) return name;
  }
  return {};
}

namespace {
// A DIR or ICON value below the template directory: "\" and "/" both
// separate its parts (the file was written for Windows), a leading separator
// does not leave the template directory, and each part is matched without
// regard to case where it exists on disk.
std::string belowTemplateDir(const std::string& templateDir, const std::string& value) {
  std::string rel = plat::path::normalize(value);
  while (!rel.empty() && rel.front() == '/') rel.erase(0, 1);
  std::string joined = plat::path::join(templateDir, rel);
  std::string found = plat::path::resolveExisting(joined);
  return found.empty() ? joined : found;
}
} // namespace

bool LoadTemplates(const std::string& iniPath, const std::string& templateDir, TemplateList& out) {
  out = TemplateList{};
  if (!readable(iniPath)) return false;
  long def = plat::profile::getInt(iniPath, "GENERAL", "DEFAULT", 1);
  for (int n = 1;; ++n) {
    std::string section = std::to_string(n);
    Template t;
    t.dir = plat::profile::getString(iniPath, section, "DIR", "");
    if (t.dir.empty()) break;
    std::string icon = plat::profile::getString(iniPath, section, "ICON", "");
    if (!icon.empty() && !templateDir.empty()) t.icon = belowTemplateDir(templateDir, icon);
    t.name = plat::profile::getString(iniPath, section, "NAME", "");
    if (n == def) out.defaultIndex = int(out.items.size());
    out.items.push_back(std::move(t));
  }
  return true;
}

std::string GetTemplateFullDir(const std::string& templateDir, const Template& t) {
  if (templateDir.empty() || t.dir.empty()) return {};
  return belowTemplateDir(templateDir, t.dir);
}

namespace {

bool copyTree(const fs::path& src, const fs::path& dst, const std::string& base, const std::string& newName,
              const Say& say, bool* cancelled) {
  std::error_code ec;
  std::vector<fs::directory_entry> entries;
  for (const auto& e : fs::directory_iterator(src, ec)) entries.push_back(e);
  if (ec) {
    say(503, 0, {});
    return false;
  }
  std::sort(entries.begin(), entries.end());
  for (const auto& e : entries) {
    std::string file = e.path().filename().string();
    if (e.is_directory(ec)) {
      fs::create_directory(dst / file, ec);
      if (!copyTree(e.path(), dst / file, base, newName, say, cancelled)) return false;
      continue;
    }
    std::string stem = upper(e.path().stem().string());
    fs::path target = dst / file;
    bool renamed = stem == base;
    if (renamed) target = dst / upper(newName + file.substr(std::min(base.size(), file.size())));
    if (!sw_CopyFile(e.path().c_str(), target.c_str(), 1, say, cancelled)) return false;
    if (renamed && upper(target.extension().string()) == ".MDL" && !writeProjectNameField(target.string(), say))
      return false;
  }
  return true;
}

} // namespace

bool copyTemplate(const std::string& src, const std::string& dst, const std::string& base, const std::string& newName,
                  const Say& say, bool* cancelled) {
  bool same = false;
  if (sameOrInside(src, dst, same)) {
    say(same ? 503 : 502, 0, {});
    return false;
  }
  return copyTree(src, dst, upper(base), newName, say, cancelled);
}

bool writeProjectNameField(const std::string& path, const Say& say) {
  if (path.empty()) {
    say(506, 0, {path});
    return false;
  }
  File f(std::fopen(path.c_str(), "r+b"));
  if (!f) {
    say(506, 0, {path});
    return false;
  }
  std::uint8_t head[8] = {};
  std::size_t got = std::fread(head, 1, 8, f.get());
  auto u32 = [&](int at) {
    return std::uint32_t(head[at]) | std::uint32_t(head[at + 1]) << 8 | std::uint32_t(head[at + 2]) << 16 |
           std::uint32_t(head[at + 3]) << 24;
  };
  long offset = got == 8 && u32(0) == modelfiles::kMagic1 && u32(4) == modelfiles::kMagic2 ? 16 : 4;
  std::string name = plat::path::shortAlias(fs::path(path).filename().string());
  char field[12] = {};
  std::memcpy(field, name.data(), std::min<std::size_t>(name.size(), sizeof field));
  if (std::fseek(f.get(), offset, SEEK_SET) != 0 || std::fwrite(field, 1, sizeof field, f.get()) != sizeof field ||
      std::fclose(f.release()) != 0) {
    say(506, 0, {path});
    return false;
  }
  return true;
}

std::vector<std::string> bitmapFiles(const std::string& dir) {
  std::vector<std::string> out;
  std::error_code ec;
  fs::path d = dir.empty() ? fs::current_path(ec) : fs::path(dir);
  for (fs::directory_iterator it(d, ec), end; !ec && it != end; it.increment(ec)) {
    std::error_code e2;
    if (it->is_directory(e2)) continue;
    if (upper(it->path().extension().string()) == ".BMP") out.push_back(it->path().filename().string());
  }
  std::stable_sort(out.begin(), out.end(), [](const std::string& a, const std::string& b) { return upper(a) < upper(b); });
  return out;
}

std::string findFileNoCase(const std::string& dir, const std::string& name) {
  if (name.empty()) return {};
  std::error_code ec;
  if (fs::exists(fs::path(dir) / name, ec)) return name;
  std::string u = upper(name);
  for (fs::directory_iterator it(dir.empty() ? fs::path(".") : fs::path(dir), ec), end; !ec && it != end;
       it.increment(ec))
    if (upper(it->path().filename().string()) == u) return it->path().filename().string();
  return {};
}

std::string findBitmapFile(const std::string& dir, const std::string& field) {
  std::string found = findFileNoCase(dir, field);
  if (!found.empty() || field.empty()) return found;
  std::string alias = upper(field);
  for (const std::string& f : bitmapFiles(dir))
    if (f.size() > kBitmapNameChars && plat::path::shortAlias(f) == alias) return f;
  return {};
}

Rect previewRect(const Rect& f, int w, int h) {
  if (w < f.w && h < f.h) return {(f.x + f.x + f.w - w) / 2, (f.y + f.y + f.h - h) / 2, w, h};
  return f;
}

} // namespace sw
