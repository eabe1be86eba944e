#pragma once
// The small program of the end-to-end tests and its download image, written
// down by hand for four- and two-byte addresses. The target is the one of
// FakeTarget::standard (and of the description file the real-library test
// writes): program memory at 0x1000, task table at 0x200 (3 tasks), the
// descriptor area at 0x300, modules BEG 0x10, END 0x14, AWW 0x20, JPZ 0x24.
#include "compile_support.h"

namespace cgtest {

inline std::string smallProgram(const std::string& dataFile) {
  return ";\n"
         "&BEG\n"
         " T_ms  : 10\n"
         " Li_Nr : 1;\n"
         "          &AWW\n"
         " X : PW5\n"
         " : 7\n"
         "%LOOP\n"
         "          &JPZ\n"
         " : %LOOP\n"
         " : B1.0\n"
         ">S1\n"
         "#DW3 = 258\n"
         "&AWW\n"
         " : -5\n"
         " : %101\n"
         " : $1F\n"
         " : 2.5\n"
         "&END\n"
         " Li_Nr : 1;\n"
         "#DT2 = '" +
         dataFile +
         "'\n"
         "#DT3 = '" +
         dataFile + "',0,3\n";
}

// data.bin holds "ABCDE".
inline std::vector<uint8_t> smallProgramImage(int width) {
  if (width == 4) {
    std::vector<uint8_t> code;
    for (uint32_t w : {0x10u, 0x1010u, 10u,         1u,                           // BEG 10, 1
                       0x20u, 0x1020u, 0x500Au,     7u,                           // AWW PW5, 7
                       0x24u, 0x1030u, 0x1020u,     0x6008u,                      // JPZ %LOOP, B1.0
                       0x20u, 0x1048u, 0xFFFFFFFBu, 5u,      0x1Fu, 0x40200000u,  // AWW -5 %101 $1F 2.5
                       0x14u, 0x1000u, 1u})                                       // END 1 -> back to BEG
      le32(code, w);
    std::vector<uint8_t> tasks;
    for (uint32_t w : {0u, 0u, 10u, 0x1000u, 0u, 0u, 0u, 0u}) le32(tasks, w);
    std::vector<uint8_t> scripts;
    le32(scripts, 0x1030);
    le32(scripts, 1);
    std::string desc =
        "1233"
        "1243"
        "1224"
        "123333"
        "123"
        "5";
    return handImage({{0x1000, code},
                      {0x200, tasks},
                      {0x9000, scripts},
                      {0x4006, {0x02, 0x01}},
                      {0xA024, {'A', 'B', 'C', 'D', 'E'}},
                      {0xA036, {'A', 'B', 'C'}},
                      {0x300, std::vector<uint8_t>(desc.begin(), desc.end())}});
  }
  std::vector<uint8_t> code;
  for (uint32_t w : {0x10u, 0x1008u, 10u,     1u,                       // BEG
                     0x20u, 0x1010u, 0x500Au, 7u,                       // AWW
                     0x24u, 0x1018u, 0x1010u, 0x6008u,                  // JPZ
                     0x20u, 0x1024u, 0xFFFBu, 5u,      0x1Fu, 0x0000u,  // AWW: a float keeps its first two bytes
                     0x14u, 0x1000u, 1u})                               // END
    le16(code, w);
  std::vector<uint8_t> tasks;
  for (int n = 0; n <= 3; ++n) {
    le16(tasks, n == 1 ? 10 : 0);
    le16(tasks, 0);
    le16(tasks, n == 1 ? 0x1000 : 0);
  }
  std::vector<uint8_t> scripts;
  le16(scripts, 0x1018);
  le16(scripts, 1);
  std::string desc =
      "1233"
      "1243"
      "1224"
      "123333"
      "123"
      "5";
  return handImage({{0x1000, code},
                    {0x200, tasks},
                    {0x9000, scripts},
                    {0x4006, {0x02, 0x01}},
                    {0xA024, {'A', 'B', 'C', 'D', 'E'}},
                    {0xA036, {'A', 'B', 'C'}},
                    {0x300, std::vector<uint8_t>(desc.begin(), desc.end())}});
}

}  // namespace cgtest
