#ifndef ZRLFBDLG_ZRLFBDLG_H
#define ZRLFBDLG_ZRLFBDLG_H
/*
 * ZRLFBDLG: the parameter dialogs of the standard block library
 * (bin/ZRLFBDLG.so, loaded by the name "ZRLFBDLG.DLL" through plat::lib::load).
 *
 * Every export takes the same six arguments, read only where the export needs
 * them:
 *   text    the block's parameter text (layout per dialog; null: none)
 *   aux     the block's auxiliary record of 16-bit values (null: defaults
 *           shown, nothing written there)
 *   vector  the block's parameter vector; vector[0] is the owner window's
 *           handle id (0: no owner); a null vector makes the export do nothing
 *   unused  never read
 *   mode    FB03 only: 0 Reset, 1 Stop
 *   changed set to 1 when the dialog ended with OK (untouched on Cancel); a
 *           null changed makes a dialog export do nothing
 * A dialog writes text, aux and vector only when it ends with OK. Calls may
 * come from any thread; a worker's dialog runs on the GUI thread while the
 * worker waits. Without a QApplication no dialog opens (changed untouched).
 *
 * Caller text layouts (the library reads and writes no further):
 *   assignment 70 (variable in 0..9, expression in 10..69), conditions 41,
 *   operand names 6, position 20 (counter 0..9, result 10..19), display 10,
 *   message 18.
 */
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define ZRLFBDLG_ASSIGN_TEXT_SIZE 70
#define ZRLFBDLG_CONDITION_TEXT_SIZE 41
#define ZRLFBDLG_OPERAND_TEXT_SIZE 6

typedef void (*FbDialogCallFn)(char* text, int16_t* aux, double* vector, void* unused, int16_t* mode,
                               int16_t* changed);
typedef int (*FbRefreshViewFn)(char* text, int16_t* aux, double* vector, void* unused, int16_t* mode,
                               int16_t* changed);

#define ZRLFBDLG_DECLARE(name) \
  void name(char* text, int16_t* aux, double* vector, void* unused, int16_t* mode, int16_t* changed)

ZRLFBDLG_DECLARE(FB01_CallParaAssignDlg);
ZRLFBDLG_DECLARE(FB02_CallParaCompareDlg);
ZRLFBDLG_DECLARE(FB03_CallParaRSNADlg);
ZRLFBDLG_DECLARE(FB04_CallParaVisualDlg);
ZRLFBDLG_DECLARE(FB05_CallBuildHandle);
ZRLFBDLG_DECLARE(FB05_CallLoadTermText);
ZRLFBDLG_DECLARE(FB05_CallOnMessage);
int FB05_CallRefreshView(char* text, int16_t* aux, double* vector, void* unused, int16_t* mode,
                         int16_t* changed);
ZRLFBDLG_DECLARE(FB05_GetMouseKeyState);
ZRLFBDLG_DECLARE(FB06_CallParaMOutputDlg);
ZRLFBDLG_DECLARE(FB07_CallParaSigBeepDlg);
ZRLFBDLG_DECLARE(FB08_CallParaWaitDlg);
ZRLFBDLG_DECLARE(FB09_CallParaDIVarDlg);
ZRLFBDLG_DECLARE(FB10_CallParaBInputDlg);
ZRLFBDLG_DECLARE(FB11_CallParaBEdgeDlg);
ZRLFBDLG_DECLARE(FB12_CallParaPositionDlg);
ZRLFBDLG_DECLARE(FB13_CallParaDisplayDlg);
ZRLFBDLG_DECLARE(FB14_CallParaMessageDlg);
ZRLFBDLG_DECLARE(FB15_CallTermParaDlg);

#undef ZRLFBDLG_DECLARE

/* The posted message of FB05_CallOnMessage (WM_USER + 200). */
#define ZRLFBDLG_BLOCK_POSTED_MESSAGE (0x0400u + 200u)

#ifdef __cplusplus
}
#endif

#endif /* ZRLFBDLG_ZRLFBDLG_H */
