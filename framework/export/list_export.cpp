#include "framework/export/list_export.h"

#include <algorithm>

#include "platform/codepage.h"

namespace veltrano::framework {
namespace {

using Clock = std::chrono::steady_clock;

constexpr std::size_t kRowsBetweenLooks = 64;  // rows read between looks at the clock and the window
constexpr auto kProgressRefresh = std::chrono::milliseconds(100);

std::string caption() {
  return platform::ru("Экспорт списка");
}

// The progress window while the rows are read: how many so far (of how many), and "Отмена".
class Progress {
 public:
  Progress(const ExportOptions& options, std::int64_t expected)
      : options_(options), expected_(expected), started_(Clock::now()) {}
  ~Progress() {
    if (window_ != 0) engine().closeWindow(window_);
  }
  Progress(const Progress&) = delete;
  Progress& operator=(const Progress&) = delete;

  // False when the clerk pressed "Отмена" or closed the window.
  bool Update(std::size_t rows, bool force = false) {
    const Clock::time_point now = Clock::now();
    if (window_ == 0) {
      if (now - started_ < options_.show_progress_after) return true;
      open();
    }
    if (force || now - shown_at_ >= kProgressRefresh) {
      shown_at_ = now;
      std::string text = platform::ru("Прочитано записей: ") + std::to_string(rows);
      if (expected_ > 0) {
        text += platform::ru(" из ") + std::to_string(expected_);
        const auto percent = std::min<std::int64_t>(100, static_cast<std::int64_t>(rows) * 100 / expected_);
        engine().setValue(window_, export_progress::kBar, std::to_string(percent));
      }
      engine().setText(window_, export_progress::kText, text);
    }
    while (std::optional<ui::Event> event = engine().pollEvent(window_)) {
      if ((event->code == ui::event::kAccepted && event->control == export_progress::kCancel) ||
          event->code == ui::event::kCloseWindow || event->code == ui::event::kCloseDown)
        return false;
    }
    return true;
  }

  void Writing() {
    if (window_ == 0) return;
    engine().setText(window_, export_progress::kText, platform::ru("Запись файла…"));
    engine().setEnabled(window_, export_progress::kCancel, false);
  }

 private:
  static ui::WindowEngine& engine() { return ui::windowEngine(); }

  void open() {
    ui::WindowDescription window;
    window.kind = ui::WindowKind::kDialog;
    window.name = "veltrano$EXPORT";
    window.label = "Export";
    window.caption = caption();
    window.at = {0, 0, 320, 104};
    window.resizable = false;
    window.modal = true;
    window.controls = {
        ui::describeControl(export_progress::kBar, ui::ControlKind::kProgress, {12, 12, 296, 20}),
        ui::describeControl(export_progress::kText, ui::ControlKind::kPrompt, {12, 40, 296, 18}),
        ui::describeControl(export_progress::kCancel, ui::ControlKind::kButton, {120, 66, 80, 26},
                            platform::ru("Отмена")),
    };
    window.controls.back().default_button = true;
    window.controls.front().value = "0";
    window_ = engine().openWindow(window);
    shown_at_ = Clock::time_point{};
  }

  const ExportOptions& options_;
  std::int64_t expected_ = 0;
  Clock::time_point started_;
  Clock::time_point shown_at_;
  ui::WindowId window_ = 0;
};

}  // namespace

std::optional<ExportTarget> askExportTarget(const std::string& title) {
  ui::FileDialogRequest request;
  request.title = title;
  request.filter = exportDialogFilter();
  const std::optional<std::string> path = ui::windowEngine().fileSaveDialog(request);
  if (!path) return std::nullopt;
  const std::optional<ExportFormat> format = exportFormatOf(*path);
  if (!format) {
    tellExportFailure(platform::ru("Укажите файл с расширением .xlsx, .csv или .pdf: ") + *path);
    return std::nullopt;
  }
  return ExportTarget{*path, *format};
}

void tellExportFailure(const std::string& text) {
  ui::messageBox(ui::MessageBoxRequest{text, caption(), ui::kIconExclamation, ui::kButtonOk, ui::kButtonOk});
}

ExportOutcome exportListTo(ExportSource& source, const ExportTarget& target, const ExportOptions& options) {
  ExportTable table{source.Title(), source.Columns(), {}};
  if (!source.Start()) {
    source.Finish();
    return ExportOutcome::kFailed;
  }
  Progress progress(options, source.Expected());
  std::vector<std::string> cells;
  ExportSource::Read read = ExportSource::Read::kRow;
  bool going = progress.Update(0);
  while (going) {
    read = source.Next(cells);
    if (read != ExportSource::Read::kRow) break;
    cells.resize(table.columns.size());
    table.rows.push_back(cells);
    if (table.rows.size() % kRowsBetweenLooks == 0) going = progress.Update(table.rows.size());
  }
  source.Finish();
  if (going) going = progress.Update(table.rows.size(), true);
  if (!going) return ExportOutcome::kCancelled;
  if (read == ExportSource::Read::kFailed) return ExportOutcome::kFailed;
  progress.Writing();
  if (std::optional<std::string> failure = writeExport(table, target.format, target.path)) {
    tellExportFailure(*failure);
    return ExportOutcome::kFailed;
  }
  return ExportOutcome::kWritten;
}

ExportOutcome exportList(ExportSource& source, const ExportOptions& options) {
  const std::optional<ExportTarget> target = askExportTarget(caption() + ": " + source.Title());
  if (!target) return ExportOutcome::kCancelled;
  return exportListTo(source, *target, options);
}

}  // namespace veltrano::framework
