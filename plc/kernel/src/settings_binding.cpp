// The kernel's binding of the settings library: bound when the library is
// loaded, unbound when it is unloaded. The interface settings of the kernel
// come from it; without it no interface is configured.
#include "kernel.h"

#include "toolbind/toolbind.h"

namespace plc {

namespace {

class ToolSettings : public SettingsSource {
public:
  bool getKXIFSettings(IfSettings& out) override {
    auto get = toolbind::moduleBinding().fn<GetKXIFSettingsFn>("GetKXIFSettings");
    if (!get) return false;
    InterfaceSettings s{};
    int r = get(&s);
    out = IfSettings{s.port, s.ifacenum, s.cycletime, s.flags};
    return r != 0;
  }
  bool getKXIFPort(int n, IfPort& out) override {
    auto& tb = toolbind::moduleBinding();
    auto get = tb.fn<GetKXIFPortFn>("GetKXIFPort");
    if (!get) return false;
    InterfacePort p{};
    int r = get(n, &p);
    out.portName = p.name ? p.name : "";
    out.driver = p.driver ? p.driver : "";
    out.maxIf = static_cast<std::uint32_t>(p.maxifnum);
    out.flags = p.flags;
    if (auto release = tb.fn<FreeKXIFPortFn>("FreeKXIFPort")) release(&p);
    return r != 0;
  }
};

struct LibraryEntry {
  LibraryEntry() {
    toolbind::BindOptions o;
    o.anchor = toolbind::Anchor::ThisModule;
    o.minVersion = 0.01;
    o.names = {"GetDLLVersion", "AppendMsgLine", "AppendMsgFile", "EmptyMsgWnd", "CloseMsgWnd",
               "GetKXIFSettings", "GetKXIFPort", "SetBINPath", "FreeKXIFPort"};
    auto& tb = toolbind::moduleBinding();
    if (tb.bind(o) == toolbind::BindStatus::Bound) {
      globalKernel().settings = std::make_shared<ToolSettings>();
    } else {
      tb.unbind();   // no settings: no interface is configured
    }
  }
  ~LibraryEntry() {
    auto& tb = toolbind::moduleBinding();
    if (tb.bound()) tb.closeMsgWnd();
    tb.unbind();
  }
};

LibraryEntry entry;

} // namespace

} // namespace plc
