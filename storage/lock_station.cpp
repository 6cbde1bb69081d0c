#include "storage/lock_station.h"

#include <algorithm>

#include "storage/storage_failure.h"

namespace veltrano::storage {
namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kFirstPause = std::chrono::milliseconds(2);
constexpr auto kLongestPause = std::chrono::milliseconds(40);

}  // namespace

LockRange rangeOf(const LockRequest& request, int failure) {
  const bool has_number = request.number != 0;
  const bool has_region = request.region != LockRegion::None;
  if (has_number == has_region) fail(failure);
  if (has_number) return numberLockRange(request.number);
  switch (request.region) {
    case LockRegion::ReaderSlot: return readerSlotRange(request.slot);
    case LockRegion::WriterByte: return writerByteRange();
    case LockRegion::WriteLock: return writeLockRange();
    case LockRegion::None: break;
  }
  fail(failure);
}

StationLocks::StationLocks(platform::File& file, bool shared_only)
    : file_(file), kind_(shared_only ? platform::LockKind::Shared : platform::LockKind::Exclusive) {}

StationLocks::~StationLocks() {
  std::lock_guard guard(mutex_);
  for (const Hold& hold : holds_) {
    if (hold.granted) file_.unlock(hold.range.offset, hold.range.length);
  }
}

StationLocks::Table StationLocks::consult(LockRange range, std::thread::id owner, std::size_t* mine) const {
  Table answer = Table::Free;
  for (std::size_t i = 0; i < holds_.size(); ++i) {
    const Hold& hold = holds_[i];
    if (!hold.range.overlaps(range)) continue;
    if (hold.owner != owner) return Table::Busy;
    if (hold.range == range && hold.granted) {
      *mine = i;
      answer = Table::Mine;
    }
  }
  return answer;
}

LockOutcome StationLocks::ask(LockRange range, platform::LockWait wait) {
  return file_.lock(range.offset, range.length, kind_, wait);
}

LockOutcome StationLocks::lock(LockRange range, LockPatience patience, LockWaitHook* hook) {
  const auto owner = std::this_thread::get_id();
  const auto started = Clock::now();
  auto pause = std::chrono::milliseconds(kFirstPause);
  std::unique_lock guard(mutex_);
  for (;;) {
    std::size_t mine = 0;
    const Table table = consult(range, owner, &mine);
    if (table == Table::Mine) {
      ++holds_[mine].count;
      return LockOutcome::Granted;
    }
    if (table == Table::Free) {
      // The pending hold keeps the other threads of the process out while the operating system
      // is asked, which may take as long as another station holds the range.
      holds_.push_back({range, owner, 1, false, std::nullopt});
      guard.unlock();
      const bool block = patience.endless() && hook == nullptr;
      const LockOutcome outcome = ask(range, block ? platform::LockWait::Wait : platform::LockWait::Fail);
      guard.lock();
      const auto pending = std::find_if(holds_.begin(), holds_.end(), [&](const Hold& hold) {
        return hold.owner == owner && hold.range == range && !hold.granted;
      });
      if (outcome == LockOutcome::Granted) {
        pending->granted = true;
        return outcome;
      }
      holds_.erase(pending);
      changed_.notify_all();
      if (outcome == LockOutcome::Failed) return outcome;
    }
    if (!patience.waits()) return LockOutcome::Busy;
    const auto waited = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - started);
    if (!patience.endless() && waited >= patience.limit()) return LockOutcome::Busy;
    auto this_pause = pause;
    if (!patience.endless()) this_pause = std::min(this_pause, patience.limit() - waited);
    if (hook != nullptr) {
      guard.unlock();
      hook->beforePause();
      std::this_thread::sleep_for(this_pause);
      hook->afterPause();
      guard.lock();
    } else {
      // Another thread letting go wakes this one early; another station's cannot, hence the
      // bounded pause.
      changed_.wait_for(guard, this_pause);
    }
    pause = std::min(pause * 2, std::chrono::milliseconds(kLongestPause));
  }
}

