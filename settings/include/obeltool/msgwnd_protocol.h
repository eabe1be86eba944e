#pragma once
// The protocol between the message window client (ObelTool) and the message
// window program (MESSAGES). The program owns the endpoint named after its
// window class and title; messages are numbered as window messages relative
// to WM_USER, and the text of a line or a file path travels in Message::text.
//
//   message              wParam   lParam          text        answer
//   kAppendLine          0        length + 1      the line    non-zero when shown
//   kAppendFile          0        length + 1      file path   non-zero when shown
//   kEmpty               0        0               -           non-zero
//   kIdentify            0        0               -           non-zero, text "MESSAGES"
//   kShowProgBar         flag     0               -           non-zero
//   kInitProgBar         first    second          -           non-zero
//   kSetProgBar          position 0               -           non-zero
//   kClose (posted)      0        0               -           the program ends
#include "platform/endpoint.h"
#include <cstdint>
#include <cstdlib>
#include <string>

namespace msgwnd {

inline constexpr std::uint32_t kWmUser = 1024;
inline constexpr std::uint32_t kAppendLine = kWmUser + 1;
inline constexpr std::uint32_t kAppendFile = kWmUser + 2;
inline constexpr std::uint32_t kEmpty = kWmUser + 3;
inline constexpr std::uint32_t kIdentify = kWmUser + 4;
inline constexpr std::uint32_t kShowProgBar = kWmUser + 5;
inline constexpr std::uint32_t kInitProgBar = kWmUser + 6;
inline constexpr std::uint32_t kSetProgBar = kWmUser + 7;
inline constexpr std::uint32_t kClose = 0x0010;  // WM_CLOSE

inline constexpr const char* kWindowClass = "MESSAGES";
inline constexpr const char* kTitle = "Messages";
inline constexpr const char* kIdentity = "MESSAGES";

// Another endpoint name for both sides (tests that run in parallel each use
// their own message window).
inline constexpr const char* kEndpointEnv = "ZERLO_MSGWND_ENDPOINT";

// The endpoint of the message window: the override of the environment, else
// the name of the window class and title.
inline std::string endpoint() {
  if (const char* e = std::getenv(kEndpointEnv); e && *e) return e;
  return plat::ipc::endpointName(kWindowClass, kTitle);
}

} // namespace msgwnd
