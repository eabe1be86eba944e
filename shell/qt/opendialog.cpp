// The selector's open dialog over QFileDialog.
#include "shell/opendialog.h"
#include <QFileDialog>
#include <QPointer>

namespace shell {

std::unique_ptr<QFileDialog> makeOpenDialog(const OpenDialogRequest& r, QWidget* owner) {
  auto d = std::make_unique<QFileDialog>(owner, QString::fromStdString(r.title));
  d->setOption(QFileDialog::DontUseNativeDialog, true);
  // A file to be written may be a new one; a file to be read must exist.
  d->setFileMode(r.saving ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  d->setAcceptMode(r.saving ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  // The display text in square brackets, then the pattern Qt filters by.
  d->setNameFilter(QString::fromStdString(r.filterText + " (" + r.filterPattern + ")"));
  if (!r.initialDir.empty()) d->setDirectory(QString::fromStdString(r.initialDir));
  d->selectFile(QString::fromStdString(r.fileField));
  return d;
}

void installQtOpenDialog(QWidget* owner) {
  QPointer<QWidget> frame(owner);
  setOpenDialog([frame](const OpenDialogRequest& r, std::string& chosen) {
    auto d = makeOpenDialog(r, frame.data());
    if (d->exec() != QDialog::Accepted || d->selectedFiles().isEmpty()) return false;
    chosen = d->selectedFiles().first().toStdString();
    return true;
  });
}

} // namespace shell
