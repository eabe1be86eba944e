#pragma once
// The toolbox (dialog 134): twenty flat block buttons, the subprogram list
// with its block picture, and the drag of a block onto a worksheet through the
// main program's services.
#include "stockwin/stockwin.h"
#include "toolboxlogic.h"

#include <QDialog>
#include <QPoint>
#include <QWidget>

#include <optional>
#include <string>
#include <vector>

class QFrame;
class QLabel;
class QListWidget;
class QTabBar;

namespace sw {

class Toolbox;

// The window that follows the mouse while a block is dragged: the block drawn
// by the main program at the worksheet zoom, or the built-in Text, Input and Output.
class DragWindow : public QWidget {
public:
  DragWindow();
  ~DragWindow() override;
  void setNames(const std::string& name, const std::string& library);
  int builtIn() const { return builtIn_; }
protected:
  void paintEvent(QPaintEvent*) override;
private:
  std::string name_, library_;
  void* picture_ = nullptr;
  void* block_ = nullptr;
  int builtIn_ = 0;  // 13 Text, 14 Input, 15 Output
};

// The drag protocol shared by the buttons and the picture window.
class DragSource {
public:
  virtual ~DragSource();
protected:
  explicit DragSource(QWidget* self) : self_(self) {}
  Toolbox* toolbox() const;
  // Starts a drag of a block of w x h units (false: no drag window).
  bool begin(const QPoint& local, const std::string& name, const std::string& library, int w, int h);
  void dragTo(const QPoint& local);
  void drop(const QPoint& global, const std::string& name, const std::string& library);
  bool dragging() const { return drag_ != nullptr; }
  void endDrag();
private:
  QWidget* self_;
  DragWindow* drag_ = nullptr;
  bool cursorSet_ = false;
  QPoint press_, last_;
  Box box_;
};

class FlatButton : public QWidget, public DragSource {
public:
  FlatButton(QWidget* parent, int index);
  ~FlatButton() override;
  void setup(const ButtonSetup& s);
  bool hot() const { return hot_; }
  bool pressed() const { return pressed_; }
  QLabel* tip() const { return tip_; }
  const std::string& blockName() const { return name_; }
protected:
  void paintEvent(QPaintEvent*) override;
  void enterEvent(QEnterEvent*) override;
  void leaveEvent(QEvent*) override;
  void focusInEvent(QFocusEvent*) override;
  void focusOutEvent(QFocusEvent*) override;
  void mousePressEvent(QMouseEvent*) override;
  void mouseMoveEvent(QMouseEvent*) override;
  void mouseReleaseEvent(QMouseEvent*) override;
  void changeEvent(QEvent*) override;
private:
  void setState(bool hot, bool pressed, bool keepTip);
  bool blockSize(int& w, int& h);
  unsigned bitmap_ = 0, tooltip_ = 0;
  std::string name_, library_;
  bool hot_ = false, pressed_ = false;
  QLabel* tip_;
};

class PictureWindow : public QWidget, public DragSource {
public:
  explicit PictureWindow(QWidget* parent);
  ~PictureWindow() override;
  // Empty names clear the picture.
  void setNames(const std::string& name, const std::string& library);
  // Takes a block handle without removing the old block (none: forgets it).
  void setBlock(void* block) { block_ = picture_ ? block : nullptr; }
  void* block() const { return block_; }
  const std::string& name() const { return name_; }
protected:
  void paintEvent(QPaintEvent*) override;
  void mousePressEvent(QMouseEvent*) override;
  void mouseMoveEvent(QMouseEvent*) override;
  void mouseReleaseEvent(QMouseEvent*) override;
private:
  std::string name_, library_;
  void* picture_ = nullptr;
  void* block_ = nullptr;
};

class Toolbox : public QDialog {
public:
  Toolbox(QWidget* parent, std::uint32_t parentId, const SwInsertBoxAttribs* a, NameNode* const* names, int state);
  ~Toolbox() override;
  // Queries of the child windows.
  bool dragEnabled() const;
  unsigned insertionCursor() const { return stateRule(state_).cursor; }
  bool dropAtCursor() const { return stateRule(state_).dropAtCursor; }

  int setAttribs(const SwInsertBoxAttribs* a);
  int getAttribs(SwInsertBoxAttribs* a) const;
  bool addName(const std::string& name);
  bool renameName(const std::string& oldName, const std::string& newName);
  void selectName(const std::string& name);
  void updateSelection();
  void setState(int state);
  int state() const { return state_; }
protected:
  void resizeEvent(QResizeEvent*) override;
  void keyPressEvent(QKeyEvent*) override;
  void closeEvent(QCloseEvent*) override;
  void reject() override;
  void accept() override {}
private:
  void applyPosition(const SwInsertBoxAttribs& a);
  void showPage();
  void layoutControls();
  void refreshPicture();
  void fillList();
  std::uint32_t parentId_;
  std::vector<std::string> names_;
  int page_ = 0;
  int state_ = -1;
  QTabBar* tabs_;
  std::vector<FlatButton*> buttons_;
  QFrame* frame_;
  PictureWindow* picture_;
  QListWidget* list_;
};

} // namespace sw
