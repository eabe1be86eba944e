#include "texts.h"

#include "pictures.inc"

namespace sw {

namespace {
const kit::StringEntry kStrings[] = {
    {1, "*** No bitmap ***"},
    {2, "Templates"},
    {3, "Zerlo"},
    {4, "Subprogram Design"},
    {5, "Delete Subprogram"},
    {7, "SubIn"},
    {8, "SubOut"},
    {9, "AaBb"},
    {10, "Function block: Text"},
    {11, "Function block: SubIn"},
    {12, "Function block: SubOut"},
    {13, "Text comment"},
    {14, "OK"},
    {15, "Cancel"},
    {50, "Import bitmap"},
    {51, "Open Zerlo Project"},
    {52, "Save Zerlo Project"},
    {53, "Open Zerlo Library"},
    {60, "Bitmaps (*.bmp)|*.bmp||"},
    {61, "*.bmp"},
    {62, "Zerlo projects [*.mdl]|*.mdl||"},
    {63, "*.mdl"},
    {64, "Zerlo libraries [*.mco]|*.mco|Zerlo projects [*.mdl]|*.mdl||"},
    {65, "*.mco"},
    {70, "UNTITLED %02d"},
    {71, ".MDL"},
#include "messages.inc"
    {5020, "Function Blocks"},
    {5021, "Subprograms"},
    {5030, "Output"}, {5031, "Input"}, {5032, "Edge"}, {5033, "Position"}, {5034, "Start"}, {5035, "End"},
    {5036, "Reset"}, {5037, "Stop"}, {5038, "Terminal"}, {5039, "Display"}, {5040, "Message"},
    {5041, "Show values"}, {5042, "Variable +/- 1"}, {5043, "Assignment"}, {5044, "Compare"}, {5045, "Beep"},
    {5046, "Wait"}, {5047, "Text"}, {5048, "SubIn"}, {5049, "SubOut"},
    {5060, "MOUTPUTV3"}, {5061, "BINPUTV3"}, {5062, "BEDGEV3"}, {5063, "POSITIONV3"}, {5064, "STARTV3"},
    {5065, "ENDEV3"}, {5066, "RESETV3"}, {5067, "STOPV3"}, {5068, "TERMINALV3"}, {5069, "DISPLAYV3"},
    {5070, "MESSAGEV3"}, {5071, "VISUALV3"}, {5072, "ICDCVARV3"}, {5073, "ASSIGNV3"}, {5074, "COMPAREV3"},
    {5075, "SIGBEEPV3"}, {5076, "WAITV3"}, {5077, "Text"}, {5078, "Input"}, {5079, "Output"},
    {5090, "Standard"},
    {5091, "Projekt"},
    {5092, "ZRLFB02"},
};

// Control 0 is the caption.
const kit::DialogTextEntry kDialogs[] = {
    {127, 0, "New Project"},
    {127, 1001, "Select a template:"},
    {127, 1002, "Enter project name:"},
    {127, 1003, "Directory:"},
    {128, 0, "Select Directory"},
    {128, 1001, "Drive:"},
    {128, 1002, "Directory:"},
    {129, 1005, "Show Quickstart next time"},
    {130, 0, "Symbol Bitmap"},
    {130, 1002, "Change block size to bitmap size"},
    {130, 1010, "Directory:"},
    {130, 1011, "Bitmap:"},
    {130, 1013, "Preview:"},
    {130, 1096, "Import ..."},
    {131, 0, "Background Bitmap"},
    {131, 1010, "Directory:"},
    {131, 1011, "Bitmap:"},
    {131, 1013, "Preview:"},
    {131, 1096, "Import ..."},
    {180, 0, "Subprogram"},
    {181, 0, "Copy Subprogram"},
    {182, 0, "Design or Delete sub program"},
    {200, 0, "Rename Subprogram"},
    {134, 0, "Toolbox"},
    {183, 0, "Work Sheet Setup"},
    {183, 1094, "Cross text blocks"},
    {183, 1110, "Format"},
    {183, 1111, "Zoom"},
    {183, 1112, "Refresh Ratio"},
    {183, 1113, "Autorouting"},
    {193, 0, "About"},
    {193, 1000, "Zerlo"},
    {193, 1001, "Function block programming and simulation"},
    {193, 1002, "Version 1.0"},
    {193, 1003, "All rights reserved."},
    {193, 1004, "Zerlo team"},
    {193, 1005, "The Zerlo developers"},
    {193, 1006, "Free software"},
    {193, 1007, "Linux"},
    {195, 1, "OK"},
    {195, 2, "Cancel"},
    {196, 0, "Text"},
    {196, 1024, "Small"},
    {196, 1025, "Medium"},
    {196, 1026, "Large"},
    {196, 1095, "Font Size:"},
};

const kit::BitmapEntry kBitmaps[] = {PICGEN_BITMAP_ENTRIES};

const kit::ResourceTable kTable{kStrings, sizeof kStrings / sizeof kStrings[0], kDialogs,
                                sizeof kDialogs / sizeof kDialogs[0], kBitmaps, sizeof kBitmaps / sizeof kBitmaps[0]};
} // namespace

const kit::ResourceTable& englishTable() { return kTable; }

} // namespace sw
