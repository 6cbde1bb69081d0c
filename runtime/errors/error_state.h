// The program's error state, as file statements and runtime operations report it: ERRORCODE,
// ERROR, FILEERRORCODE, FILEERROR and the file of the last error. It belongs to the calling
// thread: an operation clears it, posts a non-zero code on failure, and the caller reads it
// back. Nothing here throws.
#pragma once

#include <string>
#include <string_view>

namespace veltrano::runtime {

struct ErrorState {
  int code = 0;               // ERRORCODE
  int os_error = 0;           // the last operating-system error number, stored beside the code
  std::string text;           // ERROR: at most 79 characters, without the blank fill
  std::string file_error_code;  // FILEERRORCODE: a storage failure number in decimal
  std::string file_error;       // FILEERROR: at most 254 characters
  std::string error_file;       // the label of the file of the last error, if any
};

// The calling thread's error state.
ErrorState& errorState();

// Clears ERRORCODE, ERROR, FILEERRORCODE, FILEERROR and the error file.
void clearErrors();

// Posts `code` with its text. A code of 0 after a failed system call (os_error non-zero) posts
// 300 + os_error. `file` names the file of the error, when there is one.
void postError(int code, int os_error = 0, std::string_view file = {});

// Sets FILEERRORCODE and FILEERROR (cut to 254 characters) beside the posted code.
void postFileError(std::string_view file_error_code, std::string_view file_error);

int errorCode();
// ERROR as the program reads it: the text blank-filled to 80 characters.
std::string errorText80();

}  // namespace veltrano::runtime
