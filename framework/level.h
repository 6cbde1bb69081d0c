// Levels: the result of every framework operation. A level says how a failure was handled
// (nothing happened, the user answered a question, the program must stop, the failure was
// shown or kept quiet) so that the caller decides what to do next without looking at codes.
#pragma once

#include <cstdint>

namespace veltrano::framework {

using Level = std::uint8_t;

inline constexpr Level kLevelBenign = 0;   // success, or nothing worth saying
inline constexpr Level kLevelUser = 1;     // the user was asked (Yes/No)
inline constexpr Level kLevelProgram = 2;  // a programming fault; handled as fatal
inline constexpr Level kLevelFatal = 3;    // the program ends after the message
inline constexpr Level kLevelCancel = 4;   // the user declined
inline constexpr Level kLevelNotify = 5;   // a failure that was shown, or kept quiet

// Message ids are the numbers of the error manager's table entries.
using MessageId = std::uint16_t;

}  // namespace veltrano::framework
