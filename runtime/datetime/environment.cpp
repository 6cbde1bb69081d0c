#include "runtime/datetime/environment.h"

#include <algorithm>
#include <array>
#include <cstdio>

#include "platform/codepage.h"
#include "platform/file.h"
#include "runtime/datetime/char_tables.h"
#include "runtime/datetime/collation.h"
#include "runtime/datetime/cp1251_letters.h"
#include "runtime/datetime/locale.h"
#include "runtime/errors/error_state.h"
#include "runtime/errors/messages.h"

namespace veltrano::runtime {
namespace {

constexpr std::size_t kKeySize = 31;
constexpr std::size_t kValueSize = 1024;
constexpr std::size_t kDigraphCount = 16;
constexpr int kFirstButtonMessage = 32512;
constexpr char kEndOfFile = 26;

bool isBlank(char c) {
  return c == ' ' || c == '\t';
}
bool isDigit(char c) {
  return c >= '0' && c <= '9';
}
bool isControl(char c) {
  return static_cast<unsigned char>(c) < 32;
}

std::string asciiUpper(std::string_view text) {
  std::string out(text);
  for (char& c : out)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return out;
}

bool equalsIgnoringCase(std::string_view text, std::string_view word) {
  return asciiUpper(text) == word;
}

std::string trimBlanks(std::string_view text) {
  std::size_t first = 0;
  std::size_t last = text.size();
  while (first < last && isBlank(text[first])) ++first;
  while (last > first && isBlank(text[last - 1])) --last;
  return std::string(text.substr(first, last - first));
}

// Reads one value from `at` to the end of its line. Blanks written literally at either end are
// dropped; blanks written as escapes are kept, which is how a sequence can begin with a space.
std::string readValue(std::string_view text, std::size_t& at) {
  while (at < text.size() && isBlank(text[at])) ++at;
  std::string value;
  std::size_t kept = 0;  // the value's length up to its last escaped character
  const auto put = [&](char c) {
    if (value.size() < kValueSize) value.push_back(c);
  };
  while (at < text.size() && text[at] != '\r' && text[at] != '\n' && text[at] != kEndOfFile) {
    if (text[at] == '<' && at + 1 < text.size() && text[at + 1] == '<') {
      put('<');
      at += 2;
      kept = value.size();
      continue;
    }
    if (text[at] == '<' && at + 1 < text.size() && isDigit(text[at + 1])) {
      std::size_t end = at + 1;
      unsigned code = 0;
      while (end < text.size() && isDigit(text[end]) && code <= 255) {
        code = code * 10 + static_cast<unsigned>(text[end] - '0');
        ++end;
      }
      if (code <= 255 && (end >= text.size() || !isDigit(text[end]))) {
        put(static_cast<char>(code));
        if (end < text.size() && text[end] == '>') ++end;
        at = end;
        kept = value.size();
        continue;
      }
    }
    put(text[at++]);
  }
  while (value.size() > kept && isBlank(value.back())) value.pop_back();
  return value;
}

void setCasePairs(const std::vector<std::pair<std::uint8_t, std::uint8_t>>& pairs) {
  CharTables& tables = charTables();
  for (std::size_t code = 128; code < 256; ++code) {
    tables.partner[code] = 0;
    tables.flags[code] = 0;
  }
  for (const auto& [upper, lower] : pairs) {
    if (upper < 128 || lower < 128) continue;
    tables.partner[upper] = lower;
    tables.partner[lower] = upper;
    tables.flags[upper] = kCaseUpper;
    tables.flags[lower] = kCaseLower;
  }
}

void setCollatingSequence(const std::string& sequence, bool sequence_is_oem) {
  CharTables& tables = charTables();
  if (sequence_is_oem) {
    tables.collation_oem = collationWeights(sequence);
    tables.collation = collationWeights(platform::ansiFromOem(sequence));
  } else {
    tables.collation = collationWeights(sequence);
    tables.collation_oem = collationWeights(platform::oemFromAnsi(sequence));
  }
}

void applyCase(const std::string& value, const std::vector<std::string>& items) {
  if (value.empty()) {
    const CharTables defaults = CharTables::defaults();
    charTables().partner = defaults.partner;
    charTables().flags = defaults.flags;
    return;
  }
  if (equalsIgnoringCase(value, "WINDOWS") || items.size() < 2 || items[0].empty() ||
      items[0].size() != items[1].size()) {
    setCasePairs(cp1251CasePairs());
    return;
  }
  std::vector<std::pair<std::uint8_t, std::uint8_t>> pairs;
  for (std::size_t i = 0; i < items[0].size(); ++i)
    pairs.emplace_back(static_cast<std::uint8_t>(items[0][i]), static_cast<std::uint8_t>(items[1][i]));
  setCasePairs(pairs);
}

void applyDigraphs(const std::vector<std::string>& items) {
  std::string joined;
  for (const std::string& item : items) joined += item;
  CharTables& tables = charTables();
  tables.digraphs.clear();
  tables.digraphs_oem.clear();
  for (std::size_t at = 0; at + 3 <= joined.size() && tables.digraphs.size() < kDigraphCount; at += 3) {
    const auto byte = [&](std::size_t i) { return static_cast<std::uint8_t>(joined[at + i]); };
    tables.digraphs.push_back({byte(0), byte(1), byte(2)});
    tables.digraphs_oem.push_back(
        {platform::oemFromAnsi(byte(0)), platform::oemFromAnsi(byte(1)), platform::oemFromAnsi(byte(2))});
  }
}

// The message number of a VESMSG<n> key, or -1.
int messageNumberOf(std::string_view upper_key) {
  constexpr std::string_view kPrefix = "VESMSG";
  if (!upper_key.starts_with(kPrefix) || upper_key.size() == kPrefix.size() ||
      upper_key.size() > kPrefix.size() + 9)
    return -1;
  int number = 0;
  for (const char c : upper_key.substr(kPrefix.size())) {
    if (!isDigit(c)) return -1;
    number = number * 10 + (c - '0');
  }
  return number;
}

void applyLine(const EnvironmentLine& line) {
  LocaleTables& locale = localeTables();
  const std::string key = asciiUpper(line.key);
  if (key == "VESCOLSEQ") {
    std::string sequence = line.value;
    if (!sequence.empty() && sequence.front() == '"') sequence = environmentItems(sequence, true).front();
    if (equalsIgnoringCase(sequence, "WINDOWS")) {
      setCollatingSequence(cp1251AlphabeticalOrder(), false);
    } else {
      setCollatingSequence(sequence, locale.oem_charset);
    }
    return;
  }
  const std::string value = locale.oem_charset ? platform::ansiFromOem(line.value) : line.value;
  const int message = messageNumberOf(key);
  const std::vector<std::string> items = environmentItems(value, message >= 0);
  const auto item = [&](std::size_t i) { return i < items.size() ? items[i] : std::string(); };

  if (key == "VESCHARSET") {
    locale.oem_charset = equalsIgnoringCase(item(0), "OEM");
  } else if (key == "VESCASE") {
    applyCase(value, items);
  } else if (key == "VESMONTH") {
    for (std::size_t i = 0; i < std::min<std::size_t>(items.size(), 12); ++i)
      locale.month_names[i] = items[i].substr(0, kMonthNameSize);
  } else if (key == "VESMON") {
    for (std::size_t i = 0; i < std::min<std::size_t>(items.size(), 12); ++i)
      locale.month_abbreviations[i] = items[i].substr(0, kMonthAbbreviationSize);
  } else if (key == "VESAMPM") {
    if (equalsIgnoringCase(value, "WINDOWS")) {
      locale.am = intlSettings().am;
      locale.pm = intlSettings().pm;
    } else {
      if (!items.empty()) locale.am = items[0].substr(0, kDesignatorSize);
      if (items.size() > 1) locale.pm = items[1].substr(0, kDesignatorSize);
    }
  } else if (key == "VESDIGRAPH") {
    applyDigraphs(items);
  } else if (key == "VESBUTTON") {
    for (std::size_t i = 0; i < items.size(); ++i)
      setMessageOverride(kFirstButtonMessage + static_cast<int>(i), items[i]);
  } else if (key == "VESLFN") {
    locale.long_file_names = equalsIgnoringCase(item(0), "ON");
  } else if (message >= 0) {
    setMessageOverride(message, item(0));
  }
}

void applyWindowsLocale() {
  setCollatingSequence(cp1251AlphabeticalOrder(), false);
  setCasePairs(cp1251CasePairs());
  localeTables().am = intlSettings().am;
  localeTables().pm = intlSettings().pm;
}

}  // namespace

std::vector<EnvironmentLine> parseEnvironmentLines(std::string_view text) {
  if (const std::size_t end = text.find(kEndOfFile); end != std::string_view::npos)
    text = text.substr(0, end);
  std::vector<EnvironmentLine> lines;
  std::size_t at = 0;
  while (at < text.size()) {
    std::string key;
    while (at < text.size() && text[at] != '=' && !isControl(text[at])) {
      if (text[at] != ' ' && key.size() < kKeySize) key.push_back(text[at]);
      ++at;
    }
    if (at >= text.size()) break;
    if (text[at] != '=') {
      ++at;  // a key ended by a control character is dropped
      continue;
    }
    ++at;
    std::string value = readValue(text, at);
    if (!key.empty()) lines.push_back({std::move(key), std::move(value)});
  }
  return lines;
}

std::vector<std::string> environmentItems(std::string_view value, bool single) {
  std::vector<std::string> items;
  if (value.empty()) return items;
  if (value.front() != '"') {
    if (single) {
      items.emplace_back(value);
      return items;
    }
    std::size_t start = 0;
    while (true) {
      const std::size_t comma = value.find(',', start);
      items.push_back(
          trimBlanks(value.substr(start, comma == std::string_view::npos ? value.npos : comma - start)));
      if (comma == std::string_view::npos) break;
      start = comma + 1;
    }
    return items;
  }
  std::size_t at = 0;
  while (at < value.size() && value[at] == '"') {
    ++at;
    std::string item;
    while (at < value.size()) {
      if (value[at] == '"') {
        if (at + 1 < value.size() && value[at + 1] == '"') {
          item.push_back('"');
          at += 2;
          continue;
        }
        ++at;
        break;
      }
      item.push_back(value[at++]);
    }
    items.push_back(std::move(item));
    while (at < value.size() && isBlank(value[at])) ++at;
    if (at >= value.size() || value[at] != ',') break;
    ++at;
    while (at < value.size() && isBlank(value[at])) ++at;
  }
  return items;
}

void applyEnvironmentText(std::string_view text) {
  for (const EnvironmentLine& line : parseEnvironmentLines(text)) applyLine(line);
}

void loadEnvironment(std::string_view name) {
  clearErrors();
  if (name.empty()) return;
  if (equalsIgnoringCase(name, "WINDOWS")) {
    applyWindowsLocale();
    return;
  }
  // The name is used as written: unlike the host the runtime was first made for, file names
  // here are case-sensitive.
  std::FILE* file = std::fopen(std::string(name).c_str(), "rb");
  if (file == nullptr) {
    postError(2);
    return;
  }
  std::string text;
  std::array<char, 4096> block{};
  std::size_t got = 0;
  while ((got = std::fread(block.data(), 1, block.size(), file)) > 0) text.append(block.data(), got);
  const bool failed = std::ferror(file) != 0;
  std::fclose(file);
  if (failed) {
    postError(2);
    return;
  }
  applyEnvironmentText(text);
}

std::string environmentFileFor(std::string_view program_path) {
  const std::size_t slash = program_path.rfind('/');
  const std::size_t name_start = slash == std::string_view::npos ? 0 : slash + 1;
  std::size_t dot = program_path.rfind('.');
  if (dot == std::string_view::npos || dot <= name_start) dot = program_path.size();
  return std::string(program_path.substr(0, dot)) + ".ENV";
}

std::string startupEnvironmentFile(std::string_view program_path) {
  std::string beside = environmentFileFor(program_path);
  if (platform::fileSystem().exists(beside)) return beside;
  // An installed program lives in PREFIX/bin and its data in PREFIX/share/veltrano.
  const std::size_t slash = beside.rfind('/');
  const std::string directory = slash == std::string::npos ? "." : beside.substr(0, slash);
  const std::string name = slash == std::string::npos ? beside : beside.substr(slash + 1);
  std::string installed = directory + "/../share/veltrano/" + name;
  return platform::fileSystem().exists(installed) ? installed : beside;
}

void loadStartupEnvironment(std::string_view program_path) {
  reloadIntlSettings();
  loadEnvironment(startupEnvironmentFile(program_path));
}

}  // namespace veltrano::runtime
