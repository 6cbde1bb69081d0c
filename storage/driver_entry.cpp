// The single entry of every file statement. The work every driver shares happens here, in this
// order, around the driver's own operation:
//
//   1. QUERY_VIEW is answered at once: no driver here evaluates a view itself.
//   2. The driver call runs inside a catch of StorageFailure. A failure returns to the entry of
//      the call that raised it, never further: a driver operation that itself makes a file
//      statement (on another file) gets that statement's outcome in the error state, and its own
//      call carries on, exactly as a nested call restoring its caller's failure context.
//   3. The operations that may run on a closed file drop an expanded description kept from an
//      earlier call, so that a changed NAME or OWNER variable takes effect.
//   4. (Server access needs a connector. This program declares no file for server access and
//      has no connector, so there is nothing to do and nothing is kept for it.)
//   5. A file that had a storage failure refuses everything but CLOSE and NAME.
//   6. Unsupported codes give 80; the others go to the driver, which builds the description
//      first when there is none. Operations outside step 3 need an open file (37).
//   7. The driver traces the operation.
//   8. The outcome is stored in the description and posted into the caller's error state.
#include <cstdint>
#include <new>
#include <string>

#include "platform/clock.h"
#include "runtime/errors/error_state.h"
#include "runtime/errors/messages.h"
#include "storage/driver.h"
#include "storage/storage_failure.h"

