// Shared set-up of the WENDLOCK tests: a driver over an in-memory catalog and small helpers to
// fill record buffers and make file statements.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "runtime/errors/error_state.h"
#include "runtime/values/field_value.h"
#include "storage/declared_file.h"
#include "storage/driver.h"
#include "storage/wendlock_driver.h"

namespace veltrano::storage::testing {

inline OperationArguments keyArgument(const KeyDescriptor* key) {
  OperationArguments arguments;
  arguments.key = key;
  return arguments;
}

inline OperationArguments textArgument(std::string text, const KeyDescriptor* key = nullptr) {
  OperationArguments arguments;
  arguments.text = std::move(text);
  arguments.key = key;
  return arguments;
}

struct Statement {
  FileControlBlock& file;

  int operator()(Operation operation, OperationArguments arguments = {}) {
    fileStatement(operation, file, arguments);
    return runtime::errorCode();
  }
  std::int64_t value(Operation operation, OperationArguments arguments = {}) {
    return fileStatement(operation, file, arguments);
  }
  int key(Operation operation, const KeyDescriptor* key, std::uint32_t pointer = 0) {
    OperationArguments arguments;
    arguments.key = key;
    arguments.pointer = pointer;
    fileStatement(operation, file, arguments);
    return runtime::errorCode();
  }
  std::string text(Operation operation, std::string text_argument = {}, const KeyDescriptor* key = nullptr) {
    OperationArguments arguments;
    arguments.text = std::move(text_argument);
    arguments.key = key;
    fileStatement(operation, file, arguments);
    return arguments.result_text;
  }
  int open(std::uint32_t mode = 0x22) {
    OperationArguments arguments;
    arguments.access_mode = mode;
    fileStatement(Operation::Open, file, arguments);
    return runtime::errorCode();
  }
};

inline void setField(DeclaredFile& file, std::string_view name, std::string_view text,
                     std::uint32_t element = 0) {
  const int index = file.layout().find(name);
  if (index < 0) throw std::invalid_argument(std::string(name));
  runtime::storeText(file.layout().field(static_cast<std::size_t>(index)), file.record(), text, element);
}

inline std::string getField(DeclaredFile& file, std::string_view name, std::uint32_t element = 0) {
  const int index = file.layout().find(name);
  if (index < 0) throw std::invalid_argument(std::string(name));
  std::string text =
      runtime::loadText(file.layout().field(static_cast<std::size_t>(index)), file.record(), element);
  while (!text.empty() && text.back() == ' ') text.pop_back();
  return text;
}

inline void clear(DeclaredFile& file) {
  runtime::clearRecord(file.layout(), file.record());
  for (auto& memo : file.file().memo_values) memo.clear();
}

}  // namespace veltrano::storage::testing
