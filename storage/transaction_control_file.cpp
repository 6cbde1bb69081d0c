#include "storage/transaction_control_file.h"

#include <chrono>
#include <thread>

#include "platform/os_error.h"
#include "storage/file_name.h"
#include "storage/lock_operation.h"
#include "storage/page_file.h"
#include "storage/sharing_modes.h"

namespace veltrano::storage {
namespace {

constexpr int kAccessDenied = 5;
constexpr std::uint32_t kSharedReadWrite = 0x42;
constexpr auto kInUseRetry = std::chrono::milliseconds(20);

std::array<std::uint8_t, 4> idKey(std::uint32_t id) {
  return {static_cast<std::uint8_t>(id >> 24), static_cast<std::uint8_t>(id >> 16),
          static_cast<std::uint8_t>(id >> 8), static_cast<std::uint8_t>(id)};
}

}  // namespace

std::string defaultControlFilePath(std::string_view storage_path) {
  const auto separator = storage_path.find_last_of("/\\");
  if (separator == std::string_view::npos) return std::string(kDefaultControlFileName);
  return std::string(storage_path.substr(0, separator + 1)) + std::string(kDefaultControlFileName);
}

bool isDefaultControlFileMark(std::string_view recorded) {
  return upperCase1251(recorded) == upperCase1251(kDefaultControlFileMark);
}

std::vector<std::uint8_t> encodeTransactionMarker(std::uint32_t id, std::string_view recorded_path) {
  std::vector<std::uint8_t> data;
  data.reserve(4 + recorded_path.size() + 1);
  for (const std::uint8_t byte : idKey(id)) data.push_back(byte);
  for (const char character : recorded_path) data.push_back(static_cast<std::uint8_t>(character));
  data.push_back(0);
  return data;
}

std::optional<TransactionMarker> decodeTransactionMarker(std::span<const std::uint8_t> data) {
  if (data.size() < 4) return std::nullopt;
  TransactionMarker marker;
  marker.id =
      std::uint32_t{data[0]} << 24 | std::uint32_t{data[1]} << 16 | std::uint32_t{data[2]} << 8 | data[3];
  for (std::size_t i = 4; i < data.size() && data[i] != 0; ++i) {
    marker.recorded_path.push_back(static_cast<char>(data[i]));
  }
  return marker;
}

struct ControlFile::Parts {
  std::unique_ptr<PageFile> file;
  std::unique_ptr<SharingEmulation> sharing;
  std::unique_ptr<StationLocks> locks;
  std::unique_ptr<OperationGate> gate;
  std::unique_ptr<OperationLock> exclusive;
};

ControlFile::ControlFile(std::string path, std::unique_ptr<Parts> parts)
    : path_(std::move(path)), parts_(std::move(parts)) {}

ControlFile::~ControlFile() {
  parts_->exclusive.reset();
  if (parts_->sharing) parts_->sharing->leave(OpenMode::decode(kSharedReadWrite));
}

std::unique_ptr<ControlFile> ControlFile::open(std::string_view path, bool create, int* error) {
  auto parts = std::make_unique<Parts>();
  const auto creation = create ? platform::Creation::OpenOrCreate : platform::Creation::OpenExisting;
  parts->file = PageFile::open(platformPath(path), creation, PageFileOptions{}, error);
  if (!parts->file) return nullptr;
  parts->sharing = std::make_unique<SharingEmulation>(parts->file->file());
  if (parts->sharing->admit(OpenMode::decode(kSharedReadWrite)) != 0) {
    parts->sharing.reset();
    *error = kAccessDenied;
    return nullptr;
  }
  parts->locks = std::make_unique<StationLocks>(parts->file->file(), false);
  PageFile* page_file = parts->file.get();
  parts->gate = std::make_unique<OperationGate>(*parts->locks, LockPolicy::Full,
                                                [page_file] { page_file->reloadIfChanged(); });
  *error = 0;
  return std::unique_ptr<ControlFile>(new ControlFile(std::string(path), std::move(parts)));
}

bool ControlFile::holdsUnlocked(std::uint32_t id) {
  Entry entry;
  return parts_->file->find(idKey(id), entry);
}

std::uint32_t ControlFile::lastIssuedUnlocked() {
  return parts_->file->lastNumber();
}

bool ControlFile::holds(std::uint32_t id) {
  OperationLock reading(*parts_->gate, false);
  return holdsUnlocked(id);
}

int ControlFile::change(std::uint32_t id, bool insert) {
  OperationLock writing(*parts_->gate, true);
  if (!writing.ok()) return kAccessDenied;
  const auto key = idKey(id);
  if (insert) {
    parts_->file->insert(key, {});
    if (id > parts_->file->lastNumber()) parts_->file->setLastNumber(id);
  } else if (!parts_->file->erase(key)) {
    return 0;
  }
  const int written = parts_->file->flush();
  if (written != 0) parts_->file->discardChanges();
  return written;
}

int ControlFile::insert(std::uint32_t id) {
  return change(id, true);
}
int ControlFile::remove(std::uint32_t id) {
  return change(id, false);
}

void ControlFile::beginExclusive() {
  if (!parts_->exclusive) parts_->exclusive = std::make_unique<OperationLock>(*parts_->gate, true);
}

void ControlFile::endExclusive() {
  parts_->exclusive.reset();
}

bool keepPendingUpdate(std::string_view storage_path, std::span<const std::uint8_t> marker_data) {
  const auto marker = decodeTransactionMarker(marker_data);
  if (!marker) return false;
  const std::string path = isDefaultControlFileMark(marker->recorded_path)
                               ? defaultControlFilePath(storage_path)
                               : marker->recorded_path;
  for (;;) {
    int error = 0;
    auto control = ControlFile::open(path, false, &error);
    if (control) return !control->holds(marker->id);
    if (error != kAccessDenied && error != platform::kOsSharingViolation) return false;
    std::this_thread::sleep_for(kInUseRetry);
  }
}

}  // namespace veltrano::storage
