#pragma once
// The parts of the target dialogs library without widgets: the process-wide
// values, the server client, the compile, download and mode-change workers and
// the validation of the interface settings.
#include "zrltgtwin/zrltgtwin.h"

#include "dialogkit/progress_state.h"
#include "obeltool/obeltool.h"

#include <atomic>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace tw {

// What the library asks of the settings library (over the binding; tests
// give their own). Getters answer false when the path cannot be had.
class Tool {
public:
  virtual ~Tool() = default;
  virtual bool transDll(std::string& out) = 0;
  virtual bool projectZcd(std::string& out, int inst) = 0;
  virtual bool projectError(std::string& out, int inst) = 0;
  virtual bool map(std::string& out, int inst) = 0;
  virtual bool dlf(std::string& out, int inst) = 0;
  virtual bool ddf(std::string& out) = 0;
  virtual bool serverPath(std::string& out) = 0;
  virtual bool serverName(std::string& out, int n) = 0;
  virtual bool interfaceIni(std::string& out) = 0;
  virtual bool binPath(std::string& out) = 0;
  virtual bool languagePath(std::string& out) = 0;
  virtual bool helpFile(std::string& out) = 0;
  virtual bool showHelpNumber() = 0;
  virtual bool port(int n, InterfacePort& out) = 0;
  virtual void freePort(InterfacePort& p) = 0;
  virtual bool readSettings(InterfaceSettings& out) = 0;
  virtual bool writeSettings(const InterfaceSettings& s) = 0;
};
Tool* tool();
void setTool(Tool* t);

// The process-wide values of the library.
struct State {
  std::atomic<int> instance{0};
  std::atomic<ZrlWindow> currentServer{0};
  std::atomic<ZrlWindow> lastOwner{0};
  std::atomic<int> modeFlags{0};
  std::string projectPath() const;
  void setProjectPath(const char* p);
private:
  mutable std::mutex mu_;
  std::string project_;
};
State& state();

enum : int { kFlagAkxi = 1, kFlagLoader = 2, kFlagLoggedIn = 4 };

// ---- files ----
bool fileOpens(const std::string& path);     // opens for reading
long long fileSize(const std::string& path); // 0 when it does not open
std::string linuxPath(const std::string& path);

// ---- server client (server windows are endpoint ids) ----
// Short time-outs for calls on the GUI thread, the long ones for LOAD.
enum class Wait { Short, Long };
std::optional<std::string> srvQuery(ZrlWindow server, const std::string& keyword, Wait w = Wait::Short);
std::int64_t srvCommand(ZrlWindow server, const std::string& keyword, const std::string& value,
                        Wait w = Wait::Short);
int srvGetMode(ZrlWindow server);
std::int64_t srvSetMode(ZrlWindow server, int mode);
std::int64_t srvClose(ZrlWindow server);
std::int64_t srvIdent(ZrlWindow server, const std::string& path);
// The value of "LOAD": path ",%u,%u" and, with an identity, "," name
// " dd.mm.yy hh:mm:ss size FF".
std::string loadValue(const std::string& path, unsigned window, unsigned message, const LoadFileIdent* ident);
std::int64_t srvLoad(ZrlWindow server, const std::string& path, unsigned window, unsigned message,
                     const LoadFileIdent* ident);
std::int64_t srvLogin(ZrlWindow server, ZrlWindow client);
std::int64_t srvLogout(ZrlWindow server, ZrlWindow client);
ZrlWindow endpointId(const std::string& endpointName);
// The class and title of a server kind ("" when missing).
bool serverIdentity(int kind, std::string& cls, std::string& title);
ZrlWindow srvFind(int kind);
ZrlWindow srvFindOrStart(int kind);
void srvShutdown(int kind);
int srvFileIdent(const std::string& path, LoadFileIdent& out);

// ---- exports' logic ----
int loginByServer(int kind, ZrlWindow owner);
int logoutByServer(int kind, ZrlWindow owner);
int testIFConnection(ZrlWindow server);
int getDFF(ZrlWindow server);
// Diagnose / terminal without the box: true when the mode was asked for.
bool interfaceDiagnose(ZrlWindow owner);
bool interfaceTerminal();
void resetInterfaceMode();

// ---- workers ----
// Compile: status 1001 -> 1003 -> 1002 -> 0; busy cleared last.
void compileWorker(kit::WorkerState& st, ZrlCompileResult* result);
// Download to the current server with the progress endpoint id.
void downloadWorker(kit::WorkerState& st, ZrlWindow progressWindow);
void modeChangeWorker(kit::WorkerState& st);

// ---- interface settings ----
struct PortEntry {
  int number = 0;
  std::string name, driver;
  int maxIf = 0;
  unsigned flags = 0;
};
// The ports of the interface file, then the entry for no port.
std::vector<PortEntry> portList(const std::string& noPortName);
// The cycle rate's limit for a port's maximum of interfaces.
inline unsigned cycleLimit(int maxIf) { return maxIf == 0 ? 1000u : 100u; }
// Opening clamps: interfaces lowered to the maximum, cycle rate into 10..limit.
// Returns true when a value changed.
bool clampOnOpen(InterfaceSettings& s, const PortEntry* entry);
// OK's validation: 0 and the settings filled, or the message number with its
// arguments (args) and the control to focus.
struct Verdict {
  unsigned message = 0;
  std::vector<unsigned> args;
  int focus = 0;
};
Verdict validate(const PortEntry* entry, int interfacesChosen, const std::string& cycleText, bool minVis,
                 InterfaceSettings& out);
// Apply: mode 0 stores; otherwise checks the servers first. 0 or the message number.
unsigned applySettings(const InterfaceSettings& s, int applyMode);
// The driver's resource library name: language dir + name up to its last dot + "RES.DLL", upper-cased.
std::string driverResourcePath(const std::string& languageDir, const std::string& driver);

} // namespace tw
