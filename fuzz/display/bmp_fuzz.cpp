// The BMP reader on arbitrary bytes: a picture or none, and a picture decodes
// (whole and sampled, recoloured) and draws without reading out of bounds.
#include "display/dib.h"
#include "display/recording_device.h"

#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::vector<std::uint8_t> file(data, data + size);
  if (file.size() >= 2) {
    file[0] = 'B';
    file[1] = 'M';
  }
  disp::DibHandle p = disp::dib_FromBytes(file);
  if (!p) return 0;
  disp::RecordingDevice dev;
  const int w = 1 + (size ? data[size - 1] % 64 : 0);
  if (static_cast<long long>(p->width) * p->height <= 1 << 20) (void)disp::dib_Pixels(p);
  disp::dib_Draw(&dev, p, 0, 0, w, w);
  disp::dib_DrawStretched(&dev, p, 0, 0, 3, 5, disp::kSrcAnd);
  disp::dib_DrawWithPalette(&dev, p, 0, 0, w, 2, disp::Rgb{0, 0, 0}, disp::Rgb{255, 0, 0});
  disp::dib_Free(&p);
  return 0;
}
