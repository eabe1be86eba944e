// The project and library file dialogs (Qt's own dialogs, so tests drive them
// like any other) and their remembered directories.
#include "core.h"
#include "files.h"
#include "frame.h"
#include "texts.h"

#include "platform/export.h"
#include "toolbind/toolbind.h"

#include <QFileDialog>

#include <cstring>
#include <memory>
#include <mutex>

namespace sw {

namespace {

std::mutex gDirMu;
std::string gProjectDir, gLibraryDir;

std::string remembered(std::string& dir) {
  std::lock_guard<std::mutex> lock(gDirMu);
  return dir;
}
void remember(std::string& dir, const std::string& value) {
  std::lock_guard<std::mutex> lock(gDirMu);
  dir = value;
}

// "Zerlo projects [*.mdl]|*.mdl|Other|*.x||" as Qt name filters; the patterns
// match either case.
QStringList filters(const std::string& f) {
  QStringList parts = QString::fromStdString(f).split('|');
  QStringList out;
  for (int i = 0; i + 1 < parts.size(); i += 2) {
    if (parts[i].isEmpty()) break;
    QStringList pats;
    for (const QString& p : parts[i + 1].split(';', Qt::SkipEmptyParts)) pats << p.toLower() << p.toUpper();
    out << QStringLiteral("%1 (%2)").arg(parts[i], pats.join(' '));
  }
  return out;
}

} // namespace

// Shows the dialog; the chosen path or "" when cancelled.
std::string choose(SwWindow owner, Mode mode, unsigned filter, unsigned ext, unsigned title, const std::string& dir,
                   const std::string& file) {
  // The caller waits for the run, so the answer outlives the dialog.
  std::string chosen;
  std::string* answer = &chosen;
  unsigned id = mode == Mode::Save ? 2 : 1;
  run(owner, 1000 + id, [=, &dir, &file](QWidget* parent) -> QDialog* {
    auto* d = new QFileDialog(parent, QString::fromStdString(text(title)));
    d->setOption(QFileDialog::DontUseNativeDialog, true);
    d->setOption(QFileDialog::ReadOnly, false);
    d->setAcceptMode(mode == Mode::Save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    d->setFileMode(mode == Mode::Save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    d->setNameFilters(filters(text(filter)));
    std::string e = text(ext);
    if (auto dot = e.rfind('.'); dot != std::string::npos) d->setDefaultSuffix(QString::fromStdString(e.substr(dot + 1)));
    if (!dir.empty()) d->setDirectory(QString::fromStdString(dir));
    if (!file.empty()) d->selectFile(QString::fromStdString(file));
    QObject::connect(d, &QFileDialog::fileSelected, d, [answer](const QString& f) { *answer = f.toStdString(); });
    return d;
  });
  return chosen;
}

namespace {

std::string directoryOf(const std::string& path) {
  auto slash = path.rfind('/');
  if (slash == std::string::npos) return {};
  return slash == 0 ? "/" : path.substr(0, slash);
}

// Copies the chosen path into the record when it fits; else 520.
bool deliver(FileDlgParams* p, const std::string& path) {
  if (!p->path || p->size <= 0 || path.size() >= std::size_t(p->size)) {
    message(kPathTooLong);
    return false;
  }
  std::memcpy(p->path, path.c_str(), path.size() + 1);
  return true;
}

void empty(FileDlgParams* p) {
  if (p && p->path && p->size > 0) p->path[0] = '\0';
}

} // namespace

} // namespace sw

using namespace sw;

ZERLO_EXPORT int SW51_OpenMDLProject(FileDlgParams* p) {
  if (!p) return 0;
  empty(p);
  if (remembered(gProjectDir).empty()) {
    std::string dir;
    toolbind::moduleBinding().getProjectPath(dir);
    remember(gProjectDir, dir);
  }
  std::string path =
      choose(p->owner, Mode::Open, kFilterProject, kExtProject, kTitleOpenProject, remembered(gProjectDir), {});
  if (path.empty()) return 0;
  remember(gProjectDir, directoryOf(path));
  return deliver(p, path) ? 1 : 0;
}

ZERLO_EXPORT int SW51_SaveAsMDLProject(FileDlgParams* p) {
  if (!p) return 0;
  std::string dir = p->path && p->size > 0 ? std::string(p->path, strnlen(p->path, std::size_t(p->size))) : "";
  if (dir.empty()) toolbind::moduleBinding().getProjectPath(dir);
  remember(gProjectDir, dir);
  for (;;) {
    std::string path =
        choose(p->owner, Mode::Save, kFilterProject, kExtProject, kTitleSaveProject, remembered(gProjectDir), {});
    if (path.empty()) break;
    remember(gProjectDir, directoryOf(path));
    if (!deliver(p, path)) continue;
    if (isDefaultProjectName(path.c_str(), text(kUntitled))) {
      message(kBadFileName);
      continue;
    }
    return 1;
  }
  empty(p);
  return 0;
}

ZERLO_EXPORT int SW51_OpenLibrary(FileDlgParams* p) {
  if (!p) return 0;
  std::string file = p->path && p->size >= 1 ? std::string(p->path, strnlen(p->path, std::size_t(p->size))) : "";
  if (remembered(gLibraryDir).empty()) {
    auto& tb = toolbind::moduleBinding();
    std::string first;
    tb.getLibraryPath(0, &first);
    tb.getLibraryPath(2, nullptr);
    remember(gLibraryDir, first);
  }
  std::string path =
      choose(p->owner, Mode::Open, kFilterLibrary, kExtLibrary, kTitleOpenLibrary, remembered(gLibraryDir), file);
  if (path.empty()) return 0;
  remember(gLibraryDir, directoryOf(path));
  return deliver(p, path) ? 1 : 0;
}

ZERLO_EXPORT int SW51_IsFileNameSuggestionOfNew(const char* path) {
  return isDefaultProjectName(path, text(kUntitled)) ? 1 : 0;
}
