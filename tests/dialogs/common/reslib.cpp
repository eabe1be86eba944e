// A test language: German texts of a few strings, a dialog caption and a picture.
#include "platform/export.h"
#include "dialogkit/resources.h"

namespace {
const kit::StringEntry kStrings[] = {
    {1, "Zerlo-Test"},
    {1000, "Fehler: %s fehlt"},
    {5000, "Ein sehr langer Text, der laenger ist als der erste Puffer des Lesers, damit das Wachsen des "
           "Puffers geprueft wird: 0123456789012345678901234567890123456789012345678901234567890123456789"
           "0123456789012345678901234567890123456789012345678901234567890123456789 Ende"},
};
const kit::DialogTextEntry kDialogs[] = {{129, 0, "Pruefen"}};
const unsigned char kPic[] = {'B', 'M', 1, 2, 3};
const kit::BitmapEntry kPics[] = {{300, kPic, sizeof kPic}};
const kit::ResourceTable kTable{kStrings, 3, kDialogs, 1, kPics, 1};
} // namespace

ZERLO_EXPORT int LoadResString(unsigned id, char* buf, int size) {
  return kit::tableLoadString(kTable, id, buf, size);
}
ZERLO_EXPORT int LoadResDialogText(unsigned d, unsigned c, char* buf, int size) {
  return kit::tableLoadDialogText(kTable, d, c, buf, size);
}
ZERLO_EXPORT int LoadResBitmap(unsigned id, unsigned char* buf, int size) {
  return kit::tableLoadBitmap(kTable, id, buf, size);
}
