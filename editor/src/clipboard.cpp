// The private clipboard and the script buffers.
#include "editor/clipboard.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace editor {

namespace {

MemoryClipboard gMemoryPort;
ClipboardPort* gPort = &gMemoryPort;

struct ClipState {
  std::uint32_t status = 0;
  std::uint32_t format = 0;
  std::optional<std::vector<char>> internal;   // the internal script buffer (text with its NUL)
  bool handedOver = false;                     // the clipboard took a block from us
};
ClipState gState;

constexpr const char* kPlainFirstLine = "GATE45 = addGate(%STD,Text,10,10);";
constexpr std::size_t kPlainTextLimit = 255;

// Length of a text held in a block of n bytes: up to its NUL or the end.
std::size_t boundedLength(const char* p, std::size_t n) {
  const void* z = std::memchr(p, 0, n);
  return z ? std::size_t(static_cast<const char*>(z) - p) : n;
}

// Reads data of the clipboard into the buffer's block, with a NUL behind it.
void takeData(ScriptBuffer* b, const std::string& data) {
  b->size = boundedLength(data.data(), data.size());
  b->text.assign(data.data(), data.data() + b->size);
  b->text.push_back(0);
  b->hasText = true;
}

// Copies line (n characters) into room of roomSize bytes, cut to fit.
std::size_t copyCut(const char* line, std::size_t n, std::size_t roomSize, char* room) {
  if (roomSize == 0) return 0;
  std::size_t c = std::min(n, roomSize - 1);
  std::memcpy(room, line, c);
  room[c] = 0;
  return c;
}

} // namespace

ClipboardPort* clip_SetPort(ClipboardPort* port) {
  ClipboardPort* old = gPort;
  gPort = port ? port : &gMemoryPort;
  return old == &gMemoryPort ? nullptr : old;
}

ClipboardPort& clip_Port() { return *gPort; }

int clip_RegisterFormat() {
  gState.status = kClipDone;
  gState.format = 1;
  gState.internal.reset();
  gState.handedOver = false;
  return 1;
}

ScriptBuffer* clip_OpenBuffer(int read, int carrier) {
  gState.status = kClipDone;
  if (carrier == kCarrierInternal) {
    if (read && !gState.internal) {
      gState.status = kClipNothing;
      return nullptr;
    }
    auto* b = new (std::nothrow) ScriptBuffer{};
    if (!b) {
      gState.status = kClipNoMemory;
      return nullptr;
    }
    b->carrier = kCarrierInternal;
    if (read) {
      const std::vector<char>& t = *gState.internal;
      b->kind = kBufScript;
      b->text = t;
      b->size = boundedLength(t.data(), t.size());
      b->hasText = true;
    }
    return b;
  }
  ClipboardPort& port = clip_Port();
  bool script = read && port.hasScript();
  if (read && !script && !port.hasText()) {
    gState.status = kClipNothing;
    return nullptr;
  }
  if (!port.open()) {
    gState.status = kClipNotOpened;
    return nullptr;
  }
  // Every failure after the open closes the clipboard again.
  auto fail = [&](std::uint32_t status) -> ScriptBuffer* {
    port.close();
    gState.status = status;
    return nullptr;
  };
  std::string data;
  if (read && !(script ? port.script(data) : port.text(data))) return fail(kClipNothing);
  if (!read && !port.empty()) return fail(kClipNotEmptied);
  auto* b = new (std::nothrow) ScriptBuffer{};
  if (!b) return fail(kClipNoMemory);
  b->carrier = kCarrierClipboard;
  if (read) {
    b->kind = script ? kBufScript : kBufPlainFirst;
    takeData(b, data);
  }
  return b;
}

int clip_AppendLine(ScriptBuffer* b, const char* text) {
  gState.status = kClipDone;
  if (!b) {
    gState.status = kClipNoBuffer;
    return -1;
  }
  if (b->kind != kBufWriting) {
    gState.status = kClipWrongKind;
    return -1;
  }
  const std::size_t n = text ? std::strlen(text) : 0;
  const std::size_t needed = b->position + n + 1;
  if (needed > b->size) {
    const std::size_t capacity = (needed + 9) / 10 * 10;
    try {
      std::vector<char> grown(capacity, 0);
      std::copy(b->text.begin(), b->text.begin() + std::ptrdiff_t(b->position), grown.begin());
      b->text.swap(grown);
    } catch (const std::bad_alloc&) {
      gState.status = kClipNoMemory;
      b->failed = true;
      return -1;
    }
    b->size = capacity;
    b->hasText = true;
  }
  if (b->position > 0) b->text[b->position - 1] = '\n';
  if (n) std::memcpy(b->text.data() + b->position, text, n);
  b->text[b->position + n] = 0;
  b->position += n + 1;
  return int(n + 1);
}

