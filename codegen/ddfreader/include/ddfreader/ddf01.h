#ifndef DDFREADER_DDF01_H
#define DDFREADER_DDF01_H
/*
 * DdfReader: the device description reader (bin/DdfReader.so, loaded by the
 * name "DDFREADER.DLL" through plat::lib::load). It holds one device
 * description (DDF) at a time and answers queries on it; values are converted
 * to and from the target's byte order through the message-conversion library
 * of the description's data format (the [msgconv] setting of OBEL.INI).
 *
 * Results are 16-bit (int16_t) unless a typedef says otherwise. "Not open"
 * means no description is held: queries and conversions then answer 0
 * (DDF01_GetModulAddress: 1) and change nothing.
 */
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* The version DDF01_GetDLLVersion reports; the code generator needs at least 2. */
#define DDF01_VERSION 2.007

/* Data formats of the header. */
#define DDF_FORMAT_MOTOROLA 1
#define DDF_FORMAT_INTEL 2
#define DDF_FORMAT_SPECIAL5 5
#define DDF_FORMAT_INTEL6 6

/* The query record of DDF01_GetVarSizeAndAddress. */
typedef struct DdfVarQuery {
  const char* name; /* area name, compared exactly */
  int32_t index;    /* element (compared unsigned against the element number) */
  int32_t element;  /* sub-element; negative for none */
  uint32_t address; /* out */
  uint32_t size;    /* out, bytes */
} DdfVarQuery;

/* The record DDF01_ConvertStringToBin hands to the converter: the query
 * record followed by the value buffer (the layout of MC01_VariableRef). */
typedef struct DdfVarValue {
  const char* name;
  int32_t index;
  int32_t element;
  uint32_t address;
  uint32_t size;    /* bytes of buffer */
  unsigned char* buffer;
} DdfVarValue;

/* Answers of DDF01_GetModulAddress. */
#define DDF_MODULE_FOUND 0
#define DDF_MODULE_MISSING 1
#define DDF_MODULE_NOP 3
/* Answers of DDF01_GetVarSizeAndAddress. */
#define DDF_VAR_NOT_FOUND 0
#define DDF_VAR_FOUND 1
#define DDF_VAR_NO_SUBELEMENTS 2

/* Resource request: 4-byte entry count (little-endian) and 26-byte entries. */
#define DDF_RESREQ_HEADER 4
#define DDF_RESREQ_ENTRY 26

typedef double (*DDF01_GetDLLVersion_t)(void);
/* 1 when the whole description was read (it is then open); 0 otherwise. */
typedef int16_t (*DDF01_Open_t)(const char* path);
typedef int16_t (*DDF01_Close_t)(void); /* always 1 */
/* Writes the text dump of a description file; 1 on success. */
typedef int16_t (*DDF01_PrettyPrint_t)(const char* ddfPath, const char* textPath);
typedef int16_t (*DDF01_GetFileVersion_t)(uint16_t* version);
typedef int16_t (*DDF01_GetTargetFormat_t)(uint8_t* format);        /* 6 reported as 2 */
typedef int16_t (*DDF01_GetTargetAddressFormat_t)(uint8_t* format); /* 2 or 4 (as stored) */
/* Copies the name (device: up to its first dot) into buf of length bytes;
 * returns the count copied; a null buf returns the count without copying. */
typedef int16_t (*DDF01_GetDevice_t)(char* buf, int32_t length);
typedef int16_t (*DDF01_GetProzessorTyp_t)(char* buf, int32_t length);
typedef int16_t (*DDF01_GetProgInfo_t)(uint32_t* address, uint32_t* size);
typedef int16_t (*DDF01_GetMinCycleTime_t)(uint32_t* ms);
/* Program memory address and size in bytes (stored size x address format). */
typedef int16_t (*DDF01_GetMVLAddressAndSize_t)(uint32_t* address, uint32_t* size);
typedef int16_t (*DDF01_GetMVLTableAddressAndSize_t)(uint32_t* address, uint16_t* count);
typedef int16_t (*DDF01_GetMVLStructInfoAddressAndSize_t)(uint32_t* address, uint32_t* size);
typedef int16_t (*DDF01_GetModulAddress_t)(const char* name, uint32_t* address);
typedef int16_t (*DDF01_GetMemoryElementNumber_t)(const char* area, uint32_t* count);
typedef int16_t (*DDF01_GetVarSizeAndAddress_t)(DdfVarQuery* query);
/* Conversions, handed to the converter of the open description. */
typedef int16_t (*DDF01_ConvertStringToBin_t)(DdfVarValue* var, const char* value);
typedef int16_t (*DDF01_ConvertLongToBin_t)(uint32_t value, unsigned char* out, int32_t length);
typedef int16_t (*DDF01_ConvertWordToBin_t)(uint16_t value, unsigned char* out, int32_t length);
typedef int16_t (*DDF01_ConvertFloatToBin_t)(float value, unsigned char* out, int32_t length);
typedef int16_t (*DDF01_ConvertTextToBin_t)(const char* text, int32_t textSize, unsigned char* out,
                                            int32_t outSize);
/* A word (address format 2) or a long (else). */
typedef int16_t (*DDF01_ConvertAddressToBin_t)(uint32_t value, unsigned char* out, int32_t length);
typedef int16_t (*DDF01_ConvertDLBlockStartAddressToBin_t)(uint32_t value, unsigned char* out,
                                                           int32_t length);
typedef int16_t (*DDF01_ConvertBinToLong_t)(const unsigned char* in, int32_t count, uint32_t* value);
typedef int16_t (*DDF01_ConvertBinToWord_t)(const unsigned char* in, int32_t count, uint16_t* value);
typedef int16_t (*DDF01_ConvertBinToFloat_t)(const unsigned char* in, int32_t count, float* value);
typedef int16_t (*DDF01_ConvertBinToText_t)(const unsigned char* in, int32_t count, char* text,
                                            int32_t capacity);
/* Builds the resource request into buf (size bytes) from the resource file;
 * returns its length in bytes (32-bit), 0 when not open or no room. */
typedef int32_t (*DDF01_BuildResourceRequest_t)(unsigned char* buf, int32_t size,
                                                const char* resourcePath);

#ifdef __cplusplus
}
#endif

#endif
