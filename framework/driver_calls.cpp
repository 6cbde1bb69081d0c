#include "framework/driver_calls.h"

#include "runtime/errors/error_state.h"

namespace veltrano::framework {

int fileCall(storage::Operation operation, storage::FileControlBlock& file) {
  storage::OperationArguments arguments;
  return fileCall(operation, file, arguments);
}

int fileCall(storage::Operation operation, storage::FileControlBlock& file,
             storage::OperationArguments& arguments) {
  storage::fileStatement(operation, file, arguments);
  return runtime::errorCode();
}

int fileCall(storage::Operation operation, storage::FileControlBlock& file,
             const storage::KeyDescriptor* key) {
  storage::OperationArguments arguments;
  arguments.key = key;
  return fileCall(operation, file, arguments);
}

int sendCommand(storage::FileControlBlock& file, std::string_view command, std::string* answer) {
  storage::OperationArguments arguments;
  arguments.text = std::string(command);
  const int code = fileCall(storage::Operation::Send, file, arguments);
  if (answer != nullptr) *answer = arguments.result_text;
  return code;
}

}  // namespace veltrano::framework
