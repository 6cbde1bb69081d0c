#include "app/backup/backup.h"

#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>
#include <sstream>
#include <vector>

#include "app/backup/backup_media.h"
#include "platform/clock.h"
#include "platform/directory.h"
#include "platform/directory_entries.h"
#include "platform/file.h"
#include "platform/os_error.h"
#include "storage/consistent_state.h"

namespace veltrano::app::backup {
namespace {

constexpr std::size_t kChunk = 1 << 20;
constexpr std::string_view kManifestHeader = "veltrano backup 1";
constexpr std::string_view kPartial = ".partial";

struct FileRecord {
  std::uint64_t size = 0;
  std::uint32_t crc = 0;
  bool operator==(const FileRecord&) const = default;
};

std::string writeProblem(int error, const std::string& where) {
  if (error == platform::kOsDiskFull)
    return "на диске для " + where + " нет места (ошибка " + osErrorText(error) + ")";
  return "ошибка записи " + osErrorText(error) + " в " + where;
}

Outcome failed(std::string_view what, const std::string& why) {
  Outcome outcome;
  outcome.message = std::string(what) + ": " + why + ".";
  return outcome;
}

std::uint32_t crcOf(std::uint32_t crc, std::span<const std::uint8_t> bytes) {
  return static_cast<std::uint32_t>(crc32(crc, bytes.data(), static_cast<uInt>(bytes.size())));
}

std::string manifestLine(const std::string& name, const FileRecord& record) {
  char crc[16];
  std::snprintf(crc, sizeof crc, "%08x", record.crc);
  return name + "\t" + std::to_string(record.size) + "\t" + crc + "\n";
}

// The files a manifest lists; nothing when it is not one.
std::optional<std::map<std::string, FileRecord>> parseManifest(const std::string& text) {
  std::istringstream lines(text);
  std::string line;
  if (!std::getline(lines, line) || line != kManifestHeader) return std::nullopt;
  std::map<std::string, FileRecord> files;
  while (std::getline(lines, line)) {
    const std::size_t first = line.find('\t');
    const std::size_t second = first == std::string::npos ? first : line.find('\t', first + 1);
    if (second == std::string::npos) return std::nullopt;
    FileRecord record;
    char* end = nullptr;
    record.size = std::strtoull(line.c_str() + first + 1, &end, 10);
    record.crc = static_cast<std::uint32_t>(std::strtoul(line.c_str() + second + 1, &end, 16));
    files[line.substr(0, first)] = record;
  }
  return files;
}

std::string stamp() {
  const platform::LocalDateTime now = platform::localNow();
  char text[40];
  std::snprintf(text, sizeof text, "veltrano-%04d-%02d-%02d-%02d%02d%02d", now.year, now.month, now.day,
                now.hour, now.minute, now.second);
  return text;
}

// Removes what a failed backup or restore wrote: the files named, then the directory when it is
// left empty.
void removeWritten(const std::string& directory, const std::vector<std::string>& names) {
  for (const std::string& name : names) platform::fileSystem().remove(directory + "/" + name);
  int error = 0;
  if (platform::directoryEmpty(directory, &error) && error == 0) platform::removeEmptyDirectory(directory);
}

}  // namespace

bool isArchivePath(std::string_view destination) {
  constexpr std::string_view kSuffix = ".tar.gz";
  if (destination.size() <= kSuffix.size()) return false;
  std::string tail(destination.substr(destination.size() - kSuffix.size()));
  std::transform(tail.begin(), tail.end(), tail.begin(), [](unsigned char c) { return std::tolower(c); });
  return tail == kSuffix;
}

Outcome makeBackup(std::string_view data_directory, std::string_view destination,
                   std::chrono::milliseconds patience) {
  constexpr std::string_view kNotMade = "Резервная копия не создана";
  platform::FileSystem& files = platform::fileSystem();
  const bool archive = isArchivePath(destination);
  std::string target(destination);
  if (archive) {
    if (files.exists(target)) return failed(kNotMade, "файл " + target + " уже есть");
  } else {
    if (const int made = platform::createDirectories(target); made != 0)
      return failed(kNotMade, "каталог " + target + " не создается: ошибка " + osErrorText(made));
    const std::string base = target + "/" + stamp();
    target = base;
    for (int another = 2; files.exists(target) || files.exists(target + std::string(kPartial)); ++another)
      target = base + "-" + std::to_string(another);
  }
  const std::string partial = target + std::string(kPartial);

  std::string why;
  auto state = storage::ConsistentState::take(data_directory, patience, &why);
  if (!state) return failed(kNotMade, why);

  int error = 0;
  std::unique_ptr<FileSink> sink = archive ? archiveSink(partial, &error) : directorySink(partial);
  if (!sink) return failed(kNotMade, writeProblem(error, partial));
  std::vector<std::string> written;
  auto abandon = [&](const std::string& problem) {
    sink.reset();
    if (archive) {
      files.remove(partial);
    } else {
      removeWritten(partial, written);
    }
    return failed(kNotMade, problem);
  };

  Outcome outcome;
  std::string manifest = std::string(kManifestHeader) + "\n";
  std::vector<std::uint8_t> chunk(kChunk);
  for (storage::ConsistentState::Member& member : state->members()) {
    if (const int begun = sink->begin(member.name, static_cast<std::uint64_t>(member.size)); begun != 0)
      return abandon(writeProblem(begun, partial));
    written.push_back(member.name);
    FileRecord record{static_cast<std::uint64_t>(member.size),
                      static_cast<std::uint32_t>(crc32(0, nullptr, 0))};
    for (std::uint64_t offset = 0; offset < record.size;) {
      const std::size_t want =
          static_cast<std::size_t>(std::min<std::uint64_t>(kChunk, record.size - offset));
      const platform::IoResult read = member.file->read(offset, std::span(chunk.data(), want));
      if (read.error != 0 || read.bytes != want)
        return abandon("файл " + member.name + " не читается: ошибка " + osErrorText(read.error));
      record.crc = crcOf(record.crc, std::span(chunk.data(), want));
      if (const int put = sink->write(std::span(chunk.data(), want)); put != 0)
        return abandon(writeProblem(put, partial));
      offset += want;
    }
    if (const int ended = sink->end(); ended != 0) return abandon(writeProblem(ended, partial));
    manifest += manifestLine(member.name, record);
    ++outcome.files;
    outcome.bytes += record.size;
  }
  // Every file has been read: the stations may go on while the copy is finished.
  state.reset();
  const std::span manifest_bytes(reinterpret_cast<const std::uint8_t*>(manifest.data()), manifest.size());
  written.emplace_back(kManifestName);
  for (const int step : {sink->begin(kManifestName, manifest.size()), sink->write(manifest_bytes),
                         sink->end(), sink->finish()}) {
    if (step != 0) return abandon(writeProblem(step, partial));
  }
  sink.reset();
  if (const int renamed = files.rename(partial, target); renamed != 0)
    return abandon("копия не переименована в " + target + ": ошибка " + osErrorText(renamed));
  outcome.ok = true;
  outcome.path = target;
  outcome.message =
      "Резервная копия создана: " + target + " (файлов: " + std::to_string(outcome.files) + ").";
  return outcome;
}

Outcome restoreBackup(std::string_view backup, std::string_view directory) {
  constexpr std::string_view kNotRestored = "Копия не восстановлена";
  const std::string target(directory);
  int error = 0;
  if (!platform::directoryEmpty(target, &error) || error != 0) {
    return failed(kNotRestored,
                  error != 0 ? "каталог " + target + " не читается: ошибка " + osErrorText(error)
                             : "каталог " + target + " не пуст; восстановление только в пустой каталог");
  }
  const std::string source_path(backup);
  std::unique_ptr<FileSource> source =
      isArchivePath(backup) ? archiveSource(source_path, &error) : directorySource(source_path, &error);
  if (!source)
    return failed(kNotRestored, "копия " + source_path + " не открывается: ошибка " + osErrorText(error));
  if (const int made = platform::createDirectories(target); made != 0)
    return failed(kNotRestored, "каталог " + target + " не создается: ошибка " + osErrorText(made));

  std::vector<std::string> written;
  auto abandon = [&](const std::string& problem) {
    removeWritten(target, written);
    return failed(kNotRestored, problem);
  };
  std::map<std::string, FileRecord> restored;
  std::optional<std::string> manifest;
  std::vector<std::uint8_t> chunk(kChunk);
  std::string name;
  std::uint64_t size = 0;
  while (source->next(name, size)) {
    if (name == kManifestName) {
      manifest.emplace(static_cast<std::size_t>(size), '\0');
      if (!source->read(std::span(reinterpret_cast<std::uint8_t*>(manifest->data()), manifest->size())))
        return abandon(source->problem());
      continue;
    }
    const std::string partial = name + std::string(kPartial);
    auto file = platform::fileSystem().open(target + "/" + partial, platform::Access::ReadWrite,
                                            platform::Creation::CreateNew, &error);
    if (!file) return abandon(writeProblem(error, target));
    written.push_back(partial);
    FileRecord record{size, static_cast<std::uint32_t>(crc32(0, nullptr, 0))};
    for (std::uint64_t offset = 0; offset < size;) {
      const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(kChunk, size - offset));
      const std::span bytes(chunk.data(), want);
      if (!source->read(bytes)) return abandon(source->problem());
      record.crc = crcOf(record.crc, bytes);
      const platform::IoResult put = file->write(offset, bytes);
      if (put.error != 0 || put.bytes != want)
        return abandon(writeProblem(put.error != 0 ? put.error : platform::kOsDiskFull, target));
      offset += want;
    }
    if (const int synced = file->sync(); synced != 0) return abandon(writeProblem(synced, target));
    restored[name] = record;
  }
  if (!source->problem().empty()) return abandon(source->problem());
  const auto listed = manifest ? parseManifest(*manifest) : std::nullopt;
  if (!listed)
    return abandon("в копии нет описи " + std::string(kManifestName) + ": это не полная резервная копия");
  if (*listed != restored) return abandon("файлы копии не совпадают с ее описью: копия повреждена");
  Outcome outcome;
  for (const auto& [file_name, record] : restored) {
    if (const int renamed = platform::fileSystem().rename(target + "/" + file_name + std::string(kPartial),
                                                          target + "/" + file_name);
        renamed != 0)
      return abandon("файл " + file_name + " не переименован: ошибка " + osErrorText(renamed));
    ++outcome.files;
    outcome.bytes += record.size;
  }
  outcome.ok = true;
  outcome.path = target;
  outcome.message = "Копия восстановлена в " + target + " (файлов: " + std::to_string(outcome.files) + ").";
  return outcome;
}

}  // namespace veltrano::app::backup
