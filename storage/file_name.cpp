#include "storage/file_name.h"

#include "platform/codepage.h"
#include "platform/file.h"

namespace veltrano::storage {
namespace {

constexpr std::string_view kSeparator = "\\!";

std::uint8_t upperCase1251(std::uint8_t c) {
  if (c >= 'a' && c <= 'z') return static_cast<std::uint8_t>(c - 0x20);
  if (c >= 0xE0) return static_cast<std::uint8_t>(c - 0x20);  // а–я
  switch (c) {
    case 0x90: return 0x80;  // ђ
    case 0x83: return 0x81;  // ѓ
    case 0x9A: return 0x8A;  // љ
    case 0x9C: return 0x8C;  // њ
    case 0x9D: return 0x8D;  // ќ
    case 0x9E: return 0x8E;  // ћ
    case 0x9F: return 0x8F;  // џ
    case 0xA2: return 0xA1;  // ў
    case 0xBC: return 0xA3;  // ј
    case 0xB4: return 0xA5;  // ґ
    case 0xB8: return 0xA8;  // ё
    case 0xBA: return 0xAA;  // є
    case 0xBF: return 0xAF;  // ї
    case 0xB3: return 0xB2;  // і
    case 0xBE: return 0xBD;  // ѕ
    default: return c;
  }
}

bool hasExtension(std::string_view path) {
  const auto last_directory = path.find_last_of("/\\");
  const auto last_dot = path.rfind('.');
  if (last_dot == std::string_view::npos) return false;
  return last_directory == std::string_view::npos || last_dot > last_directory;
}

std::string_view trimTrailingBlanks(std::string_view text) {
  while (!text.empty() && (text.back() == ' ' || text.back() == '\0')) text.remove_suffix(1);
  return text;
}

}  // namespace

std::optional<StorageFileName> parseFileName(std::string_view name) {
  name = trimTrailingBlanks(name);
  std::size_t search_from = 0;
  std::string_view file = name;
  std::string_view table;
  while (true) {
    const auto at = name.find(kSeparator, search_from);
    if (at == std::string_view::npos) break;
    const auto before = name.substr(0, at);
    if (!before.empty() && platform::fileSystem().isDirectory(platformPath(before))) {
      search_from = at + kSeparator.size();
      continue;
    }
    file = before;
    table = name.substr(at + kSeparator.size());
    break;
  }
  if (file.empty()) return std::nullopt;
  StorageFileName result;
  result.path = std::string(file);
  if (!hasExtension(result.path)) result.path += kDefaultExtension;
  result.table = table.empty() ? std::string(kDefaultTableName) : upperCase1251(table);
  return result;
}

std::string_view declaredFileName(const FileControlBlock& file) {
  return file.external_name ? std::string_view(*file.external_name) : std::string_view(file.label);
}

std::optional<StorageFileName> resolveFileName(const FileControlBlock& file) {
  return parseFileName(declaredFileName(file));
}

std::string platformPath(std::string_view path) {
  std::string utf8 = platform::utf8From1251(path);
  for (char& c : utf8) {
    if (c == '\\') c = '/';
  }
  return utf8;
}

std::string upperCase1251(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(upperCase1251(static_cast<std::uint8_t>(c)));
  return out;
}

}  // namespace veltrano::storage
