#pragma once
// The exports of HwaDll.so, for the libraries linked against it.
//
// Results: 0 done; kHwaAlreadyOn when high speed, real time or fail-safe is
// already on; kHwaNotSupported for what needs a kernel-mode driver of its own
// (bus scans, port registration, memory mapping and allocation, DMA channels,
// interrupt and timer connections); kHwaBadArgument for a missing out pointer.
// The fast operations have no result: they go to the process's port backend.
#include <cstdint>

#define HWA_API __attribute__((visibility("default")))

inline constexpr int kHwaNotSupported = 50;
inline constexpr int kHwaBadArgument = 87;
inline constexpr int kHwaAlreadyOn = 1247;
inline constexpr int kHwaNoTimerResolution = 1901;

extern "C" {
HWA_API extern double dDllVersion;
HWA_API extern double dDrvVersion;

HWA_API int HwaScanPciBus(std::uint16_t a, std::uint16_t b, std::uint8_t* out256);
HWA_API int HwaScanEisaBus(std::uint32_t a, std::uint8_t* out352);
HWA_API int HwaRegisterPort(std::uint32_t a, std::uint32_t b, std::uint32_t c, std::uint32_t* handle);
HWA_API int HwaUnregisterPort(std::uint32_t handle);
HWA_API int HwaReadPort(std::uint16_t port, std::uint8_t* value);
HWA_API int HwaWritePort(std::uint16_t port, std::uint8_t value);
HWA_API int HwaMapMem(std::uint32_t a, std::uint32_t b, std::uint32_t c, std::uint32_t* address, std::uint32_t* handle);
HWA_API int HwaUnmapMem(std::uint32_t handle);
HWA_API int HwaAllocMem(std::uint32_t a, std::uint8_t b, std::uint32_t c, std::uint32_t* out1, std::uint32_t* size,
                std::uint32_t* address, std::uint32_t* out3);
HWA_API int HwaFreeMem(std::uint32_t handle);
HWA_API int HwaAllocChannel(std::uint8_t a, std::uint32_t b);
HWA_API int HwaWritePciConfiguration(std::uint16_t a, std::uint16_t b, std::uint32_t c, std::uint32_t d, std::uint32_t e);
HWA_API int HwaConnectInterrupt(std::uint32_t a, std::uint32_t b, std::uint32_t c, std::uint32_t d, std::uint8_t e,
                        void* record50, std::uint32_t* handle);
HWA_API int HwaDisconnectInterrupt(std::uint32_t handle);
HWA_API int HwaConnectTimer(std::uint32_t a, std::uint32_t b, std::uint32_t c, std::uint32_t d, void* record50,
                    std::uint32_t* handle);
HWA_API int HwaStartTimer(std::uint32_t handle);
HWA_API int HwaStopTimer(std::uint32_t handle);
HWA_API int HwaDisconnectTimer(std::uint32_t handle);
HWA_API int HwaRealtimeEnable(std::uint32_t a, std::uint32_t b);
HWA_API int HwaRealtimeDisable();
HWA_API int HwaCheckRealtime(std::uint32_t* out);
HWA_API int HwaFailsafeEnable(std::uint32_t a);
HWA_API int HwaFailsafeDisable();
HWA_API int HwaHighspeedEnable();
HWA_API int HwaHighspeedDisable();
HWA_API void HwaEnterSystemSection();
HWA_API void HwaLeaveSystemSection();
HWA_API void HwaFastReadPortUchar(std::uint16_t port, std::uint8_t* value);
HWA_API void HwaFastReadPortUshort(std::uint16_t port, std::uint16_t* value);
HWA_API void HwaFastReadPortUlong(std::uint16_t port, std::uint32_t* value);
HWA_API void HwaFastWritePortUchar(std::uint16_t port, std::uint8_t value);
HWA_API void HwaFastWritePortUshort(std::uint16_t port, std::uint16_t value);
HWA_API void HwaFastWritePortUlong(std::uint16_t port, std::uint32_t value);
}
