#pragma once
// The library's frame: its resources, messages of its dialogs, the help
// request (F1) and the base of its dialogs.
#include "dialogkit/format.h"
#include "dialogkit/qtkit.h"
#include "dialogkit/resources.h"

#include <QString>

#include <string>
#include <vector>

class QBoxLayout;
class QHBoxLayout;
class QKeyEvent;
class QPushButton;

namespace sw {

inline constexpr const char* kLibrary = "STOCKWIN";

// Texts between the library (local 8-bit) and Qt.
inline QString q(const std::string& s) { return QString::fromLocal8Bit(s.data(), qsizetype(s.size())); }
inline std::string str(const QString& t) { return t.toLocal8Bit().toStdString(); }

// OK (1, default) and Cancel (2, rejects) at the end of row, or of a new
// right-aligned row added to lay. Answers OK.
QPushButton* okCancel(QDialog* d, QBoxLayout* lay, QHBoxLayout* row = nullptr);

// The text of OK (control 1) or Cancel (2): the dialog's own when its
// template has one, else the library's (strings 14 and 15).
std::string buttonText(unsigned dialog, unsigned control);

kit::Resources& resources();
std::string text(unsigned id);
std::string dialogText(unsigned dialog, unsigned control);
// The message of a dialog: text of id (formatted when args are given),
// caption string 3, the given flags (no foreground flag).
int message(unsigned id, unsigned flags = 0, const std::vector<kit::FormatArg>& args = {});
// A numbered message with two strings for its two "%s" (flags | foreground).
int messageTwoStrings(unsigned number, const char* t1, const char* t2, unsigned flags);
// Destroys a window object of this library handed out as a handle (the
// toolbox, the start screen): one entry behind two exports.
void destroyWindowObject(void* object);
// F1: the number (or key word) box when the settings ask for it, then help.
void helpByContext(unsigned context);
void helpByKeyword(const std::string& keyword);
// The library's own help (the application object's): the context in the
// help file beside this library, named as the library with ".HLP"; no number
// box. False when it did not open.
bool applicationHelp(unsigned context);

// The base of the library's dialogs: OK 1, Cancel 2, F1 opens the help of its
// context number or key word.
class SwDialog : public kit::Dialog {
public:
  explicit SwDialog(QWidget* parent, unsigned resourceId);
  void setHelp(unsigned context) { help_ = context; keyword_.clear(); }
  void setHelpKeyword(std::string keyword) { keyword_ = std::move(keyword); }
  // Centred on the cursor when it first shows.
  void placeAtCursorOnShow() { atCursor_ = true; }
  unsigned resourceId() const { return id_; }
protected:
  void keyPressEvent(QKeyEvent* e) override;
  void showEvent(QShowEvent* e) override;
  unsigned id_;
private:
  unsigned help_ = 0;
  std::string keyword_;
  bool atCursor_ = false;
};

// Runs a dialog of this library modally for the owner.
int run(unsigned owner, unsigned resourceId, const kit::DialogFactory& make);

} // namespace sw
