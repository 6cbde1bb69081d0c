#include "app/reports/report_values.h"

#include <algorithm>

#include "platform/codepage.h"
#include "runtime/datetime/calendar.h"
#include "runtime/picture/picture.h"

namespace veltrano::app::reports {
namespace {

std::string_view clipped(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  return text;
}

std::string twoDigits(std::int32_t value) {
  return (value < 10 ? "0" : "") + std::to_string(value);
}

}  // namespace

std::string shortName(std::string_view surname, std::string_view name, std::string_view patronymic) {
  std::string result(clipped(surname));
  bool initials = false;
  for (std::string_view part : {clipped(name), clipped(patronymic)}) {
    if (part.empty()) continue;
    if (!initials && !result.empty()) result += ' ';
    initials = true;
    // Code page 1251 has one byte a letter, so the first byte is the initial.
    result += part.front();
    result += '.';
  }
  return result;
}

std::string shortName(const RecordAccess& card) {
  return shortName(card.text("KAR:FAM"), card.text("KAR:NOM"), card.text("KAR:PER"));
}

std::string fullName(const RecordAccess& card) {
  std::string result;
  for (std::string_view field : {"KAR:FAM", "KAR:NOM", "KAR:PER"}) {
    const std::string part(clipped(card.text(field)));
    if (part.empty()) continue;
    if (!result.empty()) result += ' ';
    result += part;
  }
  return result;
}

std::string cellDate(std::int32_t date) {
  static const runtime::CompiledPicture picture = runtime::compilePicture("@d6.");
  if (date <= 0) return {};
  std::string text = runtime::formatPicture(std::to_string(date), picture);
  return std::string(clipped(text));
}

std::string insuranceText(const std::string& stored) {
  if (stored.size() != 11 || stored.find_first_not_of("0123456789") != std::string::npos) return stored;
  return stored.substr(0, 3) + "-" + stored.substr(3, 3) + "-" + stored.substr(6, 3) + " " + stored.substr(9);
}

std::string yearText(std::int32_t date) {
  const std::int32_t year = date > 0 ? runtime::yearOfSerial(date) : 0;
  return year > 0 ? std::to_string(year) : std::string();
}

std::string dateText(std::int32_t date) {
  runtime::DateParts parts;
  if (date <= 0 || runtime::partsFromSerial(date, parts) != 0) return {};
  return twoDigits(parts.day) + "." + twoDigits(parts.month) + "." + std::to_string(parts.year);
}

std::int32_t yearsBefore(std::int32_t date, std::int32_t years) {
  runtime::DateParts parts;
  if (runtime::partsFromSerial(date, parts) != 0) return 0;
  const std::int32_t year = parts.year - years;
  const std::int32_t day = std::min(parts.day, runtime::daysInMonth(year, parts.month));
  const std::int32_t serial = runtime::serialFromParts(year, parts.month, day);
  return serial > 0 ? serial : 0;
}

std::string lengthText(const ServiceLength& length) {
  return std::to_string(length.years) + platform::ru(" л. ") + std::to_string(length.months) +
         platform::ru(" м. ") + std::to_string(length.days) + platform::ru(" д.");
}

std::string joined(std::initializer_list<std::string_view> parts) {
  std::string result;
  for (std::string_view part : parts) {
    part = clipped(part);
    if (part.empty()) continue;
    if (!result.empty()) result += ", ";
    result += part;
  }
  return result;
}

}  // namespace veltrano::app::reports
