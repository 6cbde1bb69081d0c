#include "storage/driver_commands.h"

namespace veltrano::storage {
namespace {

std::string_view trimTrailingBlanks(std::string_view text) {
  while (!text.empty() && (text.back() == ' ' || text.back() == '\0')) text.remove_suffix(1);
  return text;
}

// A decimal number with optional leading blanks and sign. A negative number is taken as its
// 32-bit two's complement, since programs hold the flags word in a signed LONG.
std::optional<std::uint32_t> parseNumber(std::string_view text) {
  text = trimTrailingBlanks(text);
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  bool negative = false;
  if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  if (text.empty()) return std::nullopt;
  std::uint64_t value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + static_cast<std::uint64_t>(c - '0');
    if (value > 0xFFFFFFFFu) return std::nullopt;
  }
  if (negative) {
    if (value > 0x80000000u) return std::nullopt;
    return static_cast<std::uint32_t>(0x100000000u - value);
  }
  return static_cast<std::uint32_t>(value);
}

}  // namespace

DriverCommand parseDriverCommand(std::string_view text) {
  DriverCommand command;
  if (text.starts_with("FULLBUILD")) {
    const auto rest = text.substr(9);
    if (rest.starts_with('=')) {
      command.kind = DriverCommandKind::FullBuildSet;
      command.on = trimTrailingBlanks(rest.substr(1)) == "ON";
    } else {
      command.kind = DriverCommandKind::FullBuildQuery;
    }
    return command;
  }
  if (text.starts_with("FLAGS")) {
    const auto rest = text.substr(5);
    if (rest.starts_with('=')) {
      command.kind = DriverCommandKind::FlagsSet;
      command.number = parseNumber(rest.substr(1));
    } else {
      command.kind = DriverCommandKind::FlagsQuery;
    }
    return command;
  }
  if (text.starts_with("REGISTER")) {
    command.kind = DriverCommandKind::Register;
    return command;
  }
  if (const auto at = text.find("TCF"); at != std::string_view::npos) {
    const auto rest = text.substr(at + 3);
    if (rest.starts_with('=')) {
      command.kind = DriverCommandKind::TcfSet;
      command.path = std::string(trimTrailingBlanks(rest.substr(1)));
    } else {
      command.kind = DriverCommandKind::TcfQuery;
    }
    return command;
  }
  if (const auto at = text.find("PNM="); at != std::string_view::npos) {
    command.kind = DriverCommandKind::TableName;
    command.number = parseNumber(text.substr(at + 4));
    return command;
  }
  return command;
}

}  // namespace veltrano::storage
