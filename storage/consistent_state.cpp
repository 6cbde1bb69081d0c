#include "storage/consistent_state.h"

#include <algorithm>
#include <thread>

#include "platform/directory_entries.h"
#include "platform/os_error.h"
#include "storage/lock_regions.h"
#include "storage/transaction_control_file.h"

namespace veltrano::storage {
namespace {

constexpr std::chrono::milliseconds kRetryPause(20);
constexpr std::string_view kStorageExtension = ".WLK";

bool equalIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::toupper(static_cast<unsigned char>(x)) == std::toupper(static_cast<unsigned char>(y));
         });
}

std::string osText(int error) {
  return std::to_string(error) + " (" + std::string(platform::osErrorText(error)) + ")";
}

}  // namespace

bool ConsistentState::belongsToState(std::string_view name) {
  if (equalIgnoringCase(name, kDefaultControlFileName)) return true;
  return name.size() > kStorageExtension.size() &&
         equalIgnoringCase(name.substr(name.size() - kStorageExtension.size()), kStorageExtension);
}

std::unique_ptr<ConsistentState> ConsistentState::take(std::string_view directory,
                                                       std::chrono::milliseconds patience, std::string* why) {
  int error = 0;
  const std::vector<std::string> names = platform::fileNames(directory, &error);
  if (error != 0) {
    *why = "каталог данных " + std::string(directory) + " не читается: ошибка " + osText(error);
    return nullptr;
  }
  std::unique_ptr<ConsistentState> state(new ConsistentState());
  for (const std::string& name : names) {
    if (!belongsToState(name)) continue;
    Member member;
    member.name = name;
    member.file =
        platform::fileSystem().open(std::string(directory) + "/" + name, platform::Access::ReadWrite,
                                    platform::Creation::OpenExisting, &error);
    if (!member.file) {
      *why = "файл " + name + " не открывается: ошибка " + osText(error);
      return nullptr;
    }
    member.sharing = std::make_unique<SharingEmulation>(*member.file);
    if (member.sharing->admit(OpenMode::decode(0x42), true) != 0) {
      *why = "файл " + name + " открыт другой станцией без права записи для других; закройте его там";
      return nullptr;
    }
    state->members_.push_back(std::move(member));
  }
  if (state->members_.empty()) {
    *why = "в каталоге " + std::string(directory) + " нет файлов данных";
    return nullptr;
  }
  const auto deadline = std::chrono::steady_clock::now() + patience;
  std::string busy;
  while (!state->lockAll(&busy)) {
    if (std::chrono::steady_clock::now() >= deadline) {
      *why = "файл " + busy + " занят другой станцией (идет запись или транзакция) дольше " +
             std::to_string(patience.count() / 1000) + " с; повторите позже";
      return nullptr;
    }
    std::this_thread::sleep_for(kRetryPause);
  }
  for (Member& member : state->members_) {
    member.size = member.file->size(&error);
    if (member.size < 0) {
      *why = "размер файла " + member.name + " не читается: ошибка " + osText(error);
      return nullptr;
    }
  }
  return state;
}

ConsistentState::~ConsistentState() {
  unlockAll();
  for (Member& member : members_) {
    if (member.sharing) member.sharing->leave(OpenMode::decode(0x42));
  }
}

bool ConsistentState::lockAll(std::string* busy) {
  auto take = [&](platform::File& file, std::uint64_t offset) {
    if (file.lock(offset, 1, platform::LockKind::Shared, platform::LockWait::Fail) !=
        platform::LockOutcome::Granted)
      return false;
    held_.emplace_back(&file, offset);
    return true;
  };
  for (Member& member : members_) {
    bool slot_taken = false;
    if (take(*member.file, writerByteRange().offset)) {
      // Any free slot serves; one held by a reader is passed over.
      for (std::uint32_t slot = 0; slot < kReaderSlotCount && !slot_taken; ++slot)
        slot_taken = take(*member.file, readerSlotRange(slot).offset);
    }
    if (!slot_taken) {
      *busy = member.name;
      unlockAll();
      return false;
    }
  }
  return true;
}

void ConsistentState::unlockAll() {
  for (auto it = held_.rbegin(); it != held_.rend(); ++it) it->first->unlock(it->second, 1);
  held_.clear();
}

}  // namespace veltrano::storage
