#pragma once
// Finding a named server and starting it when it does not run: the program is
// started with "/n<name>" and "/c<configuration>" and its endpoint is looked
// for every 100 ms, at most 50 times (about 5 s). A started program that never
// shows its endpoint is left alone.
#include <string>

namespace srv {

struct StartOptions {
  int polls = 50;
  int pollMs = 100;
};

// The endpoint name when the server runs or could be started, else "".
// programPath is the server program (a Windows-style name such as
// "ONL32NS.EXE" is found in its directory ignoring case and the extension).
std::string findOrStart(const std::string& programPath, const std::string& serverName,
                        const std::string& configPath, const StartOptions& opt = {});

// The endpoint name when a server of that class and name runs, else "".
std::string find(const std::string& windowClass, const std::string& serverName);

// Asks a server to close ("CLOSE", then WM_CLOSE when it is still there).
void shutdown(const std::string& endpoint);

} // namespace srv
