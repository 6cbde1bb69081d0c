#include "ui/qt/qt_window.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDialog>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <charconv>

#include "ui/list_format.h"
#include "ui/qt/qt_control_glue.h"
#include "ui/qt/qt_icons.h"
#include "ui/qt/text.h"
#include "ui/report/qt/page_view_widget.h"

namespace veltrano::ui::qt {
namespace {

constexpr int kRowHeight = 18;

// Escape (or any other rejection) asks the procedure to close its dialog instead of hiding it
// behind the procedure's back.
class EngineDialog : public QDialog {
 public:
  EngineDialog(Qt::WindowFlags flags, std::function<void()> closing)
      : QDialog(nullptr, flags), closing_(std::move(closing)) {}
  void reject() override { closing_(); }

 private:
  std::function<void()> closing_;
};

// The combo's drop-down announces itself before it opens.
class DropDownCombo : public QComboBox {
 public:
  DropDownCombo(QWidget* parent, std::function<void()> dropping)
      : QComboBox(parent), dropping_(std::move(dropping)) {}
  void showPopup() override {
    dropping_();
    QComboBox::showPopup();
  }

 private:
  std::function<void()> dropping_;
};

int toInt(const std::string& text, int otherwise) {
  int number = otherwise;
  std::from_chars(text.data(), text.data() + text.size(), number);
  return number;
}

bool rightAligned(const std::string& picture) {
  return picture.size() > 1 &&
         (picture[1] == 'n' || picture[1] == 'N' || picture[1] == 'e' || picture[1] == 'E');
}

// The characters a number's picture shows ("@n_5.2b": 5), 0 for pictures of other kinds.
int numberPositions(const std::string& picture) {
  if (!rightAligned(picture)) return 0;
  std::size_t at = 2;
  while (at < picture.size() && (picture[at] < '0' || picture[at] > '9')) ++at;
  return toInt(picture.substr(at), 0);
}

QRect rectOf(const Rect& at) {
  return QRect(at.x, at.y, at.width, at.height);
}

}  // namespace

int engineKeyCode(int qt_key, Qt::KeyboardModifiers modifiers, const QString& text) {
  int code = 0;
  bool printable = false;
  if (qt_key >= Qt::Key_F1 && qt_key <= Qt::Key_F12) {
    code = key::kF1 + (qt_key - Qt::Key_F1);
  } else {
    switch (qt_key) {
      case Qt::Key_Return:
      case Qt::Key_Enter: code = key::kEnter; break;
      case Qt::Key_Escape: code = key::kEscape; break;
      case Qt::Key_Tab: code = key::kTab; break;
      case Qt::Key_Backspace: code = key::kBackspace; break;
      case Qt::Key_Delete: code = key::kDelete; break;
      case Qt::Key_Insert: code = key::kInsert; break;
      default:
        // A letter with Ctrl carries a control character as its text: the letter is the key.
        if (modifiers & Qt::ControlModifier && qt_key >= Qt::Key_A && qt_key <= Qt::Key_Z) {
          code = qt_key;
          printable = true;
        } else if (text.size() == 1 && text[0].isPrint()) {
          std::string byte = fromQt(text);
          if (byte.size() == 1) code = static_cast<unsigned char>(byte[0]);
          printable = true;
        }
    }
  }
  if (code == 0) return 0;
  // A printable character carries its shift already ('A' rather than 'a').
  if (modifiers & Qt::ShiftModifier && !printable) code += key::kShift;
  if (modifiers & Qt::ControlModifier) code += key::kControl;
  if (modifiers & Qt::AltModifier) code += key::kAlt;
  return code;
}

QtWindow::QtWindow(MemoryEngine& engine, const WindowSnapshot& shown, QMdiArea* frame_area)
    : engine_(engine), id_(shown.id), kind_(shown.kind) {
  content_ = new QWidget;
  auto* body = new QVBoxLayout;
  body->setContentsMargins(0, 0, 0, 0);
  body->setSpacing(0);
  auto* canvas = new QWidget;
  canvas->setMinimumSize(std::max(shown.placement.at.width, 40), std::max(shown.placement.at.height, 30));

  if (kind_ == WindowKind::kFrame) {
    auto* frame = new QMainWindow;
    mdi_area_ = new QMdiArea(frame);
    mdi_area_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    mdi_area_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    frame->setCentralWidget(mdi_area_);
    buildMenu(shown.menu, frame->menuBar());
    for (std::size_t zone = 0; zone < shown.status_texts.size(); ++zone) {
      auto* label = new QLabel(frame->statusBar());
      frame->statusBar()->addWidget(label, 1);
      status_zones_.push_back(label);
    }
    delete body;
    delete content_;
    delete canvas;
    content_ = mdi_area_;
    top_ = frame;
    connect(mdi_area_, &QMdiArea::subWindowActivated, this, [this](QMdiSubWindow* activated) {
      if (activated == nullptr || applying_) return;
      QVariant id = activated->property("veltranoWindow");
      if (id.isValid()) engine_.userActivates(static_cast<WindowId>(id.toUInt()));
    });
  } else {
    if (!shown.menu.empty()) {
      auto* bar = new QMenuBar(content_);
      buildMenu(shown.menu, bar);
      body->setMenuBar(bar);
    }
    body->addWidget(canvas, 1);
    if (!shown.status_texts.empty()) {
      auto* bar = new QStatusBar(content_);
      for (std::size_t zone = 0; zone < shown.status_texts.size(); ++zone) {
        auto* label = new QLabel(bar);
        bar->addWidget(label, 1);
        status_zones_.push_back(label);
      }
      body->addWidget(bar);
    }
    content_->setLayout(body);
    if (kind_ == WindowKind::kMdiChild && frame_area != nullptr) {
      auto* child = new QMdiSubWindow;
      child->setWidget(content_);
      child->setAttribute(Qt::WA_DeleteOnClose, false);
      child->setProperty("veltranoWindow", QVariant::fromValue(static_cast<unsigned>(id_)));
      if (!shown.resizable) child->setWindowFlags(child->windowFlags() & ~Qt::WindowMaximizeButtonHint);
      frame_area->addSubWindow(child);
      top_ = child;
    } else {
      auto* dialog =
          new EngineDialog(shown.resizable ? Qt::Window : Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint,
                           [this] { engine_.userCloses(id_); });
      auto* layout = new QVBoxLayout(dialog);
      layout->setContentsMargins(0, 0, 0, 0);
      layout->addWidget(content_);
      top_ = dialog;
    }
    // Controls are placed where the description puts them, on the canvas.
    content_ = canvas;
  }
  if (qobject_cast<QDialog*>(top_) == nullptr) {
    for (const auto& [control_id, control] : shown.controls) {
      if (control.description.default_button) default_button_ = control_id;
    }
  }
  buildControls(shown);
  top_->installEventFilter(this);
  content_->installEventFilter(this);
  timer_ = new QTimer(this);
  connect(timer_, &QTimer::timeout, this, [this] { engine_.timerTick(id_); });

  applying_ = true;
  const Rect& at = shown.placement.at;
  if (at.width > 0 && at.height > 0) {
    placeTop(QRect(at.x, at.y, at.width, at.height));
  } else {
    top_->move(at.x, at.y);
    top_->adjustSize();
  }
  if (!shown.resizable && kind_ != WindowKind::kFrame) top_->setFixedSize(top_->size());
  refresh(shown);
  if (shown.hidden) {
    top_->hide();
  } else if (shown.placement.maximized) {
    top_->showMaximized();
  } else {
    top_->show();
  }
  applying_ = false;
  shown_ = true;
}

QtWindow::~QtWindow() {
  closing_ = true;
  if (top_ != nullptr) {
    top_->removeEventFilter(this);
    content_->removeEventFilter(this);
    if (auto* child = qobject_cast<QMdiSubWindow*>(top_); child != nullptr && child->mdiArea() != nullptr) {
      child->mdiArea()->removeSubWindow(child);
    }
    delete top_;
  }
}

void QtWindow::closeForGood() {
  closing_ = true;
}

bool QtWindow::isActiveChild() const {
  auto* child = qobject_cast<QMdiSubWindow*>(top_);
  return child != nullptr && child->mdiArea() != nullptr && child->mdiArea()->activeSubWindow() == child;
}

void QtWindow::comeBack() {
  auto* child = qobject_cast<QMdiSubWindow*>(top_);
  if (child == nullptr || child->mdiArea() == nullptr || !child->isVisible()) return;
  // The subwindow gives the focus back to the widget that had it last; the control the
  // procedure chose meanwhile wins. A focus the procedure sets after this is applied by the
  // next refresh, since it differs from the one applied here.
  child->setProperty(kComingBack, true);
  child->mdiArea()->setActiveSubWindow(child);
  if (const std::optional<ControlId> focus = engine_.focus(id_)) {
    if (QWidget* widget = focusTarget(*focus)) widget->setFocus();
    applied_focus_ = *focus;
  }
  child->setProperty(kComingBack, false);
}

QWidget* QtWindow::focusTarget(ControlId id) const {
  if (auto list = lists_.find(id); list != lists_.end()) return list->second.table;
  auto found = controls_.find(id);
  return found != controls_.end() ? found->second : nullptr;
}

void QtWindow::buildMenu(const std::vector<MenuItem>& items, QWidget* menu) {
  for (const MenuItem& item : items) {
    if (item.separator) {
      if (auto* as_menu = qobject_cast<QMenu*>(menu)) as_menu->addSeparator();
      continue;
    }
    if (!item.items.empty()) {
      QMenu* submenu = nullptr;
      if (auto* bar = qobject_cast<QMenuBar*>(menu)) submenu = bar->addMenu(toQt(item.text));
      if (auto* parent = qobject_cast<QMenu*>(menu)) submenu = parent->addMenu(toQt(item.text));
      if (submenu != nullptr) {
        submenu->menuAction()->setStatusTip(toQt(item.status));
        buildMenu(item.items, submenu);
      }
      continue;
    }
    auto* action = new QAction(toQt(item.text), menu);
    // A frame (QMainWindow) shows an action's status tip in its status bar while it is highlighted.
    action->setStatusTip(toQt(item.status));
    menu->addAction(action);
    if (item.id != 0) {
      menu_items_[item.id] = action;
      ControlId id = item.id;
      connect(action, &QAction::triggered, this, [this, id] { engine_.userPresses(id_, id); });
    }
  }
}

void QtWindow::buildControls(const WindowSnapshot& shown) {
  for (ControlId id : shown.control_order) placeControl(shown.controls.at(id));
  // A prompt's mnemonic ("&Фамилия") takes the clerk to the control described after it.
  for (auto at = shown.control_order.begin(); at != shown.control_order.end(); ++at) {
    const ControlSnapshot& prompt = shown.controls.at(*at);
    if (prompt.description.kind != ControlKind::kPrompt || prompt.text.find('&') == std::string::npos)
      continue;
    auto next = std::next(at);
    if (next == shown.control_order.end()) continue;
    auto label = controls_.find(*at);
    auto buddy = lists_.find(*next);
    QWidget* target = buddy != lists_.end()    ? buddy->second.table
                      : controls_.count(*next) ? controls_[*next]
                                               : nullptr;
    if (label != controls_.end() && target != nullptr) static_cast<QLabel*>(label->second)->setBuddy(target);
  }
}

void QtWindow::placeControl(const ControlSnapshot& control) {
  ControlId id = control.description.id;
  QWidget* parent = content_;
  if (control.description.parent != 0) {
    auto found = controls_.find(control.description.parent);
    if (found != controls_.end()) parent = found->second;
  }
  QWidget* widget = buildControl(control, parent);
  if (widget == nullptr) return;
  controls_[id] = widget;
  auto list_parts = lists_.find(id);
  reportFocus(list_parts != lists_.end() ? list_parts->second.table : widget, engine_, id_, id);
  if (!control.description.tip.empty()) widget->setToolTip(toQt(control.description.tip));
  if (control.description.kind == ControlKind::kTab) return;  // placed by its sheet
  if (const ListCell& cell = control.description.over; cell.list != 0) {
    auto list = lists_.find(cell.list);
    if (list != lists_.end()) {
      list->second.table->setCellWidget(cell.row - 1, cell.column - 1, widget);
      return;
    }
  }
  const Rect& at = control.description.at;
  if (at.width > 0 && at.height > 0) {
    widget->setGeometry(rectOf(at));
  } else {
    widget->move(at.x, at.y);
    widget->adjustSize();
  }
  if (shown_) widget->show();
}

// Controls the procedure added since the window opened get their widgets, and the widgets of
// controls it removed go (a child's widget goes with its parent's).
void QtWindow::followAddedAndRemoved(const WindowSnapshot& shown) {
  std::vector<ControlId> gone;
  for (const auto& [id, widget] : controls_) {
    if (!shown.controls.contains(id)) gone.push_back(id);
  }
  for (ControlId id : gone) {
    QWidget* widget = controls_.at(id);
    bool parent_goes = std::any_of(gone.begin(), gone.end(), [&](ControlId other) {
      return other != id && controls_.at(other)->isAncestorOf(widget);
    });
    if (!parent_goes) delete widget;
  }
  for (ControlId id : gone) {
    controls_.erase(id);
    lists_.erase(id);
  }
  for (ControlId id : shown.control_order) {
    if (!controls_.contains(id)) placeControl(shown.controls.at(id));
  }
}

void QtWindow::reportEdit(ControlId id, QLineEdit* entry, const QString& text) {
  // The key that made the change was noted as it went to the entry; a change without a key (a
  // paste) reports key 0.
  QVariant pressed = entry->property("veltranoKey");
  entry->setProperty("veltranoKey", QVariant());
  int key = pressed.isValid() ? pressed.toInt() : 0;
  engine_.userKeystrokeApplied(id_, id, fromQt(text), TextSelection{entry->cursorPosition(), 0}, key);
}

QWidget* QtWindow::buildControl(const ControlSnapshot& control, QWidget* parent) {
  ControlId id = control.description.id;
  switch (control.description.kind) {
    case ControlKind::kPrompt: return new QLabel(toQt(control.text), parent);
    case ControlKind::kEntry: {
      auto* entry = new QLineEdit(parent);
      if (rightAligned(control.description.picture)) entry->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
      entry->installEventFilter(this);
      entry->setInputMask(inputMaskFor(control.description.picture));
      if (default_button_ != 0) pressDefaultOnReturn(entry, engine_, id_, default_button_);
      connect(entry, &QLineEdit::textEdited, this,
              [this, id, entry](const QString& text) { reportEdit(id, entry, text); });
      connect(entry, &QLineEdit::editingFinished, this, [this, id, entry] {
        if (!entry->isModified() || applying_) return;
        entry->setModified(false);
        engine_.userTypes(id_, id, fromQt(entry->text()));
      });
      return entry;
    }
    case ControlKind::kText: {
      auto* text = new QPlainTextEdit(parent);
      connect(text, &QPlainTextEdit::textChanged, this, [this, id, text] {
        if (applying_) return;
        QString lines = text->toPlainText();
        lines.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
        engine_.userEdits(id_, id, fromQt(lines));
      });
      return text;
    }
    case ControlKind::kButton: {
      auto* button = new QPushButton(toQt(control.text), parent);
      if (!control.description.icon.empty()) button->setIcon(runtimeIcon(control.description.icon));
      button->setDefault(control.description.default_button);
      button->setAutoDefault(false);
      if (control.description.keeps_focus) button->setFocusPolicy(Qt::NoFocus);
      connect(button, &QPushButton::clicked, this, [this, id] { engine_.userPresses(id_, id); });
      return button;
    }
    case ControlKind::kCheck: {
      auto* check = new QCheckBox(toQt(control.text), parent);
      connect(check, &QCheckBox::clicked, this, [this, id] { engine_.userPresses(id_, id); });
      return check;
    }
    case ControlKind::kRadio: {
      auto* radio = new QRadioButton(toQt(control.text), parent);
      connect(radio, &QRadioButton::clicked, this, [this, id] { engine_.userPresses(id_, id); });
      return radio;
    }
    case ControlKind::kGroup:
    case ControlKind::kOptionGroup: return new QGroupBox(toQt(control.text), parent);
    case ControlKind::kSheet: {
      auto* sheet = new QTabWidget(parent);
      connect(sheet, &QTabWidget::currentChanged, this, [this, id](int index) {
        if (!applying_ && index >= 0) engine_.userChoosesTab(id_, id, index + 1);
      });
      turnPagesByKeyboard(sheet);
      return sheet;
    }
    case ControlKind::kTab: {
      auto* sheet = qobject_cast<QTabWidget*>(parent);
      auto* page = new QWidget;
      if (sheet != nullptr) {
        applying_ = true;
        sheet->addTab(page, toQt(control.text));
        applying_ = false;
      }
      return page;
    }
    case ControlKind::kList: return buildList(control, parent);
    case ControlKind::kCombo: {
      auto* combo = new DropDownCombo(parent, [this, id] { engine_.userDropsDown(id_, id); });
      combo->setEditable(true);
      combo->setInsertPolicy(QComboBox::NoInsert);
      connect(combo, &QComboBox::activated, this,
              [this, id](int index) { engine_.userSelectsRow(id_, id, index + 1); });
      combo->lineEdit()->installEventFilter(this);
      connect(combo->lineEdit(), &QLineEdit::textEdited, this,
              [this, id, combo](const QString& text) { reportEdit(id, combo->lineEdit(), text); });
      connect(combo->lineEdit(), &QLineEdit::editingFinished, this, [this, id, combo] {
        if (!combo->lineEdit()->isModified() || applying_) return;
        combo->lineEdit()->setModified(false);
        engine_.userTypes(id_, id, fromQt(combo->currentText()));
      });
      return combo;
    }
    case ControlKind::kImage: {
      auto* image = new QLabel(parent);
      image->setAlignment(Qt::AlignCenter);
      image->setFrameShape(QFrame::StyledPanel);
      return image;
    }
    case ControlKind::kProgress: {
      auto* progress = new QProgressBar(parent);
      progress->setRange(0, 100);
      return progress;
    }
    case ControlKind::kSpin: {
      auto* spin = new QSpinBox(parent);
      spin->setRange(control.description.low, std::max(control.description.low, control.description.high));
      spin->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
      spin->setKeyboardTracking(false);
      connect(spin, &QSpinBox::valueChanged, this, [this, id](int number) {
        if (!applying_) engine_.userTypes(id_, id, std::to_string(number));
      });
      return spin;
    }
    case ControlKind::kPageView:
      return new report::qt::PageViewWidget(
          parent,
          [this, id](int qt_key) {
            EventCode scroll = qt_key == Qt::Key_PageUp     ? event::kPageUp
                               : qt_key == Qt::Key_PageDown ? event::kPageDown
                               : qt_key == Qt::Key_Home     ? event::kScrollTop
                                                            : event::kScrollBottom;
            engine_.userScrolls(id_, id, scroll);
          },
          [this, id](int page, bool open) { engine_.userChoosesPage(id_, id, page, open); });
  }
  return nullptr;
}

// A list shows the page of rows the procedure gives it; its scroll bar stands for the whole
// file, so scrolling past the page's edge and dragging the thumb become events for the browse
// instead of moving through rows the list does not have.
QWidget* QtWindow::buildList(const ControlSnapshot& control, QWidget* parent) {
  ControlId id = control.description.id;
  auto* holder = new QWidget(parent);
  auto* layout = new QHBoxLayout(holder);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  auto* table = new QTableWidget(holder);
  table->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  table->setSelectionBehavior(QAbstractItemView::SelectRows);
  table->setSelectionMode(QAbstractItemView::SingleSelection);
  table->setEditTriggers(QAbstractItemView::NoEditTriggers);
  // A list is a list of rows: Tab leaves it for the next control rather than moving a cell.
  table->setTabKeyNavigation(false);
  table->setAlternatingRowColors(true);
  table->setWordWrap(false);
  table->setShowGrid(true);
  table->setGridStyle(Qt::DotLine);
  table->verticalHeader()->setVisible(false);
  table->verticalHeader()->setDefaultSectionSize(kRowHeight);
  table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  table->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  table->horizontalHeader()->setHighlightSections(false);
  table->horizontalHeader()->setStretchLastSection(true);
  QFont dense = table->font();
  dense.setPointSizeF(std::max(7.0, dense.pointSizeF() - 1.0));
  table->setFont(dense);

  std::optional<ListFormat> format = parseListFormat(control.description.format);
  if (format && !format->columns.empty()) {
    table->setColumnCount(static_cast<int>(format->columns.size()));
    bool titled = std::any_of(format->columns.begin(), format->columns.end(),
                              [](const ListColumn& column) { return !column.title.empty(); });
    table->horizontalHeader()->setVisible(titled);
    for (std::size_t column = 0; column < format->columns.size(); ++column) {
      const ListColumn& described = format->columns[column];
      auto* title = new QTableWidgetItem(toQt(described.title));
      title->setTextAlignment(Qt::AlignLeft | Qt::AlignVCenter);
      if (!described.group_title.empty()) title->setToolTip(toQt(described.group_title));
      table->setHorizontalHeaderItem(static_cast<int>(column), title);
      // Widths are in dialog units, a quarter of an average character each. A number cut short
      // is worse than a narrow column: it keeps room for its digits.
      const int digits = numberPositions(described.picture);
      const int least =
          digits > 0 ? (digits + 1) * table->fontMetrics().horizontalAdvance(QLatin1Char('0')) + 8 : 0;
      if (described.width > 0)
        table->setColumnWidth(
            static_cast<int>(column),
            std::max(described.width * table->fontMetrics().averageCharWidth() / 4 + 8, least));
    }
  } else {
    table->setColumnCount(1);
    table->horizontalHeader()->setVisible(false);
  }
  layout->addWidget(table, 1);
  auto* scroll = new QScrollBar(Qt::Vertical, holder);
  scroll->setRange(0, 100);
  scroll->setPageStep(10);
  scroll->setVisible(control.description.has_scroll_bar);
  layout->addWidget(scroll);
  lists_[id] = ListParts{table, scroll};

  connect(table, &QTableWidget::currentCellChanged, this, [this, id](int row, int, int, int) {
    if (!applying_ && row >= 0) engine_.userSelectsRow(id_, id, row + 1);
  });
  reportListMouse(table, engine_, id_, id);
  connect(scroll, &QScrollBar::actionTriggered, this, [this, id, scroll](int action) {
    if (applying_) return;
    switch (action) {
      case QAbstractSlider::SliderSingleStepSub: engine_.userScrolls(id_, id, event::kScrollUp); break;
      case QAbstractSlider::SliderSingleStepAdd: engine_.userScrolls(id_, id, event::kScrollDown); break;
      case QAbstractSlider::SliderPageStepSub: engine_.userScrolls(id_, id, event::kPageUp); break;
      case QAbstractSlider::SliderPageStepAdd: engine_.userScrolls(id_, id, event::kPageDown); break;
      case QAbstractSlider::SliderToMinimum: engine_.userScrolls(id_, id, event::kScrollTop); break;
      case QAbstractSlider::SliderToMaximum: engine_.userScrolls(id_, id, event::kScrollBottom); break;
      default: return;
    }
    // The thumb stays where the browse puts it, not where the click moved it.
    auto thumb = engine_.thumb(id_, id);
    QTimer::singleShot(0, scroll, [scroll, thumb] {
      if (thumb) scroll->setValue(*thumb);
    });
  });
  connect(scroll, &QScrollBar::sliderReleased, this,
          [this, id, scroll] { engine_.userDragsThumb(id_, id, scroll->value()); });
  table->installEventFilter(this);
  table->setProperty("veltranoList", id);
  table->viewport()->installEventFilter(this);
  table->viewport()->setProperty("veltranoList", id);
  return holder;
}

bool QtWindow::listKey(ControlId id, int key, Qt::KeyboardModifiers modifiers) {
  auto found = lists_.find(id);
  if (found == lists_.end()) return false;
  QTableWidget* table = found->second.table;
  int row = table->currentRow();
  int last = table->rowCount() - 1;
  bool control = (modifiers & Qt::ControlModifier) != 0;
  switch (key) {
    case Qt::Key_Up:
      if (row > 0) return false;
      return engine_.userScrolls(id_, id, event::kScrollUp);
    case Qt::Key_Down:
      if (row < last) return false;
      return engine_.userScrolls(id_, id, event::kScrollDown);
    case Qt::Key_PageUp: return engine_.userScrolls(id_, id, event::kPageUp);
    case Qt::Key_PageDown: return engine_.userScrolls(id_, id, event::kPageDown);
    case Qt::Key_Home: return control && engine_.userScrolls(id_, id, event::kScrollTop);
    case Qt::Key_End: return control && engine_.userScrolls(id_, id, event::kScrollBottom);
    case Qt::Key_Return:
    case Qt::Key_Enter: return engine_.postEvent(id_, Event{event::kAccepted, id, id_, 0, 0});
    default: return false;
  }
}

bool QtWindow::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress && qobject_cast<QLineEdit*>(watched) != nullptr) {
    // Which key changes an entry's text, for reportEdit; the key goes on to the entry.
    auto* key = static_cast<QKeyEvent*>(event);
    watched->setProperty("veltranoKey", engineKeyCode(key->key(), Qt::NoModifier, key->text()));
    return false;
  }
  switch (event->type()) {
    case QEvent::Close:
      if (watched == top_ && !closing_) {
        event->ignore();
        engine_.userCloses(id_);
        return true;
      }
      break;
    case QEvent::KeyPress: {
      auto* key = static_cast<QKeyEvent*>(event);
      int code = engineKeyCode(key->key(), key->modifiers(), key->text());
      if (code != 0 && engine_.userKey(id_, code)) return true;
      QVariant list = watched->property("veltranoList");
      if (list.isValid() && listKey(list.toInt(), key->key(), key->modifiers())) return true;
      if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
          key->modifiers() == Qt::NoModifier && pressDefaultButton())
        return true;
      break;
    }
    case QEvent::Wheel: {
      QVariant list = watched->property("veltranoList");
      if (list.isValid()) {
        auto* wheel = static_cast<QWheelEvent*>(event);
        engine_.userScrolls(id_, list.toInt(),
                            wheel->angleDelta().y() > 0 ? event::kScrollUp : event::kScrollDown);
        return true;
      }
      break;
    }
    case QEvent::Move:
    case QEvent::Resize:
      if (watched == top_ && shown_ && !applying_) reportPlacement();
      if (event->type() == QEvent::Resize) {
        for (auto& [list_id, parts] : lists_) {
          int rows = std::max(1, parts.table->viewport()->height() / kRowHeight);
          engine_.setVisibleRows(id_, list_id, rows);
        }
      }
      break;
    case QEvent::WindowStateChange:
      if (watched == top_ && shown_ && !applying_) engine_.userMinimizes(id_, top_->isMinimized());
      break;
    default: break;
  }
  return QObject::eventFilter(watched, event);
}

