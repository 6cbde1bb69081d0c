// The built-in functions of filter texts.
#include <cmath>
#include <cstdint>
#include <limits>

#include "platform/clock.h"
#include "platform/codepage.h"
#include "platform/profile.h"
#include "runtime/datetime/calendar.h"
#include "runtime/expr/evaluate.h"
#include "runtime/expr/evaluator_internal.h"
#include "runtime/expr/text_functions.h"
#include "runtime/picture/picture.h"
#include "runtime/values/number_text.h"
#include "runtime/values/text_compare.h"

namespace veltrano::runtime {
namespace detail {
namespace {

// The runtime's random generator: a linear congruential generator drawing 15 bits at a time.
struct RandomGenerator {
  std::uint32_t state = 0;
  bool seeded = false;
  std::uint32_t draw15() {
    if (!seeded) {
      state = static_cast<std::uint32_t>(platform::tickMilliseconds() ^
                                         static_cast<std::uint64_t>(platform::secondsSinceEpoch()));
      seeded = true;
    }
    state = state * 214013u + 2531011u;
    return (state >> 16) & 0x7FFFu;
  }
};

RandomGenerator& randomGenerator() {
  static RandomGenerator generator;
  return generator;
}

class Arguments {
 public:
  explicit Arguments(const Node& node) : node_(node) {}

  std::size_t count() const { return node_.operands.size(); }
  bool present(std::size_t index) const { return index < node_.operands.size() && node_.operands[index]; }
  // A slot left out evaluates as an empty text.
  Scalar value(std::size_t index, std::string& scratch) const {
    if (!present(index)) return Scalar::ofText({});
    return evaluateNode(*node_.operands[index], scratch);
  }
  std::int32_t integer(std::size_t index, std::int32_t fallback = 0) const {
    std::string scratch;
    return present(index) ? integerOf(value(index, scratch)) : fallback;
  }
  double real(std::size_t index, double fallback = 0) const {
    std::string scratch;
    return present(index) ? realOf(value(index, scratch)) : fallback;
  }
  // The text form of an argument; a number is written into `scratch`.
  std::string_view text(std::size_t index, std::string& scratch) const {
    const Scalar result = value(index, scratch);
    return textOf(result, scratch);
  }

