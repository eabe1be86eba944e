#pragma once
// The server command protocol between the named server and its clients.
//
// On the wire it is three messages to the server's endpoint (the window class
// "ONL32NS" plus the server name as title), each with the client id as lParam:
//   query   (2024): text = keyword; answer: result 1 with the answer text, or
//                   result 0 when there is no answer. The one query that answers
//                   a number (GETMEM) gives the number as result and as text.
//   command (2025): text = keyword "=" value; answer: result = the command's
//                   result. The command that answers a text (FTP>) gives it as
//                   the answer text with result 1.
//   busy    (2026): result 1 while the server is inside a query or command.
// Texts carry what a global atom carried and are limited to 255 characters; a
// longer text is refused, never cut.
#include <cstdint>
#include <string>
#include <string_view>

namespace srv {

inline constexpr std::uint32_t kWmUser = 0x400;
inline constexpr std::uint32_t WM_SRV_QUERY = kWmUser + 1000;  // 2024
inline constexpr std::uint32_t WM_SRV_SET = kWmUser + 1001;    // 2025
inline constexpr std::uint32_t WM_SRV_BUSY = kWmUser + 1002;   // 2026
inline constexpr std::uint32_t WM_CLOSE = 0x0010;
inline constexpr std::size_t kMaxAtomText = 255;

// The window class of the named server program.
inline constexpr const char* kServerClass = "ONL32NS";

// TargetMode numbers and their keywords (MODE command values), sorted by
// keyword for a binary search; 0 means no mode.
struct ModeRow { const char* keyword; int mode; };
inline constexpr ModeRow kModeTable[] = {
    {"AKXI", 8},   {"CHECK", 9}, {"LOAD", 6}, {"OFFLINE", 2}, {"ONLINE", 1}, {"PARACHANGE", 10},
    {"RESET", 5},  {"STEP", 3},  {"STOP", 4}, {"TERMINAL", 11}, {"TEST", 7}};

// The mode of a keyword (compared as given: callers upper-case first); 0 when
// not in the table.
int modeOfKeyword(std::string_view upperKeyword);
// The keyword of a mode 1..11; nullptr for any other number.
const char* keywordOfMode(int mode);

// Upper-cases ASCII letters, leaves everything else.
std::string upperAscii(std::string_view s);

// The class name of the server program from its path: the file name without
// directory, without an extension "EXE" or "DLL" in any case; another
// extension stays. Empty when there is no name.
std::string serverClassFromPath(std::string_view programPath);

} // namespace srv
