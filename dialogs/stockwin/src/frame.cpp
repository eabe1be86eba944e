// Start and end of the standard dialogs library, its resources, its messages
// by number and the service table.
#include "frame.h"

#include "core.h"
#include "texts.h"

#include "dialogkit/boxes.h"
#include "platform/export.h"
#include "platform/paths.h"
#include "platform/uisink.h"
#include "stockwin/stockwin.h"
#include "toolbind/toolbind.h"

#include <QBoxLayout>
#include <QKeyEvent>
#include <QPushButton>
#include <QShowEvent>

namespace sw {

kit::Resources& resources() {
  static kit::Resources r(englishTable());
  return r;
}

std::string text(unsigned id) { return resources().text(id); }

std::string dialogText(unsigned dialog, unsigned control) {
  return resources().dialogText(dialog, control).value_or("");
}

int message(unsigned id, unsigned flags, const std::vector<kit::FormatArg>& args) {
  return kit::boxById(resources(), id, kCaption, flags, !args.empty(), args);
}

namespace {
const kit::HelpTexts kHelpTexts{kHelpContext, kHelpKeyword, kCaption};

void help(unsigned context, const std::string& keyword) {
  auto& tb = toolbind::moduleBinding();
  std::string file;
  tb.getHelpFilePath(file);
  kit::requestHelp(resources(), kHelpTexts, tb.getShowHelpNumber() != 0, file, context, keyword);
}

const std::vector<std::string>& bindingNames() {
  static const std::vector<std::string> names = {
      "GetDLLVersion", "AppendMsgLine", "AppendMsgFile", "EmptyMsgWnd", "CloseMsgWnd", "SetBINPath", "GetBINPath",
      "GetLIBRARYPaths", "GetPROJECTPath", "GetShowHelpNumber", "GetObelLanguage", "SetObelLanguage",
      "GetObelLanguagePath", "GetLanguageTEMPLATEPath", "GetPathToInterfaceIni", "GetPathToLanguageHelpFile",
      "DeleteMStrBuf"};
  return names;
}
} // namespace

void helpByContext(unsigned context) { help(context, {}); }
void helpByKeyword(const std::string& keyword) { help(0, keyword); }

bool applicationHelp(unsigned context) {
  std::string self = kit::moduleFile(reinterpret_cast<const void*>(&applicationHelp));
  if (self.empty()) return false;
  plat::ui::HelpRequest r;
  r.file = plat::path::withExtension(self, "HLP");
  r.context = context;
  return plat::ui::help(r);
}

SwDialog::SwDialog(QWidget* parent, unsigned resourceId) : kit::Dialog(parent), id_(resourceId) {
  auto caption = resources().dialogText(resourceId, 0);
  if (caption) setWindowTitle(QString::fromStdString(*caption));
}

void SwDialog::keyPressEvent(QKeyEvent* e) {
  if (e->key() == Qt::Key_F1) {
    if (!keyword_.empty()) helpByKeyword(keyword_);
    else helpByContext(help_);
    return;
  }
  kit::Dialog::keyPressEvent(e);
}

void SwDialog::showEvent(QShowEvent* e) {
  kit::Dialog::showEvent(e);
  if (atCursor_) {
    atCursor_ = false;
    kit::placeAtCursor(this);
  }
}

int run(unsigned owner, unsigned resourceId, const kit::DialogFactory& make) {
  return kit::runModal(owner, make, {kLibrary, int(resourceId)});
}

} // namespace sw

using namespace sw;

// ---- start and end ----
ZERLO_EXPORT int ZerloModuleInit() {
  auto& tb = toolbind::moduleBinding();
  toolbind::BindOptions o;
  o.names = bindingNames();
  // ObelTool lies beside the host program; a host elsewhere (a test, a tool)
  // finds it beside this library.
  o.anchor = toolbind::Anchor::HostProgram;
  if (tb.bind(o) != toolbind::BindStatus::Bound) {
    tb.unbind();
    o.anchor = toolbind::Anchor::ThisModule;
    if (tb.bind(o) != toolbind::BindStatus::Bound) {
      tb.unbind();
      return 0;
    }
  }
  std::string name;
  bool loaded = tb.resourceDllName(name) != 0 && !name.empty() && resources().loadLanguage(name);
  if (!loaded) {
    int a = plat::ui::messageBox(englishTable().string(kNoLanguage), "stockwin",
                                 plat::ui::MB_OKCANCEL | plat::ui::MB_ICONEXCLAMATION | plat::ui::MB_TOPMOST);
    if (a != plat::ui::IDOK) {
      tb.unbind();
      return 0;
    }
  }
  services().reset();
  return 1;
}

ZERLO_EXPORT void ZerloModuleExit() {
  kit::endOpenDialogs();
  services().reset();
  resources().unloadLanguage();
  toolbind::moduleBinding().unbind();
}

ZERLO_EXPORT double SW00_GetDLLVersion() { return 1.0; }

ZERLO_EXPORT void SW13_SetObelServiceFctns(const ServiceFunctionTable* table) { services().set(table); }

// ---- messages by number ----
namespace {
int numbered(unsigned number, unsigned flags, bool format, const std::vector<kit::FormatArg>& args) {
  return kit::boxById(resources(), number, kCaption, flags | plat::ui::MB_SETFOREGROUND, format, args);
}
const char* orEmpty(const char* s) { return s ? s : ""; }
} // namespace

ZERLO_EXPORT int SW50_CallMBWithID(SwWindow, unsigned number, unsigned flags) {
  return numbered(number, flags, false, {});
}
ZERLO_EXPORT int SW50_CallMBWithIDAndString(SwWindow, unsigned number, const char* text, unsigned flags) {
  return numbered(number, flags, true, {orEmpty(text)});
}
ZERLO_EXPORT int SW50_CallMBWithIDAnd3Strings(SwWindow, unsigned number, const char* t1, const char* t2,
                                              const char* t3, unsigned flags) {
  return numbered(number, flags, true, {orEmpty(t1), orEmpty(t2), orEmpty(t3)});
}
ZERLO_EXPORT int SW50_CallMBWithIDAndUINT(SwWindow, unsigned number, unsigned value, unsigned flags) {
  return numbered(number, flags, true, {value});
}

namespace sw {
// The variant of the block picture window and the toolbox buttons (two strings).
QPushButton* okCancel(QDialog* d, QBoxLayout* lay, QHBoxLayout* row) {
  if (!row) {
    row = new QHBoxLayout;
    row->addStretch();
    lay->addLayout(row);
  }
  auto* own = dynamic_cast<SwDialog*>(d);
  unsigned dialog = own ? own->resourceId() : 0;
  auto* ok = new QPushButton(q(buttonText(dialog, 1)), d);
  ok->setObjectName("c1");
  ok->setDefault(true);
  auto* cancel = new QPushButton(q(buttonText(dialog, 2)), d);
  cancel->setObjectName("c2");
  row->addWidget(ok);
  row->addWidget(cancel);
  QObject::connect(cancel, &QPushButton::clicked, d, [d] { d->reject(); });
  return ok;
}

std::string buttonText(unsigned dialog, unsigned control) {
  if (auto own = resources().dialogText(dialog, control)) return *own;
  return text(control == 1 ? kOkText : kCancelText);
}

void destroyWindowObject(void* object) { delete static_cast<QDialog*>(object); }

int messageTwoStrings(unsigned number, const char* t1, const char* t2, unsigned flags) {
  return numbered(number, flags, true, {orEmpty(t1), orEmpty(t2)});
}
} // namespace sw
