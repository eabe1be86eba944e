// Little-endian serializers of the endpoint frames.
#include "endpoint_wire.h"

namespace plat::ipc::wire {

namespace {
void put32(std::string& s, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) s.push_back(char((v >> (8 * i)) & 0xFF));
}
void put64(std::string& s, std::uint64_t v) {
  for (int i = 0; i < 8; ++i) s.push_back(char((v >> (8 * i)) & 0xFF));
}
std::uint32_t get32(const unsigned char* p) {
  return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 | std::uint32_t(p[3]) << 24;
}
std::uint64_t get64(const unsigned char* p) {
  return std::uint64_t(get32(p)) | std::uint64_t(get32(p + 4)) << 32;
}
} // namespace

std::string encodeRequest(Kind kind, const Message& m) {
  std::string s;
  s.reserve(kRequestHeader + m.text.size());
  put32(s, kRequestMagic);
  s.push_back(char(kind));
  s.append(3, '\0');
  put32(s, m.msg);
  put64(s, std::uint64_t(m.wParam));
  put64(s, std::uint64_t(m.lParam));
  put32(s, m.sender);
  put32(s, std::uint32_t(m.text.size()));
  s += m.text;
  return s;
}

std::optional<RequestHeader> decodeRequestHeader(const unsigned char* p) {
  if (get32(p) != kRequestMagic) return std::nullopt;
  if (p[4] != kSend && p[4] != kPost) return std::nullopt;
  RequestHeader h;
  h.kind = Kind(p[4]);
  h.msg.msg = get32(p + 8);
  h.msg.wParam = std::int64_t(get64(p + 12));
  h.msg.lParam = std::int64_t(get64(p + 20));
  h.msg.sender = get32(p + 28);
  h.textLength = get32(p + 32);
  if (h.textLength > kMaxText) return std::nullopt;
  return h;
}

std::string encodeAnswer(const Answer& a) {
  std::string s;
  s.reserve(kAnswerHeader + a.text.size());
  put32(s, kAnswerMagic);
  put64(s, std::uint64_t(a.result));
  put32(s, std::uint32_t(a.text.size()));
  s += a.text;
  return s;
}

std::optional<Answer> decodeAnswerHeader(const unsigned char* p, std::uint32_t& textLength) {
  if (get32(p) != kAnswerMagic) return std::nullopt;
  textLength = get32(p + 12);
  if (textLength > kMaxAnswerText) return std::nullopt;
  Answer a;
  a.result = std::int64_t(get64(p + 4));
  return a;
}

} // namespace plat::ipc::wire
