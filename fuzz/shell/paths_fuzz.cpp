// Feeds the path helpers and the file selectors arbitrary text: each result
// must stay inside its buffer (guard bytes after every buffer are checked).
#include "shell/fileselect.h"
#include "shell/names.h"
#include "shell/resources.h"
#include "shell/utilities.h"
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

namespace {

constexpr unsigned char kGuard = 0xA5;

// A buffer of size bytes followed by guard bytes.
struct Guarded {
  explicit Guarded(std::size_t size) : size(size), bytes(size + 16, kGuard) {}
  char* data() { return reinterpret_cast<char*>(bytes.data()); }
  void check() const {
    for (std::size_t i = size; i < bytes.size(); ++i)
      if (bytes[i] != kGuard) std::abort();
    // Every text result is terminated inside the buffer.
    if (size && std::memchr(bytes.data(), 0, size) == nullptr) std::abort();
  }
  std::size_t size;
  std::basic_string<unsigned char> bytes;
};

void fill(Guarded& g, const std::string& s) {
  std::size_t n = std::min(s.size(), g.size ? g.size - 1 : 0);
  std::memcpy(g.data(), s.data(), n);
  if (g.size) g.data()[n] = 0;
}

std::string g_cwd;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (g_cwd.empty()) {
    char buf[4096];
    if (::getcwd(buf, sizeof buf)) g_cwd = buf;
  }
  std::string all(reinterpret_cast<const char*>(data), size);
  std::size_t cut = all.find('\n');
  std::string a = all.substr(0, cut);
  std::string b = cut == std::string::npos ? std::string() : all.substr(cut + 1);
  // No zero bytes inside C texts.
  for (std::string* s : {&a, &b})
    for (char& c : *s)
      if (!c) c = 'x';

  std::size_t small = size ? std::size_t(data[0] % 40) : 1;
  {
    Guarded out(small + 1);
    shell::path_ResolveDotPath(a.c_str(), out.data(), out.size);
    out.check();
  }
  {
    Guarded out(small + 1);
    shell::path_GetShortName(a.c_str(), out.data(), out.size);
    out.check();
  }
  {
    std::string name = a;
    shell::path_CutExtension(name);
    shell::mod_HasMdlExtension(a.c_str(), a.size());
    shell::mod_IsOrdinaryName(a.c_str());
  }

  // The selectors with the incoming path and name in their buffers.
  using Selector = void (*)(char*, char*, std::uint16_t*);
  shell::setOpenDialog([&](const shell::OpenDialogRequest&, std::string& chosen) {
    chosen = b;
    return !b.empty();
  });
  for (Selector sel : {shell::fsel_OpenWithDirList, shell::fsel_AskOpenPreset, shell::fsel_AnswerNoneA}) {
    Guarded path(shell::kPathBuffer), name(shell::kNameBuffer);
    fill(path, a);
    fill(name, b);
    std::uint16_t ok = 0;
    shell::fsel_SetPresetLibrary(b.c_str());
    sel(path.data(), name.data(), &ok);
    path.check();
    name.check();
  }
  {
    // Pending open changes the current directory; put it back.
    Guarded path(shell::kPathBuffer), name(shell::kNameBuffer);
    shell::fsel_SetPendingOpen(a);
    std::uint16_t ok = 0;
    shell::fsel_AnswerPendingOpen(path.data(), name.data(), &ok);
    path.check();
    name.check();
    if (!g_cwd.empty() && ::chdir(g_cwd.c_str()) != 0) std::abort();
  }
  {
    Guarded sel(small + 1);
    std::memset(sel.data(), 0, sel.size);
    shell::fsel_GetSelectedName(sel.data(), sel.size);
    sel.check();
  }
  {
    Guarded out(small + 1);
    std::memset(out.data(), 0, out.size);
    shell::path_BuildProjectFile(out.data(), out.size);
    out.check();
  }
  shell::fsel_Reset();
  shell::setOpenDialog(nullptr);
  return 0;
}