void StationLocks::letGo(std::size_t index, std::unique_lock<std::mutex>& guard) {
  (void)guard;
  if (--holds_[index].count > 0) return;
  const LockRange range = holds_[index].range;
  holds_.erase(holds_.begin() + static_cast<std::ptrdiff_t>(index));
  file_.unlock(range.offset, range.length);
  // Unlocking through the shared open file also let go of any overlapping range still held
  // here (by this thread, the only one that may overlap it): take those back.
  for (const Hold& hold : holds_) {
    if (hold.granted && hold.range.overlaps(range)) ask(hold.range, platform::LockWait::Fail);
  }
  changed_.notify_all();
}

bool StationLocks::unlock(LockRange range, bool any_thread) {
  const auto owner = std::this_thread::get_id();
  std::unique_lock guard(mutex_);
  for (std::size_t i = 0; i < holds_.size(); ++i) {
    if ((any_thread || holds_[i].owner == owner) && holds_[i].range == range && holds_[i].granted) {
      letGo(i, guard);
      return true;
    }
  }
  return false;
}

bool StationLocks::heldByThisThread(LockRange range) const {
  const auto owner = std::this_thread::get_id();
  std::lock_guard guard(mutex_);
  return std::any_of(holds_.begin(), holds_.end(), [&](const Hold& hold) {
    return hold.owner == owner && hold.range == range && hold.granted;
  });
}

std::size_t StationLocks::holdCount() const {
  std::lock_guard guard(mutex_);
  std::size_t count = 0;
  for (const Hold& hold : holds_) count += static_cast<std::size_t>(hold.count);
  return count;
}

LockOutcome StationLocks::lock(const LockRequest& request, LockPatience patience, LockWaitHook* hook) {
  return lock(rangeOf(request, kFailureMalformedLock), patience, hook);
}

bool StationLocks::unlock(const LockRequest& request) {
  return unlock(rangeOf(request, kFailureMalformedUnlock));
}

std::uint32_t StationLocks::currentSlot() const {
  std::lock_guard guard(mutex_);
  return slot_;
}

LockOutcome StationLocks::lockReaderSlot() {
  const auto owner = std::this_thread::get_id();
  // Once every slot has been found taken (a writer's write lock covers them all), the request
  // waits on its current slot instead of going round again.
  for (std::uint32_t tried = 0;; ++tried) {
    const std::uint32_t slot = currentSlot();
    const auto patience = tried < kReaderSlotCount ? LockPatience::none() : LockPatience::forever();
    const LockOutcome outcome = lock(readerSlotRange(slot), patience);
    if (outcome == LockOutcome::Failed) return outcome;
    std::lock_guard guard(mutex_);
    if (outcome == LockOutcome::Granted) {
      for (Hold& hold : holds_) {
        if (hold.owner == owner && hold.range == readerSlotRange(slot)) hold.slot = slot;
      }
      return outcome;
    }
    if (slot_ == slot) slot_ = (slot + 1) % kReaderSlotCount;
  }
}

void StationLocks::unlockReaderSlot() {
  const auto owner = std::this_thread::get_id();
  std::unique_lock guard(mutex_);
  for (std::size_t i = holds_.size(); i-- > 0;) {
    if (holds_[i].owner == owner && holds_[i].slot && holds_[i].granted) {
      letGo(i, guard);
      return;
    }
  }
}

void StationLocks::releaseThread() {
  const auto owner = std::this_thread::get_id();
  std::unique_lock guard(mutex_);
  for (std::size_t i = holds_.size(); i-- > 0;) {
    if (holds_[i].owner != owner || !holds_[i].granted) continue;
    holds_[i].count = 1;
    letGo(i, guard);
    if (i > holds_.size()) i = holds_.size();
  }
}

}  // namespace veltrano::storage
