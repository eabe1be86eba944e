#include "texts.h"

namespace tw {

namespace {
const kit::StringEntry kStrings[] = {
    {1, "Zerlo"},
    {2, "none"},
    {1000, "Error!   The resource library for the selected language cannot be loaded.\nInternal English resources "
           "will be used."},
    {1001, "Error!   The translation program cannot be started."},
    {1002, "Error!   Executable program could not be created."},
    {1003, "Error!   The translation program DLL cannot be loaded."},
    {1004, "Error!   File %s cannot be opened."},
    {1005, "Error!   File %s cannot be read."},
    {1006, "Error!   Insufficient Windows system resources for downloading."},
    {1007, "Error!   The file to be downloaded cannot be found."},
    {1008, "Error!   No connection to interface."},
    {1009, "Error!   Download failed."},
    {1010, "Error!   Interface could not be switched to download mode."},
    {1011, "Error!   The loading program could not be started."},
    {1012, "Please select a port."},
    {1013, "At least one interface must be available."},
    {1014, "Only %u interface construction groups can be connected to the selected port."},
    {1015, "Please enter a number between %u and %u."},
    {1016, "Only cycle rates equal to or greater than %u ms are supported for the selected port."},
    {1017, "Only cycle rates equal to or less than %u ms are supported for the selected port."},
    {1018, "Interface settings cannot be changed while downloading."},
    {1019, "Interface settings cannot be changed while the program is running."},
    {1020, "Error!   Communication driver for selected port cannot be loaded."},
    {1021, "Error!   Communication driver contains no settings dialog."},
    {1022, "Error!   Software PLC cannot be started."},
    {1023, "Error!   Software PLC is not running."},
    {2000, "Help Context: %u"},
};

// Control 0 is the caption.
const kit::DialogTextEntry kDialogs[] = {
    {129, 0, "Zerlo"},
    {129, 100, "Checking program ..."},
    {130, 0, "Errors and Warnings"},
    {130, 2, "Close"},
    {131, 0, "Zerlo"},
    {131, 100, "Downloading program ..."},
    {133, 0, "Zerlo"},
    {133, 100, "Changing interface mode ..."},
    {134, 0, "Setup Interface"},
    {134, 1, "OK"},
    {134, 2, "Cancel"},
    {134, 1006, "Settings"},
    {134, 1102, "Port:"},
    {134, 1103, "Number of interfaces:"},
    {134, 1104, "Cycle rate [ms]:"},
    {134, 1108, "Minimum screen visualization:"},
};

const kit::ResourceTable kTable{kStrings, sizeof kStrings / sizeof kStrings[0], kDialogs,
                                sizeof kDialogs / sizeof kDialogs[0], nullptr, 0};
} // namespace

const kit::ResourceTable& englishTable() { return kTable; }

} // namespace tw
