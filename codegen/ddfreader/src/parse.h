#pragma once
// Reading a device description image front to back through the converter of
// its data format, keeping the byte span of every field and entry (the dump
// shows them). No byte is read outside the image.
#include "ddfreader/ddf_reader.h"

#include <functional>
#include <optional>

namespace ddf::detail {

struct Span {
  size_t start = 0;
  size_t end = 0;
};

enum class Field { Version, Device, Processor, DataFormat, ProgMem, ProgTable, Unused, ProjInfo,
                   AddressFormat, MinCycle, StructInfo };

struct HeaderField {
  Field field;
  Span span;
};

struct ModuleEntry {
  Module module;
  Span span;
};

struct AreaEntry {
  Area area;
  uint32_t initAddr = 0;  // contiguous areas: shown by the dump, not kept
  Span span;
};

struct Parsed {
  Header header;
  std::vector<HeaderField> headerFields;
  bool headerOk = false;
  std::vector<ModuleEntry> modules;
  std::optional<Span> modulesEnd;  // the end byte and the bytes skipped after it
  bool modulesOk = false;
  std::vector<AreaEntry> areas;
  std::optional<Span> areasEnd;
  std::vector<AreaEntry> segmented;
  std::optional<Span> segmentedEnd;
  bool areasOk = false;
  size_t stop = 0;  // where reading stopped
  bool ok() const { return headerOk && modulesOk && areasOk; }
};

// Binds the converter for a data format (6 already taken as 2); null on failure.
using BindConverter = std::function<const mc01::Table*(int format)>;

// Reads as far as the image is sound; out.ok() tells whether all three parts were read.
void parse(const uint8_t* data, size_t size, const BindConverter& bind, Parsed& out);

}  // namespace ddf::detail
