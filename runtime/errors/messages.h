// The runtime's message texts: the error texts of the file statements (codes 2–96), the
// operating-system errors (301–391, 300 + the system's number), and the runtime's own errors
// (406, 501, 801, 802). The environment file may override any of them by number.
#pragma once

#include <string>
#include <string_view>

namespace veltrano::runtime {

// The text of message `code`: an override from the environment file, else the built-in text;
// a code without text gives "Unknown Error Posted : " and the code. Text is code page 1251.
std::string messageText(int code);

// The built-in text, or an empty view when there is none.
std::string_view builtInMessageText(int code);

// Sets (or replaces) the override of message `code`. Overrides are global and written only at
// start-up or by an explicit locale load.
void setMessageOverride(int code, std::string_view text);
// The override of `code`, if one is set.
const std::string* messageOverride(int code);
void clearMessageOverrides();

}  // namespace veltrano::runtime
