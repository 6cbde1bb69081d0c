// The environment file: KEY=value lines that adjust the locale at start-up (the program's name
// with ".ENV", beside the program) or on an explicit load.
//
//   VESCHARSET=OEM            values that follow are code page 866 text (VESCOLSEQ excepted)
//   VESCOLSEQ=<sequence>      collating sequence, or WINDOWS
//   VESCASE=<upper>,<lower>   case pairs above code 127, or WINDOWS
//   VESMONTH=<12 names>       VESMON=<12 abbreviations>
//   VESAMPM=<am>,<pm>         or WINDOWS (the profile's designators)
//   VESDIGRAPH=<c><x><y>...   up to 16 characters that sort as two
//   VESBUTTON=<captions>      message overrides 32512, 32513, …
//   VESLFN=on                 long file names
//   VESMSG<n>=<text>          override of runtime message n
//
// In a value "<n>" (optionally closed by ">") is the character with decimal code n and "<<"
// is one "<". Items are separated by commas unless the value starts with a double quote, in
// which case it is a list of quoted items ("" is one quote). Unknown keys are ignored; a key
// not followed by "=" is dropped and reading goes on.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace veltrano::runtime {

struct EnvironmentLine {
  std::string key;    // as written, spaces removed, at most 31 characters
  std::string value;  // escapes resolved, outer blanks removed, at most 1024 bytes
};

// The KEY=value lines of an environment file's bytes (before any item splitting).
std::vector<EnvironmentLine> parseEnvironmentLines(std::string_view text);

// The items of a value: comma-separated, or quoted. `single` keeps an unquoted value whole.
std::vector<std::string> environmentItems(std::string_view value, bool single);

// Applies the lines of an environment file's bytes to the locale and character tables.
void applyEnvironmentText(std::string_view text);

// The runtime's locale load: "WINDOWS" (any case) takes the collation, the case table and the
// designators from the host; an empty name does nothing; otherwise the file is read and
// applied. A file that cannot be opened posts error 2 and changes nothing.
void loadEnvironment(std::string_view name);

// The environment file of a program: its path with the extension replaced by ".ENV".
std::string environmentFileFor(std::string_view program_path);

// The environment file a program starts with: the one beside it, else the one of that name
// in ../share/veltrano/ from its directory (where the package installs it), else the one beside
// it all the same, so that its absence is reported under the expected name.
std::string startupEnvironmentFile(std::string_view program_path);

// Start-up: the profile's "intl" settings, then the program's environment file.
void loadStartupEnvironment(std::string_view program_path);

}  // namespace veltrano::runtime
