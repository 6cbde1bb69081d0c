// A list as it is written out: the column titles, each column's picture and width, and the
// rows as the list prints them. The typed value a workbook stores is read back from the
// printed text through the column's picture, so that a date stays a date and a sum a number.
//
//   ExportTable table{title, {{"Фамилия", "@s20", 20}, {"Дата рожд.", "@d6", 10}}, {}};
//   table.rows.push_back({"Иванов", "12.05.1948"});
//   if (auto failure = writeExport(table, ExportFormat::kXlsx, "/home/clerk/list.xlsx")) ...
//
// Texts are code page 1251.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace veltrano::framework {

enum class ExportFormat { kCsv, kXlsx, kPdf };

struct ExportColumn {
  std::string title;
  std::string picture;  // "@d6", "@n_6"; empty: text as printed
  int width = 10;       // in characters
};

struct ExportTable {
  std::string title;
  std::vector<ExportColumn> columns;
  std::vector<std::vector<std::string>> rows;  // one text per column
};

// The columns of a list's format ("80L(2)|M~Фамилия~@s20@…"): titles (a group's title before
// its columns' own), pictures and widths; none when the format does not parse.
std::vector<ExportColumn> exportColumns(std::string_view list_format);

// The format the file name's extension asks for (".csv", ".xlsx", ".pdf", any case).
std::optional<ExportFormat> exportFormatOf(std::string_view path);

// The save dialog's choice of types, XLSX first.
std::string exportDialogFilter();

// Writes `path` through a temporary file beside it, which `write` fills and which is renamed
// over `path` only when complete (and removed otherwise): a failure leaves no half file and
// keeps the file that was there. Nothing on success, else the message the user sees.
using FileWriter = std::function<std::optional<std::string>(const std::string& temporary)>;
std::optional<std::string> writeReplacing(const std::string& path, const FileWriter& write);

// Writes the table to `path` through a temporary file beside it, renamed when complete, so
// that a failure leaves no half file and the file that was there is kept. Nothing on success,
// else the message the user sees.
std::optional<std::string> writeExport(const ExportTable& table, ExportFormat format,
                                       const std::string& path);

// The writers themselves, each into the file it is given. The CSV's bytes: UTF-8 behind a
// byte-order mark, semicolons between the cells.
std::string csvBytes(const ExportTable& table);
std::optional<std::string> writeXlsx(const ExportTable& table, const std::string& path);
std::optional<std::string> writePdf(const ExportTable& table, const std::string& path);

}  // namespace veltrano::framework
