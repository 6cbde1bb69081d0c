// Runtime errors: internal inconsistencies of the runtime (string stack misuse, mismatched
// scopes, an operation with no evaluation) stop the program with a numbered error. The program
// installs a handler that shows the message box first; tests install one that throws.
#pragma once

#include <functional>
#include <string_view>

namespace veltrano::runtime {

inline constexpr int kStringStackError = 501;
inline constexpr int kNoEvaluation = 406;
inline constexpr int kNoBind = 801;
inline constexpr int kMismatchedScopes = 802;

using RuntimeErrorHandler = std::function<void(int code, std::string_view text)>;

// Stops the program with runtime error `code`. The handler runs first; if it returns, the
// process ends. `text` is code page 1251; an empty text takes the message table's.
[[noreturn]] void haltWithRuntimeError(int code, std::string_view text = {});

// Replaces the handler; returns the previous one. The default writes the error to stderr.
RuntimeErrorHandler setRuntimeErrorHandler(RuntimeErrorHandler handler);

}  // namespace veltrano::runtime
