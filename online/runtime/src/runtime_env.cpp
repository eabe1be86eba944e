// The runtime's real surroundings: the kernel and the diagnosis library loaded
// by name beside the runtime, server actions as messages to endpoints.
#include "runtime/runtime_env.h"

#include "platform/endpoint.h"
#include "platform/library.h"

namespace zrt {

namespace {
template <class Fn> bool bindOne(plat::lib::Handle h, const char* name, Fn& out) {
  out = plat::lib::symbolAs<Fn>(h, name);
  return out != nullptr;
}
} // namespace

RuntimeEnv makeLibraryEnv(const std::string& dir) {
  struct Modules {
    plat::lib::Handle kernel = nullptr;
    plat::lib::Handle diag = nullptr;
  };
  auto mods = std::make_shared<Modules>();
  RuntimeEnv env;
  env.dir = dir;
  env.loadKernel = [mods, dir](PlcKernelApi& a) {
    if (!mods->kernel) mods->kernel = plat::lib::load("TESK31.DLL", dir);
    plat::lib::Handle h = mods->kernel;
    if (!h) return false;
    // All thirteen are required: the first missing one leaves the PLC unbound.
    return bindOne(h, "DSPS_Run", a.DSPS_Run) && bindOne(h, "DSPS_Init", a.DSPS_Init) &&
           bindOne(h, "DSPS_Deinit", a.DSPS_Deinit) && bindOne(h, "DSPS_Timer", a.DSPS_Timer) &&
           bindOne(h, "DSPS_CommMultiPlex", a.DSPS_CommMultiPlex) &&
           bindOne(h, "DSPS_InitSoftComm", a.DSPS_InitSoftComm) &&
           bindOne(h, "DSPS_DeinitSoftComm", a.DSPS_DeinitSoftComm) &&
           bindOne(h, "KX1_GetDPValue", a.KX1_GetDPValue) && bindOne(h, "KX1_SetDPValue", a.KX1_SetDPValue) &&
           bindOne(h, "D10_GetActiveTaskState", a.D10_GetActiveTaskState) &&
           bindOne(h, "D10_Init", a.D10_Init) && bindOne(h, "D10_SetDSPMode", a.D10_SetDSPMode) &&
           bindOne(h, "D10_GetDSPMode", a.D10_GetDSPMode);
  };
  env.unloadKernel = [mods] {
    if (mods->kernel) plat::lib::unload(mods->kernel);
    mods->kernel = nullptr;
  };
  env.loadDiag = [mods, dir](DiagApi& d) {
    if (!mods->diag) mods->diag = plat::lib::load("trmd001dll.dll", dir);
    plat::lib::Handle h = mods->diag;
    if (!h) return false;
    d.module = h;
    bindOne(h, "InterfaceError", d.InterfaceError);
    bindOne(h, "InfoLookOut", d.InfoLookOut);
    bindOne(h, "InitZRLRTFunc", d.InitZRLRTFunc);
    bindOne(h, "CallTrmd001Dlg", d.CallTrmd001Dlg);
    return true;
  };
  env.unloadDiag = [mods] {
    if (mods->diag) plat::lib::unload(mods->diag);
    mods->diag = nullptr;
  };
  env.postClose = [](std::uint32_t id) {
    std::string name = plat::ipc::nameOfId(id);
    if (name.empty()) return false;
    plat::ipc::Message m;
    m.msg = kWmClose;
    return plat::ipc::post(name, m);
  };
  env.notifyClient = [](std::uint32_t id) {
    std::string name = plat::ipc::nameOfId(id);
    if (name.empty()) return;
    plat::ipc::Message m;
    m.msg = kClientNotifyMessage;
    (void)plat::ipc::send(name, m, 2000);
  };
  return env;
}

} // namespace zrt
