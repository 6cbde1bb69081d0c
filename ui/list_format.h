// Column formats of list boxes and drop-down lists, as list windows carry them:
//
//   "80L(2)|M~Гражданство~C(0)@s20@40R(2)|M~Таб. №~C(0)@n_6@"
//
// One group per column, in order: a width, an alignment letter with an optional indent in
// brackets, drawing marks ("|" a right border, "M" a resizable column, "_" an underline), the
// title between two "~", the title's alignment, and the column's picture between two "@".
// The picture keeps its leading "@" ("@s20"), the form the picture compiler reads.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace veltrano::ui {

struct ListColumn {
  int width = 0;         // in the format's units (dialog units, about a quarter of a character)
  char alignment = 'L';  // L, R, C or D (decimal)
  std::string title;     // 1251
  std::string picture;   // "@s20"
  bool right_border = false;
  bool resizable = false;
};

struct ListFormat {
  std::vector<ListColumn> columns;
};

// Parses a column format. Fails (nothing, and the reason in *error) on an unterminated title
// or picture and on a group without a picture.
std::optional<ListFormat> parseListFormat(std::string_view format, std::string* error = nullptr);

}  // namespace veltrano::ui
