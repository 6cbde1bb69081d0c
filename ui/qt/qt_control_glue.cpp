#include "ui/qt/qt_control_glue.h"

#include <QEvent>
#include <QFocusEvent>
#include <QKeySequence>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QShortcut>
#include <QTabBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QTimer>

#include "runtime/picture/picture.h"
#include "ui/qt/text.h"

namespace veltrano::ui::qt {
namespace {

class FocusReporter final : public QObject {
 public:
  FocusReporter(QWidget* widget, MemoryEngine& engine, WindowId window, ControlId control)
      : QObject(widget), engine_(engine), window_(window), control_(control) {
    widget->installEventFilter(this);
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    // The engine's own focus changes reach the widget too: only a move the engine does not know
    // of is the clerk's. A child window coming back gets the focus the engine gives it (the
    // widget the subwindow restores first is not the clerk's choice), and when the focused
    // widget of a closing child window goes, Qt hands the focus on along the frame's tab chain
    // into some other child window: that is no clerk's Tab, which stays in the active window.
    if (event->type() != QEvent::FocusIn || engine_.focus(window_) == control_) return false;
    const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
    for (QObject* up = watched; up != nullptr; up = up->parent()) {
      auto* child = qobject_cast<QMdiSubWindow*>(up);
      if (child == nullptr) continue;
      if (child->property(kComingBack).toBool()) return false;
      const bool tabbed = reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason;
      if (tabbed && child->mdiArea() != nullptr && child->mdiArea()->activeSubWindow() != child) return false;
      break;
    }
    engine_.userFocuses(window_, control_);
    return false;
  }

 private:
  MemoryEngine& engine_;
  WindowId window_;
  ControlId control_;
};

}  // namespace

QString inputMaskFor(std::string_view picture) {
  const runtime::CompiledPicture compiled = runtime::compilePicture(picture);
  const auto kind = compiled.pictureKind();
  if (!compiled.valid() || (kind != runtime::PictureKind::kPattern && kind != runtime::PictureKind::kKeyIn))
    return {};
  QString mask;
  for (std::size_t t = 0; t < compiled.length; ++t) {
    const runtime::PictureToken& token = compiled.tokens[t];
    switch (token.code) {
      case runtime::picture_code::kDigitPadded: mask += QLatin1Char('9'); break;
      case runtime::picture_code::kDigitBlank: mask += QLatin1Char('0'); break;
      case runtime::picture_code::kKeyAt: mask += QLatin1Char('A'); break;
      case runtime::picture_code::kKeyCaret: mask += QStringLiteral(">A<"); break;
      case runtime::picture_code::kKeyUnderline: mask += QLatin1Char('X'); break;
      case runtime::picture_code::kKeyQuestion:
      case runtime::picture_code::kKeyBar: mask += QLatin1Char('x'); break;
      default: {
        // The template's own character, escaped where the mask would read it as a position.
        const QChar literal = toQt(std::string(1, token.pad)).front();
        if (QStringLiteral("AaNnXx90Dd#HhBb><!\\[]{};").contains(literal)) mask += QLatin1Char('\\');
        mask += literal;
      }
    }
  }
  return mask + QStringLiteral(";_");
}

void reportFocus(QWidget* widget, MemoryEngine& engine, WindowId window, ControlId control) {
  if (widget != nullptr) new FocusReporter(widget, engine, window, control);
}

void pressDefaultOnReturn(QLineEdit* entry, MemoryEngine& engine, WindowId window, ControlId button) {
  QObject::connect(entry, &QLineEdit::returnPressed, entry, [&engine, window, button, entry] {
    QTimer::singleShot(0, entry, [&engine, window, button] { engine.userPresses(window, button); });
  });
}

void reportListMouse(QTableWidget* table, MemoryEngine& engine, WindowId window, ControlId list) {
  QObject::connect(table, &QTableWidget::cellDoubleClicked, table,
                   [&engine, window, list](int row, int) { engine.userDoubleClicks(window, list, row + 1); });
  table->setContextMenuPolicy(Qt::CustomContextMenu);
  QObject::connect(table, &QTableWidget::customContextMenuRequested, table,
                   [&engine, window, list, table](const QPoint& at) {
                     const int row = table->rowAt(at.y());
                     if (row >= 0) engine.userRightClicks(window, list, row + 1);
                   });
}

void turnPagesByKeyboard(QTabWidget* sheet) {
  const auto turn = [sheet](int step) {
    const int pages = sheet->count();
    if (pages < 2) return;
    // The tab bar holds the focus while the old page hides, so that the focus does not run on
    // to a control after the sheet and the engine hears of one move only.
    sheet->tabBar()->setFocus(Qt::TabFocusReason);
    sheet->setCurrentIndex((sheet->currentIndex() + step + pages) % pages);
    // The window's tab order runs through the whole window, so the page's first control is the
    // first of its controls met from the window's start.
    QWidget* page = sheet->currentWidget();
    QWidget* start = sheet->window();
    for (QWidget* next = start->nextInFocusChain(); next != start; next = next->nextInFocusChain()) {
      if (page->isAncestorOf(next) && next->isVisibleTo(page) && next->isEnabled() &&
          (next->focusPolicy() & Qt::TabFocus)) {
        next->setFocus(Qt::TabFocusReason);
        return;
      }
    }
  };
  const std::pair<QKeyCombination, int> keys[] = {{Qt::CTRL | Qt::Key_Tab, 1},
                                                  {Qt::CTRL | Qt::Key_PageDown, 1},
                                                  {Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab, -1},
                                                  {Qt::CTRL | Qt::Key_Backtab, -1},
                                                  {Qt::CTRL | Qt::Key_PageUp, -1}};
  for (const auto& [combination, step] : keys) {
    auto* shortcut = new QShortcut(QKeySequence(combination), sheet);
    shortcut->setContext(Qt::WidgetWithChildrenShortcut);
    QObject::connect(shortcut, &QShortcut::activated, sheet, [turn, step = step] { turn(step); });
  }
}

}  // namespace veltrano::ui::qt
