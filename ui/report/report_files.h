// Whole files in and out, through the program's file system: font files read, PDF, PNG and CSV
// files written.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace veltrano::ui::report {

std::optional<std::vector<std::uint8_t>> readWholeFile(const std::string& path);

// What the user reads when the file cannot be written: its name and the system's reason for
// the error number (os_error.h), code page 1251.
std::string fileWriteFailure(const std::string& path, int error);

// Writes `bytes` as the whole file, replacing what was there. Nothing on success; otherwise
// the message the user sees (code page 1251), naming the file and the system's reason.
std::optional<std::string> writeWholeFile(const std::string& path, std::span<const std::uint8_t> bytes);

}  // namespace veltrano::ui::report
