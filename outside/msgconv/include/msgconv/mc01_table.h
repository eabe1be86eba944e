#pragma once
// The conversions of the message-conversion libraries as a table of entry
// points, in-process (the libraries export these; tests and the fuzz targets
// of their callers use the tables directly).
#include "msgconv/mc01.h"

namespace mc01 {

struct Table {
  MC01_GetDLLVersion_t GetDLLVersion = nullptr;
  MC01_ConvertStringToBin_t ConvertStringToBin = nullptr;
  MC01_ConvertBinToString_t ConvertBinToString = nullptr;
  MC01_DeleteMStrBuf_t DeleteMStrBuf = nullptr;
  MC01_BinToLong_t BinToLong = nullptr;
  MC01_BinToWord_t BinToWord = nullptr;
  MC01_BinToFloat_t BinToFloat = nullptr;
  MC01_BinToString_t BinToString = nullptr;
  MC01_WordToBin_t WordToBin = nullptr;
  MC01_LongToBin_t LongToBin = nullptr;
  MC01_FloatToBin_t FloatToBin = nullptr;
  MC01_StringToBin_t StringToBin = nullptr;
};

// The version both libraries report.
constexpr double kVersion = 1.0;

const Table& littleEndian();
const Table& bigEndian();

}  // namespace mc01
