// The new project dialog (127) and the directory selection dialog (128) with
// its directory tree.
#include "core.h"
#include "dirtree.h"
#include "stockwin/stockwin.h"
#include "frame.h"
#include "projects.h"
#include "texts.h"

#include "platform/export.h"
#include "platform/uisink.h"
#include "toolbind/toolbind.h"

#include <QApplication>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPixmap>
#include <QPushButton>
#include <QRegularExpression>
#include <QStyle>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <cctype>
#include <cstring>

namespace sw {

namespace {

std::string withSlash(std::string d) {
  if (!d.empty() && d.back() != '/') d += '/';
  return d;
}
std::string withoutSlash(std::string d) {
  while (d.size() > 1 && d.back() == '/') d.pop_back();
  return d;
}
Say dialogSay() {
  return [](unsigned id, unsigned flags, const std::vector<kit::FormatArg>& args) { return message(id, flags, args); };
}

constexpr int kPathRole = Qt::UserRole + 1;
constexpr int kFilledRole = Qt::UserRole + 2;

// The directory tree: a directory's contents are read when its node opens,
// afresh at every opening; a node with something to show carries one empty
// placeholder child until then.
class DirTreeView : public QTreeWidget {
public:
  explicit DirTreeView(QWidget* parent) : QTreeWidget(parent) {
    setHeaderHidden(true);
    setObjectName("c1015");
    connect(this, &QTreeWidget::itemExpanded, this, [this](QTreeWidgetItem* i) { fill(i); });
    connect(this, &QTreeWidget::itemCollapsed, this, [this](QTreeWidgetItem* i) { placeholder(i); });
  }
  // One top-level node for root, filled.
  void displayTree(const std::string& root, bool showFiles) {
    clear();
    showFiles_ = showFiles;
    auto* top = add(nullptr, root);
    fill(top);
    top->setExpanded(true);
  }
  std::string fullPath(const QTreeWidgetItem* i) const { return i ? str(i->data(0, kPathRole).toString()) : ""; }
  std::string selectedPath() const { return fullPath(currentItem()); }
  // Opens the tree down to path and selects the deepest node found.
  bool setSelPath(const std::string& path) {
    if (topLevelItemCount() == 0) return false;
    QTreeWidgetItem* top = topLevelItem(0);
    TreeWay way = wayTo({fullPath(top)}, path);
    if (way.root < 0) return false;
    QTreeWidgetItem* node = top;
    for (const std::string& part : way.parts) {
      if (!node->isExpanded()) node->setExpanded(true);
      else fill(node);
      QTreeWidgetItem* child = findChild(node, part);
      if (!child) break;
      node = child;
    }
    setCurrentItem(node);
    scrollToItem(node);
    return true;
  }
private:
  QTreeWidgetItem* add(QTreeWidgetItem* parent, const std::string& path) {
    auto* i = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(this);
    i->setText(0, q(nodeText(path, parent == nullptr)));
    i->setData(0, kPathRole, q(withoutSlash(path)));
    i->setIcon(0, style()->standardIcon(QStyle::SP_DirIcon));
    return i;
  }
  static QTreeWidgetItem* findChild(QTreeWidgetItem* parent, const std::string& name) {
    for (int k = 0; k < parent->childCount(); ++k)
      if (str(parent->child(k)->text(0)) == name) return parent->child(k);
    std::string up = upper(name);
    for (int k = 0; k < parent->childCount(); ++k)
      if (upper(str(parent->child(k)->text(0))) == up) return parent->child(k);
    return nullptr;
  }
  void fill(QTreeWidgetItem* node) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    setUpdatesEnabled(false);
    qDeleteAll(node->takeChildren());
    DirChildren c = listChildren(fullPath(node), showFiles_);
    for (const std::string& d : c.dirs) {
      auto* child = add(node, d);
      if (hasChildren(d, showFiles_)) new QTreeWidgetItem(child);
    }
    for (const std::string& f : c.files) {
      auto* child = add(node, f);
      child->setIcon(0, style()->standardIcon(QStyle::SP_FileIcon));
    }
    setUpdatesEnabled(true);
    QApplication::restoreOverrideCursor();
  }
  void placeholder(QTreeWidgetItem* node) {
    qDeleteAll(node->takeChildren());
    new QTreeWidgetItem(node);
  }
  bool showFiles_ = false;
};


class SelectDirDialog : public SwDialog {
public:
  SelectDirDialog(QWidget* parent, std::string* path) : SwDialog(parent, kDlgDirectory), path_(path) {
    setHelp(75);
    auto* lay = new QVBoxLayout(this);
    auto* g = new QGridLayout;
    g->addWidget(new QLabel(q(dialogText(kDlgDirectory, 1001)), this), 0, 0);
    drives_ = new QComboBox(this);
    drives_->setObjectName("c1016");
    roots_ = treeRoots();
    for (const std::string& r : roots_) drives_->addItem(q(r));
    g->addWidget(drives_, 0, 1);
    lay->addLayout(g);
    lay->addWidget(new QLabel(q(dialogText(kDlgDirectory, 1002)), this));
    tree_ = new DirTreeView(this);
    tree_->setMinimumSize(360, 300);
    lay->addWidget(tree_, 1);
    auto* ok = okCancel(this, lay);
    connect(ok, &QPushButton::clicked, this, [this] {
      *path_ = tree_->selectedPath();
      done(1);
    });
    TreeWay way = wayTo(roots_, *path_);
    int start = way.root >= 0 ? way.root : 0;
    drives_->setCurrentIndex(start);
    tree_->displayTree(roots_[std::size_t(start)], false);
    if (!path_->empty()) tree_->setSelPath(*path_);
    connect(drives_, &QComboBox::currentIndexChanged, this, [this](int i) {
      if (i >= 0) tree_->displayTree(roots_[std::size_t(i)], false);
    });
  }
private:
  std::string* path_;
  std::vector<std::string> roots_;
  QComboBox* drives_;
  DirTreeView* tree_;
};

class NewProjectDialog : public SwDialog {
public:
  NewProjectDialog(QWidget* parent, char* out, int size) : SwDialog(parent, kDlgNewProject), out_(out), size_(size) {
    setHelp(222);
    auto& tb = toolbind::moduleBinding();
    std::string dir;
    tb.getProjectPath(dir);
    dir = withSlash(dir);
    auto* lay = new QVBoxLayout(this);
    lay->addWidget(new QLabel(q(dialogText(kDlgNewProject, 1001)), this));
    list_ = new QListWidget(this);
    list_->setObjectName("c1011");
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->setIconSize(QSize(32, 32));
    list_->setMinimumSize(420, 150);
    lay->addWidget(list_, 1);
    auto* g = new QGridLayout;
    g->addWidget(new QLabel(q(dialogText(kDlgNewProject, 1002)), this), 0, 0);
    name_ = new QLineEdit(this);
    name_->setObjectName("c1012");
    name_->setMaxLength(100);
    g->addWidget(name_, 0, 1, 1, 2);
    g->addWidget(new QLabel(q(dialogText(kDlgNewProject, 1003)), this), 1, 0);
    dir_ = new QLineEdit(q(dir), this);
    dir_->setObjectName("c1014");
    dir_->setMaxLength(255);
    g->addWidget(dir_, 1, 1);
    auto* browse = new QPushButton(QStringLiteral("..."), this);
    browse->setObjectName("c1013");
    browse->setAutoDefault(false);
    g->addWidget(browse, 1, 2);
    lay->addLayout(g);
    ok_ = okCancel(this, lay);
    connect(ok_, &QPushButton::clicked, this, [this] { onOk(); });
    connect(browse, &QPushButton::clicked, this, [this] { chooseDirectory(); });

    std::string ini;
    if (tb.getTemplatesIni(ini) == 1) {
      tb.getTemplatePath(templateDir_);
      if (LoadTemplates(ini, templateDir_, templates_)) fillView();
    }
    name_->setText(q(suggestProjectName(dir, text(kUntitled), text(kProjectExt))));
    enableOk();
    connect(name_, &QLineEdit::textEdited, this, [this](const QString& t) {
      // Names are upper case.
      int caret = name_->cursorPosition();
      name_->setText(t.toUpper());
      name_->setCursorPosition(caret);
      if (t.contains(QRegularExpression(QStringLiteral("[*:?\\\\/]")))) message(kBadProjectName);
    });
    connect(name_, &QLineEdit::textChanged, this, [this] { enableOk(); });
    connect(list_, &QListWidget::itemSelectionChanged, this, [this] { enableOk(); });
  }
private:
  void fillView() {
    for (std::size_t n = 0; n < templates_.items.size(); ++n) {
      const Template& t = templates_.items[n];
      auto* item = new QListWidgetItem(q(t.shown()), list_);
      item->setData(Qt::UserRole, int(n));
      QPixmap pic;
      if (!t.icon.empty() && pic.load(q(t.icon))) item->setIcon(QIcon(pic.scaled(32, 32, Qt::KeepAspectRatio)));
      if (int(n) == templates_.defaultIndex) item->setSelected(true);
    }
  }
  const Template* selected() const {
    auto items = list_->selectedItems();
    if (items.isEmpty()) return nullptr;
    return &templates_.items[std::size_t(items[0]->data(Qt::UserRole).toInt())];
  }
  void enableOk() { ok_->setEnabled(!name_->text().isEmpty() && selected()); }
  void chooseDirectory() {
    std::string path = withoutSlash(str(dir_->text()));
    std::string* answer = &path;
    int r = run(0, kDlgDirectory, [answer, this](QWidget*) { return new SelectDirDialog(this, answer); });
    if (r == 1) dir_->setText(q(withSlash(path)));
  }
  void onOk() {
    const Template* t = selected();
    std::string full = t ? GetTemplateFullDir(templateDir_, *t) : "";
    if (full.empty()) {
      message(kNoTemplate);
      return;
    }
    std::string name = upper(str(name_->text())), dir = str(dir_->text());
    if (!isValidProjectName(name)) {
      message(kBadProjectName);
      return;
    }
    if (!sw_CreatePath(dir)) {
      message(kDirNotCreated);
      return;
    }
    bool cancelled = false;
    if (!copyTemplate(full, dir, t->dir, name, dialogSay(), &cancelled)) {
      if (cancelled) name_->setFocus();
      return;
    }
    if (out_ && size_ > 0) {
      std::string path = withSlash(dir) + name + upper(text(kProjectExt));
      if (path.size() + 1 > std::size_t(size_)) {
        message(kPathTooLong);
        return;
      }
      std::memcpy(out_, path.c_str(), path.size() + 1);
    }
    done(1);
  }
  char* out_;
  int size_;
  std::string templateDir_;
  TemplateList templates_;
  QListWidget* list_;
  QLineEdit *name_, *dir_;
  QPushButton* ok_;
};

} // namespace

} // namespace sw

using namespace sw;

ZERLO_EXPORT int SW05_CallNewProjectDlg(SwWindow owner, char* path, int size) {
  return run(owner, kDlgNewProject, [=](QWidget* parent) { return new NewProjectDialog(parent, path, size); });
}