 private:
  const Node& node_;
};

// A width argument: 0 … kMaxComputedText.
std::size_t widthOf(std::int32_t width) {
  if (width < 0) return 0;
  return std::min(static_cast<std::size_t>(width), kMaxComputedText);
}

Scalar keep(std::string&& text, std::string& scratch) {
  scratch = std::move(text);
  return Scalar::ofText(scratch);
}

std::string_view withoutLeadingSpaces(std::string_view text) {
  const std::size_t first = text.find_first_not_of(' ');
  return first == std::string_view::npos ? std::string_view{} : text.substr(first);
}

std::string_view withoutTrailingSpaces(std::string_view text) {
  const std::size_t last = text.find_last_not_of(' ');
  return last == std::string_view::npos ? std::string_view{} : text.substr(0, last + 1);
}

Scalar substring(const Arguments& arguments, std::string& scratch) {
  std::string text_scratch;
  const std::string_view text = arguments.text(0, text_scratch);
  const std::int64_t start = std::max<std::int32_t>(arguments.integer(1, 1), 1);
  if (start > static_cast<std::int64_t>(text.size())) return Scalar::ofText({});
  const std::string_view rest = text.substr(static_cast<std::size_t>(start - 1));
  std::size_t length = rest.size();
  if (arguments.present(2)) {
    const std::int32_t wanted = arguments.integer(2);
    length = wanted < 0 ? 0 : std::min(rest.size(), static_cast<std::size_t>(wanted));
  }
  return keep(std::string(rest.substr(0, length)), scratch);
}

enum class Alignment { Left, Right, Center };

Scalar aligned(const Arguments& arguments, Alignment alignment, std::string& scratch) {
  std::string text_scratch;
  const std::string_view original = arguments.text(0, text_scratch);
  const std::size_t width =
      arguments.present(1) ? widthOf(arguments.integer(1)) : std::min(original.size(), kMaxComputedText);
  std::string_view text = original;
  if (alignment != Alignment::Right) text = withoutLeadingSpaces(text);
  if (alignment != Alignment::Left) text = withoutTrailingSpaces(text);
  std::string result;
  if (text.size() >= width) {
    result = alignment == Alignment::Right ? text.substr(text.size() - width) : text.substr(0, width);
  } else {
    const std::size_t spare = width - text.size();
    const std::size_t before =
        alignment == Alignment::Left ? 0 : (alignment == Alignment::Right ? spare : spare / 2);
    result.assign(before, ' ');
    result.append(text);
    result.resize(width, ' ');
  }
  return keep(std::move(result), scratch);
}

Scalar repeated(const Arguments& arguments, std::string& scratch) {
  std::string text_scratch;
  const std::string_view text = arguments.text(0, text_scratch);
  const std::size_t width = widthOf(arguments.integer(1, 255));
  std::string result;
  if (!text.empty()) {
    result.reserve(width);
    while (result.size() < width) result.append(text.substr(0, width - result.size()));
  }
  return keep(std::move(result), scratch);
}

// ROUND(x, step): to the power of ten of step's leading digit, halves away from zero. A zero
// step leaves x as it is; a negative step counts as its magnitude.
double roundToStep(double value, double step) {
  step = std::fabs(step);
  if (step == 0 || !std::isfinite(step) || value == 0) return value;
  const double logarithm = std::log10(step);
  auto power = static_cast<int>(logarithm);
  if (logarithm - power < 0) --power;
  const double scale = std::pow(10.0, std::abs(power));
  double quotient = power >= 0 ? value / scale : value * scale;
  quotient = std::trunc(quotient + (quotient < 0 ? -0.5 : 0.5));
  return power >= 0 ? quotient * scale : quotient / scale;
}

std::int32_t bitShift(std::int32_t value, std::int32_t count) {
  const auto bits = static_cast<std::uint32_t>(value);
  if (count >= 0 && count <= 31) return static_cast<std::int32_t>(bits << count);
  if (count < 0 && count >= -31) return static_cast<std::int32_t>(bits >> -count);
  return 0;
}

std::int32_t randomBetween(std::int32_t low, std::int32_t high) {
  if (low == high) return low;
  if (low > high) std::swap(low, high);
  RandomGenerator& generator = randomGenerator();
  const std::uint32_t first = generator.draw15();
  const std::uint32_t second = generator.draw15();
  const std::uint32_t third = generator.draw15();
  const std::uint32_t drawn = (first << 30) | (second << 15) | third;
  const auto range = static_cast<std::uint64_t>(static_cast<std::int64_t>(high) - low + 1);
  return static_cast<std::int32_t>(low + static_cast<std::int64_t>(drawn % range));
}

Scalar choose(const Arguments& arguments, std::string& scratch) {
  if (arguments.count() < 2) return Scalar::ofText({});
  const std::size_t last = arguments.count() - 1;
  const std::int32_t which = arguments.integer(0);
  const std::size_t index =
      which >= 1 && static_cast<std::size_t>(which) < last ? static_cast<std::size_t>(which) : last;
  std::string text_scratch;
  return keep(std::string(arguments.text(index, text_scratch)), scratch);
}

Scalar inList(const Arguments& arguments) {
  std::string wanted_scratch;
  const Scalar wanted = arguments.value(0, wanted_scratch);
  for (std::size_t index = 1; index < arguments.count(); ++index) {
    std::string scratch;
    if (compareScalars(wanted, arguments.value(index, scratch)) == 0) {
      return Scalar::ofInteger(static_cast<std::int32_t>(index));
    }
  }
  return Scalar::ofInteger(0);
}

// GETINI(section, entry [, default [, file]]): the system profile when no file is named.
Scalar profileValue(const Arguments& arguments, std::string& scratch) {
  std::string section_scratch;
  std::string entry_scratch;
  std::string fallback_scratch;
  std::string file_scratch;
  const std::string section = platform::utf8From1251(arguments.text(0, section_scratch));
  const std::string entry = platform::utf8From1251(arguments.text(1, entry_scratch));
  const std::string_view fallback = arguments.text(2, fallback_scratch);
  const std::string file = platform::utf8From1251(withoutTrailingSpaces(arguments.text(3, file_scratch)));
  std::optional<std::string> found;
  if (file.empty()) {
    found = platform::systemProfile().get(section, entry);
  } else {
    platform::IniFile ini(file);
    ini.load();
    found = ini.get(section, entry);
  }
  return keep(found ? platform::cp1251FromUtf8(*found) : std::string(fallback), scratch);
}

Scalar formatted(const Arguments& arguments, bool deformat, std::string& scratch) {
  std::string value_scratch;
  std::string picture_scratch;
  const std::string_view value = arguments.text(0, value_scratch);
  const CompiledPicture picture = compilePicture(arguments.text(1, picture_scratch));
  return keep(deformat ? deformatPicture(value, picture) : formatPicture(value, picture), scratch);
}

double realFunction(FunctionCode code, double x) {
  switch (code) {
    case FunctionCode::Abs: return std::fabs(x);
    case FunctionCode::Sqrt: return std::sqrt(x);
    case FunctionCode::Sin: return std::sin(x);
    case FunctionCode::Cos: return std::cos(x);
    case FunctionCode::Tan: return std::tan(x);
    case FunctionCode::Asin: return std::asin(x);
    case FunctionCode::Acos: return std::acos(x);
    case FunctionCode::Atan: return std::atan(x);
    case FunctionCode::Loge: return std::log(x);
    default: return std::log10(x);  // Log10
  }
}

}  // namespace

Scalar callBuiltIn(const Node& node, std::string& scratch) {
  const Arguments arguments(node);
  std::string text_scratch;
  switch (node.function) {
    case FunctionCode::Sub: return substring(arguments, scratch);
    case FunctionCode::Instring: {
      std::string sub_scratch;
      const std::string_view sub = arguments.text(0, sub_scratch);
      const std::string_view text = arguments.text(1, text_scratch);
      return Scalar::ofInteger(findInString(sub, text, arguments.integer(2, 1), arguments.integer(3, 1)));
    }
    case FunctionCode::Clip:
      return keep(std::string(withoutTrailingSpaces(arguments.text(0, text_scratch))), scratch);
    case FunctionCode::All: return repeated(arguments, scratch);
    case FunctionCode::Center: return aligned(arguments, Alignment::Center, scratch);
    case FunctionCode::Left: return aligned(arguments, Alignment::Left, scratch);
    case FunctionCode::Right: return aligned(arguments, Alignment::Right, scratch);
    case FunctionCode::Chr:
      return keep(std::string(1, static_cast<char>(arguments.integer(0) & 0xFF)), scratch);
    case FunctionCode::Format: return formatted(arguments, false, scratch);
    case FunctionCode::Deformat: return formatted(arguments, true, scratch);
    case FunctionCode::Len:
      return Scalar::ofInteger(static_cast<std::int32_t>(arguments.text(0, text_scratch).size()));
    case FunctionCode::Lower: return keep(lowerText(arguments.text(0, text_scratch)), scratch);
    case FunctionCode::Upper: return keep(upperText(arguments.text(0, text_scratch)), scratch);
    case FunctionCode::Numeric:
      return Scalar::ofInteger(isNumericText(arguments.text(0, text_scratch)) ? 1 : 0);
    case FunctionCode::Val: {
      const std::string_view text = arguments.text(0, text_scratch);
      return Scalar::ofInteger(text.empty() ? 0 : static_cast<std::uint8_t>(text[0]));
    }
    case FunctionCode::Abs:
    case FunctionCode::Sqrt:
    case FunctionCode::Sin:
    case FunctionCode::Cos:
    case FunctionCode::Tan:
    case FunctionCode::Asin:
    case FunctionCode::Acos:
    case FunctionCode::Atan:
    case FunctionCode::Loge:
    case FunctionCode::Log10: return Scalar::ofReal(realFunction(node.function, arguments.real(0)));
    case FunctionCode::Inrange: {
      const double x = arguments.real(0);
      const bool inside = compareReals(arguments.real(1), x) <= 0 && compareReals(x, arguments.real(2)) <= 0;
      return Scalar::ofInteger(inside ? 1 : 0);
    }
    case FunctionCode::Int: return Scalar::ofInteger(truncateToInteger(arguments.real(0)));
    case FunctionCode::Random:
      return Scalar::ofInteger(randomBetween(arguments.integer(0), arguments.integer(1)));
    case FunctionCode::Round: return Scalar::ofReal(roundToStep(arguments.real(0), arguments.real(1)));
    case FunctionCode::Band: return Scalar::ofInteger(arguments.integer(0) & arguments.integer(1));
    case FunctionCode::Bor: return Scalar::ofInteger(arguments.integer(0) | arguments.integer(1));
    case FunctionCode::Bxor: return Scalar::ofInteger(arguments.integer(0) ^ arguments.integer(1));
    case FunctionCode::Bshift: return Scalar::ofInteger(bitShift(arguments.integer(0), arguments.integer(1)));
    case FunctionCode::Today: return Scalar::ofInteger(today());
    case FunctionCode::Clock: return Scalar::ofInteger(clockSerial());
    case FunctionCode::Date:
      return Scalar::ofInteger(
          dateFromParts(arguments.integer(0), arguments.integer(1), arguments.integer(2)));
    case FunctionCode::Day: return Scalar::ofInteger(dayOfSerial(arguments.integer(0)));
    case FunctionCode::Month: return Scalar::ofInteger(monthOfSerial(arguments.integer(0)));
    case FunctionCode::Year: return Scalar::ofInteger(yearOfSerial(arguments.integer(0)));
    case FunctionCode::Age: return keep(ageText(arguments.integer(0), arguments.integer(1, -1)), scratch);
    case FunctionCode::Choose: return choose(arguments, scratch);
    case FunctionCode::Inlist: return inList(arguments);
    case FunctionCode::Getini: return profileValue(arguments, scratch);
    case FunctionCode::Match: {
      std::string pattern_scratch;
      const std::string_view text = arguments.text(0, text_scratch);
      const std::string_view pattern = arguments.text(1, pattern_scratch);
      return Scalar::ofInteger(matchText(text, pattern, arguments.integer(2, kMatchWildcard)) ? 1 : 0);
    }
    case FunctionCode::Null: {
      std::string value_scratch;
      return Scalar::ofInteger(truthOf(arguments.value(0, value_scratch)) ? 0 : 1);
    }
    default: haltWithNoEvaluation();  // MEMORY, and any code without an evaluation
  }
}

}  // namespace detail

void seedRandom(std::uint32_t seed) {
  detail::RandomGenerator& generator = detail::randomGenerator();
  generator.state = seed;
  generator.seeded = true;
}

}  // namespace veltrano::runtime
