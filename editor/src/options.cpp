// The option file "KESTRUM.OPT": a fixed list of fields, read once at start-up.
#include "editor/context.h"
#include "editor/documents.h"
#include "model/records.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

namespace editor {

namespace {

constexpr std::size_t kPathSlot = 251;
constexpr std::size_t kZoomOffset = 2584;
constexpr std::size_t kFileSize = 2592;

class Reader {
public:
  Reader(const unsigned char* d, std::size_t n) : data_(d), size_(n) {}
  // Copies up to n bytes into out; false when fewer were there.
  bool read(void* out, std::size_t n) {
    std::size_t have = pos_ < size_ ? std::min(n, size_ - pos_) : 0;
    if (have) std::memcpy(out, data_ + pos_, have);
    pos_ += n;
    return have == n;
  }
private:
  const unsigned char* data_;
  std::size_t size_;
  std::size_t pos_ = 0;
};

template <class T> T little(const unsigned char* p) {
  T v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

} // namespace

bool de_ParseOptions(const unsigned char* data, std::size_t size) {
  EditorContext& c = ctx();
  OptionValues o = c.options;
  model::DocumentRecord* doc = model::CurrentDocument;
  Reader r(data, size);
  bool complete = true;
  unsigned char b[74] = {};
  // Fields up to the path slots; a field cut by the end takes the bytes that are there.
  complete = r.read(b, 74) && complete;
  std::int16_t extentX = little<std::int16_t>(b), extentY = little<std::int16_t>(b + 2);
  o.accuracyField = little<std::int32_t>(b + 4);
  o.runFlags[0] = b[8];
  o.runFlags[1] = b[9];
  o.runFlags[2] = b[10];
  o.runFlags[3] = b[11];
  o.ioLabels = b[12];
  o.runFlags[4] = b[13];
  o.listByte = b[14];
  for (int i = 0; i < 3; ++i) o.settingWords[i] = little<std::uint16_t>(b + 15 + 2 * i);
  std::size_t available = std::min<std::size_t>(size, 74);
  if (doc) {
    if (available >= 2) doc->SheetWidth = std::uint16_t(extentX);
    if (available >= 4) doc->SheetHeight = std::uint16_t(extentY);
    if (available >= 65) {
      const unsigned char* s = b + 21;
      model::StepBlock& sb = doc->DefaultStepBlock;
      sb.simTime = little<double>(s);
      sb.interval = little<double>(s + 8);
      sb.minInterval = little<double>(s + 16);
      sb.maxInterval = little<double>(s + 24);
      sb.incrInterval = little<double>(s + 32);
      sb.maxIterations = little<std::uint16_t>(s + 40);
      sb.stepFlags = little<std::uint16_t>(s + 42);
    }
  }
  o.placeByte = b[65];
  if (available >= 74) o.userDouble = little<double>(b + 66);
  for (int slot = 0; slot < 10; ++slot) {
    char buf[kPathSlot] = {};
    bool whole = r.read(buf, kPathSlot);
    complete = whole && complete;
    // A slot is taken raw from the file: it ends at its own last byte even
    // when the file holds no terminator.
    buf[kPathSlot - 1] = 0;
    std::size_t start = 74 + slot * kPathSlot;
    if (start < size) o.paths[slot] = std::string(buf, strnlen(buf, kPathSlot));
  }
  // Slots 4, 5 and 9 hold one buffer; the last one read remains.
  o.paths[3] = o.paths[4] = o.paths[8];
  o.zoom = 1.0;
  if (complete) {
    // Only a finite zoom is taken, within the zoom keys' range.
    double zoom = 1.0;
    if (r.read(&zoom, 8) && std::isfinite(zoom)) o.zoom = std::clamp(zoom, 0.3, 10.0);
  }
  c.options = o;
  c.optionsRead = complete;
  return complete;
}

bool de_ReadOptions() {
  std::string path = ctx().optionDirectory;
  if (!path.empty() && path.back() != '/') path += '/';
  path += "KESTRUM.OPT";
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::vector<unsigned char> bytes(kFileSize);
  in.read(reinterpret_cast<char*>(bytes.data()), std::streamsize(kFileSize));
  std::size_t got = std::size_t(in.gcount());
  if (in.bad()) return false;
  return de_ParseOptions(bytes.data(), got);
}

} // namespace editor
