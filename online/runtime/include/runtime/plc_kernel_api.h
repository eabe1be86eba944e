#pragma once
// The operations of the software PLC kernel (TESK31) that the runtime binds by
// name (their types and records are the kernel's own header).
#include <cstdint>

#include "plc/tesk31.h"

// Function types of the kernel's operations as the runtime binds them.
using DSPS_Run_Fn = DSPS_Run_t;
using DSPS_Init_Fn = DSPS_Init_t;
using DSPS_Deinit_Fn = DSPS_Deinit_t;
using DSPS_Timer_Fn = DSPS_Timer_t;
using DSPS_CommMultiPlex_Fn = DSPS_CommMultiPlex_t;
using DSPS_InitSoftComm_Fn = DSPS_InitSoftComm_t;
using DSPS_DeinitSoftComm_Fn = DSPS_DeinitSoftComm_t;
using KX1_GetDPValue_Fn = KX1_GetDPValue_t;
using KX1_SetDPValue_Fn = KX1_SetDPValue_t;
using D10_GetActiveTaskState_Fn = D10_GetActiveTaskState_t;
using D10_Init_Fn = D10_Init_t;
using D10_SetDSPMode_Fn = D10_SetDSPMode_t;
using D10_GetDSPMode_Fn = D10_GetDSPMode_t;

namespace zrt {

// The thirteen kernel operations the runtime needs; all are required.
struct PlcKernelApi {
  DSPS_Run_Fn DSPS_Run = nullptr;
  DSPS_Init_Fn DSPS_Init = nullptr;
  DSPS_Deinit_Fn DSPS_Deinit = nullptr;
  DSPS_Timer_Fn DSPS_Timer = nullptr;
  DSPS_CommMultiPlex_Fn DSPS_CommMultiPlex = nullptr;
  DSPS_InitSoftComm_Fn DSPS_InitSoftComm = nullptr;
  DSPS_DeinitSoftComm_Fn DSPS_DeinitSoftComm = nullptr;
  KX1_GetDPValue_Fn KX1_GetDPValue = nullptr;
  KX1_SetDPValue_Fn KX1_SetDPValue = nullptr;
  D10_GetActiveTaskState_Fn D10_GetActiveTaskState = nullptr;
  D10_Init_Fn D10_Init = nullptr;
  D10_SetDSPMode_Fn D10_SetDSPMode = nullptr;
  D10_GetDSPMode_Fn D10_GetDSPMode = nullptr;

  bool complete() const {
    return DSPS_Run && DSPS_Init && DSPS_Deinit && DSPS_Timer && DSPS_CommMultiPlex &&
           DSPS_InitSoftComm && DSPS_DeinitSoftComm && KX1_GetDPValue && KX1_SetDPValue &&
           D10_GetActiveTaskState && D10_Init && D10_SetDSPMode && D10_GetDSPMode;
  }
};

} // namespace zrt
