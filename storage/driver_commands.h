// The command strings the storage driver accepts through SEND, parsed into what they ask for.
// The records driver carries them out; this only decides which command a text is.
//
//   text containing "TCF"        the transaction control file path (empty: the default)
//   "TCF=" path, anywhere        sets that path; "TCF=" alone returns to the default
//   "FULLBUILD…"                 whether BUILD enters every record ("ON"/"OFF")
//   "FULLBUILD=" value…          sets the switch when the value is "ON", clears it otherwise
//   "FLAGS…"                     the table's user flags word in decimal
//   "FLAGS=" number              stores the user flags word
//   text containing "PNM=" n     the name of table number n of the storage file
//   "REGISTER…"                  the identity of the driver's registration record
//
// Matching is case-sensitive. The prefix commands are tried before the contained ones, so a
// FLAGS or FULLBUILD command never turns into a TCF query because of its value.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace veltrano::storage {

enum class DriverCommandKind {
  Unknown,
  TcfQuery,
  TcfSet,
  FullBuildQuery,
  FullBuildSet,
  FlagsQuery,
  FlagsSet,
  TableName,  // PNM=
  Register,
};

struct DriverCommand {
  DriverCommandKind kind = DriverCommandKind::Unknown;
  std::string path;  // TcfSet: the new path; empty returns to the default
  bool on = false;   // FullBuildSet
  // FlagsSet and TableName: the number, or empty when the text after "=" is not a number that
  // fits 32 bits (the driver refuses such a command rather than store a guess).
  std::optional<std::uint32_t> number;
};

// Values may arrive blank-padded from STRING variables; trailing blanks of a value are not part
// of it.
DriverCommand parseDriverCommand(std::string_view text);

}  // namespace veltrano::storage
