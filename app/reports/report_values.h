// Values the reports print that no single field holds: the short and the full name, a year, a
// date and a length of service as the lists write them. Texts are code page 1251.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "app/computations/service_length.h"
#include "app/dictionary/record_access.h"

namespace veltrano::app::reports {

// "Фамилия И.О.": the surname, then the first letters of the given name and of the patronymic,
// each followed by a dot; a part left blank adds nothing. Blanks around the parts are cut.
std::string shortName(std::string_view surname, std::string_view name, std::string_view patronymic);
// Of the card in KARTA's buffer (KAR:FAM, KAR:NOM, KAR:PER).
std::string shortName(const RecordAccess& card);
// "Фамилия Имя Отчество".
std::string fullName(const RecordAccess& card);

// KAR:STRACH as the card's template "P###-###-### ##P" shows it: the form keeps it so, and eleven
// bare digits (a card filled in by other means) are put into that shape.
std::string insuranceText(const std::string& stored);

// "1964"; empty for no date.
std::string yearText(std::int32_t date);
// "05.03.2004", as titles and settings write a date; empty for no date.
std::string dateText(std::int32_t date);
// "5.03.2004", as the picture "@d6." of the tables' date columns shows it; empty for no date.
std::string cellDate(std::int32_t date);
// The same day and month `years` earlier (28 February for 29 February in a year without it).
std::int32_t yearsBefore(std::int32_t date, std::int32_t years);
// "12 л. 3 м. 5 д."
std::string lengthText(const ServiceLength& length);
// The parts that are not empty, joined by ", ".
std::string joined(std::initializer_list<std::string_view> parts);

}  // namespace veltrano::app::reports
