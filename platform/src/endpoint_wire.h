#pragma once
// The frames that travel over an endpoint's socket, little-endian at fixed
// offsets:
//
//   request   0 u32 magic "ZMQ1"   4 u8 kind (1 send, 2 post)   5 u8[3] zero
//             8 u32 msg   12 i64 wParam   20 i64 lParam   28 u32 sender
//             32 u32 text length (<= kMaxText)   36 text bytes
//   answer    0 u32 magic "ZMA1"   4 i64 result   12 u32 text length
//             (<= kMaxAnswerText)   16 text bytes
#include "platform/endpoint.h"

#include <cstdint>
#include <optional>
#include <string>

namespace plat::ipc::wire {

inline constexpr std::uint32_t kRequestMagic = 0x31514D5Au;  // "ZMQ1"
inline constexpr std::uint32_t kAnswerMagic = 0x31414D5Au;   // "ZMA1"
inline constexpr std::size_t kRequestHeader = 36;
inline constexpr std::size_t kAnswerHeader = 16;
inline constexpr std::size_t kMaxAnswerText = 1u << 20;
enum Kind : std::uint8_t { kSend = 1, kPost = 2 };

struct RequestHeader {
  Kind kind = kSend;
  Message msg;            // without its text
  std::uint32_t textLength = 0;
};

std::string encodeRequest(Kind kind, const Message& m);
// Null when the magic, the kind or the text length is wrong.
std::optional<RequestHeader> decodeRequestHeader(const unsigned char* p);

std::string encodeAnswer(const Answer& a);
// Null when the magic or the text length is wrong; sets textLength.
std::optional<Answer> decodeAnswerHeader(const unsigned char* p, std::uint32_t& textLength);

} // namespace plat::ipc::wire
