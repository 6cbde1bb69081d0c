#include "framework/browse/step_objects.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "runtime/values/decimal.h"
#include "runtime/values/text_compare.h"

namespace veltrano::framework {
namespace {

// The punctuation a text step may step through (flag 2): backquote, !, ", the pound sign of
// the stored set, $, %, ^, &, *, (, ), ', -, =, _, +, ], [, #, ;, ~, @, :, /, ., ,, ?, \, | and
// the blank.
constexpr std::string_view kPunctuation = "`!\"\xA3$%^&*()'-=_+][#;~@:/.,?\\| ";

// Surname starts: the first three letters of a surname at each hundredth of a directory of
// English surnames, the blank first and one past the last hundredth.
constexpr std::array<std::string_view, 101> kSurnameStarts{
    "   ", "ALB", "AME", "ARN", "BAK", "BAT", "BEL", "BER", "BLA", "BOW", "BRA", "BRO", "BUR", "CAM", "CAR",
    "CHA", "CHR", "CLA", "COL", "COO", "CRA", "CUN", "DAV", "DEL", "DIC", "DOU", "DUN", "EDW", "ELL", "EVA",
    "FER", "FIS", "FOS", "FRE", "GAR", "GIB", "GOL", "GRA", "GRE", "HAL", "HAM", "HAR", "HAW", "HEN", "HIL",
    "HOL", "HOW", "HUN", "JAC", "JEN", "JOH", "JON", "KEL", "KIN", "KNI", "LAN", "LEE", "LEW", "LON", "MAC",
    "MAR", "MAS", "MCC", "MCK", "MIL", "MIT", "MOO", "MOR", "MUR", "NEL", "NOR", "OLI", "PAR", "PAT", "PER",
    "PHI", "POW", "RAN", "REE", "RIC", "ROB", "ROG", "ROS", "RUS", "SAN", "SCO", "SHA", "SIM", "SMI", "STE",
    "STO", "SUL", "TAY", "THO", "TUR", "WAL", "WAR", "WEB", "WIL", "WOL", "YOR"};

std::vector<std::string> surnameStarts() {
  return std::vector<std::string>(kSurnameStarts.begin(), kSurnameStarts.end());
}

// Two-letter starts: a blank, then for every letter the letter alone and with F, N and T.
std::vector<std::string> pairStarts() {
  std::vector<std::string> table{"  "};
  for (char letter = 'A'; letter <= 'Z'; ++letter) {
    for (char second : std::string_view(" FNT")) {
      if ((letter == 'A' && second == ' ') || (letter == 'Z' && (second == 'F' || second == 'T'))) continue;
      table.push_back(std::string{letter, second});
    }
  }
  return table;
}

double numberOf(std::string_view text) {
  return runtime::Decimal::fromText(text).toDouble();
}

}  // namespace

int NumericStep::PercentileOf(std::string_view value) const {
  if (HIGH == LOW) return 50;
  const double v = numberOf(value);
  int p = static_cast<int>(std::trunc((v - LOW) * 100.0 / (HIGH - LOW)));
  p = std::clamp(p, 0, 100);
  if (descending()) p = 100 - p;
  return p == 0 ? 1 : p;
}

std::string NumericStep::GetValue(int percentile) const {
  const int p = descending() ? 100 - percentile : percentile;
  const double value = LOW + (HIGH - LOW) * p / 100.0;
  return runtime::Decimal::fromDouble(value).toText();
}

void NumericStep::SetLimit(std::string_view low, std::string_view high) {
  LOW = numberOf(low);
  HIGH = numberOf(high);
  if (descending()) std::swap(LOW, HIGH);
}

void TextStep::Init(std::uint8_t controls, std::uint8_t mode) {
  CONTROLS = controls;
  LOOKUPMODE = mode;
  ROOT.clear();
  SORTCHARS.clear();
  for (int code = 1; code <= 255; ++code) {
    const auto c = static_cast<std::uint8_t>(code);
    const bool punctuation = (controls & kStepPunctuation) != 0 &&
                             kPunctuation.find(static_cast<char>(c)) != std::string_view::npos;
    const bool digit = (controls & kStepDigits) != 0 && c >= '0' && c <= '9';
    const bool letter = (controls & kStepLetters) != 0 && runtime::isAlphaChar(c) &&
                        ((controls & kStepCaseSensitive) != 0 || runtime::isUpperChar(c));
    if (punctuation || digit || letter) SORTCHARS += static_cast<char>(c);
  }
  switch (mode) {
    case kStepLookupSurnames:
      REF = surnameStarts();
      TESTLEN = 3;
      break;
    case kStepLookupPairs:
      REF = pairStarts();
      TESTLEN = 2;
      break;
    default:
      REF.assign(kSamples, std::string(4, SORTCHARS.empty() ? ' ' : SORTCHARS.front()));
      TESTLEN = 4;
      break;
  }
}

std::string TextStep::sampleOf(std::string_view value) const {
  if (!ROOT.empty() && value.substr(0, ROOT.size()) == ROOT) value.remove_prefix(ROOT.size());
  std::string sample(value.substr(0, TESTLEN));
  if ((CONTROLS & kStepCaseSensitive) == 0) sample = runtime::upperText(sample);
  const char pad = LOOKUPMODE == kStepLookupLimits && !SORTCHARS.empty() ? SORTCHARS.front() : ' ';
  sample.resize(TESTLEN, pad);
  return sample;
}

int TextStep::PercentileOf(std::string_view value) const {
  const std::string sample = sampleOf(value);
  const std::size_t samples = std::min(REF.size(), kSamples);
  std::size_t r = 0;
  const auto bytes = [](std::string_view a, std::string_view b) {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
      return static_cast<unsigned char>(x) < static_cast<unsigned char>(y);
    });
  };
  while (r < samples && !bytes(sample, REF[r])) ++r;
  int p = static_cast<int>(r);
  if (descending()) p = 100 - p;
  return p == 0 ? 1 : std::min(p, 100);
}

