// Tests turn the runtime's fatal errors into exceptions they can expect, instead of letting
// haltWithRuntimeError end the test program.
#pragma once

#include <string>

#include "runtime/errors/runtime_error.h"

namespace veltrano::runtime {

struct RuntimeHalt {
  int code;
  std::string text;
};

class ThrowOnRuntimeError {
 public:
  ThrowOnRuntimeError()
      : previous_(setRuntimeErrorHandler([](int code, std::string_view text) {
          throw RuntimeHalt{code, std::string(text)};
        })) {}
  ~ThrowOnRuntimeError() { setRuntimeErrorHandler(std::move(previous_)); }
  ThrowOnRuntimeError(const ThrowOnRuntimeError&) = delete;
  ThrowOnRuntimeError& operator=(const ThrowOnRuntimeError&) = delete;

 private:
  RuntimeErrorHandler previous_;
};

// Runs `action` and returns the runtime error it stopped with (code 0 when it did not stop).
template <typename Action>
RuntimeHalt haltOf(Action&& action) {
  ThrowOnRuntimeError guard;
  try {
    action();
  } catch (const RuntimeHalt& halt) {
    return halt;
  }
  return RuntimeHalt{0, {}};
}

}  // namespace veltrano::runtime
