// Form No. 17 "СВЕДЕНИЯ О МЕДИЦИНСКИХ И ФАРМАЦЕВТИЧЕСКИХ КАДРАХ": the title sheet (VELTR077) and
// the three sheets of the table "Медицинские кадры" (VELTR034 doctors to line 57, VELTR075 lines
// 58 to 93, VELTR076 the nursing staff, lines 94 to 138).
//
// A card counts when it is current, not a part-timer, and its form line KAR:STR lies in the
// sheet's lines. It adds 1 to "Всего" of its line (and to "В том числе на основной работе", which
// every card counted is); to "высшая", "I" or "II" when KAR:KATEGOR is exactly "Высшая", "Первая"
// or "Вторая"; and to "имеют сертификат специалиста" when its certificate KAR:DATAS is less than
// 1826 days old. Sheet 2 begins with line 01, all doctors (lines 4–84), and line 02, the women
// among them; each sheet ends with the column totals over its own lines. A line is named after
// the professions of the reference book PROF that are counted on it.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <string>

#include "app/frame/application.h"

namespace veltrano::app::reports {

// The counted columns of a form line, in the printed order.
struct Form17Counts {
  enum Column : std::size_t { kAll, kMainJob, kHighest, kFirst, kSecond, kCertificate, kColumns };
  std::array<std::int64_t, kColumns> cells{};
};

struct Form17Sheet {
  std::uint16_t number = 0;
  std::int64_t first_line = 0;  // the lines the sheet prints a row for
  std::int64_t last_line = 0;
  bool doctors_summary = false;  // lines 01 and 02
};

// Adds a card to the counts of its line (and to those of lines 01 and 02, kept under 1 and 2).
// `line`, `category` (1251, trailing blanks cut), `certificate` (a date serial or 0) and `woman`
// are the card's; `today` the date serial of today.
void countForm17Card(std::map<std::int64_t, Form17Counts>& lines, std::int64_t line,
                     std::string_view category, std::int32_t certificate, bool woman, std::int32_t today,
                     const Form17Sheet& sheet);

std::uint8_t runForm17Sheet(const Application& application, std::uint16_t number);
std::uint8_t runForm17TitleSheet(const Application& application);

}  // namespace veltrano::app::reports
