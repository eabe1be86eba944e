#pragma once
// The private clipboard and the script buffers. GateScript text travels
// through two carriers: the system clipboard (under the program's own MIME
// type, or as plain text) and one internal script buffer. The system
// clipboard is reached through a ClipboardPort: the Qt adapter in editor/qt,
// an in-memory one for headless programs and tests. Every operation leaves
// its outcome in one status word.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace editor {

// The MIME type of scripts on the system clipboard.
inline constexpr const char* kScriptMimeType = "application/x-obel-l-clipboard-1.0";

// A sheet picture for the clipboard: width x height pixels, 0xAARRGGBB, row by row.
struct ClipImage {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> pixels;
};

// What the editor needs of a system clipboard. Scripts and texts are bytes.
class ClipboardPort {
public:
  virtual ~ClipboardPort() = default;
  // Held from open to close while a buffer uses the clipboard.
  virtual bool open() { return true; }
  virtual void close() {}
  virtual bool empty() = 0;
  virtual bool hasScript() = 0;
  virtual bool hasText() = 0;
  virtual bool script(std::string& out) = 0;
  // Plain text, already in 8-bit form (characters outside Latin-1 become '?').
  virtual bool text(std::string& out) = 0;
  // Puts a script in place of what the clipboard holds; false when refused.
  virtual bool setScript(const std::string& bytes) = 0;
  // Adds a picture to what the clipboard holds; false when refused.
  virtual bool addImage(const ClipImage& image) = 0;
};

// The clipboard of headless programs and tests; its switches make each step fail.
class MemoryClipboard : public ClipboardPort {
public:
  std::optional<std::string> scriptData;
  std::optional<std::string> textData;
  std::optional<ClipImage> image;
  bool failOpen = false, failEmpty = false, refuseSet = false;
  int opens = 0, closes = 0;

  bool open() override {
    ++opens;
    return !failOpen;
  }
  void close() override { ++closes; }
  bool empty() override {
    if (failEmpty) return false;
    scriptData.reset();
    textData.reset();
    image.reset();
    return true;
  }
  bool hasScript() override { return scriptData.has_value(); }
  bool hasText() override { return textData.has_value(); }
  bool script(std::string& out) override {
    if (!scriptData) return false;
    out = *scriptData;
    return true;
  }
  bool text(std::string& out) override {
    if (!textData) return false;
    out = *textData;
    return true;
  }
  bool setScript(const std::string& bytes) override {
    if (refuseSet) return false;
    scriptData = bytes;
    return true;
  }
  bool addImage(const ClipImage& picture) override {
    image = picture;
    return true;
  }
};

// Installs the port of the system clipboard (null: the built-in memory one);
// answers the previous one.
ClipboardPort* clip_SetPort(ClipboardPort* port);
ClipboardPort& clip_Port();

// Status values of clip_LastStatus.
enum ClipStatus : std::uint32_t {
  kClipDone = 0, kClipNothing = 1, kClipNotRegistered = 2, kClipNotOpened = 3, kClipNotEmptied = 4,
  kClipNoMemory = 5, kClipRefused = 6, kClipWrongKind = 7, kClipNoBuffer = 8, kClipNoData = 9,
};

// Carriers and kinds of a buffer.
enum : int { kCarrierClipboard = 0, kCarrierInternal = 1 };
enum : int {
  kBufWriting = 0, kBufScript = 1, kBufPlainFirst = 2, kBufPlainSecond = 3, kBufPlainDone = 4,
};

struct ScriptBuffer {
  int carrier = 0;
  int kind = 0;
  bool hasText = false;          // a text block is held
  std::vector<char> text;        // the block (capacity while writing)
  std::size_t size = 0;          // capacity while writing; text length while reading
  std::size_t position = 0;      // bytes written (NUL of the last line included) or read position
  bool failed = false;           // an append failed: close discards the text
};

// Registers the private format (cannot fail here): 1; forgets the internal
// buffer and the last handed-over data.
int clip_RegisterFormat();
// read: 0 write, 1 read; carrier 0 system clipboard, 1 internal. Null with the status set.
ScriptBuffer* clip_OpenBuffer(int read, int carrier);
// Appends one statement (with its NUL); the bytes appended, or -1.
int clip_AppendLine(ScriptBuffer* buffer, const char* text);
// Reads the next line into room (room size bytes, NUL included). The line's
// length + 1; 0 at the end; -1 on failure. Without room: the length + 1 only.
int clip_ReadLine(ScriptBuffer* buffer, std::size_t roomSize, char* room);
// Closes and frees the buffer; a writing buffer hands its text over. 1, or 0.
int clip_CloseBuffer(ScriptBuffer* buffer);
bool clip_NothingToPaste();
int clip_PutBitmap(const ClipImage* image);
void clip_Reset();
std::uint32_t clip_LastStatus();
// The clipboard owns what it was given: this only forgets the handle.
void clip_FreeLastHandle();
// The text of the internal script buffer (tests); empty when none.
std::string clip_InternalText();

} // namespace editor
