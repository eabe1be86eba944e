#pragma once
// Resources of a dialog library: its built-in English tables and, loaded by
// name from the language directory, its language resource library.
//
// The ABI of a language resource library (all three dialog libraries use it;
// the first is also the formula parser's):
//   int LoadResString(unsigned id, char* buf, int size)
//       the text of string id, terminated, cut to size - 1 characters; its
//       length, 0 when there is no such text (or no buffer)
//   int LoadResDialogText(unsigned dialog, unsigned control, char* buf, int size)
//       the text of a control of a dialog (control 0: the caption); as above
//   int LoadResBitmap(unsigned id, unsigned char* buf, int size)
//       the bytes of picture id as a .BMP file; the number of bytes the
//       picture has (0 when none); the bytes are copied only when they fit
//       size (buf may be null to ask for the size)
// Only LoadResString is required; a library without the others leaves dialog
// texts and pictures built in. A text or picture the language library does
// not have is taken from the built-in tables.
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace kit {

struct StringEntry {
  unsigned id;
  const char* text;
};
struct DialogTextEntry {
  unsigned dialog, control;
  const char* text;
};
struct BitmapEntry {
  unsigned id;
  const unsigned char* data;
  std::size_t size;
};

// A library's tables (static arrays; any may be empty).
struct ResourceTable {
  const StringEntry* strings = nullptr;
  std::size_t stringCount = 0;
  const DialogTextEntry* dialogTexts = nullptr;
  std::size_t dialogTextCount = 0;
  const BitmapEntry* bitmaps = nullptr;
  std::size_t bitmapCount = 0;

  const char* string(unsigned id) const;
  const char* dialogText(unsigned dialog, unsigned control) const;
  const BitmapEntry* bitmap(unsigned id) const;
};

// The three exports implemented over a table (for resource libraries).
int tableLoadString(const ResourceTable& t, unsigned id, char* buf, int size);
int tableLoadDialogText(const ResourceTable& t, unsigned dialog, unsigned control, char* buf, int size);
int tableLoadBitmap(const ResourceTable& t, unsigned id, unsigned char* buf, int size);

using LoadResStringFn = int (*)(unsigned, char*, int);
using LoadResDialogTextFn = int (*)(unsigned, unsigned, char*, int);
using LoadResBitmapFn = int (*)(unsigned, unsigned char*, int);

// A library's resources: the language library when loaded, else built in.
// Lookups may come from any thread; loading and unloading happen at the
// library's start and end.
class Resources {
public:
  explicit Resources(const ResourceTable& builtIn) : builtIn_(builtIn) {}
  ~Resources();
  Resources(const Resources&) = delete;
  Resources& operator=(const Resources&) = delete;

  // Loads the language library at path (a Windows-style name such as
  // "/x/ENGLISH/ZRLTGTWINRES.DLL"); false (nothing changed but an earlier
  // library unloaded) when it does not load or lacks LoadResString.
  bool loadLanguage(const std::string& path);
  void unloadLanguage();
  bool languageLoaded() const;
  // Why the last loadLanguage failed.
  std::string lastError() const;

  std::optional<std::string> string(unsigned id) const;
  // The text or "" when there is none.
  std::string text(unsigned id) const { return string(id).value_or(std::string()); }
  std::optional<std::string> dialogText(unsigned dialog, unsigned control) const;
  std::vector<unsigned char> bitmap(unsigned id) const;

private:
  const ResourceTable& builtIn_;
  mutable std::mutex mu_;
  void* lib_ = nullptr;
  LoadResStringFn str_ = nullptr;
  LoadResDialogTextFn dlg_ = nullptr;
  LoadResBitmapFn bmp_ = nullptr;
  std::string error_;
};

// The language resource library's path: dir + "/" (when missing) + name upper-cased.
std::string languageLibraryPath(const std::string& languageDir, const std::string& name);

// The path of the library (or program) file that holds the address, as it was
// loaded ("" when unknown).
std::string moduleFile(const void* addressInModule);
// Its file name without directory and extension: the application's name of a
// dialog library, the caption of its boxes before its resources are read.
std::string moduleName(const void* addressInModule);

} // namespace kit
