// Finding and working the widgets a user sees, for the UI script's driver.
#include "uifind.h"

#include "zerloapp/frame.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QCursor>
#include <QDoubleSpinBox>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabBar>
#include <QTextEdit>
#include <QToolBar>
#include <QTreeView>

#include <climits>
#include <map>

namespace zapp {

namespace {

std::string str(const QString& s) { return s.toStdString(); }
QString qs(const std::string& s) { return QString::fromStdString(s); }

// The object name of control id "#N".
bool controlName(const std::string& key, QString& name) {
  if (key.size() < 2 || key[0] != '#' || key.find_first_not_of("0123456789", 1) != std::string::npos) return false;
  name = QStringLiteral("c") + qs(key.substr(1));
  return true;
}

bool visibleIn(QWidget* w, QWidget* root) { return w && w->isVisibleTo(root) && (w->window() == root->window()); }

// Widgets a user types into or chooses from; a field's own parts (the line
// edit of a combo box or spin box) are not fields of their own.
bool isField(QWidget* w) {
  return qobject_cast<QLineEdit*>(w) || qobject_cast<QComboBox*>(w) || qobject_cast<QAbstractSpinBox*>(w) ||
         qobject_cast<QTextEdit*>(w) || qobject_cast<QPlainTextEdit*>(w) || qobject_cast<QAbstractItemView*>(w) ||
         qobject_cast<QTabBar*>(w);
}
bool partOfField(QWidget* w, QWidget* root) {
  for (QWidget* p = w->parentWidget(); p && p != root; p = p->parentWidget())
    if (isField(p)) return true;
  return false;
}

QRect rectIn(QWidget* w, QWidget* root) { return QRect(w->mapTo(root, QPoint(0, 0)), w->size()); }

// The field beside (right of, else below) a label.
QWidget* fieldBeside(QLabel* label, QWidget* root) {
  if (QWidget* b = label->buddy()) return b;
  const QRect r = rectIn(label, root);
  QWidget* best = nullptr;
  int bestScore = INT_MAX;
  for (QWidget* c : root->findChildren<QWidget*>()) {
    if (!isField(c) || !visibleIn(c, root) || partOfField(c, root)) continue;
    const QRect cr = rectIn(c, root);
    int score = INT_MAX;
    if (cr.left() >= r.right() - 4 && cr.top() < r.bottom() && cr.bottom() > r.top())
      score = cr.left() - r.right();
    else if (cr.top() >= r.bottom() - 4 && cr.top() - r.bottom() < 80 &&
             (std::abs(cr.left() - r.left()) < 40 || (cr.left() < r.right() && cr.right() > r.left())))
      score = 10000 + cr.top() - r.bottom();
    if (score < bestScore) {
      bestScore = score;
      best = c;
    }
  }
  return best;
}

// A field by "#N" or by its label; why says what the dialog has instead.
QWidget* findField(QWidget* root, const std::string& key, std::string& why) {
  if (key == "*") {
    // The dialog's only text field (a question without a label).
    QWidget* only = nullptr;
    for (QWidget* w : root->findChildren<QWidget*>()) {
      if (!visibleIn(w, root) || partOfField(w, root)) continue;
      if (!qobject_cast<QLineEdit*>(w) && !qobject_cast<QAbstractSpinBox*>(w) && !qobject_cast<QTextEdit*>(w) &&
          !qobject_cast<QPlainTextEdit*>(w))
        continue;
      if (only) {
        why = "the dialog " + describeDialog(root) + " has more than one text field";
        return nullptr;
      }
      only = w;
    }
    if (!only) why = "the dialog " + describeDialog(root) + " has no text field";
    return only;
  }
  QString name;
  if (controlName(key, name)) {
    for (QWidget* w : root->findChildren<QWidget*>(name))
      if (visibleIn(w, root)) return w;
    why = "the dialog " + describeDialog(root) + " has no control " + key;
    return nullptr;
  }
  QStringList seen;
  for (QLabel* l : root->findChildren<QLabel*>()) {
    if (!visibleIn(l, root) || l->text().isEmpty()) continue;
    if (sameLabel(l->text(), key)) {
      if (QWidget* f = fieldBeside(l, root)) return f;
    }
    seen << plainLabel(l->text());
  }
  for (QLineEdit* e : root->findChildren<QLineEdit*>())
    if (visibleIn(e, root) && !e->placeholderText().isEmpty() && sameLabel(e->placeholderText(), key)) return e;
  why = "no field \"" + key + "\" in " + describeDialog(root) + " (labels: " + str(seen.join(", ")) + ")";
  return nullptr;
}

bool typeInto(QLineEdit* e, const QString& text, std::string& why) {
  if (!e->isEnabled() || e->isReadOnly()) {
    why = "the field cannot be edited";
    return false;
  }
  e->setFocus();
  e->selectAll();
  e->insert(text);
  return true;
}

// A click (or double click) at a point of a widget.
void clickAt(QWidget* w, const QPoint& p, bool twice) {
  const QPoint g = w->mapToGlobal(p);
  QCursor::setPos(g);
  auto send = [&](QEvent::Type t, Qt::MouseButtons held) {
    QMouseEvent e(t, QPointF(p), QPointF(g), Qt::LeftButton, held, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
  };
  send(QEvent::MouseButtonPress, Qt::LeftButton);
  send(QEvent::MouseButtonRelease, Qt::NoButton);
  if (twice) {
    send(QEvent::MouseButtonDblClick, Qt::LeftButton);
    send(QEvent::MouseButtonRelease, Qt::NoButton);
  }
}

QAbstractButton* findButton(QWidget* root, const std::string& key, bool checkable, std::string& why) {
  QString name;
  const bool byId = controlName(key, name);
  QStringList seen;
  QAbstractButton* found = nullptr;
  for (QAbstractButton* b : root->findChildren<QAbstractButton*>()) {
    if (!visibleIn(b, root) || (checkable && !b->isCheckable())) continue;
    if (byId ? b->objectName() == name : sameLabel(b->text(), key)) {
      // A push button before any other kind with the same text.
      if (!found || (qobject_cast<QPushButton*>(b) && !qobject_cast<QPushButton*>(found))) found = b;
      continue;
    }
    if (!b->text().isEmpty()) seen << plainLabel(b->text());
  }
  if (!found) why = "no button \"" + key + "\" in " + describeDialog(root) + " (buttons: " + str(seen.join(", ")) + ")";
  return found;
}

} // namespace

void activateFrame(Frame* frame) {
  if (!frame || QApplication::activeWindow() == frame || QApplication::activeModalWidget()) return;
  QT_WARNING_PUSH
  QT_WARNING_DISABLE_DEPRECATED
  QApplication::setActiveWindow(frame);
  QT_WARNING_POP
}

QString plainLabel(const QString& text) {
  QString t = text;
  if (const auto tab = t.indexOf(QLatin1Char('\t')); tab >= 0) t.truncate(tab);
  QString out;
  for (qsizetype i = 0; i < t.size(); ++i) {
    if (t[i] == QLatin1Char('&')) {
      if (i + 1 < t.size() && t[i + 1] == QLatin1Char('&')) out += t[++i];
      continue;
    }
    out += t[i];
  }
  out = out.trimmed();
  if (out.endsWith(QLatin1Char(':'))) out.chop(1);
  return out.trimmed();
}

bool sameLabel(const QString& text, const std::string& label) { return plainLabel(text) == plainLabel(qs(label)); }

std::string describeDialog(QWidget* d) {
  if (!d) return "(none)";
  QString text;
  if (auto* mb = qobject_cast<QMessageBox*>(d)) {
    text = mb->text();
    if (!mb->informativeText().isEmpty()) text += QLatin1Char(' ') + mb->informativeText();
  } else {
    for (QLabel* l : d->findChildren<QLabel*>()) {
      if (!l->isVisibleTo(d) || l->text().isEmpty()) continue;
      if (!text.isEmpty()) text += QStringLiteral(" | ");
      text += l->text();
    }
  }
  text.replace(QLatin1Char('\n'), QLatin1Char('|'));
  if (text.size() > 400) text = text.left(400) + QStringLiteral("...");
  return "[" + str(d->windowTitle()) + "] " + str(text);
}

Worksheet* currentSheet(Frame* frame) {
  if (!frame) return nullptr;
  if (Worksheet* w = frame->active()) return w;
  if (auto* w = dynamic_cast<Worksheet*>(frame->mdi->currentSubWindow())) return w;
  return frame->lastActive.data();
}

bool chooseMenu(Frame* frame, const std::string& path, std::string& why) {
  activateFrame(frame);   // a click on the menu bar
  QMenuBar* bar = frame->menuBar();
  const QStringList parts = qs(path).split(QLatin1Char('>'));
  QList<QAction*> actions = bar ? bar->actions() : QList<QAction*>();
  std::vector<QMenu*> opened;
  QString walked;
  for (qsizetype i = 0; i < parts.size(); ++i) {
    const std::string part = str(parts[i]);
    QAction* found = nullptr;
    QStringList seen;
    for (QAction* a : actions) {
      if (a->isSeparator() || !a->isVisible()) continue;
      if (sameLabel(a->text(), part)) {
        found = a;
        break;
      }
      seen << plainLabel(a->text());
    }
    walked += (walked.isEmpty() ? QString() : QStringLiteral(">")) + plainLabel(parts[i]);
    if (!found) {
      why = "no menu item \"" + str(walked) + "\" (there: " + str(seen.join(", ")) + ")";
      return false;
    }
    if (!found->isEnabled()) {
      why = "the menu item \"" + str(walked) + "\" is disabled";
      return false;
    }
    const bool last = i + 1 == parts.size();
    if (!last) {
      if (!found->menu()) {
        why = "the menu item \"" + str(walked) + "\" opens no menu";
        return false;
      }
      QMenu* m = found->menu();
      emit m->aboutToShow();
      opened.push_back(m);
      actions = m->actions();
      continue;
    }
    if (found->menu()) {
      why = "\"" + str(walked) + "\" is a menu, not an item";
      return false;
    }
    if (!opened.empty()) emit opened.back()->hovered(found);
    // The menus close before the item's command runs, as a click does.
    for (auto it = opened.rbegin(); it != opened.rend(); ++it) emit (*it)->aboutToHide();
    found->trigger();
  }
  return true;
}

bool pressToolButton(Frame* frame, const std::string& label, std::string& why) {
  activateFrame(frame);
  QStringList seen;
  for (QToolBar* tb : frame->findChildren<QToolBar*>()) {
    if (!tb->isVisible()) continue;
    for (QAction* a : tb->actions()) {
      if (a->isSeparator() || !a->isVisible()) continue;
      if (!sameLabel(a->text(), label) && !sameLabel(a->toolTip(), label)) {
        seen << plainLabel(a->text());
        continue;
      }
      if (!a->isEnabled()) {
        why = "the tool-bar button \"" + label + "\" is disabled";
        return false;
      }
      if (auto* b = qobject_cast<QAbstractButton*>(tb->widgetForAction(a))) b->click();
      else a->trigger();
      return true;
    }
  }
  why = "no tool-bar button \"" + label + "\" (there: " + str(seen.join(", ")) + ")";
  return false;
}

bool pressKey(Frame* frame, QWidget* dialog, const std::string& name, std::string& why) {
  static const std::pair<const char*, const char*> aliases[] = {
      {"esc", "Esc"}, {"del", "Del"}, {"enter", "Return"}, {"ins", "Ins"}, {"return", "Return"}};
  QString text = qs(name);
  for (const auto& [from, to] : aliases)
    if (text.compare(QLatin1String(from), Qt::CaseInsensitive) == 0) text = QLatin1String(to);
  const QKeySequence seq = QKeySequence::fromString(text, QKeySequence::PortableText);
  if (seq.count() != 1 || seq[0].key() == Qt::Key_unknown) {
    why = "no key \"" + name + "\"";
    return false;
  }
  const Qt::Key key = seq[0].key();
  const Qt::KeyboardModifiers mods = seq[0].keyboardModifiers();
  QWidget* target = nullptr;
  if (!dialog || !dialog->isVisible()) dialog = QApplication::activeModalWidget();
  if (dialog) {
    target = dialog->focusWidget() ? dialog->focusWidget() : dialog;
  } else {
    activateFrame(frame);
    QWidget* f = QApplication::focusWidget();
    if (f && f->window() == frame) target = f;
    else if (Worksheet* w = currentSheet(frame)) target = w->canvas;
    else target = frame;
  }
  QString typed;
  if (key < 0x1000000 && !(mods & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))) {
    typed = QString(QChar(key));
    if (!(mods & Qt::ShiftModifier)) typed = typed.toLower();
  } else if (key == Qt::Key_Return || key == Qt::Key_Enter) {
    typed = QStringLiteral("\r");
  } else if (key == Qt::Key_Escape) {
    typed = QString(QChar(27));
  }
  QPointer<QWidget> t = target;
  QKeyEvent press(QEvent::KeyPress, key, mods, typed);
  QApplication::sendEvent(t, &press);
  if (t) {
    QKeyEvent release(QEvent::KeyRelease, key, mods, typed);
    QApplication::sendEvent(t, &release);
  }
  return true;
}

bool fillField(QWidget* dialog, const std::string& field, const std::string& text, std::string& why) {
  QWidget* f = findField(dialog, field, why);
  if (!f) return false;
  const QString t = qs(text);
  if (!f->isEnabled()) {
    why = "the field \"" + field + "\" is disabled";
    return false;
  }
  if (auto* e = qobject_cast<QLineEdit*>(f)) {
    if (!typeInto(e, t, why)) {
      why = "the field \"" + field + "\" cannot be edited";
      return false;
    }
    return true;
  }
  if (auto* c = qobject_cast<QComboBox*>(f)) {
    if (c->isEditable() && c->lineEdit()) return typeInto(c->lineEdit(), t, why);
    return chooseEntry(dialog, field, text, false, why);
  }
  if (auto* s = qobject_cast<QSpinBox*>(f)) {
    bool ok = false;
    const int v = t.toInt(&ok);
    if (!ok) {
      why = "\"" + text + "\" is no whole number";
      return false;
    }
    s->setValue(v);
    return true;
  }
  if (auto* s = qobject_cast<QDoubleSpinBox*>(f)) {
    bool ok = false;
    const double v = t.toDouble(&ok);
    if (!ok) {
      why = "\"" + text + "\" is no number";
      return false;
    }
    s->setValue(v);
    return true;
  }
  if (auto* e = qobject_cast<QTextEdit*>(f)) {
    e->setPlainText(t);
    return true;
  }
  if (auto* e = qobject_cast<QPlainTextEdit*>(f)) {
    e->setPlainText(t);
    return true;
  }
  why = "\"" + field + "\" is no text field";
  return false;
}

bool chooseEntry(QWidget* dialog, const std::string& list, const std::string& entry, bool twice, std::string& why) {
  QWidget* f = nullptr;
  if (list == "*") {
    for (QWidget* w : dialog->findChildren<QWidget*>()) {
      if (!visibleIn(w, dialog) || partOfField(w, dialog)) continue;
      if (!qobject_cast<QAbstractItemView*>(w) && !qobject_cast<QComboBox*>(w)) continue;
      if (f) {
        why = "the dialog " + describeDialog(dialog) + " has more than one list";
        return false;
      }
      f = w;
    }
    if (!f) why = "the dialog " + describeDialog(dialog) + " has no list";
  } else {
    f = findField(dialog, list, why);
  }
  if (!f) return false;
  if (!f->isEnabled()) {
    why = "the list \"" + list + "\" is disabled";
    return false;
  }
  const QString want = qs(entry);
  QStringList seen;
  if (auto* c = qobject_cast<QComboBox*>(f)) {
    for (int i = 0; i < c->count(); ++i) {
      if (plainLabel(c->itemText(i)) != plainLabel(want)) {
        seen << c->itemText(i);
        continue;
      }
      c->setCurrentIndex(i);
      emit c->activated(i);
      emit c->textActivated(c->itemText(i));
      return true;
    }
  } else if (auto* tabs = qobject_cast<QTabBar*>(f)) {
    for (int i = 0; i < tabs->count(); ++i) {
      if (!sameLabel(tabs->tabText(i), entry)) {
        seen << plainLabel(tabs->tabText(i));
        continue;
      }
      if (!tabs->isTabEnabled(i)) {
        why = "the tab \"" + entry + "\" is disabled";
        return false;
      }
      clickAt(tabs, tabs->tabRect(i).center(), false);
      if (tabs->currentIndex() != i) tabs->setCurrentIndex(i);
      return true;
    }
  } else if (auto* v = qobject_cast<QAbstractItemView*>(f)) {
    QAbstractItemModel* m = v->model();
    QModelIndex found;
    if (m) {
      // Depth first over every row under the view's root.
      std::vector<QModelIndex> todo{v->rootIndex()};
      while (!todo.empty() && !found.isValid()) {
        const QModelIndex parent = todo.back();
        todo.pop_back();
        for (int r = m->rowCount(parent) - 1; r >= 0; --r) {
          const QModelIndex i = m->index(r, 0, parent);
          todo.push_back(i);
        }
        if (parent != v->rootIndex() && m->data(parent).toString().trimmed() == want.trimmed()) found = parent;
        else if (parent != v->rootIndex() && seen.size() < 30) seen << m->data(parent).toString();
      }
    }
    if (found.isValid()) {
      if (!(m->flags(found) & Qt::ItemIsEnabled)) {
        why = "the entry \"" + entry + "\" is disabled";
        return false;
      }
      if (auto* tree = qobject_cast<QTreeView*>(v))
        for (QModelIndex p = found.parent(); p.isValid(); p = p.parent()) tree->expand(p);
      v->scrollTo(found);
      const QRect r = v->visualRect(found);
      if (r.isValid()) clickAt(v->viewport(), r.center(), twice);
      if (v->currentIndex() != found) v->setCurrentIndex(found);
      return true;
    }
  } else {
    why = "\"" + list + "\" is no list";
    return false;
  }
  why = "no entry \"" + entry + "\" in the list \"" + list + "\" (there: " + str(seen.join(", ")) + ")";
  return false;
}

bool setCheck(QWidget* dialog, const std::string& label, bool on, std::string& why) {
  QAbstractButton* b = findButton(dialog, label, true, why);
  if (!b) return false;
  if (!b->isEnabled()) {
    why = "\"" + label + "\" is disabled";
    return false;
  }
  if (b->isChecked() != on) b->click();
  if (b->isChecked() != on) {
    why = "\"" + label + "\" cannot be " + (on ? "checked" : "unchecked");
    return false;
  }
  return true;
}

bool pressButton(QWidget* dialog, const std::string& label, std::string& why) {
  QAbstractButton* b = findButton(dialog, label, false, why);
  if (!b) return false;
  if (!b->isEnabled()) {
    why = "the button \"" + label + "\" is disabled";
    return false;
  }
  b->click();
  return true;
}

bool dragBlock(Frame* frame, const std::string& label, Worksheet* target, const QPoint& global, std::string& why) {
  QWidget* box = nullptr;
  for (QWidget* w : QApplication::topLevelWidgets())
    if (w->objectName() == QLatin1String("SW_TOOLBOX") && w->isVisible()) box = w;
  if (!box) {
    why = "the insert box is not open";
    return false;
  }
  if (!box->isEnabled() || !frame->isEnabled()) {
    why = "the insert box is disabled";
    return false;
  }
  QWidget* source = nullptr;
  QStringList seen;
  for (int k = 0; k < 20 && !source; ++k) {
    for (QWidget* b : box->findChildren<QWidget*>(QStringLiteral("c%1").arg(1030 + k))) {
      if (!b->isVisible()) continue;
      if (sameLabel(b->accessibleName(), label)) source = b;
      else seen << b->accessibleName();
    }
  }
  if (!source) {
    // A subprogram: its entry chosen on the second page, its picture dragged.
    auto* tabs = box->findChild<QTabBar*>(QStringLiteral("c1020"));
    auto* list = box->findChild<QAbstractItemView*>(QStringLiteral("c1022"));
    auto* frameBox = box->findChild<QWidget*>(QStringLiteral("c1021"));
    bool listed = false;
    if (list && list->model())
      for (int r = 0; r < list->model()->rowCount(); ++r)
        listed = listed || list->model()->index(r, 0).data().toString() == qs(label);
    if (listed && tabs && frameBox && tabs->count() > 1) {
      std::string ignored;
      clickAt(tabs, tabs->tabRect(1).center(), false);
      if (chooseEntry(box, "#1022", label, false, ignored)) source = box->childAt(frameBox->geometry().center());
    }
  }
  if (!source) {
    why = "no block \"" + label + "\" in the insert box (there: " + str(seen.join(", ")) + ")";
    return false;
  }
  if (!source->isEnabled()) {
    why = "the block \"" + label + "\" of the insert box is disabled";
    return false;
  }
  // The point must show the worksheet, not a window over it.
  QWidget* under = QApplication::widgetAt(global);
  bool onSheet = false;
  for (QWidget* w = under; w; w = w->parentWidget())
    if (w == target) onSheet = true;
  if (!onSheet) {
    why = "the drop point is not on the worksheet (" +
          (under ? "under " + str(under->window()->windowTitle()) : std::string("outside every window")) + ")";
    return false;
  }
  const QPoint pressLocal = source->rect().center();
  const QPoint pressGlobal = source->mapToGlobal(pressLocal);
  auto send = [&](QEvent::Type t, const QPoint& g, Qt::MouseButton which, Qt::MouseButtons held) {
    QCursor::setPos(g);
    QMouseEvent e(t, QPointF(source->mapFromGlobal(g)), QPointF(g), which, held, Qt::NoModifier);
    QApplication::sendEvent(source, &e);
  };
  QPointer<QWidget> alive = source;
  send(QEvent::MouseButtonPress, pressGlobal, Qt::LeftButton, Qt::LeftButton);
  for (int k = 1; k <= 4 && alive; ++k)
    send(QEvent::MouseMove, pressGlobal + (global - pressGlobal) * k / 4, Qt::NoButton, Qt::LeftButton);
  if (alive) send(QEvent::MouseButtonRelease, global, Qt::LeftButton, Qt::NoButton);
  return true;
}

std::vector<std::string> dialogFields(QWidget* dialog) {
  std::vector<std::string> out;
  // Each field under the label beside it, else its control id.
  std::map<QWidget*, QString> labels;
  for (QLabel* l : dialog->findChildren<QLabel*>())
    if (visibleIn(l, dialog) && !l->text().isEmpty())
      if (QWidget* f = fieldBeside(l, dialog); f && !labels.count(f)) labels[f] = plainLabel(l->text());
  auto nameOf = [&](QWidget* w) {
    if (labels.count(w)) return labels[w];
    return w->objectName().startsWith(QLatin1Char('c')) ? QStringLiteral("#") + w->objectName().mid(1) : QStringLiteral("?");
  };
  for (QWidget* w : dialog->findChildren<QWidget*>()) {
    if (!visibleIn(w, dialog) || partOfField(w, dialog)) continue;
    const std::string state = w->isEnabled() ? "" : " (disabled)";
    if (auto* b = qobject_cast<QAbstractButton*>(w); b && b->isCheckable())
      out.push_back("check " + str(plainLabel(b->text())) + (b->isChecked() ? " on" : " off") + state);
    else if (auto* e = qobject_cast<QLineEdit*>(w))
      out.push_back("field " + str(nameOf(w)) + " = " + str(e->text()) + state);
    else if (auto* c = qobject_cast<QComboBox*>(w))
      out.push_back("field " + str(nameOf(w)) + " = " + str(c->currentText()) + state);
    else if (auto* sp = qobject_cast<QAbstractSpinBox*>(w))
      out.push_back("field " + str(nameOf(w)) + " = " + str(sp->text()) + state);
    else if (auto* v = qobject_cast<QAbstractItemView*>(w))
      out.push_back("list " + str(nameOf(w)) + " = " + str(v->currentIndex().data().toString()) + state);
  }
  return out;
}

std::vector<std::string> menuState(Frame* frame, const std::string& under) {
  std::vector<std::string> out;
  const QString prefix = qs(under);
  std::function<void(const QList<QAction*>&, const QString&)> walk = [&](const QList<QAction*>& actions,
                                                                       const QString& path) {
    for (QAction* a : actions) {
      if (a->isSeparator() || !a->isVisible()) continue;
      const QString here = path.isEmpty() ? plainLabel(a->text()) : path + QLatin1Char('>') + plainLabel(a->text());
      if (a->menu()) {
        walk(a->menu()->actions(), here);
        continue;
      }
      if (!prefix.isEmpty() && !here.startsWith(prefix)) continue;
      out.push_back(str(here) + (a->isEnabled() ? " e" : " d") + (a->isChecked() ? " c" : ""));
    }
  };
  if (QMenuBar* bar = frame->menuBar()) walk(bar->actions(), QString());
  if (prefix.isEmpty())
    for (QToolBar* tb : frame->findChildren<QToolBar*>())
      for (QAction* a : tb->actions())
        if (!a->isSeparator())
          out.push_back("button " + str(plainLabel(a->text())) + (a->isEnabled() ? " e" : " d") +
                        (a->isChecked() ? " c" : ""));
  return out;
}

} // namespace zapp
