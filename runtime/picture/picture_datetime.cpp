// Formatting dates and times.
#include "runtime/datetime/calendar.h"
#include "runtime/datetime/locale.h"
#include "runtime/picture/picture_internal.h"

namespace veltrano::runtime::picture_detail {
namespace {

namespace code = picture_code;

bool isDigit(char c) {
  return c >= '0' && c <= '9';
}

std::size_t runLength(const CompiledPicture& picture, std::size_t at) {
  std::size_t end = at;
  while (end < picture.length && picture.tokens[end].code == picture.tokens[at].code) ++end;
  return end - at;
}

// Writes `value` into a run of digit positions; leading zeros show the positions' pads, the
// last position always shows its digit.
void appendDigits(std::string& out, const CompiledPicture& picture, std::size_t at, std::size_t length,
                  std::int64_t value) {
  std::string digits = std::to_string(value);
  if (digits.size() < length) digits.insert(0, length - digits.size(), '0');
  digits = digits.substr(digits.size() - length);
  bool significant = false;
  for (std::size_t k = 0; k < length; ++k) {
    significant = significant || digits[k] != '0' || k + 1 == length;
    out += significant ? digits[k] : picture.tokens[at + k].pad;
  }
}

void appendSpaces(std::string& out, std::size_t count) {
  out.append(count, ' ');
}

std::string finishWidth(std::string out, const CompiledPicture& picture) {
  out.resize(pictureWidth(picture), ' ');
  return out;
}

}  // namespace

std::optional<std::int64_t> parseSerial(std::string_view text) {
  std::size_t at = 0;
  while (at < text.size() && text[at] == ' ') ++at;
  bool negative = false;
  if (at < text.size() && (text[at] == '-' || text[at] == '+')) negative = text[at++] == '-';
  if (at >= text.size() || !isDigit(text[at])) return std::nullopt;
  std::int64_t value = 0;
  while (at < text.size() && isDigit(text[at])) {
    if (value > 100000000000LL) return std::nullopt;  // far beyond any serial
    value = value * 10 + (text[at++] - '0');
  }
  // A value passed as a decimal ("730000.0") still names a whole day or hundredth.
  if (at < text.size() && text[at] == '.') ++at;
  while (at < text.size() && (isDigit(text[at]) || text[at] == ' ')) ++at;
  if (at != text.size()) return std::nullopt;
  return negative ? -value : value;
}

std::string formatDate(std::string_view value, const CompiledPicture& picture) {
  const auto serial = parseSerial(value);
  DateParts parts;
  const bool valid = serial && *serial >= kFirstDateSerial && *serial <= kLastDateSerial &&
                     partsFromSerial(static_cast<std::int32_t>(*serial), parts) == 0;
  if (!valid && picture.blank_when_zero) return std::string(pictureWidth(picture), ' ');
  const bool keep_case = picture.format == 4 || picture.format == 18;
  const LocaleTables& locale = localeTables();
  std::string out;
  for (std::size_t at = 0; at < picture.length;) {
    const PictureToken& token = picture.tokens[at];
    const std::size_t length = runLength(picture, at);
    switch (token.code) {
      case code::kMonth:
      case code::kDay:
      case code::kYear: {
        if (!valid) {
          appendSpaces(out, length);
        } else {
          std::int64_t part = token.code == code::kMonth ? parts.month
                              : token.code == code::kDay ? parts.day
                                                         : parts.year;
          if (token.code == code::kYear && length < 4) part %= 100;
          appendDigits(out, picture, at, length, part);
        }
        at += length;
        break;
      }
      case code::kMonthLetter: {
        if (!valid) {
          appendSpaces(out, length);
        } else {
          const std::size_t month = static_cast<std::size_t>(parts.month - 1);
          const std::string& name =
              length == 3 ? locale.month_abbreviations[month] : locale.month_names[month];
          // Letters beyond the name print nothing: what follows moves left.
          for (std::size_t k = 0; k < length && k < name.size(); ++k)
            out += keep_case ? name[k] : upperCharacter(name[k]);
        }
        at += length;
        break;
      }
      default:
        out += token.pad;
        ++at;
        break;
    }
  }
  return finishWidth(std::move(out), picture);
}

std::string formatTime(std::string_view value, const CompiledPicture& picture) {
  const auto serial = parseSerial(value);
  TimeParts parts;
  const bool valid = serial && *serial >= 1 && *serial <= kLastTimeSerial &&
                     partsFromTimeSerial(static_cast<std::int32_t>(*serial), parts) == 0;
  if (!valid && picture.blank_when_zero) return std::string(pictureWidth(picture), ' ');
  bool twelve_hours = false;
  for (std::size_t i = 0; i < picture.length; ++i)
    twelve_hours = twelve_hours || picture.tokens[i].code == code::kDesignator;
  const bool from_profile = picture.format == 7 || picture.format == 8;
  const std::string& designator = parts.hours >= 12 ? (from_profile ? intlSettings().pm : localeTables().pm)
                                                    : (from_profile ? intlSettings().am : localeTables().am);
  std::int32_t hours = parts.hours;
  if (twelve_hours) {
    if (hours == 0) hours = 12;
    if (hours > 12) hours -= 12;
  }
  std::string out;
  for (std::size_t at = 0; at < picture.length;) {
    const PictureToken& token = picture.tokens[at];
    if (token.code == code::kHour || token.code == code::kMinute || token.code == code::kSecond) {
      const std::size_t length = runLength(picture, at);
      if (!valid) {
        appendSpaces(out, length);
      } else {
        appendDigits(out, picture, at, length,
                     token.code == code::kHour     ? hours
                     : token.code == code::kMinute ? parts.minutes
                                                   : parts.seconds);
      }
      at += length;
      continue;
    }
    if (token.code == code::kDesignator) {
      const bool second_follows = at + 1 < picture.length && picture.tokens[at + 1].code == code::kLiteral;
      if (!valid) {
        appendSpaces(out, second_follows ? 2 : 1);
      } else {
        if (!designator.empty()) out += designator[0];
        if (second_follows && designator.size() > 1) out += designator[1];
      }
      at += second_follows ? 2 : 1;
      continue;
    }
    out += token.pad;
    ++at;
  }
  return finishWidth(std::move(out), picture);
}

}  // namespace veltrano::runtime::picture_detail
