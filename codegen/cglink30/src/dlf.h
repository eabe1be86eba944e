#pragma once
// The output pass: resolves mark references and writes the download file
// (reserved 12 bytes, u16 block count at 12, then blocks {u32 address,
// u16 length, data, u32 end mark 0x0000FFFF}, header fields little-endian).
#include <cstdint>
#include <string>
#include <vector>

#include "emitter.h"

namespace cg {

struct DlfBlock {
  uint32_t address = 0;
  std::vector<uint8_t> data;
};

// Builds the file image of a list of blocks.
std::vector<uint8_t> dlfImage(const std::vector<DlfBlock>& blocks);
// Reads an image back (for tests and checks); false when it is malformed.
bool parseDlfImage(const std::vector<uint8_t>& image, std::vector<DlfBlock>& blocks);

// Resolves mark references; false (after message 55 for each missing mark)
// when any mark is missing.
bool resolveMarks(Emitter& em);

// Builds the blocks of the download file from the tables; false after a
// message when the pass fails.
bool buildBlocks(Emitter& em, std::vector<DlfBlock>& blocks, const std::string& path);

// The whole output pass: resolve, build, write to path. On failure no
// download file is left at path.
bool writeDownload(Emitter& em, const std::string& path);

}  // namespace cg
