#include "dialogkit/resources.h"

#include "platform/library.h"
#include "platform/paths.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include <dlfcn.h>

namespace kit {

namespace {
int copyText(const char* text, char* buf, int size) {
  if (!text || !buf || size <= 0) return 0;
  std::size_t n = std::min(std::strlen(text), std::size_t(size - 1));
  std::memcpy(buf, text, n);
  buf[n] = '\0';
  return int(n);
}

// Reads a text through a resource library operation, growing the buffer until it fits.
template <class Fn>
std::optional<std::string> readGrowing(Fn call) {
  std::vector<char> buf(256);
  for (int round = 0; round < 8; ++round) {
    int n = call(buf.data(), int(buf.size()));
    if (n <= 0) return std::nullopt;
    if (std::size_t(n) < buf.size() - 1) return std::string(buf.data(), std::size_t(n));
    buf.resize(buf.size() * 4);
  }
  return std::string(buf.data());
}
} // namespace

const char* ResourceTable::string(unsigned id) const {
  for (std::size_t i = 0; i < stringCount; ++i)
    if (strings[i].id == id) return strings[i].text;
  return nullptr;
}

const char* ResourceTable::dialogText(unsigned dialog, unsigned control) const {
  for (std::size_t i = 0; i < dialogTextCount; ++i)
    if (dialogTexts[i].dialog == dialog && dialogTexts[i].control == control) return dialogTexts[i].text;
  return nullptr;
}

const BitmapEntry* ResourceTable::bitmap(unsigned id) const {
  for (std::size_t i = 0; i < bitmapCount; ++i)
    if (bitmaps[i].id == id) return &bitmaps[i];
  return nullptr;
}

int tableLoadString(const ResourceTable& t, unsigned id, char* buf, int size) {
  return copyText(t.string(id), buf, size);
}

int tableLoadDialogText(const ResourceTable& t, unsigned dialog, unsigned control, char* buf, int size) {
  return copyText(t.dialogText(dialog, control), buf, size);
}

int tableLoadBitmap(const ResourceTable& t, unsigned id, unsigned char* buf, int size) {
  const BitmapEntry* b = t.bitmap(id);
  if (!b) return 0;
  if (buf && size >= 0 && std::size_t(size) >= b->size) std::memcpy(buf, b->data, b->size);
  return int(b->size);
}

Resources::~Resources() { unloadLanguage(); }

bool Resources::loadLanguage(const std::string& path) {
  unloadLanguage();
  void* h = path.empty() ? nullptr : plat::lib::load(path);
  std::lock_guard<std::mutex> lk(mu_);
  if (!h) {
    error_ = path.empty() ? "no language directory" : plat::lib::lastError();
    return false;
  }
  auto s = plat::lib::symbolAs<LoadResStringFn>(h, "LoadResString");
  if (!s) {
    error_ = path + ": no LoadResString";
    plat::lib::unload(h);
    return false;
  }
  lib_ = h;
  str_ = s;
  dlg_ = plat::lib::symbolAs<LoadResDialogTextFn>(h, "LoadResDialogText");
  bmp_ = plat::lib::symbolAs<LoadResBitmapFn>(h, "LoadResBitmap");
  error_.clear();
  return true;
}

void Resources::unloadLanguage() {
  void* h = nullptr;
  {
    std::lock_guard<std::mutex> lk(mu_);
    h = lib_;
    lib_ = nullptr;
    str_ = nullptr;
    dlg_ = nullptr;
    bmp_ = nullptr;
  }
  if (h) plat::lib::unload(h);
}

bool Resources::languageLoaded() const {
  std::lock_guard<std::mutex> lk(mu_);
  return lib_ != nullptr;
}

std::string Resources::lastError() const {
  std::lock_guard<std::mutex> lk(mu_);
  return error_;
}

std::optional<std::string> Resources::string(unsigned id) const {
  {
    std::lock_guard<std::mutex> lk(mu_);
    if (str_) {
      auto fn = str_;
      if (auto s = readGrowing([&](char* b, int n) { return fn(id, b, n); })) return s;
    }
  }
  if (const char* t = builtIn_.string(id)) return std::string(t);
  return std::nullopt;
}

std::optional<std::string> Resources::dialogText(unsigned dialog, unsigned control) const {
  {
    std::lock_guard<std::mutex> lk(mu_);
    if (dlg_) {
      auto fn = dlg_;
      if (auto s = readGrowing([&](char* b, int n) { return fn(dialog, control, b, n); })) return s;
    }
  }
  if (const char* t = builtIn_.dialogText(dialog, control)) return std::string(t);
  return std::nullopt;
}

std::vector<unsigned char> Resources::bitmap(unsigned id) const {
  {
    std::lock_guard<std::mutex> lk(mu_);
    if (bmp_) {
      int n = bmp_(id, nullptr, 0);
      if (n > 0 && n <= (64 << 20)) {
        std::vector<unsigned char> v(static_cast<std::size_t>(n));
        if (bmp_(id, v.data(), n) == n) return v;
      }
    }
  }
  if (const BitmapEntry* b = builtIn_.bitmap(id)) return {b->data, b->data + b->size};
  return {};
}

std::string languageLibraryPath(const std::string& dir, const std::string& name) {
  if (dir.empty()) return {};
  std::string up = name;
  for (char& c : up) c = char(std::toupper(static_cast<unsigned char>(c)));
  char last = dir.back();
  return dir + ((last == '/' || last == '\\') ? "" : "/") + up;
}

std::string moduleFile(const void* addressInModule) {
  Dl_info info{};
  if (!addressInModule || ::dladdr(addressInModule, &info) == 0 || !info.dli_fname) return {};
  return info.dli_fname;
}

std::string moduleName(const void* addressInModule) {
  std::string file = moduleFile(addressInModule);
  return file.empty() ? file : plat::path::withExtension(plat::path::baseName(file), "");
}

} // namespace kit
