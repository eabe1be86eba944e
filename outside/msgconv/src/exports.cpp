// The exported operations of one message-conversion library; the build
// compiles this file once per byte order (MC01_BIG_ENDIAN 0 or 1).
#include "msgconv/mc01_table.h"
#include "platform/export.h"

namespace {
const mc01::Table& table() {
#if MC01_BIG_ENDIAN
  return mc01::bigEndian();
#else
  return mc01::littleEndian();
#endif
}
}  // namespace

ZERLO_EXPORT double MC01_GetDLLVersion() { return table().GetDLLVersion(); }
ZERLO_EXPORT int MC01_BinToLong(const unsigned char* bin, int count, uint32_t* value) {
  return table().BinToLong(bin, count, value);
}
ZERLO_EXPORT int MC01_BinToWord(const unsigned char* bin, int count, uint16_t* value) {
  return table().BinToWord(bin, count, value);
}
ZERLO_EXPORT int MC01_BinToFloat(const unsigned char* bin, int count, float* value) {
  return table().BinToFloat(bin, count, value);
}
ZERLO_EXPORT int MC01_BinToString(const unsigned char* bin, int count, char* text, int capacity) {
  return table().BinToString(bin, count, text, capacity);
}
ZERLO_EXPORT int MC01_LongToBin(uint32_t value, unsigned char* bin, int count) {
  return table().LongToBin(value, bin, count);
}
ZERLO_EXPORT int MC01_WordToBin(uint16_t value, unsigned char* bin, int count) {
  return table().WordToBin(value, bin, count);
}
ZERLO_EXPORT int MC01_FloatToBin(float value, unsigned char* bin, int count) {
  return table().FloatToBin(value, bin, count);
}
ZERLO_EXPORT int MC01_StringToBin(const char* text, int textSize, unsigned char* bin, int binSize) {
  return table().StringToBin(text, textSize, bin, binSize);
}
ZERLO_EXPORT int MC01_ConvertStringToBin(MC01_VariableRef* ref, const char* value) {
  return table().ConvertStringToBin(ref, value);
}
ZERLO_EXPORT int MC01_ConvertBinToString(const MC01_VariableRef* ref, MC01_MStrBuf* out) {
  return table().ConvertBinToString(ref, out);
}
ZERLO_EXPORT int MC01_DeleteMStrBuf(MC01_MStrBuf* buf) { return table().DeleteMStrBuf(buf); }
