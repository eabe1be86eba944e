#pragma once
// The main program's typed wrappers over the protocol client. All of them fail
// (false / 0, value 0) when no server is set or no answer comes.
#include "srvclient/client.h"
#include <cstddef>
#include <cstdint>

namespace srv::kc {

// The client the wrappers use (process-wide, as the main program has one
// current server).
Client& client();

// Binds the wrappers to the server window the target dialogs logged in to
// (its handle id; 0 = no server). The endpoint is looked up by id, so a
// server of another process is found; an id that names no endpoint leaves
// the client with no server. True when a server is bound. The requests of
// the main program are short (values, modes): a server that does not answer
// one within a few seconds is taken as gone rather than blocking the
// program.
bool BindServer(std::uint32_t serverWindow);

bool IsBusy();
// Answer into buf (size bytes, always terminated when size > 0); true when a
// server answered and the answer does not begin with "?".
bool Query(const char* keyword, char* buf, std::size_t size);
// keyword + "=" + value shorter than 199 characters; the server's result, 0
// when there is no server, no answer or the text is too long.
std::int64_t Set(const char* keyword, const char* value);

bool GetReal(const char* name, float& v);
bool GetByte(const char* name, std::uint8_t& v);
bool GetCard(const char* name, std::uint16_t& v);
bool GetLong(const char* name, std::int32_t& v);
// The first 17 characters of the answer, terminated (text holds 18 bytes).
bool GetName(const char* name, char* text);
bool GetBit(const char* name, bool& flag, int index);

std::int64_t SetReal(const char* name, float v);
std::int64_t SetBool(const char* name, bool v);
std::int64_t SetInt(const char* name, std::int8_t v);
std::int64_t SetCard(const char* name, std::uint16_t v);
std::int64_t SetLongCard(const char* name, std::uint32_t v);
std::int64_t SetText(const char* name, const char* text);

std::int64_t SetMode(int mode);   // 1..8: ONLINE .. AKXI; others send nothing, 0
std::int64_t CommOn();
std::int64_t CommOff();
std::int64_t Close();             // then the client number is 0
bool GetTime(std::uint32_t& v);
bool GetDev(char* buf, std::size_t size);
std::int64_t Install(const char* text);
inline int True() { return 1; }

} // namespace srv::kc
