// The view-only and recording dispatchers.
#include "zerloapp/dispatcher.h"

#include "display/gdi.h"
#include "display/sheet.h"
#include "display/view.h"
#include "model/document.h"
#include "model/memory.h"
#include "modelfiles/project.h"
#include "zerloapp/startup.h"

namespace zapp {

ViewDispatcher::ViewDispatcher() = default;
ViewDispatcher::~ViewDispatcher() { shutDown(); }

void ViewDispatcher::shutDown() {
  if (!started_) return;
  model::CurrentDocument = nullptr;
  modelfiles::mdl_FreeDocument(doc_);
  modelfiles::mdl_FreeDocumentCode(model::TemplateDocument);
  model::doc_ShutDown();
  started_ = false;
  path_.clear();
}

model::LogicRecord* ViewDispatcher::logicOf(WorksheetWindowData* window) {
  model::DocumentRecord* doc = window && window->document ? window->document : model::CurrentDocument;
  if (!doc) return nullptr;
  if (model::LogicRecord* l = model::EditLogic(*doc)) return l;
  return model::firstLogicOf(model::doc_MainModule(*doc, false));
}

int ViewDispatcher::command(WorksheetWindowData* window, int id) {
  switch (id) {
  case 201: {
    if (!started_) {
      model::mm_UnitInit();
      model::doc_StartUp();
      doc_ = model::doc_New();
      model::CurrentDocument = doc_;
      started_ = true;
    }
    if (openName.empty()) return 1;
    const int r = modelfiles::mdl_LoadProjectPath(openName, 1);
    if (r != 1) return 1;
    path_ = openName;
    return 0;
  }
  case 203:
    if (path_.empty() || !model::CurrentDocument) return 1;
    return modelfiles::mdl_SaveProjectAs(path_) == 1 ? 0 : 1;
  case 207:
    if (openName.empty() || !model::CurrentDocument) return 1;
    if (modelfiles::mdl_SaveProjectAs(openName) != 1) return 1;
    path_ = openName;
    return 0;
  case 204:
    if (started_) {
      shutDown();
    }
    if (window) window->document = nullptr;
    return 0;
  case 230: case 231: case 232: case 233: case 234: case 235:
    if (!model::CurrentDocument || path_.empty()) return 0;
    if (window) window->document = model::CurrentDocument;
    return 1;
  case 500: case 501: case 502: case 503: case 504: case 505: case 506: case 507:
    if (window && !window->document) window->document = model::CurrentDocument;
    return 0;
  case 213:
    return kAnswerRefused;
  default:
    return kAnswerNotHandled;
  }
}

void ViewDispatcher::paint(WorksheetWindowData* window, const EngineEvent& e) {
  model::LogicRecord* level = logicOf(window);
  if (!level) return;
  disp::DrawView v;
  v.scrollX = window ? window->scrollX : 0;
  v.scrollY = window ? window->scrollY : 0;
  v.clientW = window ? window->clientW : e.right;
  v.clientH = window ? window->clientH : e.bottom;
  v.viewX = v.scrollX;
  v.viewY = v.scrollY;
  v.viewW = v.clientW;
  v.viewH = v.clientH;
  v.sheetW = app().settings.sheetW;
  v.sheetH = app().settings.sheetH;
  v.level = level;
  v.windowKind = window ? window->kind : 0;
  v.showPinLabels = app().settings.ioLabel != 0;
  disp::setCurrentView(v);
  disp::ws_Redraw(level);
}

int ViewDispatcher::dispatch(WorksheetWindowData* window, EngineEvent* event) {
  if (!event) return kAnswerNotHandled;
  if (event->type == editor::kMsgCommand) return command(window, event->code);
  if (event->type == editor::kMsgPaint) {
    paint(window, *event);
    return kAnswerDone;
  }
  if (event->type == editor::kMsgDestroy && window) {
    window->document = nullptr;
    return kAnswerDone;
  }
  return kAnswerNotHandled;
}

int RecordingDispatcher::dispatch(WorksheetWindowData* window, EngineEvent* event) {
  std::string line = "event " + std::to_string(event->type) + " " + std::to_string(event->code);
  if (window) line += " kind " + std::to_string(window->kind);
  log.push_back(line);
  if (event->type == editor::kMsgCommand) {
    auto it = commandAnswers.find(event->code);
    if (it != commandAnswers.end() && !it->second.empty()) {
      int a = it->second.front();
      if (it->second.size() > 1) it->second.pop_front();
      return a;
    }
    return 0;
  }
  auto it = messageAnswers.find(event->type);
  return it == messageAnswers.end() ? 0 : it->second;
}

} // namespace zapp
