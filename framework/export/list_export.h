// "Экспорт…" of a list: the save dialog, the rows read with a progress window whose "Отмена"
// stops the export, and the file written as its extension (or the type chosen in the dialog)
// asks. A cancelled or failed export leaves no file behind; a failure is told in a message box.
//
//   class MyRows : public ExportSource { ... };   // the list's columns and its view's rows
//   MyRows rows(...);
//   ExportOutcome done = exportList(rows);
//
// The progress window opens only when reading takes longer than `show_progress_after`, so that
// a short list is written without a flash of a window. Runs on the list's thread: the window
// engine's dialogs wait with the run lock released.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "framework/export/export_table.h"
#include "ui/window_engine.h"

namespace veltrano::framework {

class ExportSource {
 public:
  enum class Read { kRow, kEnd, kFailed };

  virtual ~ExportSource() = default;
  // The list's caption, its columns, and how many rows to expect (0: not known).
  virtual std::string Title() const = 0;
  virtual std::vector<ExportColumn> Columns() const = 0;
  virtual std::int64_t Expected() const { return 0; }
  // Puts the reading at the first row; false when the rows cannot be read (already reported).
  virtual bool Start() = 0;
  // The next row's printed texts, one per column.
  virtual Read Next(std::vector<std::string>& cells) = 0;
  // Reading is over (finished, cancelled or failed): the list puts back what it showed.
  virtual void Finish() {}
};

enum class ExportOutcome { kWritten, kCancelled, kFailed };

// The progress window's controls.
namespace export_progress {
enum : ui::ControlId { kBar = 1, kText, kCancel };
}  // namespace export_progress

struct ExportOptions {
  std::chrono::milliseconds show_progress_after{400};
};

// Where the clerk chose to write, and in which format.
struct ExportTarget {
  std::string path;
  ExportFormat format = ExportFormat::kXlsx;
};

// The save dialog offering the three types; nothing when cancelled, or when the name has none
// of their extensions (which the clerk is told).
std::optional<ExportTarget> askExportTarget(const std::string& title);
// A failure told in the export's message box.
void tellExportFailure(const std::string& text);

// Asks for the file and exports.
ExportOutcome exportList(ExportSource& source, const ExportOptions& options = {});
// The same without the dialog.
ExportOutcome exportListTo(ExportSource& source, const ExportTarget& target,
                           const ExportOptions& options = {});

}  // namespace veltrano::framework
