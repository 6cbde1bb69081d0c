#include <unistd.h>

#include <span>

#include "framework/export/export_table.h"
#include "platform/codepage.h"
#include "platform/file.h"
#include "platform/os_error.h"
#include "ui/report/report_csv.h"
#include "ui/report/report_files.h"

namespace veltrano::framework {
namespace {

std::string lowered(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

bool endsWith(std::string_view text, std::string_view end) {
  return text.size() >= end.size() && text.substr(text.size() - end.size()) == end;
}

// Beside the target, so that the rename never crosses file systems; a dot in front keeps it
// out of the clerk's way should the program be killed while writing.
std::string temporaryPath(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  const std::size_t name = slash == std::string::npos ? 0 : slash + 1;
  return path.substr(0, name) + "." + path.substr(name) + "." + std::to_string(::getpid()) + ".tmp";
}

}  // namespace

std::optional<ExportFormat> exportFormatOf(std::string_view path) {
  const std::string name = lowered(path);
  if (endsWith(name, ".csv")) return ExportFormat::kCsv;
  if (endsWith(name, ".xlsx")) return ExportFormat::kXlsx;
  if (endsWith(name, ".pdf")) return ExportFormat::kPdf;
  return std::nullopt;
}

std::string exportDialogFilter() {
  return platform::ru("Книга Excel|*.xlsx|Текст CSV, разделитель «;»|*.csv|Документ PDF|*.pdf");
}

std::optional<std::string> writeReplacing(const std::string& path, const FileWriter& write) {
  platform::FileSystem& files = platform::fileSystem();
  if (path.empty() || files.isDirectory(path))
    return ui::report::fileWriteFailure(path, platform::kOsAccessDenied);
  const std::string temporary = temporaryPath(path);
  // Made here first, so that a folder that cannot be written is told in the system's words
  // whichever writer follows.
  int error = 0;
  if (files.open(temporary, platform::Access::ReadWrite, platform::Creation::Truncate, &error) == nullptr)
    return ui::report::fileWriteFailure(path, error);
  std::optional<std::string> failure = write(temporary);
  if (!failure) {
    if (const int renamed = files.rename(temporary, path); renamed != 0)
      failure = ui::report::fileWriteFailure(path, renamed);
  }
  if (failure) {
    files.remove(temporary);
    // The writers name the temporary file; the clerk chose the target.
    if (const std::size_t at = failure->find(temporary); at != std::string::npos)
      failure->replace(at, temporary.size(), path);
  }
  return failure;
}

std::optional<std::string> writeExport(const ExportTable& table, ExportFormat format,
                                       const std::string& path) {
  return writeReplacing(path, [&](const std::string& temporary) -> std::optional<std::string> {
    switch (format) {
      case ExportFormat::kCsv: {
        const std::string bytes = csvBytes(table);
        return ui::report::writeWholeFile(
            temporary, std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
      }
      case ExportFormat::kXlsx: return writeXlsx(table, temporary);
      case ExportFormat::kPdf: return writePdf(table, temporary);
    }
    return std::nullopt;
  });
}

std::string csvBytes(const ExportTable& table) {
  std::string out(ui::report::kCsvByteOrderMark);
  std::vector<std::string> titles;
  for (const ExportColumn& column : table.columns) titles.push_back(column.title);
  ui::report::appendCsvRow(out, titles);
  for (const std::vector<std::string>& row : table.rows) ui::report::appendCsvRow(out, row);
  return out;
}

}  // namespace veltrano::framework
