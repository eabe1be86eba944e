// The text dump of a device description: every field and entry with its
// offset, its raw bytes and what it means.
#include "ddfreader/ddf_reader.h"

#include "parse.h"
#include "platform/paths.h"

#include <cstdarg>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <iterator>
#include <sys/stat.h>

namespace ddf {
namespace {

using detail::Span;

constexpr size_t kRow = 16;

void add(std::string& o, const char* fmt, ...) __attribute__((format(printf, 2, 3)));
void add(std::string& o, const char* fmt, ...) {
  char buf[512];
  va_list ap;
  va_start(ap, fmt);
  int n = std::vsnprintf(buf, sizeof buf, fmt, ap);
  va_end(ap);
  if (n > 0) o.append(buf, std::min<size_t>(size_t(n), sizeof buf - 1));
}

// The bytes of a span as rows of 16; the last row is padded to 16 columns so
// that the text that follows lines up. offsetEveryRow: every row starts with
// its offset, else only the first (later rows are indented by 9 spaces).
void rows(std::string& o, const uint8_t* d, Span s, bool offsetEveryRow) {
  size_t pos = s.start;
  bool first = true;
  do {
    size_t end = std::min(pos + kRow, s.end);
    if (first || offsetEveryRow) add(o, "%08X ", unsigned(pos));
    else o.append(9, ' ');
    for (size_t i = pos; i < end; ++i) add(o, "%02X ", d[i]);
    if (end < s.end) {
      o += '\n';
    } else {
      for (size_t i = end - pos; i < kRow; ++i) o += "   ";
    }
    pos = end;
    first = false;
  } while (pos < s.end);
}

// Bytes without meaning: rows of 16 with their offsets, each ended by a line break.
void plainRows(std::string& o, const uint8_t* d, Span s) {
  for (size_t pos = s.start; pos < s.end; pos += kRow) {
    size_t end = std::min(pos + kRow, s.end);
    add(o, "%08X ", unsigned(pos));
    for (size_t i = pos; i < end; ++i) add(o, "%02X ", d[i]);
    o += '\n';
  }
}

void address(std::string& o, uint32_t v, int width) {
  if (width == 2) add(o, "    %04Xh ", v);
  else add(o, "%08Xh ", v);
}

void headerSection(std::string& o, const uint8_t* d, const detail::Parsed& p) {
  const Header& h = p.header;
  o += "General informations\n";
  o += "--------------------\n";
  using detail::Field;
  for (const detail::HeaderField& f : p.headerFields) {
    rows(o, d, f.span, false);
    switch (f.field) {
      case Field::Version: add(o, "Version %d.%02d\n", h.version / 100, h.version % 100); break;
      case Field::Device: add(o, "File / device name: %s\n", h.device.c_str()); break;
      case Field::Processor: add(o, "Processor name: %s\n", h.processor.c_str()); break;
      case Field::DataFormat:
        add(o, "Data format: %d", h.dataFormat);
        if (h.dataFormat == 1) o += " (Motorola)";
        else if (h.dataFormat == 2 || h.dataFormat == 6) o += " (Intel)";
        o += '\n';
        break;
      case Field::ProgMem:
        add(o, "Program memory: address=%08Xh size=%08Xh\n", h.progMemAddr, h.progMemSize);
        break;
      case Field::ProgTable:
        add(o, "Program table: address=%08Xh number=%d\n", h.progTableAddr, int(h.progTableCount));
        break;
      case Field::Unused: o += "Unused\n"; break;
      case Field::ProjInfo:
        add(o, "Project info: address=%08Xh size=%08Xh\n", h.projInfoAddr, unsigned(h.projInfoSize));
        break;
      case Field::AddressFormat: add(o, "Address Format: %d Bytes\n", h.addressFormat); break;
      case Field::MinCycle: add(o, "Min cycle time: %d ms\n", int(h.minCycleTime)); break;
      case Field::StructInfo:
        add(o, "Structur info: address=%08Xh size=%08Xh\n", h.structInfoAddr, h.structInfoSize);
        break;
    }
  }
}

void heading(std::string& o, const char* columns) {
  o.append(9, ' ');
  for (size_t i = 0; i < kRow; ++i) o += "   ";
  o += columns;
}

void moduleSection(std::string& o, const uint8_t* d, const detail::Parsed& p) {
  const int w = p.header.addressWidth();
  o += "\nModul informations\n";
  o += "------------------\n";
  heading(o, (std::string("Modul") + std::string(12, ' ') + "Address\n").c_str());
  for (const detail::ModuleEntry& m : p.modules) {
    rows(o, d, m.span, true);
    add(o, "%-17s", m.module.name.c_str());
    add(o, w == 2 ? "%04Xh\n" : "%08Xh\n", m.module.address);
  }
  if (p.modulesEnd) plainRows(o, d, *p.modulesEnd);
}

void areaSection(std::string& o, const uint8_t* d, size_t size, const detail::Parsed& p) {
  const int w = p.header.addressWidth();
  o += "\nVariable Memory informations\n";
  o += "----------------------------\n";
  heading(o, (std::string("Name") + std::string(13, ' ') + "  MemAddr " + " InitAddr " + " ElemNum " +
              "ElemSize " + "SubElemSize\n")
                 .c_str());
  for (const detail::AreaEntry& a : p.areas) {
    rows(o, d, a.span, true);
    add(o, "%-17s", a.area.name.c_str());
    address(o, a.area.memAddr, w);
    address(o, a.initAddr, w);
    add(o, "%8d ", int(a.area.elemNum));
    add(o, "%8d ", int(a.area.elemSize));
    add(o, "%8d\n", int(a.area.subElemSize));
  }
  if (p.areasEnd) plainRows(o, d, *p.areasEnd);
  if (p.header.version < 300) {
    size_t from = p.areasEnd ? p.areasEnd->end : size;
    if (p.areasOk) plainRows(o, d, Span{from, size});
    return;
  }
  o += '\n';
  heading(o, (std::string("Name") + std::string(13, ' ') + " ElemNum " + "ElemSize " + " SegmNum " +
              "Segm1Addr " + "Segm1Size ...\n")
                 .c_str());
  for (const detail::AreaEntry& a : p.segmented) {
    rows(o, d, a.span, true);
    add(o, "%-17s", a.area.name.c_str());
    add(o, "%8d ", int(a.area.elemNum));
    add(o, "%8d ", int(a.area.elemSize));
    add(o, "%8d ", int(a.area.segmNum));
    for (const Segment& s : a.area.segments) {
      address(o, s.address, w);
      add(o, "%8d ", int(s.size));
    }
    o += '\n';
  }
  if (p.segmentedEnd) plainRows(o, d, *p.segmentedEnd);
  if (p.areasOk) plainRows(o, d, Span{p.stop, size});
}

}  // namespace

bool Reader::dumpImage(const std::vector<uint8_t>& image, std::string& text) {
  // The dump reads into its own values: the description held stays as it is,
  // and a converter of another format is bound only for the dump.
  ConverterBinding local(settings_, loader_);
  detail::Parsed p;
  detail::parse(image.data(), image.size(),
                [&](int format) -> const mc01::Table* {
                  if (conv_.bound() && conv_.format() == converterFormat(format)) return &conv_.table();
                  return local.bind(format) ? &local.table() : nullptr;
                },
                p);
  const uint8_t* d = image.data();
  headerSection(text, d, p);
  if (p.headerOk) {
    moduleSection(text, d, p);
    if (p.modulesOk) areaSection(text, d, image.size(), p);
  }
  return p.ok();
}

bool Reader::prettyPrint(const std::string& ddfPath, const std::string& textPath) {
  std::string found = ddfPath.empty() ? std::string() : plat::path::resolveExisting(ddfPath);
  std::vector<uint8_t> image;
  struct stat st {};
  bool readOk = false;
  if (!found.empty() && ::stat(found.c_str(), &st) == 0 && S_ISREG(st.st_mode)) {
    std::ifstream in(found, std::ios::binary);
    if (in) {
      image.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
      readOk = !in.bad();
    }
  }
  if (!readOk) {
    showMessage(kMsgCannotOpen, ddfPath);
    return false;
  }
  std::string text;
  add(text, "File name     : %s\n", ddfPath.c_str());
  add(text, "File size     : %ld Bytes\n", long(image.size()));
  time_t mtime = st.st_mtime;
  char when[64] = "\n";
  // The form of the C library's ctime, with the "C" locale's names whatever
  // the process locale is.
  static const char* const kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                        "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  if (struct tm tmv {}; localtime_r(&mtime, &tmv) && tmv.tm_wday >= 0 && tmv.tm_wday < 7 &&
                         tmv.tm_mon >= 0 && tmv.tm_mon < 12)
    std::snprintf(when, sizeof when, "%s %s %2d %02d:%02d:%02d %d\n", kDays[tmv.tm_wday],
                  kMonths[tmv.tm_mon], tmv.tm_mday, tmv.tm_hour, tmv.tm_min, tmv.tm_sec,
                  tmv.tm_year + 1900);
  add(text, "Last modified : %s\n\n", when);
  bool ok = dumpImage(image, text);
  if (textPath.empty() || !plat::path::writeFileAtomic(plat::path::resolveForWrite(textPath), text)) {
    showMessage(kMsgCannotOpen, textPath);
    return false;
  }
  if (!ok) showMessage(kMsgInvalidFormat, ddfPath);
  return ok;
}

}  // namespace ddf