namespace veltrano::storage {
namespace {

constexpr int kInsufficientMemory = 8;
constexpr int kFileNotOpen = 37;
constexpr int kUnsupportedFunction = 80;
constexpr int kFileSystemError = 90;
// The runtime's resource text that replaces the storage failure message when it is set.
constexpr int kFailureTextResource = 4101;

bool mayRunOnClosedFile(Operation operation) {
  switch (operation) {
    case Operation::Send:
    case Operation::BlobGetProp:
    case Operation::DoPropertyBlob:
    case Operation::SetPropertyKey:
    case Operation::DoPropertyKey:
    case Operation::SetProperty:
    case Operation::DoProperty:
    case Operation::Copy:
    case Operation::Rename:
    case Operation::Name:
    case Operation::Remove:
    case Operation::Create:
    case Operation::BuildFile:
    case Operation::BuildKey:
    case Operation::Open:
    case Operation::Share:
    case Operation::Close: return true;
    default: return false;
  }
}

// Codes a driver answers without listing them in its registration.
bool answeredUnlisted(Operation operation) {
  switch (operation) {
    case Operation::QueryKey:
    case Operation::Clear:
    case Operation::BuildEvent:
    case Operation::DoPropertyKey:
    case Operation::EntryPoint:
    case Operation::InView:
    case Operation::EndView: return true;
    default: return false;
  }
}

bool supported(const Driver& driver, Operation operation) {
  const int code = static_cast<int>(operation);
  if (code < 0 || code > 93) return false;
  if (answeredUnlisted(operation)) return true;
  for (const std::uint8_t listed : driver.registration().operations) {
    if (listed == code) return true;
  }
  return false;
}

std::string failureText(bool file_name_known) {
  if (!file_name_known) return "Wendlock File Driver Error";
  if (const auto* text = runtime::messageOverride(kFailureTextResource); text != nullptr) return *text;
  return "Possible data corruption in file";
}

// What the entry posts at the end of a call.
struct Outcome {
  OperationResult result;
  int failure = 0;  // with error 90: the storage failure number
};

Outcome refusedByFailure(const DriverState& state) {
  return {{kFileSystemError, 0, 0}, state.failure};
}

// Carries out the operation proper (step 6), with the storage failure catch of step 2.
Outcome carryOut(Driver& driver, Operation operation, FileControlBlock& file, OperationArguments& arguments) {
  try {
    if (!file.state && mayRunOnClosedFile(operation)) {
      const OperationResult described = driver.describe(file);
      if (described.error != 0 || described.os_error != 0 || !file.state) {
        // A describe that reports success without building a description is the driver's
        // fault; the file is then no more usable than with an invalid declaration.
        if (described.error == 0 && described.os_error == 0) return {{47, 0, 0}, 0};
        return {described, 0};
      }
    }
    if (!file.state || !file.state->open) {
      if (!mayRunOnClosedFile(operation)) return {{kFileNotOpen, 0, 0}, 0};
    }
    return {driver.perform(operation, file, arguments), 0};
  } catch (const StorageFailure& failure) {
    if (file.state) file.state->failure = failure.number();
    return {{kFileSystemError, 0, 0}, failure.number()};
  } catch (const std::bad_alloc&) {
    return {{kInsufficientMemory, 0, 0}, 0};
  }
}

// CLOSE of a failed file: the driver still gets to let go of what it holds, but nothing it
// reports can make the close fail, and the description is marked closed so that the next OPEN
// builds a fresh one.
Outcome closeFailedFile(Driver& driver, FileControlBlock& file, OperationArguments& arguments) {
  try {
    (void)driver.perform(Operation::Close, file, arguments);
  } catch (const StorageFailure&) {
  } catch (const std::bad_alloc&) {
  }
  if (file.state) file.state->open = false;
  return {};
}

Outcome dispatch(Operation operation, FileControlBlock& file, OperationArguments& arguments) {
  Driver& driver = *file.driver;
  // Step 3.
  if (file.state && !file.state->open && mayRunOnClosedFile(operation)) file.state.reset();
  // Step 5.
  if (file.state && file.state->failure != 0) {
    if (operation == Operation::Close) return closeFailedFile(driver, file, arguments);
    if (operation != Operation::Name) return refusedByFailure(*file.state);
  }
  // Step 6.
  if (!supported(driver, operation)) return {{kUnsupportedFunction, 0, 0}, 0};
  if (operation == Operation::EntryPoint) {
    // There are no entry-point addresses to hand out in this program: the value that stands
    // for a driver's entry is the address of the driver object itself, which is the same for
    // every file of that driver and different between drivers.
    return {{0, static_cast<std::int64_t>(reinterpret_cast<std::uintptr_t>(&driver)), 0}, 0};
  }
  return carryOut(driver, operation, file, arguments);
}

void post(const FileControlBlock& file, const Outcome& outcome) {
  runtime::clearErrors();
  const OperationResult& result = outcome.result;
  if (result.error == 0 && result.os_error == 0) return;
  runtime::postError(result.error, result.os_error, file.label);
  if (result.error == kFileSystemError) {
    runtime::postFileError(std::to_string(outcome.failure), failureText(file.state != nullptr));
  }
}

}  // namespace

std::int64_t fileStatement(Operation operation, FileControlBlock& file, OperationArguments& arguments) {
  if (operation == Operation::QueryView) return 0;
  arguments.result_text.clear();

  if (file.driver == nullptr) {
    // A control block that names no driver cannot be carried out by anyone.
    post(file, {{kUnsupportedFunction, 0, 0}, 0});
    return 0;
  }

  // The clock is read only for a trace line: a file statement is often far quicker than that.
  const bool timed = file.driver->traces(file);
  const std::uint64_t started = timed ? platform::tickMilliseconds() : 0;
  Outcome outcome = dispatch(operation, file, arguments);
  const std::uint64_t hundredths = timed ? (platform::tickMilliseconds() - started) / 10 : 0;

  if (file.state) {
    const OperationResult& result = outcome.result;
    file.state->last_error = result.error == 0 && result.os_error != 0 ? 300 + result.os_error : result.error;
  }
  // The error state is posted before the trace so that the trace can show ERROR and FILEERROR
  // as the program will read them.
  post(file, outcome);
  if (operation != Operation::Internal87 && operation != Operation::EntryPoint) {
    // A trace that cannot be written must not change what the statement did.
    try {
      file.driver->trace(operation, file, arguments, runtime::errorCode(), hundredths);
    } catch (const StorageFailure&) {
    } catch (const std::bad_alloc&) {
    }
  }

  const bool failed = outcome.result.error != 0 || outcome.result.os_error != 0;
  if (failed && (operation == Operation::Bof || operation == Operation::Eof)) return 1;
  if (failed) return 0;
  return outcome.result.value;
}

std::int64_t fileStatement(Operation operation, FileControlBlock& file) {
  OperationArguments arguments;
  return fileStatement(operation, file, arguments);
}

int scanRecords(FileControlBlock& file, RecordScan& scan, std::size_t records) {
  Outcome outcome;
  if (file.driver == nullptr) {
    outcome = {{kUnsupportedFunction, 0, 0}, 0};
  } else if (file.state && file.state->failure != 0) {
    outcome = refusedByFailure(*file.state);
  } else if (!file.state || !file.state->open) {
    outcome = {{kFileNotOpen, 0, 0}, 0};
  } else {
    try {
      outcome = {file.driver->scanRecords(file, scan, records), 0};
    } catch (const StorageFailure& failure) {
      file.state->failure = failure.number();
      outcome = {{kFileSystemError, 0, 0}, failure.number()};
    } catch (const std::bad_alloc&) {
      outcome = {{kInsufficientMemory, 0, 0}, 0};
    }
  }
  if (file.state) {
    const OperationResult& result = outcome.result;
    file.state->last_error = result.error == 0 && result.os_error != 0 ? 300 + result.os_error : result.error;
  }
  post(file, outcome);
  return runtime::errorCode();
}

}  // namespace veltrano::storage
