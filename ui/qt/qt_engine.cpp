#include "ui/qt/qt_engine.h"

#include <QApplication>
#include <QFileDialog>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMessageBox>
#include <QPixmap>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QRegularExpression>
#include <QThread>
#include <future>
#include <map>
#include <mutex>
#include <set>

#include "ui/message_box_rules.h"
#include "ui/popup_text.h"
#include "ui/qt/qt_popup.h"
#include "ui/qt/qt_window.h"
#include "ui/qt/text.h"
#include "ui/run_lock.h"

namespace veltrano::ui::qt {
namespace {

// The path the clerk chose is the dialog's answer; closing it without one answers nothing.
void answerWithPath(QFileDialog* dialog, std::shared_ptr<std::promise<std::optional<std::string>>> promise) {
  auto answered = std::make_shared<bool>(false);
  QObject::connect(dialog, &QFileDialog::fileSelected, dialog, [promise, answered](const QString& path) {
    *answered = true;
    promise->set_value(fromQt(path));
  });
  QObject::connect(dialog, &QDialog::finished, dialog, [promise, answered](int) {
    if (!*answered) promise->set_value(std::nullopt);
    *answered = true;
  });
}

struct ButtonPair {
  unsigned ours;
  QMessageBox::StandardButton theirs;
  const char* caption;  // the clerk reads Russian whatever the system's language
};

constexpr ButtonPair kButtons[] = {
    {kButtonOk, QMessageBox::Ok, "ОК"},
    {kButtonYes, QMessageBox::Yes, "&Да"},
    {kButtonNo, QMessageBox::No, "&Нет"},
    {kButtonAbort, QMessageBox::Abort, "&Прервать"},
    {kButtonRetry, QMessageBox::Retry, "&Повторить"},
    {kButtonIgnore, QMessageBox::Ignore, "П&ропустить"},
    {kButtonCancel, QMessageBox::Cancel, "Отмена"},
    {kButtonHelp, QMessageBox::Help, "&Справка"},
};

// "Рисунки|*.bmp;*.jpg|Все файлы|*.*" -> "Рисунки (*.bmp *.jpg);;Все файлы (*.*)"
QString qtFilter(const std::string& filter) {
  QStringList parts = toQt(filter).split(QLatin1Char('|'));
  QStringList filters;
  for (qsizetype at = 0; at + 1 < parts.size(); at += 2) {
    QString patterns = parts[at + 1];
    patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
    filters << parts[at] + QStringLiteral(" (") + patterns + QLatin1Char(')');
  }
  return filters.join(QStringLiteral(";;"));
}

}  // namespace

struct QtEngine::Impl {
  QObject context;  // lives on the Qt thread; queued work runs in its name
  std::map<WindowId, std::unique_ptr<QtWindow>> windows;  // Qt thread only
  WindowId frame = 0;                                     // Qt thread only
  // For each child window, the child window that was active when it opened (Qt thread only).
  std::map<WindowId, WindowId> openers;

  std::mutex pending_mutex;
  std::set<WindowId> pending_refresh;

  bool onQtThread() const { return QThread::currentThread() == context.thread(); }

  // Runs `work` on the Qt thread, later (from the Qt thread too: never inside a caller's
  // own widget code).
  template <typename Work>
  void post(Work work) {
    QMetaObject::invokeMethod(&context, std::move(work), Qt::QueuedConnection);
  }

  // Runs `work` on the Qt thread and waits for its answer with the run lock released.
  template <typename Answer, typename Work>
  Answer ask(Work work, Answer if_impossible) {
    if (onQtThread()) return if_impossible;  // waiting here would stop the loop that answers
    auto promise = std::make_shared<std::promise<Answer>>();
    std::future<Answer> answer = promise->get_future();
    post([promise, work = std::move(work)]() mutable { work(promise); });
    RunLockReleasedForWait released;
    return answer.get();
  }

