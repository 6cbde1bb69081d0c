// deformatPicture: typed text read back through a picture, one character per token.
#include "runtime/datetime/calendar.h"
#include "runtime/datetime/char_tables.h"
#include "runtime/datetime/locale.h"
#include "runtime/picture/picture_internal.h"

namespace veltrano::runtime {
namespace {

namespace code = picture_code;
using picture_detail::upperCharacter;

bool isDigit(char c) {
  return c >= '0' && c <= '9';
}

bool isLetter(char c) {
  const auto byte = static_cast<std::uint8_t>(c);
  return charTables().partner[byte] != 0 || (charTables().flags[byte] & (kCaseUpper | kCaseLower)) != 0;
}

std::string deformatNumber(std::string_view text, const CompiledPicture& picture) {
  std::string out;
  bool negative = false;
  std::size_t at = 0;
  for (std::size_t t = 0; t < picture.length && at < text.size(); ++t) {
    const std::uint8_t token = picture.tokens[t].code;
    if (token == code::kImpliedDecimal) {
      out += '.';  // nothing was printed for it, so nothing is read
      continue;
    }
    const char c = text[at++];
    switch (token) {
      case code::kGrouping:
      case code::kDigitPadded:
      case code::kDigitBlank:
      case code::kSign:
        if (c == ' ' && token == code::kDigitBlank) {
          out += '0';
        } else if (c == '-' || c == '(') {
          negative = true;
        } else if (c == '+') {
          negative = false;
        } else if (isDigit(c)) {
          out += c;
        }
        break;
      case code::kDecimal: out += '.'; break;
      case code::kExponentSign:
        out += 'e';
        if (c == '-' || c == '+') out += c;
        break;
      case code::kKeyAt:
      case code::kKeyCaret:
      case code::kKeyUnderline:
      case code::kKeyQuestion:
      case code::kKeyBar: out += c; break;
      default: break;  // literals, currency and separators take their character
    }
  }
  if (negative) out.insert(0, 1, '-');
  return out;
}

struct ReadParts {
  std::int32_t month = 0, day = 0, year = 0, hours = 0, minutes = 0, seconds = 0;
  bool date_read = false;
  bool day_position = false;
  bool pm = false, am = false;
};

std::int32_t* partFor(ReadParts& parts, std::uint8_t token) {
  switch (token) {
    case code::kMonth: return &parts.month;
    case code::kDay: return &parts.day;
    case code::kYear: return &parts.year;
    case code::kHour: return &parts.hours;
    case code::kMinute: return &parts.minutes;
    default: return &parts.seconds;
  }
}

bool sameLetter(char a, char b) {
  return upperCharacter(a) == upperCharacter(b);
}

ReadParts readDateTimeParts(std::string_view text, const CompiledPicture& picture) {
  ReadParts parts;
  const bool from_profile = picture.format == 7 || picture.format == 8;
  const std::string& am = from_profile ? intlSettings().am : localeTables().am;
  const std::string& pm = from_profile ? intlSettings().pm : localeTables().pm;
  std::size_t at = 0;
  std::size_t t = 0;
  while (t < picture.length && at < text.size()) {
    const std::uint8_t token = picture.tokens[t].code;
    std::size_t run = 1;
    while (t + run < picture.length && picture.tokens[t + run].code == token) ++run;
    if (token == code::kDay) parts.day_position = true;
    if (token >= code::kMonth && token <= code::kSecond && token != code::kMonthLetter) {
      // Pads before the digits belong to the run; a non-digit after them ends it early and the
      // text re-aligns on the next token, so 1/5/00 reads under Mm/dd/yy.
      std::int32_t value = 0;
      bool any = false;
      for (std::size_t k = 0; k < run && at < text.size(); ++k) {
        const char c = text[at];
        if (isDigit(c)) {
          value = value * 10 + (c - '0');
          any = true;
          ++at;
        } else if (!any && (c == ' ' || c == picture.tokens[t + k].pad)) {
          ++at;
        } else {
          break;
        }
      }
      if (any) {
        *partFor(parts, token) = value;
        if (token <= code::kYear) parts.date_read = true;
      }
      t += run;
      continue;
    }
    if (token == code::kMonthLetter) {
      while (at < text.size() && text[at] == ' ') ++at;
      const std::string_view word = text.substr(at, 3);
      const LocaleTables& locale = localeTables();
      for (std::size_t month = 0; month < 12 && word.size() == 3; ++month) {
        const std::string& abbreviation = locale.month_abbreviations[month];
        if (abbreviation.size() == 3 && sameLetter(word[0], abbreviation[0]) &&
            sameLetter(word[1], abbreviation[1]) && sameLetter(word[2], abbreviation[2])) {
          parts.month = static_cast<std::int32_t>(month + 1);
          parts.date_read = true;
          break;
        }
      }
      while (at < text.size() && isLetter(text[at])) ++at;
      t += run;
      continue;
    }
    if (token == code::kDesignator) {
      const char c = text[at];
      if (!pm.empty() && sameLetter(c, pm[0])) {
        parts.pm = true;
      } else if (!am.empty() && sameLetter(c, am[0])) {
        parts.am = true;
      }
    }
    ++at;
    ++t;
  }
  return parts;
}

std::string deformatDate(std::string_view text, const CompiledPicture& picture) {
  ReadParts parts = readDateTimeParts(text, picture);
  if (!parts.date_read) return "0";
  if (!parts.day_position) parts.day = 1;
  const std::int32_t window = picture.century_window == 0 ? kDefaultCenturyWindow : picture.century_window;
  const std::int32_t year = expandTwoDigitYear(parts.year, window);
  return std::to_string(dateFromParts(parts.month, parts.day, year));
}

std::string deformatTime(std::string_view text, const CompiledPicture& picture) {
  ReadParts parts = readDateTimeParts(text, picture);
  if (parts.pm && parts.hours < 12) parts.hours += 12;
  if (parts.am && parts.hours == 12) parts.hours = 0;
  if (parts.hours >= 24 || parts.minutes >= 60 || parts.seconds >= 60) return "-1";
  if (parts.hours == 0 && parts.minutes == 0 && parts.seconds == 0) return "0";
  return std::to_string(parts.hours * 360000 + parts.minutes * 6000 + parts.seconds * 100 + 1);
}

// The characters of a number wherever it stands in the text.
std::string numberInText(std::string_view text) {
  std::string out;
  bool point = false;
  bool exponent = false;
  for (const char c : text) {
    if (isDigit(c)) {
      out += c;
    } else if (c == '.' && !point) {
      out += c;
      point = true;
    } else if ((c == 'e' || c == 'E') && !exponent && out.find_first_of("0123456789") != std::string::npos) {
      out += c;
      exponent = true;
    } else if (c == '-' && (out.empty() || out.back() == 'e' || out.back() == 'E')) {
      out += c;
    } else if (c == '+' && !out.empty() && (out.back() == 'e' || out.back() == 'E')) {
      out += c;
    }
  }
  return out;
}

}  // namespace

std::string deformatPicture(std::string_view text, const CompiledPicture& picture) {
  if (!picture.valid()) return std::string();
  switch (picture.pictureKind()) {
    case PictureKind::kDate: return deformatDate(text, picture);
    case PictureKind::kTime: return deformatTime(text, picture);
    case PictureKind::kString: return numberInText(text);
    default: return deformatNumber(text, picture);
  }
}

}  // namespace veltrano::runtime