// A window's position is where its frame begins, title bar included, as the clerk sees it: a
// frame placed at the screen's corner keeps its caption on the screen. The size is what lies
// inside the frame. A child window has no frame of the desktop's, so the two agree for it.
QRect QtWindow::topPlacement() const {
  return QRect(top_->pos(), top_->size());
}

void QtWindow::placeTop(const QRect& at) {
  top_->resize(at.size());
  top_->move(at.topLeft());
}

void QtWindow::reportPlacement() {
  QRect at = topPlacement();
  engine_.userPlaces(id_, Placement{{at.x(), at.y(), at.width(), at.height()}, top_->isMaximized()});
}

void QtWindow::refresh(const WindowSnapshot& shown) {
  bool was_applying = applying_;
  applying_ = true;
  top_->setWindowTitle(toQt(shown.caption));
  if (shown_ && shown.hidden != top_->isHidden()) top_->setVisible(!shown.hidden);
  QRect wanted(shown.placement.at.x, shown.placement.at.y, shown.placement.at.width,
               shown.placement.at.height);
  if (shown_ && wanted.width() > 0 && wanted.height() > 0 && topPlacement() != wanted &&
      !top_->isMaximized()) {
    placeTop(wanted);
  }
  for (auto& [id, action] : menu_items_) {
    auto found = shown.menu_items.find(id);
    if (found == shown.menu_items.end()) continue;
    action->setText(toQt(found->second.text));
    action->setEnabled(found->second.enabled);
    action->setVisible(!found->second.hidden);
  }
  for (std::size_t zone = 0; zone < status_zones_.size() && zone < shown.status_texts.size(); ++zone) {
    status_zones_[zone]->setText(toQt(shown.status_texts[zone]));
  }
  if (shown.timer_hundredths != timer_hundredths_) {
    timer_hundredths_ = shown.timer_hundredths;
    if (timer_hundredths_ > 0) {
      timer_->start(timer_hundredths_ * 10);
    } else {
      timer_->stop();
    }
  }
  followAddedAndRemoved(shown);
  for (ControlId id : shown.control_order) refreshControl(shown, shown.controls.at(id));
  // The focus moves when the procedure moves it, not on every refresh: a window being redrawn
  // behind the one the clerk types in must not take the keyboard back.
  if (shown.focus != 0 && shown.focus != applied_focus_) {
    if (QWidget* widget = focusTarget(shown.focus)) {
      applied_focus_ = shown.focus;
      widget->setFocus();
      if (auto* child = qobject_cast<QMdiSubWindow*>(top_); child != nullptr && child->mdiArea() != nullptr)
        child->mdiArea()->setActiveSubWindow(child);
    }
  }
  applying_ = was_applying;
}

