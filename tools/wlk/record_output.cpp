#include "tools/wlk/record_output.h"

#include <cstdio>

#include "platform/codepage.h"
#include "runtime/values/field_value.h"

namespace veltrano::wlk {
namespace {

using runtime::TypeCode;

std::string twoDigits(int value) {
  return std::string(1, static_cast<char>('0' + value / 10 % 10)) + static_cast<char>('0' + value % 10);
}

// Control characters as \xHH; everything else as it is.
std::string visible(std::string_view text) {
  static const char digits[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20) {
      out += "\\x";
      out += digits[byte >> 4];
      out += digits[byte & 15];
    } else {
      out += c;
    }
  }
  return out;
}

std::string dateText(const std::uint8_t* packed) {
  const int day = packed[0], month = packed[1], year = packed[2] | packed[3] << 8;
  if (day == 0 && month == 0 && year == 0) return {};
  return twoDigits(day) + "." + twoDigits(month) + "." + std::to_string(year);
}

std::string timeText(const std::uint8_t* packed) {
  const int hundredths = packed[0], seconds = packed[1], minutes = packed[2], hours = packed[3];
  if (hundredths == 0 && seconds == 0 && minutes == 0 && hours == 0) return {};
  std::string text = twoDigits(hours) + ":" + twoDigits(minutes);
  if (seconds != 0 || hundredths != 0) text += ":" + twoDigits(seconds);
  if (hundredths != 0) text += "." + twoDigits(hundredths);
  return text;
}

bool needsQuotes(std::string_view value) {
  return value.find_first_of(";\"\r\n") != std::string_view::npos || (!value.empty() && value.front() == ' ');
}

}  // namespace

std::string columnText(const runtime::FieldDescriptor& field, std::span<const std::uint8_t> record,
                       std::uint32_t element, const OutputForm& form) {
  const std::uint32_t element_size = field.element_size == 0 ? field.size : field.element_size;
  const std::uint64_t at = std::uint64_t{field.offset} + std::uint64_t{element} * element_size;
  if (!form.raw && (field.type == TypeCode::Date || field.type == TypeCode::Time) &&
      at + 4 <= record.size()) {
    return field.type == TypeCode::Date ? dateText(record.data() + at) : timeText(record.data() + at);
  }
  return valueText(runtime::loadText(field, record, element));
}

bool fractionalType(TypeCode type) {
  return type == TypeCode::Decimal || type == TypeCode::Pdecimal || type == TypeCode::Sreal ||
         type == TypeCode::Real || type == TypeCode::Bfloat4 || type == TypeCode::Bfloat8;
}

bool looksFractional(std::string_view text) {
  if (!text.empty() && text.front() == '-') text.remove_prefix(1);
  const auto point = text.find('.');
  if (point == std::string_view::npos || point == 0 || point + 1 == text.size()) return false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (i != point && (text[i] < '0' || text[i] > '9')) return false;
  }
  return true;
}

std::string valueText(std::string_view cp1251) {
  while (!cp1251.empty() && cp1251.back() == ' ') cp1251.remove_suffix(1);
  return visible(platform::utf8From1251(cp1251));
}

std::string blobText(std::span<const std::uint8_t> bytes) {
  static const char digits[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(bytes.size() * 2);
  for (const auto byte : bytes) {
    out += digits[byte >> 4];
    out += digits[byte & 15];
  }
  return out;
}

void LineWriter::header(const std::vector<std::string>& labels_utf8) {
  if (!form_.csv) return;
  std::fputs("\xEF\xBB\xBF", out_);
  line(labels_utf8, std::vector<bool>(labels_utf8.size(), false));
}

void LineWriter::line(const std::vector<std::string>& values, const std::vector<bool>& numeric) {
  text_.clear();
  for (std::size_t i = 0; i < values.size(); ++i) {
    if (i > 0) text_ += form_.csv ? ';' : '\t';
    if (!form_.csv) {
      text_ += values[i];
      continue;
    }
    std::string value = values[i];
    if (i < numeric.size() && numeric[i]) {
      for (char& c : value)
        if (c == '.') c = ',';
    }
    if (!needsQuotes(value)) {
      text_ += value;
      continue;
    }
    text_ += '"';
    for (const char c : value) {
      if (c == '"') text_ += '"';
      text_ += c;
    }
    text_ += '"';
  }
  text_ += form_.csv ? "\r\n" : "\n";
  std::fwrite(text_.data(), 1, text_.size(), out_);
}

}  // namespace veltrano::wlk
