#include "platform/os_error.h"

#include <cerrno>

namespace veltrano::platform {

int osErrorFromErrno(int errno_value) {
  switch (errno_value) {
    case 0: return kOsNoError;
    case ENOENT: return kOsFileNotFound;
    case ENOTDIR: return kOsPathNotFound;
    case EMFILE:
    case ENFILE: return kOsTooManyOpenFiles;
    case EACCES:
    case EPERM:
    case EISDIR: return kOsAccessDenied;
    case EBADF: return kOsInvalidHandle;
    case ENOMEM: return kOsNotEnoughMemory;
    case EROFS: return kOsWriteProtect;
    case ESPIPE: return kOsSeek;
    case EIO: return kOsGenFailure;
    case ETXTBSY: return kOsSharingViolation;
    case EAGAIN: return kOsLockViolation;
    case EFBIG:
    case ENOSPC:
    case EDQUOT: return kOsDiskFull;
    case EEXIST: return kOsFileExists;
    case EINVAL: return kOsInvalidParameter;
    case ENAMETOOLONG: return kOsFilenameTooLong;
    case ENOTEMPTY: return kOsDirNotEmpty;
    case EBUSY: return kOsBusy;
    case ENOSYS:
    case EOPNOTSUPP: return kOsNotSupported;
    default: return kOsGenFailure;
  }
}

std::string_view osErrorText(int os_error) {
  switch (os_error) {
    case kOsInvalidFunction: return "Invalid function.";
    case kOsFileNotFound: return "The system cannot find the file specified.";
    case kOsPathNotFound: return "The system cannot find the path specified.";
    case kOsTooManyOpenFiles: return "The system cannot open the file.";
    case kOsAccessDenied: return "Access is denied.";
    case kOsInvalidHandle: return "The handle is invalid.";
    case 7: return "The storage control blocks were destroyed.";
    case kOsNotEnoughMemory: return "Not enough storage is available to process this command.";
    case 9: return "The storage control block address is invalid.";
    case 10: return "The environment is incorrect.";
    case 11: return "An attempt was made to load a program with an incorrect format.";
    case kOsInvalidAccess: return "The access code is invalid.";
    case kOsInvalidData: return "The data is invalid.";
    case kOsOutOfMemory: return "Not enough storage is available to complete this operation.";
    case kOsInvalidDrive: return "The system cannot find the drive specified.";
    case 16: return "The directory cannot be removed.";
    case 17: return "The system cannot move the file to a different disk drive.";
    case 18: return "There are no more files.";
    case kOsWriteProtect: return "The media is write protected.";
    case 20: return "The system cannot find the device specified.";
    case kOsNotReady: return "The device is not ready.";
    case 22: return "The device does not recognize the command.";
    case kOsCrc: return "Data error (cyclic redundancy check).";
    case 24: return "The program issued a command but the command length is incorrect.";
    case kOsSeek: return "The drive cannot locate a specific area or track on the disk.";
    case 26: return "The specified disk or diskette cannot be accessed.";
    case 27: return "The drive cannot find the sector requested.";
    case 28: return "The printer is out of paper.";
    case kOsWriteFault: return "The system cannot write to the specified device.";
    case kOsReadFault: return "The system cannot read from the specified device.";
    case kOsGenFailure: return "A device attached to the system is not functioning.";
    case kOsSharingViolation:
      return "The process cannot access the file because it is being used by another process.";
    case kOsLockViolation:
      return "The process cannot access the file because another process has locked a portion of the file.";
    case 34: return "The wrong diskette is in the drive.";
    case 36: return "Too many files opened for sharing.";
    case kOsHandleEof: return "Reached the end of the file.";
    case kOsHandleDiskFull: return "The disk is full.";
    case kOsNotSupported: return "The request is not supported.";
    case 51: return "The remote computer is not available.";
    case 52: return "A duplicate name exists on the network.";
    case 53: return "The network path was not found.";
    case 54: return "The network is busy.";
    case 55: return "The specified network resource or device is no longer available.";
    case 59: return "An unexpected network error occurred.";
    case 64: return "The specified network name is no longer available.";
    case 65: return "Network access is denied.";
    case 67: return "The network name cannot be found.";
    case kOsFileExists: return "The file exists.";
    case 82: return "The directory or file cannot be created.";
    case 83: return "Fail on INT 24.";
    case 85: return "The local device name is already in use.";
    case 86: return "The specified network password is not correct.";
    case kOsInvalidParameter: return "The parameter is incorrect.";
    case 88: return "A write fault occurred on the network.";
    case 89: return "The system cannot start another process at this time.";
    default: return {};
  }
}

}  // namespace veltrano::platform
