// How wlk select writes what it reads, for a person or a spreadsheet.
//
// A value's text is UTF-8 without trailing blanks. DATE fields read дд.мм.гггг and TIME fields
// чч:мм (чч:мм:сс when there are seconds), empty when there is none; with `raw` both are their
// serial numbers. A BLOB is written in hexadecimal. Control characters (a NUL inside a GROUP, a
// tab, a line end) are written as \xHH, so that they never cut a line or shift its columns.
//
// Lines are tab-separated; in CSV form they are what a spreadsheet opens: a byte-order mark and a
// header row of the field labels first, values separated by semicolons and quoted when they
// hold a semicolon, a quote or a line end, numbers with a decimal comma, lines ending CR LF.
#pragma once

#include <cstdio>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/values/record_layout.h"

namespace veltrano::wlk {

struct OutputForm {
  bool raw = false;  // dates and times as serial numbers
  bool csv = false;
};

// Element `element` of `field` as the form writes it.
std::string columnText(const runtime::FieldDescriptor& field, std::span<const std::uint8_t> record,
                       std::uint32_t element, const OutputForm& form);
// Whether a field's values are numbers with a decimal point (written with a comma in CSV).
bool fractionalType(runtime::TypeCode type);
// Whether an expression's text is such a number ("-12.50").
bool looksFractional(std::string_view text);
// A value that is already text (code page 1251), such as an expression's.
std::string valueText(std::string_view cp1251);
// A BLOB's bytes in hexadecimal.
std::string blobText(std::span<const std::uint8_t> bytes);

class LineWriter {
 public:
  LineWriter(std::FILE* out, const OutputForm& form) : out_(out), form_(form) {}
  // The CSV header row (with the byte-order mark before it); nothing in the tab-separated form.
  void header(const std::vector<std::string>& labels_utf8);
  // One line of values, each as columnText or valueText gave it. `numeric[i]`: value i is a
  // number, written with a decimal comma in CSV.
  void line(const std::vector<std::string>& values, const std::vector<bool>& numeric);

 private:
  std::FILE* out_;
  OutputForm form_;
  std::string text_;
};

}  // namespace veltrano::wlk
