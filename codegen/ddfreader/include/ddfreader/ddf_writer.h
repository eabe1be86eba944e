#pragma once
// Writer of device description files (DDF) for test fixtures: a description is
// set up as a C++ value and serialised byte for byte in the layout the reader
// reads (header in its plain or versioned form, module table, contiguous and
// segmented memory areas). Numbers are written in the byte order of the data
// format: 1 (Motorola) big-endian, every other format little-endian.
//
// Fixture functions give ready descriptions with four-byte and two-byte
// addresses; callers change fields and write them with writeFile().
#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace ddfw {

struct Module {
  std::string name;      // written as given (the reader keeps 16 characters)
  uint32_t address = 0;  // 2 or 4 bytes by the address format
};

// A contiguous memory area (first list of the memory variable list).
struct ContiguousArea {
  std::string name;
  uint32_t memAddr = 0;
  uint32_t initAddr = 0;
  uint32_t elemNum = 0;
  uint16_t elemSize = 0;
  uint16_t subElemSize = 0;  // 0: the elements have no sub-elements
};

struct Segment {
  uint32_t address = 0;
  uint32_t size = 0;  // bytes
};

// A segmented memory area (second list; files of version 300 and later).
struct SegmentedArea {
  std::string name;
  uint32_t elemSize = 0;  // 2 or 4 bytes by the address format
  std::vector<Segment> segments;
};

struct Description {
  // true: plain header form (no marker byte, version 100, ends with the
  // address format). false: versioned form with marker 2 and major/minor.
  bool plainForm = false;
  uint8_t major = 3;
  uint8_t minor = 1;
  std::string device;     // at most 12 bytes are written (zero-padded)
  std::string processor;  // at most 12 bytes are written (zero-padded)
  uint8_t dataFormat = 2; // 1 Motorola, 2 Intel, 6 as 2, 5 special
  uint32_t progMemAddr = 0;
  uint32_t progMemSize = 0;
  uint32_t progTableAddr = 0;
  uint16_t progTableCount = 0;
  std::array<uint8_t, 10> reserved{};
  uint32_t projInfoAddr = 0;
  uint16_t projInfoSize = 0;
  uint8_t addressFormat = 4;  // 2 or 4
  // Written only from version 200 on (versioned form).
  uint32_t minCycleTime = 0;
  uint32_t structInfoAddr = 0;
  uint32_t structInfoSize = 0;

  std::vector<Module> modules;
  std::array<uint8_t, 3> moduleEndPad{};  // the 3 bytes after the module table's end
  std::vector<ContiguousArea> areas;
  std::vector<SegmentedArea> segmented;
  // The segmented list (with its end byte) is written when the version is 300
  // or later or when segmented areas are given; false leaves it out always.
  bool writeSegmentedList = true;
  std::vector<uint8_t> trailer;  // bytes written after the lists

  // 100 for the plain form, else major x 100 + minor.
  int version() const;
};

// The file image.
std::vector<uint8_t> build(const Description& d);
// Byte offsets of the parts in the image of build().
struct Layout {
  size_t headerSize = 0;
  size_t modulesStart = 0;
  size_t areasStart = 0;
  size_t segmentedStart = 0;  // == size of image when the list is not written
  size_t end = 0;
  // Where each entry and each list's end byte begins, in file order.
  std::vector<size_t> entryStarts;
};
Layout layoutOf(const Description& d);
// Writes the image to path (through a temporary file and a rename).
bool writeFile(const std::string& path, const Description& d, std::string* err = nullptr);

// Version 3.01, Intel byte order (or the format given), four-byte addresses,
// modules, contiguous areas (among them "M" with 64 elements of 8 bytes and
// one-byte sub-elements, "SCRIPTTAB") and segmented areas ("SEG": element size
// 2, segments of 10 and 6 bytes).
Description fixture4Byte(uint8_t dataFormat = 2);
// Version 2.00, two-byte addresses, modules and contiguous areas only.
Description fixture2Byte(uint8_t dataFormat = 2);

}  // namespace ddfw
