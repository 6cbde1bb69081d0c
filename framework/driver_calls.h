// File statements as the managers make them: one call of the driver entry, and the code it
// posted into the calling thread's error state.
#pragma once

#include <string>
#include <string_view>

#include "storage/driver.h"

namespace veltrano::framework {

int fileCall(storage::Operation operation, storage::FileControlBlock& file);
int fileCall(storage::Operation operation, storage::FileControlBlock& file,
             storage::OperationArguments& arguments);
int fileCall(storage::Operation operation, storage::FileControlBlock& file,
             const storage::KeyDescriptor* key);
// SEND: the driver's answer in `*answer` when given.
int sendCommand(storage::FileControlBlock& file, std::string_view command, std::string* answer = nullptr);

}  // namespace veltrano::framework
