#include "ui/report/qt/page_view_widget.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>

#include "ui/report/qt/page_painter.h"

namespace veltrano::ui::report::qt {

PageViewWidget::PageViewWidget(QWidget* parent, std::function<void(int)> scroll,
                               std::function<void(int, bool)> chosen)
    : QAbstractScrollArea(parent), scroll_(std::move(scroll)), chosen_(std::move(chosen)) {
  setObjectName(QString::fromLatin1(kObjectName));
  setFocusPolicy(Qt::StrongFocus);
  viewport()->setAutoFillBackground(true);
  QPalette desk = viewport()->palette();
  desk.setColor(QPalette::Window, QColor(128, 128, 128));
  viewport()->setPalette(desk);
  horizontalScrollBar()->setSingleStep(20);
  verticalScrollBar()->setSingleStep(20);
  if (parent != nullptr) parent->installEventFilter(this);
}

bool PageViewWidget::eventFilter(QObject* watched, QEvent* event) {
  if (watched == parentWidget() && (event->type() == QEvent::Resize || event->type() == QEvent::Show)) {
    fillParent();
  }
  return QAbstractScrollArea::eventFilter(watched, event);
}

void PageViewWidget::fillParent() {
  QWidget* holder = parentWidget();
  if (holder == nullptr) return;
  QRect wanted(pos(), QSize(std::max(holder->width() - x(), 1), std::max(holder->height() - y(), 1)));
  if (geometry() != wanted) setGeometry(wanted);
}

void PageViewWidget::show(const PageView& view) {
  fillParent();
  bool other_page = view_.pages.empty() || view.pages.empty() || view_.first_page != view.first_page ||
                    view_.zoom != view.zoom;
  view_ = view;
  relayout();
  if (other_page) verticalScrollBar()->setValue(0);
  viewport()->update();
}

void PageViewWidget::relayout() {
  QSize room = viewport()->size();
  layout_ = layoutPageView(view_, room.width(), room.height(), logicalDpiY());
  horizontalScrollBar()->setRange(0, std::max(0, layout_.canvas_width - room.width()));
  verticalScrollBar()->setRange(0, std::max(0, layout_.canvas_height - room.height()));
  horizontalScrollBar()->setPageStep(room.width());
  verticalScrollBar()->setPageStep(room.height());
}

void PageViewWidget::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  relayout();
}

void PageViewWidget::paintEvent(QPaintEvent*) {
  QPainter painter(viewport());
  QPoint scrolled(horizontalScrollBar()->value(), verticalScrollBar()->value());
  for (std::size_t index = 0; index < layout_.pages.size() && index < view_.pages.size(); ++index) {
    const PixelRect& at = layout_.pages[index];
    QRect target(at.x - scrolled.x(), at.y - scrolled.y(), at.width, at.height);
    if (!target.intersects(viewport()->rect()) || view_.pages[index] == nullptr) continue;
    painter.fillRect(target.translated(3, 3), QColor(70, 70, 70));
    paintPage(painter, *view_.pages[index], target);
    painter.setPen(QColor(40, 40, 40));
    painter.drawRect(target.adjusted(0, 0, -1, -1));
  }
}

int PageViewWidget::pageAt(const QPoint& at) const {
  QPoint on_canvas = at + QPoint(horizontalScrollBar()->value(), verticalScrollBar()->value());
  for (std::size_t index = 0; index < layout_.pages.size(); ++index) {
    const PixelRect& page = layout_.pages[index];
    if (QRect(page.x, page.y, page.width, page.height).contains(on_canvas)) {
      return view_.first_page + static_cast<int>(index);
    }
  }
  return 0;
}

void PageViewWidget::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
      // Within a page taller than the window the keys scroll it; at its edge they turn it.
      if (QScrollBar* bar = verticalScrollBar(); bar->maximum() > 0) {
        bool at_edge = event->key() == Qt::Key_PageDown ? bar->value() >= bar->maximum() : bar->value() <= 0;
        if (!at_edge) break;
      }
      scroll_(event->key());
      return;
    case Qt::Key_Home:
    case Qt::Key_End:
      if ((event->modifiers() & Qt::ControlModifier) == 0) break;
      scroll_(event->key());
      return;
    default: break;
  }
  QAbstractScrollArea::keyPressEvent(event);
}

void PageViewWidget::mousePressEvent(QMouseEvent* event) {
  if (int page = pageAt(event->position().toPoint()); page > 0 && event->button() == Qt::LeftButton) {
    chosen_(page, false);
  }
  QAbstractScrollArea::mousePressEvent(event);
}

void PageViewWidget::mouseDoubleClickEvent(QMouseEvent* event) {
  if (int page = pageAt(event->position().toPoint()); page > 0) chosen_(page, true);
}

}  // namespace veltrano::ui::report::qt
