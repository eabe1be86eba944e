#pragma once
// The diagnosis library's texts (built-in English, or its language resource
// library TRMD001_RES) and what its start found out about its surroundings.
#include "dialogkit/resources.h"

#include <string>

namespace trmd {

enum : unsigned {
  kStrFirstTab = 102,
  kStrSecondTab = 103,
  kStrCaption = 107,
  kStrCheckInterface = 175,    // caption of the warning and of the help number box
  kStrHelpContext = 176,       // "Help context: %d"
  kStrResourcesMissing = 177,  // the warning when the language resources are missing
};

const kit::ResourceTable& englishTable();
kit::Resources& resources();

// Set by the library's start; tests set it directly.
struct Environment {
  bool resourcesMissing = false;  // the window warns when it opens
  bool showHelpNumber = false;    // F1 first shows the help context number
  std::string helpFile;           // "TRMD001DLG.HLP" beside the language help file ("" : none)
};
Environment& environment();

// The help contexts of the two layouts.
constexpr unsigned kHelpTest = 1, kHelpTerminal = 100;

} // namespace trmd
