#pragma once
// The open dialog of the file selector as Qt's non-native file dialog.
#include "shell/fileselect.h"
#include <memory>

class QFileDialog;
class QWidget;

namespace shell {

// The dialog for a request: title "File", the filter "[mask] (mask)", the
// file field and the initial directory.
std::unique_ptr<QFileDialog> makeOpenDialog(const OpenDialogRequest& request, QWidget* owner);
// Installs it as the selector's dialog (owner: the frame widget, or none).
void installQtOpenDialog(QWidget* owner = nullptr);

} // namespace shell
