// The widgets of one open window, built from its description and kept in step with the
// engine's state. Lives on the Qt thread; user actions go back to the engine as user...()
// calls, which update the state and queue the procedure's events.
#pragma once

#include <QObject>
#include <QPointer>
#include <QRect>
#include <map>
#include <memory>
#include <vector>

#include "ui/memory_engine.h"

class QAction;
class QLabel;
class QLineEdit;
class QMdiArea;
class QScrollBar;
class QTableWidget;
class QTimer;
class QWidget;

namespace veltrano::ui::qt {

class QtWindow : public QObject {
 public:
  // `frame_area` is the frame's MDI area for child windows (nullptr: the window stands alone).
  QtWindow(MemoryEngine& engine, const WindowSnapshot& shown, QMdiArea* frame_area);
  ~QtWindow() override;
  QtWindow(const QtWindow&) = delete;
  QtWindow& operator=(const QtWindow&) = delete;

  void refresh(const WindowSnapshot& shown);
  void arrange(FrameArrangement how);
  QWidget* top() const { return top_; }
  QMdiArea* mdiArea() const { return mdi_area_; }
  // Lets the top widget close for real (the procedure closed the window).
  void closeForGood();
  // Whether this is the frame's active child window.
  bool isActiveChild() const;
  // Activates this child window again with the focus on the control the engine gives it.
  void comeBack();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  struct ListParts {
    QTableWidget* table = nullptr;
    QScrollBar* scroll = nullptr;
  };

  void buildMenu(const std::vector<MenuItem>& items, QWidget* menu);
  void buildControls(const WindowSnapshot& shown);
  void placeControl(const ControlSnapshot& control);
  void followAddedAndRemoved(const WindowSnapshot& shown);
  void reportEdit(ControlId id, QLineEdit* entry, const QString& text);
  QWidget* buildControl(const ControlSnapshot& control, QWidget* parent);
  QWidget* buildList(const ControlSnapshot& control, QWidget* parent);
  void refreshControl(const WindowSnapshot& shown, const ControlSnapshot& control);
  void refreshList(ControlId id, const ControlSnapshot& control);
  bool listKey(ControlId id, int key, Qt::KeyboardModifiers modifiers);
  // Enter on a button presses it; on a combo box or a spin box it presses the default button.
  bool pressDefaultButton();
  // The widget that takes the focus for a control: a list's table, else the control's widget.
  QWidget* focusTarget(ControlId id) const;
  QRect topPlacement() const;
  void placeTop(const QRect& at);
  void reportPlacement();

  MemoryEngine& engine_;
  WindowId id_;
  WindowKind kind_;
  QWidget* top_ = nullptr;      // QMainWindow, QMdiSubWindow or QDialog
  QWidget* content_ = nullptr;  // where the controls sit
  QMdiArea* mdi_area_ = nullptr;
  std::map<ControlId, QWidget*> controls_;
  std::map<ControlId, ListParts> lists_;
  std::map<ControlId, QAction*> menu_items_;
  std::vector<QLabel*> status_zones_;
  QTimer* timer_ = nullptr;
  int timer_hundredths_ = 0;
  bool applying_ = false;        // changes made by refresh() are not the user's
  ControlId applied_focus_ = 0;  // the control the procedure gave the focus to last
  bool closing_ = false;
  bool shown_ = false;
  // A child window has no dialog to press its default button on Enter: its entries do.
  ControlId default_button_ = 0;
};

// A key as the engine numbers alerted keys; 0 for keys it does not name.
int engineKeyCode(int qt_key, Qt::KeyboardModifiers modifiers, const QString& text);

}  // namespace veltrano::ui::qt
