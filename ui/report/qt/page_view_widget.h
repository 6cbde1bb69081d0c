// The page view control on the screen: the pages the preview gives it, drawn at its zoom or as
// tiles, on a grey desk, scrolled when larger than the window. It takes the rest of its window
// from where it is placed, right and down, and follows the window's size. Page Up and Page Down, Home
// and End (with Ctrl) and a click or double click on a page are reported through callbacks,
// which the window engine turns into the control's events.
#pragma once

#include <QAbstractScrollArea>
#include <functional>

#include "ui/report/page_view.h"
#include "ui/report/page_view_layout.h"

namespace veltrano::ui::report::qt {

class PageViewWidget : public QAbstractScrollArea {
 public:
  static constexpr const char* kObjectName = "veltranoPageView";

  // scroll: Qt's key (Qt::Key_PageUp …); chosen: the report's number of the page, and whether
  // it was opened (double-clicked).
  PageViewWidget(QWidget* parent, std::function<void(int key)> scroll,
                 std::function<void(int page, bool open)> chosen);

  void show(const PageView& view);
  const PageView& view() const { return view_; }
  const PageViewLayout& layout() const { return layout_; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void relayout();
  void fillParent();
  int pageAt(const QPoint& at) const;

  std::function<void(int)> scroll_;
  std::function<void(int, bool)> chosen_;
  PageView view_;
  PageViewLayout layout_;
};

}  // namespace veltrano::ui::report::qt
