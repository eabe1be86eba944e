#pragma once
/* Interface of the message-conversion libraries: one library per target data
 * format converts numbers, texts and variable values between the PC's form and
 * the target's. The libraries are loaded by path (the [msgconv] setting) and
 * every operation is looked up by name.
 *
 * MSGCONVLE.so: little-endian targets (data formats 2 and 6, Intel byte order)
 * MSGCONVBE.so: big-endian targets (data format 1, Motorola byte order)
 *
 * Results: nonzero on success, 0 on failure (null pointer, count too small,
 * value text that does not fit). */
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Counted text record, the same three fields as the settings library's
 * MStrBuf: text (owned, zero-terminated, or null), length, capacity. */
typedef struct MC01_MStrBuf {
  char* text;
  int32_t length;
  int32_t capacity;
} MC01_MStrBuf;

/* A target variable: area name, element index, sub-element (negative: none),
 * address and size in bytes (filled by the device description reader, whose
 * query record has the same first five fields), and the value buffer of size
 * bytes. */
typedef struct MC01_VariableRef {
  const char* area;
  int32_t index;
  int32_t element;
  uint32_t address;
  uint32_t size;
  unsigned char* buffer;
} MC01_VariableRef;

typedef double (*MC01_GetDLLVersion_t)(void);
/* Number and text conversions. "bin" is the target's form. */
typedef int (*MC01_BinToLong_t)(const unsigned char* bin, int count, uint32_t* value);
typedef int (*MC01_BinToWord_t)(const unsigned char* bin, int count, uint16_t* value);
typedef int (*MC01_BinToFloat_t)(const unsigned char* bin, int count, float* value);
/* bin: count bytes of target text (a zero within them ends it); text gets at
 * most capacity - 1 characters and a terminating zero. */
typedef int (*MC01_BinToString_t)(const unsigned char* bin, int count, char* text, int capacity);
typedef int (*MC01_LongToBin_t)(uint32_t value, unsigned char* bin, int count);
/* Writes the word into the first two of count bytes. */
typedef int (*MC01_WordToBin_t)(uint16_t value, unsigned char* bin, int count);
typedef int (*MC01_FloatToBin_t)(float value, unsigned char* bin, int count);
/* text of textSize bytes (up to its zero) into binSize bytes, zero-filled;
 * fails when the text with its zero does not fit. */
typedef int (*MC01_StringToBin_t)(const char* text, int textSize, unsigned char* bin, int binSize);
/* Value text into ref->buffer (ref->size bytes) in target form. Areas whose
 * name ends in "F" hold floats (4 or 8 bytes); elements of 1, 2, 4 or 8 bytes
 * take an integer (decimal, or 0x hexadecimal); other sizes take the text,
 * zero-filled (it must fit with its zero). */
typedef int (*MC01_ConvertStringToBin_t)(MC01_VariableRef* ref, const char* value);
/* ref->buffer as text into out (an empty record on entry); release it with
 * MC01_DeleteMStrBuf. Returns 1 with text, 0 without. */
typedef int (*MC01_ConvertBinToString_t)(const MC01_VariableRef* ref, MC01_MStrBuf* out);
typedef int (*MC01_DeleteMStrBuf_t)(MC01_MStrBuf* buf);

#ifdef __cplusplus
}
#endif
