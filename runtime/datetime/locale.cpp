#include "runtime/datetime/locale.h"

#include <algorithm>
#include <memory>
#include <mutex>

#include "platform/codepage.h"
#include "platform/profile.h"
#include "runtime/datetime/char_tables.h"
#include "runtime/errors/messages.h"

namespace veltrano::runtime {
namespace {

constexpr std::array<const char*, 12> kEnglishMonths{"January",   "February", "March",    "April",
                                                     "May",       "June",     "July",     "August",
                                                     "September", "October",  "November", "December"};

void appendDigits(Layout& layout, LayoutPart part, char pad, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i) layout.push_back({part, pad});
}

std::size_t runLength(std::string_view text, std::size_t at) {
  std::size_t end = at;
  while (end < text.size() && text[end] == text[at]) ++end;
  return end - at;
}

std::mutex intl_mutex;
std::unique_ptr<IntlSettings> intl_settings;

}  // namespace

LocaleTables LocaleTables::defaults() {
  LocaleTables tables;
  for (std::size_t month = 0; month < 12; ++month) {
    tables.month_names[month] = kEnglishMonths[month];
    tables.month_abbreviations[month] = tables.month_names[month].substr(0, kMonthAbbreviationSize);
  }
  return tables;
}

LocaleTables& localeTables() {
  static LocaleTables tables = LocaleTables::defaults();
  return tables;
}

void resetLocaleToDefaults() {
  localeTables() = LocaleTables::defaults();
  charTables() = CharTables::defaults();
  clearMessageOverrides();
}

Layout shortDateLayout(std::string_view format) {
  const char first = format.empty() ? 'M' : format.front();
  char separator = '/';
  if (const std::size_t last_month = format.rfind('M');
      last_month != std::string_view::npos && last_month + 1 < format.size())
    separator = format[last_month + 1];
  const char day_pad = format.find("dd") != std::string_view::npos ? '0' : ' ';
  const char month_pad = format.find("MM") != std::string_view::npos ? '0' : ' ';
  const std::size_t year_digits = format.find("yyyy") != std::string_view::npos ? 4 : 2;

  std::array<LayoutPart, 3> order{LayoutPart::kMonth, LayoutPart::kDay, LayoutPart::kYear};
  if (first == 'd') order = {LayoutPart::kDay, LayoutPart::kMonth, LayoutPart::kYear};
  if (first == 'y') order = {LayoutPart::kYear, LayoutPart::kMonth, LayoutPart::kDay};
  Layout layout;
  for (std::size_t i = 0; i < order.size(); ++i) {
    if (i > 0) layout.push_back({LayoutPart::kSeparator, separator});
    switch (order[i]) {
      case LayoutPart::kDay: appendDigits(layout, LayoutPart::kDay, day_pad, 2); break;
      case LayoutPart::kMonth: appendDigits(layout, LayoutPart::kMonth, month_pad, 2); break;
      default: appendDigits(layout, LayoutPart::kYear, '0', year_digits); break;
    }
  }
  return layout;
}

Layout longDateLayout(std::string_view format) {
  Layout layout;
  std::size_t at = 0;
  // A weekday cannot be shown: drop it with whatever stands between it and the next part.
  if (format.starts_with("ddd")) {
    at = runLength(format, 0);
    while (at < format.size() && format[at] != 'M' && format[at] != 'd' && format[at] != 'y') ++at;
  }
  while (at < format.size()) {
    const char c = format[at];
    if (c == '\'' && at + 1 < format.size() && format[at + 1] == '\'') {
      layout.push_back({LayoutPart::kLiteral, '\''});
      at += 2;
      continue;
    }
    if (c == '\'') {
      ++at;
      while (at < format.size()) {
        if (format[at] == '\'') {
          if (at + 1 < format.size() && format[at + 1] == '\'') {
            layout.push_back({LayoutPart::kLiteral, '\''});
            at += 2;
            continue;
          }
          ++at;
          break;
        }
        layout.push_back({LayoutPart::kLiteral, format[at++]});
      }
      continue;
    }
    const std::size_t run = runLength(format, at);
    if (c == 'M') {
      if (run >= 4) {
        appendDigits(layout, LayoutPart::kMonthLetter, ' ', 9);
      } else if (run == 3) {
        appendDigits(layout, LayoutPart::kMonthLetter, ' ', 3);
      } else {
        appendDigits(layout, LayoutPart::kMonth, run == 2 ? '0' : ' ', 2);
      }
      at += run;
    } else if (c == 'd') {
      // A weekday in the middle of the format is dropped on its own.
      if (run <= 2) appendDigits(layout, LayoutPart::kDay, run == 2 ? '0' : ' ', 2);
      at += run;
    } else if (c == 'y') {
      appendDigits(layout, LayoutPart::kYear, '0', std::min<std::size_t>(run, 4));
      at += run;
    } else {
      layout.push_back({LayoutPart::kLiteral, c});
      ++at;
    }
  }
  return layout;
}

Layout timeLayout(bool with_seconds, bool twenty_four_hours, bool leading_zero, char separator,
                  std::size_t designator_length) {
  Layout layout;
  appendDigits(layout, LayoutPart::kHour, leading_zero ? '0' : ' ', 2);
  layout.push_back({LayoutPart::kSeparator, separator});
  appendDigits(layout, LayoutPart::kMinute, '0', 2);
  if (with_seconds) {
    layout.push_back({LayoutPart::kSeparator, separator});
    appendDigits(layout, LayoutPart::kSecond, '0', 2);
  }
  if (!twenty_four_hours && designator_length > 0) {
    layout.push_back({LayoutPart::kLiteral, ' '});
    layout.push_back({LayoutPart::kDesignator, ' '});
    if (designator_length > 1) layout.push_back({LayoutPart::kLiteral, 'M'});
  }
  return layout;
}

IntlSettings intlSettingsFrom(const platform::IniFile& profile) {
  IntlSettings settings;
  const auto text = [&](std::string_view key, std::string_view fallback) {
    return platform::cp1251FromUtf8(profile.getString("intl", key, fallback));
  };
  settings.am = text("s1159", "AM").substr(0, kDesignatorSize);
  settings.pm = text("s2359", "PM").substr(0, kDesignatorSize);
  const bool twenty_four = profile.getInt("intl", "iTime", 0) == 1;
  const bool leading_zero = profile.getInt("intl", "iTLzero", 1) == 1;
  const std::string separator_text = text("sTime", ":");
  const char separator = separator_text.empty() ? ':' : separator_text.front();
  const std::size_t designator_length = std::max(settings.am.size(), settings.pm.size());
  settings.short_time = timeLayout(false, twenty_four, leading_zero, separator, designator_length);
  settings.long_time = timeLayout(true, twenty_four, leading_zero, separator, designator_length);
  settings.short_date = shortDateLayout(text("sShortDate", "MM/dd/yy"));
  settings.long_date = longDateLayout(text("sLongDate", "ddd', 'MMMM' 'dd', 'yyyy"));
  return settings;
}

const IntlSettings& intlSettings() {
  std::lock_guard lock(intl_mutex);
  if (!intl_settings)
    intl_settings = std::make_unique<IntlSettings>(intlSettingsFrom(platform::systemProfile()));
  return *intl_settings;
}

void reloadIntlSettings() {
  platform::reloadSystemProfile();
  std::lock_guard lock(intl_mutex);
  intl_settings = std::make_unique<IntlSettings>(intlSettingsFrom(platform::systemProfile()));
}

}  // namespace veltrano::runtime
