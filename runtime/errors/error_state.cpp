#include "runtime/errors/error_state.h"

#include "runtime/errors/messages.h"

namespace veltrano::runtime {

ErrorState& errorState() {
  thread_local ErrorState state;
  return state;
}

void clearErrors() {
  auto& state = errorState();
  state.code = 0;
  state.os_error = 0;
  state.text.clear();
  state.file_error_code.clear();
  state.file_error.clear();
  state.error_file.clear();
}

void postError(int code, int os_error, std::string_view file) {
  auto& state = errorState();
  if (code == 0 && os_error != 0) code = 300 + os_error;
  state.code = code;
  state.os_error = os_error;
  state.error_file = std::string(file);
  std::string text = messageText(code);
  const auto first = text.find_first_not_of(' ');
  text.erase(0, first == std::string::npos ? text.size() : first);
  if (text.size() > 79) text.resize(79);
  state.text = std::move(text);
}

void postFileError(std::string_view file_error_code, std::string_view file_error) {
  auto& state = errorState();
  state.file_error_code = std::string(file_error_code.substr(0, 254));
  state.file_error = std::string(file_error.substr(0, 254));
}

int errorCode() { return errorState().code; }

std::string errorText80() {
  std::string text = errorState().text;
  text.resize(80, ' ');
  return text;
}

}  // namespace veltrano::runtime
