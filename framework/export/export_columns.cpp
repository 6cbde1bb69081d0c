#include <algorithm>

#include "framework/export/export_table.h"
#include "ui/list_format.h"

namespace veltrano::framework {
namespace {

// A list format's width unit is about a quarter of a character.
constexpr int kUnitsPerCharacter = 4;

}  // namespace

std::vector<ExportColumn> exportColumns(std::string_view list_format) {
  std::vector<ExportColumn> columns;
  const std::optional<ui::ListFormat> format = ui::parseListFormat(list_format);
  if (!format) return columns;
  for (const ui::ListColumn& shown : format->columns) {
    columns.push_back(
        ExportColumn{shown.group_title.empty() ? shown.title : shown.group_title + " " + shown.title,
                     shown.picture, std::max(1, shown.width / kUnitsPerCharacter)});
  }
  return columns;
}

}  // namespace veltrano::framework
