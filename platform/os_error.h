// Operating-system error numbers as the runtime posts them (300 + the number): the numbering of
// the system the program was first written for, so that messages, stored error codes and the
// texts of codes 301–391 stay what the users know. errno values are mapped into it here.
#pragma once

#include <string_view>

namespace veltrano::platform {

enum OsError : int {
  kOsNoError = 0,
  kOsInvalidFunction = 1,
  kOsFileNotFound = 2,
  kOsPathNotFound = 3,
  kOsTooManyOpenFiles = 4,
  kOsAccessDenied = 5,
  kOsInvalidHandle = 6,
  kOsNotEnoughMemory = 8,
  kOsInvalidAccess = 12,
  kOsInvalidData = 13,
  kOsOutOfMemory = 14,
  kOsInvalidDrive = 15,
  kOsWriteProtect = 19,
  kOsNotReady = 21,
  kOsCrc = 23,
  kOsSeek = 25,
  kOsWriteFault = 29,
  kOsReadFault = 30,
  kOsGenFailure = 31,
  kOsSharingViolation = 32,
  kOsLockViolation = 33,
  kOsHandleEof = 38,
  kOsHandleDiskFull = 39,
  kOsNotSupported = 50,
  kOsFileExists = 80,
  kOsInvalidParameter = 87,
  kOsDiskFull = 112,
  kOsInvalidName = 123,
  kOsDirNotEmpty = 145,
  kOsBusy = 170,
  kOsAlreadyExists = 183,
  kOsFilenameTooLong = 206,
};

// The number for an errno value (ENOENT → 2, EACCES → 5, ENOSPC → 112, …).
int osErrorFromErrno(int errno_value);

// The text of an operating-system error number, or an empty view when it has none.
std::string_view osErrorText(int os_error);

}  // namespace veltrano::platform
