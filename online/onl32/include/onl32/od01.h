#ifndef ONL32_OD01_H
#define ONL32_OD01_H
/*
 * onl32: the online server library (bin/onl32.so, loaded by name). It binds
 * the online driver library named in its start record (ZerloRuntime) and the
 * device description reader, and does all talking to the target.
 *
 * Threaded operations take the call kind as their last argument
 * (OD01_KIND_START 6, OD01_KIND_CANCEL 7, OD01_KIND_QUERY 8) and answer, in the
 * low 16 bits of their result: start 2 (running) or 1 (another operation
 * runs); cancel 2 while running, else the last result; query 2 while running,
 * then 0 done, 1 failed or 7 cancelled. The records and texts given with a
 * start must stay valid until the operation has ended.
 */
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define OD01_VERSION 3.1

#define OD01_KIND_START 6
#define OD01_KIND_CANCEL 7
#define OD01_KIND_QUERY 8

#define OD01_DONE 0
#define OD01_FAILED 1
#define OD01_RUNNING 2
#define OD01_CANCELLED 7

/* The size word of the start record (its size on the original platform). */
#define OD01_INIT_RECORD_SIZE 34

struct ZrlClientNode; /* the named server's client list node (runtime/service_channel.h) */

/* The named server's start record for OD01_InitOnline. The library copies it;
 * the texts must stay valid until OD01_DeInitOnline. */
typedef struct OnlineInitRecord {
  uint16_t size;                       /* OD01_INIT_RECORD_SIZE, else refused */
  const char* driverPath;              /* online driver library */
  const char* configPath;              /* configuration (interface settings) file */
  const char* ddfReaderPath;           /* device description reader library */
  int (*message)(const char* text);    /* numbered messages (may be null) */
  void (*progress)(int percent);       /* download progress (may be null) */
  uint32_t softResetTimeout;           /* seconds to wait for the started program */
  uint32_t* serverWindow;              /* address of the server's window handle id */
  struct ZrlClientNode** clientList;   /* address of the head of its client list */
} OnlineInitRecord;

/* Program information (out of OD01_GetProgInfo, part of the download record). */
typedef struct OD01_ProgInfo {
  char name[10];                       /* up to 8 characters and a zero byte */
  uint8_t day, month, year, hour, minute, second;
  uint32_t size;
  uint8_t check;
} OD01_ProgInfo;

/* Download record of OD01_LoadDLF. */
typedef struct OD01_DownloadRecord {
  const char* path;                    /* the download file */
  int32_t hasIdent;                    /* nonzero: write the program information */
  OD01_ProgInfo info;
} OD01_DownloadRecord;

/* Memory record of OD01_GetMemory (filePath) and OD01_SetMemory (data). */
typedef struct OD01_MemoryRecord {
  uint32_t address;                    /* passed to the target unconverted */
  uint16_t count;
  const char* filePath;
  const uint8_t* data;
} OD01_MemoryRecord;

/* Text record of OD01_GetCommandResponse and the file transfers. */
typedef struct OD01_TextRecord {
  const char* text;                    /* the text to send / the transfer's command line */
  char* answer;                        /* answer buffer, always terminated */
  uint32_t answerSize;                 /* its size in bytes */
} OD01_TextRecord;

/* A target variable by area, index and element; the layout of the device
 * description reader's value record. */
typedef struct OD01_VariableRef {
  const char* area;
  int32_t index;
  int32_t element;                     /* negative: none */
  uint32_t address;                    /* filled by OD01_GetSizeAndAddressOfVarValue */
  uint32_t size;
  uint8_t* value;                      /* size bytes, filled by OD01_ReadValue */
} OD01_VariableRef;

typedef double (*OD01_GetDLLVersion_t)(void);
typedef int32_t (*OD01_InitOnline_t)(const OnlineInitRecord* rec);
typedef void (*OD01_DeInitOnline_t)(void);
/* 0 when the driver installed its hardware, else 1. */
typedef int32_t (*OD01_SetDrvOptions_t)(void);

/* Threaded operations. */
typedef int32_t (*OD01_LoadDDF_t)(const char* ddfPath, int32_t kind);
typedef int32_t (*OD01_SetResourceAndLoadDDF_t)(const char* resourcePath, const char* ddfPath, int32_t kind);
typedef int32_t (*OD01_GetMode_t)(uint8_t* mode, int32_t kind);
typedef int32_t (*OD01_SetMode_t)(uint8_t mode, int32_t kind);
typedef int32_t (*OD01_GetError_t)(uint8_t* error, int32_t kind);
typedef int32_t (*OD01_SetError_t)(uint8_t error, int32_t kind);
typedef int32_t (*OD01_GetRealTimeErrorWord_t)(uint8_t* word2, int32_t kind);   /* 2 bytes, target order */
typedef int32_t (*OD01_GetKernelVersion_t)(char* text, int32_t size, int32_t kind);
typedef int32_t (*OD01_GetParaMode_t)(uint8_t* flag, int32_t kind);
typedef int32_t (*OD01_SavePara_t)(int32_t kind);
typedef int32_t (*OD01_GetProgInfo_t)(OD01_ProgInfo* info, int32_t kind);
typedef int32_t (*OD01_LoadDLF_t)(OD01_DownloadRecord* rec, int32_t kind);
typedef int32_t (*OD01_GetMemory_t)(OD01_MemoryRecord* rec, int32_t kind);
typedef int32_t (*OD01_SetMemory_t)(OD01_MemoryRecord* rec, int32_t kind);
typedef int32_t (*OD01_GetCommandResponse_t)(OD01_TextRecord* rec, int32_t kind);
typedef int32_t (*OD01_FTPWriteFile_t)(OD01_TextRecord* rec, int32_t kind);
typedef int32_t (*OD01_FTPReadFile_t)(OD01_TextRecord* rec, int32_t kind);

/* Immediate operations (nonzero = success). */
typedef int32_t (*OD01_GetDevice_t)(char* buf, int32_t size);
typedef int32_t (*OD01_GetProcessor_t)(char* buf, int32_t size);
typedef int32_t (*OD01_GetMemoryElementNumber_t)(const char* area, uint32_t* count);
typedef int32_t (*OD01_GetSizeAndAddressOfVarValue_t)(OD01_VariableRef* ref);
typedef int32_t (*OD01_GetMinCycleTime_t)(uint32_t* ms);
typedef int32_t (*OD01_GetTargetFormat_t)(uint8_t* format);
typedef int32_t (*OD01_GetComm_t)(void);                 /* 1 polling on, 0 off */
typedef int32_t (*OD01_SetComm_t)(int32_t on);           /* 1 or 0; other values answer 0 */
typedef int32_t (*OD01_ReadValue_t)(OD01_VariableRef* ref); /* 1 when the value was copied */
typedef int32_t (*OD01_GetSysTime_t)(uint8_t* time4);    /* 4 bytes, target order */

#ifdef __cplusplus
}
#endif

#endif