  QWidget* dialogParent() {
    auto found = windows.find(frame);
    if (found != windows.end()) return found->second->top();
    QWidget* active = QApplication::activeWindow();
    return active;
  }
};

QtEngine::QtEngine() : impl_(std::make_unique<Impl>()) {}

QtEngine::~QtEngine() {
  impl_->windows.clear();
}

void QtEngine::windowOpened(WindowId window) {
  impl_->post([this, window] {
    std::optional<WindowSnapshot> shown = snapshot(window);
    if (!shown || impl_->windows.contains(window)) return;
    QMdiArea* area = nullptr;
    if (auto frame = impl_->windows.find(impl_->frame); frame != impl_->windows.end())
      area = frame->second->mdiArea();
    if (area != nullptr && area->activeSubWindow() != nullptr && shown->kind == WindowKind::kMdiChild) {
      QVariant opener = area->activeSubWindow()->property("veltranoWindow");
      if (opener.isValid()) impl_->openers[window] = static_cast<WindowId>(opener.toUInt());
    }
    impl_->windows[window] = std::make_unique<QtWindow>(*this, *shown, area);
    if (shown->kind == WindowKind::kFrame) impl_->frame = window;
  });
}

void QtEngine::windowClosed(WindowId window) {
  impl_->post([this, window] {
    auto found = impl_->windows.find(window);
    if (found == impl_->windows.end()) return;
    found->second->closeForGood();
    // Left to itself the frame would activate a window of its own choosing (often the first one
    // opened), and the clerk's next keys would go there: the window this one was opened from
    // comes back instead, with the focus where its procedure has it.
    if (auto opener = impl_->openers.find(window); opener != impl_->openers.end()) {
      auto back = impl_->windows.find(opener->second);
      if (back != impl_->windows.end() && found->second->isActiveChild()) back->second->comeBack();
      impl_->openers.erase(opener);
    }
    impl_->windows.erase(found);
    if (impl_->frame == window) impl_->frame = 0;
  });
}

void QtEngine::beep(WindowId window) {
  MemoryEngine::beep(window);
  impl_->post([] { QApplication::beep(); });
}

bool QtEngine::setWaitCursor(WindowId window, bool waiting) {
  if (!MemoryEngine::setWaitCursor(window, waiting)) return false;
  // At once rather than with the next refresh, which a short count would never live to see.
  impl_->post([this, window, waiting] {
    auto found = impl_->windows.find(window);
    if (found == impl_->windows.end()) return;
    if (waiting) {
      found->second->top()->setCursor(Qt::WaitCursor);
    } else {
      found->second->top()->unsetCursor();
    }
  });
  return true;
}

void QtEngine::windowChanged(WindowId window, ControlId) {
  {
    // A burst of changes (a page of rows, a form's fields) is shown once.
    std::lock_guard lock(impl_->pending_mutex);
    if (!impl_->pending_refresh.insert(window).second) return;
  }
  impl_->post([this, window] {
    {
      std::lock_guard lock(impl_->pending_mutex);
      impl_->pending_refresh.erase(window);
    }
    auto found = impl_->windows.find(window);
    if (found == impl_->windows.end()) return;
    if (std::optional<WindowSnapshot> shown = snapshot(window)) found->second->refresh(*shown);
  });
}

void QtEngine::frameArranged(WindowId frame, FrameArrangement how) {
  impl_->post([this, frame, how] {
    auto found = impl_->windows.find(frame);
    if (found != impl_->windows.end()) found->second->arrange(how);
  });
}

unsigned QtEngine::messageBox(const MessageBoxRequest& request) {
  unsigned fallback = defaultAnswer(request);
  return impl_->ask<unsigned>(
      [this, request, fallback](std::shared_ptr<std::promise<unsigned>> promise) {
        QMessageBox::Icon icon = request.icon == kIconQuestion      ? QMessageBox::Question
                                 : request.icon == kIconExclamation ? QMessageBox::Warning
                                                                    : QMessageBox::NoIcon;
        auto* box = new QMessageBox(icon, toQt(request.caption), toQt(request.text), QMessageBox::NoButton,
                                    impl_->dialogParent());
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->setWindowModality(Qt::WindowModal);
        unsigned offered = offeredButtons(request);
        for (const ButtonPair& pair : kButtons) {
          if ((offered & pair.ours) == 0) continue;
          QPushButton* button = box->addButton(pair.theirs);
          button->setText(QString::fromUtf8(pair.caption));
          if (pair.ours == fallback) box->setDefaultButton(button);
          if (pair.ours == kButtonCancel) box->setEscapeButton(button);
        }
        QObject::connect(box, &QMessageBox::finished, box, [box, promise, request, fallback](int) {
          unsigned pressed = fallback;
          QMessageBox::StandardButton clicked = box->standardButton(box->clickedButton());
          for (const ButtonPair& pair : kButtons) {
            if (pair.theirs == clicked) pressed = pair.ours;
          }
          promise->set_value(acceptedAnswer(request, pressed));
        });
        box->open();
      },
      fallback);
}

std::optional<std::string> QtEngine::fileOpenDialog(const FileDialogRequest& request) {
  return fileDialog(request, false);
}

std::optional<std::string> QtEngine::fileSaveDialog(const FileDialogRequest& request) {
  return fileDialog(request, true);
}

std::optional<std::string> QtEngine::fileDialog(const FileDialogRequest& request, bool save) {
  using Answer = std::optional<std::string>;
  return impl_->ask<Answer>(
      [this, request, save](std::shared_ptr<std::promise<Answer>> promise) {
        auto* dialog = new QFileDialog(impl_->dialogParent(), toQt(request.title), toQt(request.initial_path),
                                       qtFilter(request.filter));
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        dialog->setOption(QFileDialog::DontUseNativeDialog);
        dialog->setWindowModality(Qt::WindowModal);
        dialog->setLabelText(QFileDialog::LookIn, QStringLiteral("Папка:"));
        dialog->setLabelText(QFileDialog::FileName, QStringLiteral("Имя файла:"));
        dialog->setLabelText(QFileDialog::FileType, QStringLiteral("Тип файла:"));
        dialog->setLabelText(QFileDialog::Reject, QStringLiteral("Отмена"));
        if (save) {
          dialog->setAcceptMode(QFileDialog::AcceptSave);
          dialog->setFileMode(QFileDialog::AnyFile);
          dialog->setLabelText(QFileDialog::Accept, QStringLiteral("Сохранить"));
          // A name typed without an extension takes the chosen type's.
          auto suffixOf = [](const QString& filter) {
            const qsizetype star = filter.indexOf(QStringLiteral("*."));
            if (star < 0) return QString();
            QString suffix = filter.mid(star + 2);
            const qsizetype end = suffix.indexOf(QRegularExpression(QStringLiteral("[ ;)]")));
            return end < 0 ? suffix : suffix.left(end);
          };
          dialog->setDefaultSuffix(suffixOf(dialog->selectedNameFilter()));
          QObject::connect(
              dialog, &QFileDialog::filterSelected, dialog,
              [dialog, suffixOf](const QString& filter) { dialog->setDefaultSuffix(suffixOf(filter)); });
        } else {
          dialog->setFileMode(QFileDialog::ExistingFile);
          dialog->setLabelText(QFileDialog::Accept, QStringLiteral("Открыть"));
        }
        answerWithPath(dialog, promise);
        dialog->open();
      },
      Answer{});
}

std::optional<std::string> QtEngine::directoryDialog(const FileDialogRequest& request) {
  using Answer = std::optional<std::string>;
  return impl_->ask<Answer>(
      [this, request](std::shared_ptr<std::promise<Answer>> promise) {
        auto* dialog =
            new QFileDialog(impl_->dialogParent(), toQt(request.title), toQt(request.initial_path));
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        dialog->setFileMode(QFileDialog::Directory);
        dialog->setOption(QFileDialog::ShowDirsOnly);
        dialog->setOption(QFileDialog::DontUseNativeDialog);
        dialog->setWindowModality(Qt::WindowModal);
        answerWithPath(dialog, promise);
        dialog->open();
      },
      Answer{});
}

std::optional<PrinterChoice> QtEngine::printerSetupDialog(const PrinterChoice& current) {
  using Answer = std::optional<PrinterChoice>;
  return impl_->ask<Answer>(
      [this, current](std::shared_ptr<std::promise<Answer>> promise) {
        auto printer = std::make_shared<QPrinter>();
        if (!current.printer_name.empty()) printer->setPrinterName(toQt(current.printer_name));
        printer->setPageOrientation(current.landscape ? QPageLayout::Landscape : QPageLayout::Portrait);
        printer->setCopyCount(current.copies);
        auto* dialog = new QPrintDialog(printer.get(), impl_->dialogParent());
        if (current.page_count > 0) {
          dialog->setOption(QAbstractPrintDialog::PrintPageRange, true);
          dialog->setMinMax(1, current.page_count);
          if (current.first_page > 0)
            printer->setFromTo(current.first_page, std::max(current.first_page, current.last_page));
        }
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        dialog->setWindowModality(Qt::WindowModal);
        QObject::connect(dialog, &QDialog::finished, dialog, [promise, printer, current](int result) {
          if (result != QDialog::Accepted) {
            promise->set_value(std::nullopt);
            return;
          }
          PrinterChoice chosen{fromQt(printer->printerName()),
                               printer->pageLayout().orientation() == QPageLayout::Landscape,
                               printer->copyCount()};
          chosen.page_count = current.page_count;
          if (printer->printRange() == QPrinter::PageRange) {
            chosen.first_page = printer->fromPage();
            chosen.last_page = printer->toPage();
          }
          if (printer->outputFormat() == QPrinter::PdfFormat)
            chosen.output_file = fromQt(printer->outputFileName());
          promise->set_value(chosen);
        });
        dialog->open();
      },
      Answer{});
}

int QtEngine::popupMenu(WindowId window, const std::string& text) {
  if (!snapshot(window)) return 0;
  return impl_->ask<int>(
      [this, window, entries = parsePopupText(text)](std::shared_ptr<std::promise<int>> promise) {
        auto found = impl_->windows.find(window);
        QWidget* parent = found != impl_->windows.end() ? found->second->top() : impl_->dialogParent();
        showPopupMenu(entries, parent, [promise](int chosen) { promise->set_value(chosen); });
      },
      0);
}

bool QtEngine::saveScreenshot(WindowId window, const std::string& path) {
  auto found = impl_->windows.find(window);
  if (found == impl_->windows.end()) return false;
  return found->second->top()->grab().save(QString::fromStdString(path));
}

}  // namespace veltrano::ui::qt
