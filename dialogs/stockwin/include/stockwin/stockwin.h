#ifndef STOCKWIN_STOCKWIN_H
#define STOCKWIN_STOCKWIN_H
/*
 * stockwin: the standard dialogs library (bin/stockwin.so, loaded by the name
 * "STOCKWIN.DLL" through plat::lib::load). It shows the main program's
 * numbered messages, its standard dialogs, the toolbox with block insertion
 * and the start screen. This header holds the records that cross the library
 * boundary and the signatures of the exports; the main program and its test
 * fixtures include it.
 *
 * Window handles are 32-bit handle ids (0 = none) of windows the host
 * registered with the dialog kit. Dialog results: 1 OK, 2 Cancel, -1 not
 * created. Records are written only on OK.
 *
 * Language resources: "STOCKWINRES.DLL" in the language directory, with the
 * resource ABI of the dialog kit. Without it the library asks (message 518;
 * OK: built-in English texts, Cancel: the library does not load).
 */
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef uint32_t SwWindow;

/* A node of the caller's name lists, passed as a pointer to the head pointer. */
typedef struct NameNode {
  const char* name; /* may be null: the node is skipped */
  struct NameNode* next;
} NameNode;

/* A block to build or drop: screen coordinates for both drop services,
 * drawing units for "add block". The caller owns the strings. */
typedef struct BlockDropRecord {
  const char* name;
  const char* library;
  int32_t x;
  int32_t y;
} BlockDropRecord;

/* What "draw picture" draws into: the drawing window, the device (a
 * disp::Device*) and the scale. */
typedef struct PictureDrawParams {
  SwWindow window;
  void* device;
  float scale;
} PictureDrawParams;

/* The main program's callbacks for block pictures and drops. A null entry is
 * skipped (results 0, zoom 1.0). size is the size of this struct. */
typedef struct ServiceFunctionTable {
  uint32_t size;
  float (*zoom)(void);
  void* (*createPicture)(int kind); /* 0 picture window, 1 drag window, 2 measurement */
  int (*drawPicture)(void* picture, const PictureDrawParams* params);
  int (*freePicture)(void* picture);
  void* (*addBlock)(void* picture, const BlockDropRecord* block);
  int (*blockExtents)(void* picture, void* block, int* width, int* height);
  int (*removeBlock)(void* picture, void* block);
  int (*dropPlaced)(const BlockDropRecord* block);   /* x, y: the block's top-left corner */
  int (*dropAtCursor)(const BlockDropRecord* block); /* x, y: the cursor */
} ServiceFunctionTable;

/* The toolbox's position, page and selected subprogram (the insert box
 * attributes; named apart from the settings library's stored 24-byte form).
 * A name the library writes is freed with SW10_FreeInsertBoxDlgAttribs. */
typedef struct SwInsertBoxAttribs {
  int32_t x, y, width, height;
  int32_t page; /* 0 "Function Blocks", 1 "Subprograms" */
  char* name;
} SwInsertBoxAttribs;

typedef struct ConnectorParams {
  const char* kind;  /* "Output": output connector; anything else (or null): input */
  char* name;        /* at least 8 characters; in: current name (may be null); out: new name */
  int16_t value1, value2; /* zeroed on OK unless bit 0 of flags */
  int32_t flags;
  NameNode** names;  /* names in use */
} ConnectorParams;

typedef struct TextParams {
  char* text;        /* lines separated by a carriage return alone */
  int16_t size;      /* buffer size, terminator included */
  int16_t fontSize;  /* 8, 16, 24 */
  float scale;       /* preview scale */
} TextParams;

typedef struct StartBitmapParams {
  const char* lines[3]; /* each may be null; cut to 35 characters */
  int32_t minimumMs;
} StartBitmapParams;

typedef struct FileDlgParams {
  SwWindow owner;
  char* path;
  int32_t size; /* characters, terminator included */
} FileDlgParams;

typedef struct PrintSetupParams {
  SwWindow owner;
  int32_t lastPage; /* low 16 bits read */
} PrintSetupParams;

typedef struct MacroBmpParams {
  int32_t fixedSize;
  uint8_t reserved[32];
  char symbol[16];
  int32_t resize;
  char background[16];
  const char* directory;
} MacroBmpParams;

typedef struct WorkSheetSetup {
  int32_t format;      /* 0..5 */
  float zoom;          /* 0.3..10.0 */
  int32_t crossText;   /* 0 or 1 */
  int32_t refreshMs;   /* 50..5000 */
} WorkSheetSetup;

