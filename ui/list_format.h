// Column formats of list boxes and drop-down lists, as list windows carry them:
//
//   "80L(2)|M~Гражданство~C(0)@s20@40R(2)|M~Таб. №~C(0)@n_6@"
//
// One group per column, in order: a width, an alignment letter with an optional indent in
// brackets, drawing marks ("|" a right border, "M" a resizable column, "_" an underline), the
// title between two "~", the title's alignment, and the column's picture between two "@".
// The picture keeps its leading "@" ("@s20"), the form the picture compiler reads. Columns may
// stand in brackets under a title of their own, with the group's width in parentheses after it:
//
//   "215L(2)|M~Должность~@s60@[31R(5)|M~штат~@n_5.2b@25R(3)|M~занято~@n_5.2b@](59)|M~Количество~"
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
  std::string group_title;  // the title over the bracketed group the column stands in (1251)
};

struct ListFormat {
  std::vector<ListColumn> columns;
};

// Parses a column format. Fails (nothing, and the reason in *error) on an unterminated title
// or picture, on a group without a picture, and on brackets that do not close or hold nothing.
std::optional<ListFormat> parseListFormat(std::string_view format, std::string* error = nullptr);

}  // namespace veltrano::ui