bool QtWindow::pressDefaultButton() {
  QWidget* focused = QApplication::focusWidget();
  // Enter presses the button that has the focus, as the clerk expects of any button; an entry
  // presses the default button itself once its text is taken, and a list and a text of many
  // lines keep Enter for their own meaning.
  if (qobject_cast<QLineEdit*>(focused) != nullptr || qobject_cast<QAbstractItemView*>(focused) != nullptr ||
      qobject_cast<QPlainTextEdit*>(focused) != nullptr)
    return false;
  for (const auto& [id, widget] : controls_) {
    if (widget == focused && qobject_cast<QPushButton*>(widget) != nullptr)
      return engine_.userPresses(id_, id);
  }
  if (qobject_cast<QAbstractButton*>(focused) != nullptr || default_button_ == 0) return false;
  return engine_.userPresses(id_, default_button_);
}

void QtWindow::refreshControl(const WindowSnapshot& shown, const ControlSnapshot& control) {
  ControlId id = control.description.id;
  auto found = controls_.find(id);
  if (found == controls_.end()) return;
  QWidget* widget = found->second;
  widget->setEnabled(control.enabled);
  if (control.description.kind != ControlKind::kTab) widget->setVisible(!control.hidden);
  // The resize object moves and sizes controls through their descriptions.
  if (const Rect& at = control.description.at;
      control.description.kind != ControlKind::kTab && at.width > 0 && at.height > 0 &&
      control.description.over.list == 0 && widget->geometry() != rectOf(at))
    widget->setGeometry(rectOf(at));
  switch (control.description.kind) {
    case ControlKind::kPrompt: static_cast<QLabel*>(widget)->setText(toQt(control.text)); break;
    case ControlKind::kEntry: {
      auto* entry = static_cast<QLineEdit*>(widget);
      QString text = toQt(control.value);
      if (entry->text() != text) entry->setText(text);
      if (entry->hasFocus()) entry->setSelection(control.selection.start, control.selection.length);
      entry->setReadOnly(control.read_only);
      break;
    }
    case ControlKind::kText: {
      auto* text = static_cast<QPlainTextEdit*>(widget);
      QString lines = toQt(control.value);
      lines.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
      if (text->toPlainText() != lines) text->setPlainText(lines);
      text->setReadOnly(control.read_only);
      break;
    }
    case ControlKind::kButton: static_cast<QPushButton*>(widget)->setText(toQt(control.text)); break;
    case ControlKind::kCheck: {
      auto* check = static_cast<QCheckBox*>(widget);
      check->setText(toQt(control.text));
      check->setChecked(control.value == "1");
      break;
    }
    case ControlKind::kRadio: {
      auto* radio = static_cast<QRadioButton*>(widget);
      radio->setText(toQt(control.text));
      auto group = shown.controls.find(control.description.parent);
      if (group != shown.controls.end()) {
        const std::string& mine =
            control.description.value_text.empty() ? control.text : control.description.value_text;
        radio->setAutoExclusive(false);
        radio->setChecked(group->second.value == mine);
        radio->setAutoExclusive(true);
      }
      break;
    }
    case ControlKind::kGroup:
    case ControlKind::kOptionGroup: static_cast<QGroupBox*>(widget)->setTitle(toQt(control.text)); break;
    case ControlKind::kSheet: {
      auto* sheet = static_cast<QTabWidget*>(widget);
      int index = toInt(control.value, 1) - 1;
      if (index >= 0 && index < sheet->count() && sheet->currentIndex() != index)
        sheet->setCurrentIndex(index);
      break;
    }
    case ControlKind::kTab: {
      auto* sheet = qobject_cast<QTabWidget*>(widget->parentWidget() ? widget->parentWidget()->parentWidget()
                                                                     : nullptr);
      if (sheet != nullptr) {
        int index = sheet->indexOf(widget);
        if (index >= 0) {
          sheet->setTabText(index, toQt(control.text));
          sheet->setTabVisible(index, !control.hidden);
          sheet->setTabEnabled(index, control.enabled);
        }
      }
      break;
    }
    case ControlKind::kList: refreshList(id, control); break;
    case ControlKind::kCombo: {
      auto* combo = static_cast<QComboBox*>(widget);
      QStringList items;
      for (const auto& row : control.rows) {
        QStringList cells;
        for (const std::string& cell : row) cells << toQt(cell);
        items << cells.join(QStringLiteral("  "));
      }
      QStringList present;
      for (int index = 0; index < combo->count(); ++index) present << combo->itemText(index);
      if (present != items) {
        combo->clear();
        combo->addItems(items);
      }
      if (combo->currentIndex() != control.combo_row - 1) combo->setCurrentIndex(control.combo_row - 1);
      QString text = toQt(control.value);
      if (combo->currentText() != text) combo->setEditText(text);
      // The list's own completion: a combo that reports its keystrokes is completed by its
      // procedure instead.
      if (control.reports_keystrokes && combo->completer() != nullptr) combo->setCompleter(nullptr);
      combo->lineEdit()->setSelection(control.selection.start, control.selection.length);
      break;
    }
    case ControlKind::kImage: {
      auto* image = static_cast<QLabel*>(widget);
      QString path = toQt(control.value);
      if (image->property("veltranoPath").toString() != path) {
        image->setProperty("veltranoPath", path);
        QPixmap picture(path);
        if (picture.isNull()) {
          image->setPixmap(QPixmap());
        } else {
          image->setPixmap(picture.scaled(image->size(), Qt::KeepAspectRatio, Qt::SmoothTransformation));
        }
      }
      break;
    }
    case ControlKind::kProgress: static_cast<QProgressBar*>(widget)->setValue(toInt(control.value, 0)); break;
    case ControlKind::kSpin: {
      auto* spin = static_cast<QSpinBox*>(widget);
      int number = toInt(control.value, spin->minimum());
      if (spin->value() != number) spin->setValue(number);
      spin->setReadOnly(control.read_only);
      break;
    }
    case ControlKind::kPageView: static_cast<report::qt::PageViewWidget*>(widget)->show(control.pages); break;
  }
}