/* WM_USER+45 with wParam 2: the toolbox was closed. WM_USER+41: the start
 * screen's deadline passed. */
#define SW_WM_INSERTBOX_CLOSED (0x400 + 45)
#define SW_WM_START_BITMAP_DONE (0x400 + 41)

typedef double (*SW00_GetDLLVersionFn)(void);
typedef int (*SW01_CallMacroBmpDlgFn)(SwWindow, MacroBmpParams*);
typedef int (*SW03_CallMacroBGBmpDlgFn)(SwWindow, MacroBmpParams*);
typedef int (*SW04_CallStartAuswahlDlgFn)(SwWindow, int* showNextTime);
typedef int (*SW05_CallNewProjectDlgFn)(SwWindow, char* path, int size);
typedef int (*SW07_CallSelectMacroDlgFn)(SwWindow, NameNode** names, char* answer);
typedef int (*SW08_CallCopyMacroDlgFn)(SwWindow, NameNode** names, char* source, char* destination);
typedef int (*SW09_CallDesignOrDeleteMacroDlgFn)(SwWindow, int mode, NameNode** names, char* name);
typedef int (*SW10_CallRenameMacroDlgFn)(SwWindow, NameNode** names, char* oldName, char* newName);
typedef void* (*SW10_CreateInsertBoxDlgFn)(SwWindow, const SwInsertBoxAttribs*, NameNode** names, int state);
typedef void (*SW10_DestroyInsertBoxDlgFn)(void* box);
typedef int (*SW10_SetInsertBoxDlgAttribsFn)(void* box, const SwInsertBoxAttribs*);
typedef int (*SW10_GetInsertBoxDlgAttribsFn)(void* box, SwInsertBoxAttribs*);
typedef void (*SW10_FreeInsertBoxDlgAttribsFn)(SwInsertBoxAttribs*);
typedef void (*SW10_AddInsertBoxUPNameFn)(void* box, const char* name);
typedef void (*SW10_RenameInsertBoxUPNameFn)(void* box, const char* oldName, const char* newName);
typedef int (*SW10_SelectInsertBoxUPNameFn)(void* box, const char* name);
typedef void (*SW10_UpdateInsertBoxUPSelectionFn)(void* box);
typedef void (*SW10_SetInsertBoxStateFn)(void* box, int state);
typedef int (*SW10_GetInsertBoxStateFn)(void* box);
typedef void (*SW13_SetObelServiceFctnsFn)(const ServiceFunctionTable*);
typedef int (*SW20_CallWorkSheetSetupDlgFn)(SwWindow, WorkSheetSetup*);
typedef int (*SW21_CallAboutDlgFn)(SwWindow);
typedef void* (*SW22_CreateStartBitmapDlgFn)(const SwWindow* frame, const StartBitmapParams*);
typedef void (*SW22_DestroyStartBitmapDlgFn)(void* screen);
typedef int (*SW30_CallInsertConnectorDlgFn)(SwWindow, ConnectorParams*);
typedef int (*SW31_CallInsertTextDlgFn)(SwWindow, TextParams*);
typedef int (*SW50_CallMBWithIDFn)(SwWindow, unsigned number, unsigned flags);
typedef int (*SW50_CallMBWithIDAndStringFn)(SwWindow, unsigned number, const char* text, unsigned flags);
typedef int (*SW50_CallMBWithIDAnd3StringsFn)(SwWindow, unsigned number, const char* t1, const char* t2,
                                              const char* t3, unsigned flags);
typedef int (*SW50_CallMBWithIDAndUINTFn)(SwWindow, unsigned number, unsigned value, unsigned flags);
typedef int (*SW51_OpenMDLProjectFn)(FileDlgParams*);
typedef int (*SW51_SaveAsMDLProjectFn)(FileDlgParams*);
typedef int (*SW51_OpenLibraryFn)(FileDlgParams*);
typedef int (*SW51_IsFileNameSuggestionOfNewFn)(const char* path);
/* A printer handle id the caller takes over, 0 when none: a plat::handles id of
 * the kind SW_PRINTER_HANDLE_KIND whose object is a QPrinter* set up by the
 * user; the caller deletes the printer and releases the id. */
#define SW_PRINTER_HANDLE_KIND 0x50524E30 /* "PRN0" */
typedef uint32_t (*SW52_PrintSetupFn)(PrintSetupParams*);

#ifdef __cplusplus
}
#endif

#endif
