// The editor's globals, the host and the services the model calls.
#include "editor/context.h"

#include "editor/hooks.h"
#include "editor/library.h"
#include "editor/wiring.h"
#include "editor/ws.h"

namespace editor {

namespace {

EditorContext gContext;
Host gDefaultHost;
Host* gHost = &gDefaultHost;
std::uint32_t gStateWithoutTemplate = 0;

} // namespace

EditorContext& ctx() { return gContext; }

namespace {
bool gCapsLock = false;
}

void editor_ResetContext() {
  gCapsLock = false;
  st_Release();
  wiring_Reset();
  gContext = EditorContext{};
  for (std::size_t i = 1; i < std::size_t(HandlerId::Count); ++i) ui_RegisterHandler(HandlerId(i), nullptr);
  ws_RegisterCoreHandlers();
  gContext.mainSlot = ui_TableOfMode(3);
  // A run window works with the table without instance names until a window selects another.
  gContext.secondSlot = ui_TableOfMode(9);
  hooks_Reset();
  gStateWithoutTemplate = 0;
}

std::uint32_t& editorState() {
  return model::TemplateDocument ? model::TemplateDocument->EditorState : gStateWithoutTemplate;
}

void setEditorState(std::uint32_t state) { editorState() = state; }

Host* setHost(Host* h) {
  Host* previous = gHost == &gDefaultHost ? nullptr : gHost;
  gHost = h ? h : &gDefaultHost;
  return previous;
}

Host& host() { return *gHost; }

void ui_NoteCapsLock(bool on) { gCapsLock = on; }
bool ui_NotedCapsLock() { return gCapsLock; }

} // namespace editor
