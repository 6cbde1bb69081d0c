#include "ui/report/report_files.h"

#include "platform/codepage.h"
#include "platform/file.h"
#include "platform/os_error.h"

namespace veltrano::ui::report {
std::string fileWriteFailure(const std::string& path, int error) {
  std::string text = platform::ru("Не удалось записать файл ") + path;
  std::string_view reason = platform::osErrorText(error);
  if (!reason.empty()) text += ": " + std::string(reason);
  return text;
}

std::optional<std::vector<std::uint8_t>> readWholeFile(const std::string& path) {
  int error = 0;
  auto file =
      platform::fileSystem().open(path, platform::Access::ReadOnly, platform::Creation::OpenExisting, &error);
  if (file == nullptr) return std::nullopt;
  std::int64_t size = file->size(&error);
  if (size <= 0) return std::nullopt;
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
  platform::IoResult read = file->read(0, bytes);
  if (read.error != 0 || read.bytes != bytes.size()) return std::nullopt;
  return bytes;
}

std::optional<std::string> writeWholeFile(const std::string& path, std::span<const std::uint8_t> bytes) {
  int error = 0;
  if (path.empty() || platform::fileSystem().isDirectory(path))
    return fileWriteFailure(path, platform::kOsAccessDenied);
  auto file =
      platform::fileSystem().open(path, platform::Access::ReadWrite, platform::Creation::Truncate, &error);
  if (file == nullptr) return fileWriteFailure(path, error);
  platform::IoResult written = file->write(0, bytes);
  if (written.error != 0) return fileWriteFailure(path, written.error);
  if (written.bytes != bytes.size()) return fileWriteFailure(path, platform::kOsDiskFull);
  if (int synced = file->sync(); synced != 0) return fileWriteFailure(path, synced);
  return std::nullopt;
}

}  // namespace veltrano::ui::report