void QtWindow::refreshList(ControlId id, const ControlSnapshot& control) {
  ListParts& parts = lists_.at(id);
  QTableWidget* table = parts.table;
  int rows = static_cast<int>(control.rows.size());
  if (table->rowCount() != rows) table->setRowCount(rows);
  std::optional<ListFormat> format = parseListFormat(control.description.format);
  for (int row = 0; row < rows; ++row) {
    const auto& cells = control.rows[static_cast<std::size_t>(row)];
    for (int column = 0; column < table->columnCount(); ++column) {
      auto index = static_cast<std::size_t>(column);
      QString text = index < cells.size() ? toQt(cells[index]) : QString();
      QTableWidgetItem* item = table->item(row, column);
      if (item == nullptr) {
        item = new QTableWidgetItem;
        table->setItem(row, column, item);
      }
      if (item->text() != text) item->setText(text);
      char alignment = format && index < format->columns.size() ? format->columns[index].alignment : 'L';
      Qt::Alignment horizontal = alignment == 'R' || alignment == 'D' ? Qt::AlignRight
                                 : alignment == 'C'                   ? Qt::AlignHCenter
                                                                      : Qt::AlignLeft;
      item->setTextAlignment(horizontal | Qt::AlignVCenter);
    }
  }
  int selected = toInt(control.value, 0) - 1;
  if (selected >= 0 && selected < rows) {
    if (table->currentRow() != selected) table->setCurrentCell(selected, 0);
    table->selectRow(selected);
  } else {
    table->clearSelection();
  }
  if (!parts.scroll->isSliderDown()) parts.scroll->setValue(control.thumb);
}

void QtWindow::arrange(FrameArrangement how) {
  if (mdi_area_ == nullptr) return;
  switch (how) {
    case FrameArrangement::kTile: mdi_area_->tileSubWindows(); break;
    case FrameArrangement::kCascade: mdi_area_->cascadeSubWindows(); break;
    case FrameArrangement::kArrangeIcons: {
      // Minimised children line up along the bottom of the frame, left to right.
      int x = 0;
      for (QMdiSubWindow* child : mdi_area_->subWindowList()) {
        if (!child->isMinimized()) continue;
        child->move(x, mdi_area_->viewport()->height() - child->height());
        x += child->width();
      }
      break;
    }
  }
}

}  // namespace veltrano::ui::qt
