#pragma once
// The service channel: the seven operations every online driver library
// exports (the runtime ZerloRuntime is the one of this system), bound by name
// by the online server library. Result codes: 0 done, 1 error, 2 busy,
// 3 nothing there.
#include <cstdint>

extern "C" {

// One logged-in client of the named server: its window handle id. The server
// keeps them as a singly linked list in login order.
struct ZrlClientNode {
  std::uint32_t id;
  ZrlClientNode* next;
};

// Returns the channel buffer (0 when the channel was not opened) and stores
// its size. mode is 2 and not used.
using OpenServiceChannel_Fn = std::uint8_t* (*)(const char* configPath, std::uint32_t* size, int mode);
using CloseServiceChannel_Fn = int (*)(int mode);
// The request lies in the buffer (or at request); nMinus1 is its length minus one.
using WriteServiceChannel_Fn = int (*)(std::uint8_t* request, std::uint32_t nMinus1, int mode);
using ReadServiceChannel_Fn = int (*)(std::uint16_t* answerLength, int mode);
using ReadServiceReady_Fn = void (*)(int mode);
using InstallHardware_Fn = int (*)(const char* configPath);
// Addresses of the server's window handle id and of its client list head.
using SettingsServerInfo_Fn = void (*)(std::uint32_t* serverWindow, ZrlClientNode** clientList);

} // extern "C"

namespace zrt {
enum ChannelResult : int { kDone = 0, kError = 1, kBusy = 2, kNothing = 3 };
// Window messages of the server actions.
inline constexpr std::uint32_t kWmClose = 0x0010;
inline constexpr std::uint32_t kClientNotifyMessage = 0x0400 + 46;
} // namespace zrt