std::string TextStep::GetValue(int percentile) const {
  if (REF.empty()) return ROOT;
  int p = descending() ? 100 - percentile : percentile;
  if (p <= 0) p = 1;
  const auto entry = std::min(static_cast<std::size_t>(p), std::min(REF.size(), kSamples) - 1);
  std::string value = ROOT + REF[entry];
  while (!value.empty() && value.back() == ' ') value.pop_back();
  return value;
}

void TextStep::SetLimit(std::string_view low, std::string_view high) {
  if (LOOKUPMODE != kStepLookupLimits || SORTCHARS.empty()) return;
  std::string from = (CONTROLS & kStepCaseSensitive) != 0 ? std::string(low) : runtime::upperText(low);
  std::string to = (CONTROLS & kStepCaseSensitive) != 0 ? std::string(high) : runtime::upperText(high);
  if (descending()) std::swap(from, to);
  std::size_t common = 0;
  while (common < from.size() && common < to.size() && common < kRootWidth && from[common] == to[common])
    ++common;
  ROOT = from.substr(0, common);
  const double base = static_cast<double>(SORTCHARS.size());
  // Four characters after the root as a number in the base of the sample characters; a
  // character outside them counts as the nearest one below it.
  auto number = [&](const std::string& text) {
    double n = 0;
    for (std::size_t i = 0; i < TESTLEN; ++i) {
      const char c = common + i < text.size() ? text[common + i] : SORTCHARS.front();
      std::size_t digit = 0;
      for (std::size_t k = 0; k < SORTCHARS.size(); ++k) {
        if (static_cast<unsigned char>(SORTCHARS[k]) <= static_cast<unsigned char>(c)) digit = k;
      }
      n = n * base + static_cast<double>(digit);
    }
    return n;
  };
  const double first = number(from);
  const double step = (number(to) - first) / static_cast<double>(kSamples);
  REF.assign(kSamples, std::string());
  for (std::size_t r = 0; r < kSamples; ++r) {
    double n = std::floor(first + static_cast<double>(r) * step);
    std::string sample(TESTLEN, SORTCHARS.front());
    for (std::size_t i = TESTLEN; i-- > 0;) {
      const double digit = std::fmod(n, base);
      sample[i] = SORTCHARS[static_cast<std::size_t>(digit)];
      n = std::floor(n / base);
    }
    REF[r] = sample;
  }
}

}  // namespace veltrano::framework
