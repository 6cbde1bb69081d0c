#include "runtime/errors/runtime_error.h"

#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <utility>

#include "platform/codepage.h"
#include "runtime/errors/messages.h"

namespace veltrano::runtime {
namespace {

std::mutex handler_mutex;

void writeToStandardError(int code, std::string_view text) {
  const std::string shown = platform::utf8From1251(text);
  std::fprintf(stderr, "Runtime error %d: %s\n", code, shown.c_str());
}

RuntimeErrorHandler& currentHandler() {
  static RuntimeErrorHandler handler = writeToStandardError;
  return handler;
}

}  // namespace

void haltWithRuntimeError(int code, std::string_view text) {
  const std::string message = text.empty() ? messageText(code) : std::string(text);
  RuntimeErrorHandler handler;
  {
    std::lock_guard lock(handler_mutex);
    handler = currentHandler();
  }
  if (handler) handler(code, message);
  std::_Exit(70);
}

RuntimeErrorHandler setRuntimeErrorHandler(RuntimeErrorHandler handler) {
  std::lock_guard lock(handler_mutex);
  return std::exchange(currentHandler(), std::move(handler));
}

}  // namespace veltrano::runtime
