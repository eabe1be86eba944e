#pragma once
// The named server's handling of the server command protocol: splits the
// text, finds the keyword in the sorted query and command tables, runs the
// online operations (start, then poll every 100 ms) and answers with the texts
// of the server's string table. Keywords in neither table name target
// variables. One message is handled to its end before the next.
#include "onl32ns/online_api.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <list>
#include <memory>
#include <optional>
#include <string>

namespace onl32ns {

struct Reply {
  bool hasText = false;     // an answer text (what an atom carried)
  std::string text;
  std::int64_t number = 0;  // the result number (commands, and the number queries)
};

// The hooks the program gives the core: closing the server, the progress
// target and changing the converter after IDENT / RESOURCES.
struct ServerHooks {
  std::function<void()> close;                                 // post WM_CLOSE to itself
  std::function<void(std::uint32_t window, std::uint32_t msg, int pct)> progress;
  // Binds the converter of a target format; false when there is none (307).
  std::function<bool(std::uint8_t format)> selectConverter;
  // Sleeps between polls of a running operation (tests make it instant).
  std::function<void(int ms)> sleep;
  // True when a logged-in client id certainly names nothing any more (its
  // window's process has ended); null: every id counts as alive.
  std::function<bool(std::uint32_t id)> clientGone;
};

// The pause between the reads of the mode after TEST or CHECK.
inline constexpr int kModeReadPauseMs = 250;

class ServerCore {
public:
  ServerCore(OnlineApi& online, ServerHooks hooks);

  void setConverter(Converter* c) { conv_ = c; }
  void setTargetFormat(std::uint8_t f) { format_ = f; }
  std::uint8_t targetFormat() const { return format_; }

  Reply query(const std::string& text);
  Reply command(const std::string& text);
  bool busy() const { return busy_.load(); }

  // Called by the online library's operation thread.
  void reportProgress(int percent);

  // Drops the logged-in clients that are gone (ServerHooks::clientGone); when
  // that empties the list the server closes, as after the last LOGOUT. The
  // program calls it every second; LOGOUT does it too.
  void checkClients();

  const std::list<std::uint32_t>& clients() const { return clients_; }
  unsigned loadState() const { return loadState_; }

  // Splits at the first "=": the keyword is upper-cased, the argument kept.
  static void split(const std::string& text, std::string& keyword, std::string& arg);
  // Parses a variable name from its end; false when it has no trailing digits.
  static bool parseVariable(const std::string& name, VariableRef& ref);
  // Fills a program information record from the LOAD ident; false when it
  // does not have its five fields.
  static bool parseIdent(const std::string& ident, ProgInfo& info);

private:
  int runOperation(const std::function<int(int)>& op);
  Reply queryKeyword(const std::string& key, const std::string& arg, bool& found);
  Reply commandKeyword(const std::string& key, const std::string& arg, bool& found);
  Reply readVariable(const std::string& key);
  Reply writeVariable(const std::string& key, const std::string& value);
  Reply modeCommand(const std::string& value);
  Reply loadCommand(const std::string& value);
  Reply ftpCommand(const std::string& value);
  bool afterIdent();
  bool removeGoneClients();

  OnlineApi& online_;
  ServerHooks hooks_;
  Converter* conv_ = nullptr;
  std::uint8_t format_ = 2;
  std::atomic<bool> busy_{false};
  unsigned loadState_ = 1;
  std::list<std::uint32_t> clients_;
  std::atomic<std::uint32_t> progressWindow_{0}, progressMessage_{0};
  struct Transfer { TextRecord rec; };
  std::unique_ptr<Transfer> transfer_;
};

// The server's string table.
const char* serverText(int id);

} // namespace onl32ns
