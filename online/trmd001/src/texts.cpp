#include "texts.h"

namespace trmd {

namespace {
const kit::StringEntry kStrings[] = {
    {kStrFirstTab, "Interface 1"},
    {kStrSecondTab, "Interface 2"},
    {kStrCaption, "Check Interface"},
    {kStrCheckInterface, "Check interface"},
    {kStrHelpContext, "Help context: %d"},
    {kStrResourcesMissing,
     "The language resources of the interface check (TRMD001_RES) were not found.\n"
     "The window shows its English texts."},
};
const kit::ResourceTable kTable{kStrings, sizeof kStrings / sizeof kStrings[0], nullptr, 0, nullptr, 0};
} // namespace

const kit::ResourceTable& englishTable() { return kTable; }

kit::Resources& resources() {
  static kit::Resources r(kTable);
  return r;
}

Environment& environment() {
  static Environment e;
  return e;
}

} // namespace trmd
