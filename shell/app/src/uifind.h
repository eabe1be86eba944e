#pragma once
// How the UI script's driver finds and works the widgets a user sees: menu
// items and tool-bar buttons by label, dialog fields by the label beside them
// or their control id, list entries, buttons, keys by name, and the insert
// box's block buttons for a drag. Each returns false with a reason a user
// would understand (missing, disabled) instead of acting.
#include <QPoint>
#include <QString>
#include <string>
#include <vector>

class QWidget;

namespace zapp {

class Frame;
class Worksheet;

// A label as a user reads it: '&' mnemonics, text after a tab and a trailing
// ':' dropped, blanks trimmed.
QString plainLabel(const QString& text);
bool sameLabel(const QString& text, const std::string& label);
// "[title] text" of a dialog: a message box's text, else its labels.
std::string describeDialog(QWidget* dialog);

// The worksheet a user works in: the active one, else the one the frame's
// window area shows as current (while another window, the insert box, has
// the focus).
Worksheet* currentSheet(Frame* frame);

// The frame becomes the active window, as a click into it makes it (not while
// a modal dialog is open).
void activateFrame(Frame* frame);

bool chooseMenu(Frame* frame, const std::string& path, std::string& why);
bool pressToolButton(Frame* frame, const std::string& label, std::string& why);
// The key to the open dialog (when given), else the focused widget of the
// frame, else the active worksheet, else the frame.
bool pressKey(Frame* frame, QWidget* dialog, const std::string& name, std::string& why);
bool fillField(QWidget* dialog, const std::string& field, const std::string& text, std::string& why);
bool chooseEntry(QWidget* dialog, const std::string& list, const std::string& entry, bool twice, std::string& why);
bool setCheck(QWidget* dialog, const std::string& label, bool on, std::string& why);
bool pressButton(QWidget* dialog, const std::string& label, std::string& why);
// Drags the insert box's block with that label and lets it go at the global
// point over the worksheet.
bool dragBlock(Frame* frame, const std::string& label, Worksheet* target, const QPoint& global, std::string& why);
// What a dialog's fields hold: "check <text> on|off", "field <label> = <text>",
// "list <label> = <current entry>" (a field without a label by "#N").
std::vector<std::string> dialogFields(QWidget* dialog);
// "path e|d [c]" of every menu item under the path prefix and every tool-bar
// button ("button <label> e|d [c]").
std::vector<std::string> menuState(Frame* frame, const std::string& under);

} // namespace zapp
