// A test language for the standard dialogs library: a few German texts.
#include "platform/export.h"
#include "dialogkit/resources.h"

namespace {
const kit::StringEntry kStrings[] = {
    {3, "Zerlo-Test"}, {14, "Uebernehmen"}, {15, "Abbruch"}, {40006, "Programm beenden?"}};
const kit::DialogTextEntry kDialogs[] = {
    {129, 1005, "Schnellstart wieder zeigen"},
    {183, 1094, "Textbloecke kreuzen"},
    {183, 1110, "Blattformat"},
    {183, 1111, "Vergroesserung"},
    {183, 1112, "Bildwiederholung"},
    {183, 1113, "Leitungsfuehrung"},
};
const kit::ResourceTable kTable{kStrings, sizeof kStrings / sizeof kStrings[0], kDialogs,
                                sizeof kDialogs / sizeof kDialogs[0], nullptr, 0};
} // namespace

ZERLO_EXPORT int LoadResString(unsigned id, char* buf, int size) {
  return kit::tableLoadString(kTable, id, buf, size);
}
ZERLO_EXPORT int LoadResDialogText(unsigned dialog, unsigned control, char* buf, int size) {
  return kit::tableLoadDialogText(kTable, dialog, control, buf, size);
}
