#include "onl32ns/server_core.h"

namespace onl32ns {

const char* serverText(int id) {
  switch (id) {
    case 300: return "Fatal Error !   Dynamic Link Library OBELTOOL.DLL can not be found or is too old.";
    case 301: return "Fatal Error !   Dynamic Link Library %s can not be found or is to old.";
    case 303: return "Fatal Error !   Dynamic Link Library %s can not be initialized.";
    case 307: return "Fatal Error !   There is no message konverter specified for target format %s.";
    case 311: return "Error !   Invalid command line format.\n\nUsage: ONL32NS.EXE /n<Name> /c<Configuration Path>";
    case 600: return "No connection";
    case 601: return "Online";
    case 602: return "Offline";
    case 603: return "Step";
    case 604: return "Stop";
    case 605: return "Reset";
    case 606: return "Load";
    case 607: return "Test";
    case 608: return "AKXI";
    case 609: return "CHECK";
    case 610: return "PARACHANGE";
    case 611: return "TERMINAL";
    case 620: return "No error";
    case 621: return "Realtimeerror";
    case 622: return "Communicationerror";
    case 623: return "Commanderror";
    case 624: return "Power failure";
    case 625: return "No connection";
    case 640: return "Off";
    case 641: return "On";
    case 642: return "Error> can not start file transfer";
    case 643: return "FTP> running ...";
    case 644: return "Error> Action is invalid ";
    case 645: return "Error> Can not start a second FTP";
    default: return "";
  }
}

} // namespace onl32ns
