#ifndef EXPRPARSER_EXPRPARSER_H
#define EXPRPARSER_EXPRPARSER_H
/*
 * ExprParser: the formula and condition parser (bin/ExprParser.so, loaded by
 * the name "EXPRPARSER.DLL" through plat::lib::load).
 *
 * The block parameter dialogs check the formulas and conditions a user types
 * (ParseFormel, ParseCondition) and show the error text (GetErrorText,
 * FreeErrorText). Block library code calls the generators by name with the six
 * arguments of the block dialogs (FormelZCDGen, ConditionZCDGen, UnlinkFile):
 * they write the target program text of a formula or condition into a new
 * temporary file and leave the file's name in the caller's buffer.
 *
 * The aux record (16-bit values):
 *   [0] in: condition variant (0 or not 0; 2 writes the result to A12.0,
 *       other non-zero variants to A13.0); out: the number of integer constants
 *       placed in the constant pool
 *   [1] out: 1 when the text uses EX
 *   [2] out: 1 when the text uses EY
 *   [3] in: conditions of variant 0: swaps the third and sixth flag
 * The vector (doubles): [0] owner window (not read), the block's parameters
 * from [1] on: flag addresses as byte,bit pairs and the pool base. A formula
 * reads [1]..[11], a condition of variant 0 [1]..[13], other variants [1]..[9].
 *
 * Buffers of the generators: FormelZCDGen's buffer holds 70 characters (the
 * target variable in bytes 0..9, the formula from byte 10), ConditionZCDGen's
 * 41 (the condition). The generated file's name is written only when it fits
 * that buffer; otherwise error 1502 is recorded and the buffer left empty.
 *
 * Language resources: the library loads "EXPRPARSERRES.DLL" from the language
 * directory. When it loads and exports
 *   int LoadResString(unsigned id, char* buf, int size)
 * (the text of id, zero-terminated, cut to size - 1 characters; returns the
 * length, 0 when it has no such text), its texts replace the built-in English
 * ones of the messages.
 */
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Size of the caller's text buffer of each generator, terminator included. */
#define EXPRPARSER_FORMULA_BUFFER_SIZE 70
#define EXPRPARSER_CONDITION_BUFFER_SIZE 41

/* Checks a formula ("VAR1=2*(VAR2+ED)-1"). 1 when it has no error, else 0.
 * Without text or aux nothing is parsed and the result is 1. */
int ParseFormel(const char* text, int16_t* aux, const double* vector);
/* Checks a condition ("VAR3=5 AND E3 OR E2"). Same results. */
int ParseCondition(const char* text, int16_t* aux, const double* vector);

/* Generates the target program text of a formula or condition into a new
 * temporary file; the buffer then holds the file's name (empty on error).
 * *out = 1 and result 1 when there was no error, else 0. */
int FormelZCDGen(char* text, int16_t* aux, const double* vector, void* unused4, int16_t* unused5,
                 int16_t* out);
int ConditionZCDGen(char* text, int16_t* aux, const double* vector, void* unused4,
                    int16_t* unused5, int16_t* out);
/* Deletes a generated file by its name in the temporary directory; *out = 1
 * when it was deleted, 0 when not; *out unchanged when no name is given or the
 * directory cannot be had. Only a plain file name is accepted. */
int UnlinkFile(const char* name, int16_t* unused2, const double* unused3, void* unused4,
               int16_t* unused5, int16_t* out);

/* The messages of the last operation joined with "\n" (newly allocated, null
 * when out of memory); hand it back to FreeErrorText. */
char* GetErrorText(void);
void FreeErrorText(char** text);

typedef int (*ParseFormelFn)(const char*, int16_t*, const double*);
typedef int (*ParseConditionFn)(const char*, int16_t*, const double*);
typedef int (*ZcdGenFn)(char*, int16_t*, const double*, void*, int16_t*, int16_t*);
typedef int (*UnlinkFileFn)(const char*, int16_t*, const double*, void*, int16_t*, int16_t*);
typedef char* (*GetErrorTextFn)(void);
typedef void (*FreeErrorTextFn)(char**);

#ifdef __cplusplus
}
#endif

#endif /* EXPRPARSER_EXPRPARSER_H */
