// Arbitrary bytes as endpoint frames: decoding never reads past the header and
// refuses wrong magics, kinds and text lengths; a decoded request encodes back
// to the same header.
#include "endpoint_wire.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace plat::ipc::wire;
  if (size >= kRequestHeader) {
    std::vector<unsigned char> buf(data, data + kRequestHeader);
    if (auto h = decodeRequestHeader(buf.data())) {
      if (h->textLength > plat::ipc::kMaxText) std::abort();
      plat::ipc::Message m = h->msg;
      m.text.assign(h->textLength, 'x');
      std::string again = encodeRequest(h->kind, m);
      if (again.size() != kRequestHeader + h->textLength) std::abort();
    }
  }
  if (size >= kAnswerHeader) {
    std::vector<unsigned char> buf(data, data + kAnswerHeader);
    std::uint32_t len = 0;
    if (decodeAnswerHeader(buf.data(), len) && len > kMaxAnswerText) std::abort();
  }
  return 0;
}