int clip_ReadLine(ScriptBuffer* b, std::size_t roomSize, char* room) {
  gState.status = kClipDone;
  if (!b) {
    gState.status = kClipNoBuffer;
    return -1;
  }
  if (!b->hasText) {
    gState.status = kClipNoData;
    return -1;
  }
  const char* t = b->text.data();
  switch (b->kind) {
  case kBufScript: {
    if (b->position >= b->size) return 0;
    const char* start = t + b->position;
    std::size_t rest = b->size - b->position;
    const void* lf = std::memchr(start, '\n', rest);
    std::size_t n = lf ? std::size_t(static_cast<const char*>(lf) - start) : rest;
    if (!room) return int(std::min<std::size_t>(n, 0x7FFFFFFE) + 1);
    std::size_t c = copyCut(start, n, roomSize, room);
    b->position += n + (lf ? 1 : 0);
    return int(c + 1);
  }
  case kBufPlainFirst: {
    const std::size_t n = std::strlen(kPlainFirstLine);
    if (room) {
      copyCut(kPlainFirstLine, n, roomSize, room);
      b->kind = kBufPlainSecond;
    }
    return int(n + 1);
  }
  case kBufPlainSecond: {
    std::size_t all = 0;
    for (std::size_t i = 0; i < b->size; ++i)
      if (t[i] != '\n') ++all;
    if (room) {
      std::string line = "setText(GATE45,16,";
      std::size_t taken = 0;
      for (std::size_t i = 0; i < b->size && taken < kPlainTextLimit; ++i, ++taken)
        if (t[i] != '\n') line.push_back(t[i]);
      line += ");";
      copyCut(line.data(), line.size(), roomSize, room);
      b->kind = kBufPlainDone;
    }
    return int(all + 21);
  }
  case kBufPlainDone:
    return 0;
  default:
    gState.status = kClipWrongKind;
    return -1;
  }
}

int clip_CloseBuffer(ScriptBuffer* b) {
  gState.status = kClipDone;
  if (!b) {
    gState.status = kClipNoBuffer;
    return 0;
  }
  int answer = 1;
  if (b->kind == kBufWriting) {
    if (b->failed) {
      // A partial script is never handed over.
      answer = 0;
    } else if (b->carrier == kCarrierClipboard) {
      std::string bytes(b->text.data(), b->hasText ? boundedLength(b->text.data(), b->position) : 0);
      if (clip_Port().setScript(bytes)) {
        gState.handedOver = true;
      } else {
        gState.status = kClipRefused;
        answer = 0;
      }
    } else {
      std::vector<char> t(b->text.begin(), b->text.begin() + std::ptrdiff_t(b->position));
      if (t.empty()) t.push_back(0);
      gState.internal = std::move(t);
    }
  }
  if (b->carrier == kCarrierClipboard) clip_Port().close();
  delete b;
  return answer;
}

bool clip_NothingToPaste() {
  ClipboardPort& port = clip_Port();
  return !port.hasScript() && !port.hasText();
}

int clip_PutBitmap(const ClipImage* image) {
  gState.status = kClipDone;
  if (!image) {
    gState.status = kClipNothing;
    return 0;
  }
  ClipboardPort& port = clip_Port();
  if (!port.open()) {
    gState.status = kClipNotOpened;
    return 0;
  }
  bool ok = port.addImage(*image);
  port.close();
  if (!ok) {
    gState.status = kClipRefused;
    return 0;
  }
  return 1;
}

void clip_Reset() {
  gState = ClipState{};
}

std::uint32_t clip_LastStatus() { return gState.status; }

void clip_FreeLastHandle() { gState.handedOver = false; }

std::string clip_InternalText() {
  if (!gState.internal) return {};
  return std::string(gState.internal->data(), boundedLength(gState.internal->data(), gState.internal->size()));
}

} // namespace editor
