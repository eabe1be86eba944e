#include "binding.h"

#include "platform/library.h"
#include "platform/uisink.h"
#include "toolbind/toolbind.h"

#include <string>
#include <vector>

namespace exprparser {
namespace {

using LoadResStringFn = int (*)(unsigned, char*, int);

// The settings library's paths for the generators and UnlinkFile.
class ToolServices : public Services {
public:
  bool tempFilePath(std::string& out) override {
    return toolbind::moduleBinding().getPath("GetPathToTempFile", out) == 1 && !out.empty();
  }
  bool tempDir(std::string& out) override {
    return toolbind::moduleBinding().getPath("GetTEMPPath", out) == 1 && !out.empty();
  }
};

ToolServices& services() {
  static ToolServices s;
  return s;
}

plat::lib::Handle g_resources = nullptr;
LoadResStringFn g_loadRes = nullptr;

bool resourceText(int id, std::string& out) {
  if (!g_loadRes) return false;
  char buf[1024];
  int n = g_loadRes(unsigned(id), buf, int(sizeof buf));
  if (n <= 0) return false;
  buf[sizeof buf - 1] = '\0';
  out = buf;
  return true;
}

std::string messageText(int id) {
  std::string t;
  if (resourceText(id, t)) return t;
  const char* b = builtinText(id);
  return b ? b : "";
}

void showBox(int id) {
  plat::ui::messageBox(messageText(id), messageText(kCaption), plat::ui::MB_OK | plat::ui::MB_ICONEXCLAMATION);
}

}  // namespace

LibraryState& libraryState() {
  static LibraryState state;
  return state;
}

namespace {

// Unloads the library before the objects it uses are destroyed: made after
// them, it is destroyed before them, whether the library is unloaded or the
// process ends.
struct UnloadGuard {
  ~UnloadGuard() { libraryUnload(); }
};

}  // namespace

void libraryLoad() {
  LibraryState& st = libraryState();
  toolbind::moduleBinding();
  services();
  static UnloadGuard guard;
  std::lock_guard<std::mutex> lock(st.mu);
  st.session.clear();
  st.session.setServices(&services());
  toolbind::ToolBinding& tb = toolbind::moduleBinding();
  toolbind::BindOptions o;
  o.anchor = toolbind::Anchor::ThisModule;
  o.minVersion = 0.01;
  o.names = {"GetDLLVersion", "AppendMsgLine", "AppendMsgFile", "EmptyMsgWnd", "CloseMsgWnd",
             "SetBINPath", "GetPathToObelIni", "GetPathToTempFile", "GetTEMPPath", "GetObelLanguage",
             "SetObelLanguage", "GetObelLanguagePath", "DeleteMStrBuf"};
  if (tb.bind(o) != toolbind::BindStatus::Bound) {
    tb.unbind();
    showBox(kToolMissing);
    st.session.setUnusable(kToolMissing);
    return;
  }
  std::string dir;
  tb.getPath("GetObelLanguagePath", dir, tb.language());
  if (!dir.empty()) g_resources = plat::lib::load(toolbind::joinDir(dir, "EXPRPARSERRES.DLL"));
  if (g_resources) g_loadRes = plat::lib::symbolAs<LoadResStringFn>(g_resources, "LoadResString");
  if (!g_loadRes) {
    if (g_resources) plat::lib::unload(g_resources);
    g_resources = nullptr;
    showBox(kLanguageMissing);
  }
  st.session.setTexts(g_loadRes ? TextOverride(resourceText) : TextOverride());
}

void libraryUnload() {
  LibraryState& st = libraryState();
  std::lock_guard<std::mutex> lock(st.mu);
  st.session.clear();
  st.session.setTexts(nullptr);
  st.session.setServices(nullptr);
  g_loadRes = nullptr;
  if (g_resources) plat::lib::unload(g_resources);
  g_resources = nullptr;
  toolbind::moduleBinding().unbind();
}

}  // namespace exprparser
