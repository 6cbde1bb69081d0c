// Erasing a dismissed employee from the data: the card and every record of that number in the
// eight child files, in the order KARTA, ATTESTAT, OTPUSK, SERTIFIK, TRUD, RABOTA, POVYSH,
// SOSTAV, PODGOT, all inside one transaction over the nine files (and the history file, when
// changes are recorded: the erase keeps its history), so that a crash or a failed write leaves
// either every record or none.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "app/dictionary/dictionary.h"
#include "framework/level.h"

namespace veltrano::app::card {

struct EmployeeFile {
  std::string_view file;
  std::string_view number;  // the field holding the employee's number
  std::string_view key;     // the key on that field alone
};
std::span<const EmployeeFile> employeeFiles();

// 0 when the records are gone (or there were none); otherwise the failure has been reported
// through the failing file's manager and every file is as before.
framework::Level eraseEmployee(Dictionary& dictionary, std::int64_t employee);

}  // namespace veltrano::app::card
