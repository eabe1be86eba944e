#pragma once
// Program instances: each running main program holds the endpoint
// "Obel-L|<n>" with its instance number n (1..10), created exclusively, so
// two simultaneous starts never take the same number. Other instances find
// it through the live endpoints and send it the frame's private messages.
#include "platform/endpoint.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace zapp {

inline constexpr int kMaxInstances = 10;
inline constexpr const char* kFrameClass = "Obel-L";
inline constexpr std::uint32_t kWmUser = 0x400;
inline constexpr std::uint32_t kInstanceQuery = kWmUser + 43;
inline constexpr std::uint32_t kStopRequest = kWmUser + 46;
inline constexpr std::uint32_t kInterfaceChanged = kWmUser + 47;

// The endpoint name of instance n.
std::string instanceEndpointName(int n);

// Claims the lowest free instance number: the endpoint of that number is
// created with the handler. Null (and number 0) when all ten are taken.
std::unique_ptr<plat::ipc::Endpoint> app_AssignInstanceNumber(int& number, plat::ipc::Endpoint::Handler handler);

// The instance numbers of the other running instances, ascending.
std::vector<int> otherInstances(int self);

// Sends the message to the frame of every other running instance whose
// number query answers 1..10.
void inst_BroadcastToInstances(int self, std::uint32_t msg, std::int64_t w, std::int64_t l);

// True when another instance has a project of that path open (compared
// ignoring case); the answer text of the query 1 is the project path.
bool inst_FindFileInOtherInstance(int self, const std::string& path);

} // namespace zapp

namespace zapp {
// The project path the query 1 answers (set on the GUI thread, read by the
// endpoint's thread).
void inst_SetProjectPath(const std::string& path);
std::string inst_ProjectPath();
} // namespace zapp
