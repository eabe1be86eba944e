#pragma once
// The operations of the device description reader that the code generator
// uses, as an interface: the bound DdfReader library implements it in
// production, tests put an in-memory target behind it.
#include <cstdint>

#include "msgconv/mc01.h"

namespace cg {

// The reader's query record: area name, element index, sub-element
// (negative: none), address and size (out). The same first five fields as
// MC01_VariableRef.
struct DdfVarQuery {
  const char* area;
  int32_t index;
  int32_t element;
  uint32_t address;
  uint32_t size;
};

class DdfApi {
public:
  virtual ~DdfApi() = default;
  virtual int getTargetAddressFormat(uint8_t* format) = 0;
  virtual int getMVLAddressAndSize(uint32_t* address, uint32_t* size) = 0;
  virtual int getMVLTableAddressAndSize(uint32_t* address, uint16_t* count) = 0;
  virtual int getMVLStructInfoAddressAndSize(uint32_t* address, uint32_t* size) = 0;
  // 0 known, 3 unknown but "NOP" given, else unknown.
  virtual int getModulAddress(const char* name, uint32_t* address) = 0;
  // 0 not found, 1 found, 2 found but the area has no sub-elements.
  virtual int getVarSizeAndAddress(DdfVarQuery* q) = 0;
  virtual int convertStringToBin(MC01_VariableRef* ref, const char* value) = 0;
  virtual int convertLongToBin(uint32_t value, unsigned char* out, int count) = 0;
  virtual int convertWordToBin(uint16_t value, unsigned char* out, int count) = 0;
  virtual int convertFloatToBin(float value, unsigned char* out, int count) = 0;
  virtual int convertAddressToBin(uint32_t value, unsigned char* out, int count) = 0;
};

}  // namespace cg
