// Opening, recovery and the shadow-writing update of the page file; the tree itself is in
// page_tree.cpp.
#include "storage/page_file.h"

#include <algorithm>
#include <array>

#include "platform/os_error.h"
#include "storage/storage_failure.h"

namespace veltrano::storage {
namespace {

constexpr int kInvalidDataFile = 36;
// The write lock covers every reader slot of the lock regions, far beyond any data.
constexpr std::uint64_t kWriteLockOffset = 0x80000000;
constexpr std::uint64_t kWriteLockLength = 1023;
constexpr std::uint64_t kLargestOffset = 0xFFFFFFFF;

}  // namespace

PageFile::PageFile(std::unique_ptr<platform::File> file, const PageFileOptions& options)
    : file_(std::move(file)), options_(options) {
  if (!options_.owner.empty()) cipher_.emplace(options_.owner);
}

PageFile::~PageFile() {
  if (locked_) unlockForWrite();
}

std::unique_ptr<PageFile> PageFile::open(std::string_view path, platform::Creation creation,
                                         const PageFileOptions& options, int* error) {
  const auto access = options.read_only ? platform::Access::ReadOnly : platform::Access::ReadWrite;
  int os_error = 0;
  auto file = platform::fileSystem().open(path, access, creation, &os_error);
  if (file == nullptr) {
    if (error != nullptr) *error = os_error != 0 ? os_error : platform::kOsFileNotFound;
    return nullptr;
  }
  std::unique_ptr<PageFile> result(new PageFile(std::move(file), options));
  const int outcome = result->loadOnOpen();
  if (error != nullptr) *error = outcome;
  if (outcome != 0) return nullptr;
  return result;
}

// ---- I/O ----

void PageFile::readBlocks(std::uint64_t offset, std::span<std::uint8_t> out) {
  if (cipher_ && out.size() % kCipherBlockBytes != 0) fail(failure::kReadNotWholeBlocks);
  if (offset + out.size() > kLargestOffset + 1) fail(failure::kSeekFailed);
  const auto result = file_->read(offset, out);
  if (result.error != 0) fail(failure::kReadFailed);
  if (result.bytes < out.size()) fail(failure::kShortRead);
  if (cipher_) cipher_->decipher(out);
}

bool PageFile::tryReadBlocks(std::uint64_t offset, std::span<std::uint8_t> out) {
  if (cipher_ && out.size() % kCipherBlockBytes != 0) return false;
  const auto result = file_->read(offset, out);
  if (result.error != 0 || result.bytes < out.size()) return false;
  if (cipher_) cipher_->decipher(out);
  return true;
}

int PageFile::writeBlocks(std::uint64_t offset, std::span<std::uint8_t> data) {
  if (cipher_ && data.size() % kCipherBlockBytes != 0) fail(failure::kWriteNotWholeBlocks);
  if (offset + data.size() > kLargestOffset + 1) fail(failure::kSeekFailed);
  // The buffer is enciphered only for the write and deciphered again at once, so that what the
  // file keeps in memory stays plain.
  if (cipher_) cipher_->encipher(data);
  const auto result = file_->write(offset, data);
  if (cipher_) cipher_->decipher(data);
  if (result.error != 0) return result.error;
  return result.bytes < data.size() ? platform::kOsAccessDenied : 0;
}

int PageFile::readHeaderAt0(FileHeader& out) {
  std::array<std::uint8_t, kFileHeaderBytes> block{};
  const auto result = file_->read(0, block);
  if (result.error != 0) return result.error;
  if (result.bytes < block.size()) return kInvalidDataFile;
  if (cipher_) cipher_->decipher(block);
  if (!FileHeader::decode(block, out) || !out.plausible()) return kInvalidDataFile;
  return 0;
}

bool PageFile::headerMovedAt0() {
  // The pending bounds and the change counter lie in the first cipher block, so one block tells
  // whether another station wrote; this runs at the start of every operation.
  std::array<std::uint8_t, kCipherBlockBytes> block{};
  const auto result = file_->read(0, block);
  if (result.error != 0 || result.bytes < block.size()) return false;
  if (cipher_) cipher_->decipher(block);
  return loadLe32(block.data() + 6) != seen_at_0_.pending_start ||
         loadLe32(block.data() + 10) != seen_at_0_.pending_end ||
         loadLe32(block.data() + 24) != seen_at_0_.change_counter;
}

int PageFile::writeHeaderAt0(const FileHeader& header) {
  std::array<std::uint8_t, kFileHeaderBytes> block{};
  header.encode(block);
  const int outcome = writeBlocks(0, block);
  if (outcome == 0) {
    seen_at_0_ = header;
  } else {
    // A failed write may have left part of the block behind; the header that was there before
    // describes a whole file (and any pending area still intact), so it goes back.
    seen_at_0_.encode(block);
    writeBlocks(0, block);
  }
  return outcome;
}

bool PageFile::lockForWrite() {
  if (!options_.lock_for_writes || locked_) return true;
  if (write_lock_) {
    locked_ = write_lock_();
    return locked_;
  }
  const auto outcome = file_->lock(kWriteLockOffset, kWriteLockLength, platform::LockKind::Exclusive,
                                   platform::LockWait::Wait);
  locked_ = outcome == platform::LockOutcome::Granted;
  return locked_;
}

void PageFile::unlockForWrite() {
  if (!locked_) return;
  if (write_unlock_) {
    write_unlock_();
  } else {
    file_->unlock(kWriteLockOffset, kWriteLockLength);
  }
  locked_ = false;
}

// ---- Opening and recovery ----

int PageFile::loadOnOpen() {
  if (!options_.lock_for_writes) return loadFromDisk();
  // Another station may be writing the header at this moment, and a read beside a write can see
  // half of each. Within an operation the station's reader slot keeps writers out; a file being
  // opened has no station yet, so it takes a free slot of its own (shared, which a read-only
  // descriptor may take) while it reads the header. Every slot busy means a writer holds the
  // write lock: then it waits on the first. The slot is let go before any recovery, which waits
  // for the write lock itself and must not hold a slot a writer is waiting for.
  std::uint64_t slot = kWriteLockOffset;
  bool held = false;
  for (; slot < kWriteLockOffset + kWriteLockLength; ++slot) {
    held = file_->lock(slot, 1, platform::LockKind::Shared, platform::LockWait::Fail) ==
           platform::LockOutcome::Granted;
    if (held) break;
  }
  if (!held) {
    slot = kWriteLockOffset;
    if (file_->lock(slot, 1, platform::LockKind::Shared, platform::LockWait::Wait) !=
        platform::LockOutcome::Granted)
      return platform::kOsAccessDenied;
  }
  const int outcome = readDiskHeader();
  file_->unlock(slot, 1);
  if (outcome != 0) return outcome;
  return finishPendingUpdate();
}

int PageFile::loadFromDisk() {
  if (const int outcome = readDiskHeader(); outcome != 0) return outcome;
  return finishPendingUpdate();
}

int PageFile::readDiskHeader() {
  forgetLeaves();
  pending_copies_.clear();
  int size_error = 0;
  const std::int64_t size = file_->size(&size_error);
  if (size < 0) return size_error;
  if (size == 0) {
    header_ = disk_header_ = seen_at_0_ = FileHeader::fresh();
    new_on_disk_ = true;
    return 0;
  }
  new_on_disk_ = false;
  if (size < static_cast<std::int64_t>(kFileHeaderBytes)) return kInvalidDataFile;
  FileHeader header;
  if (const int outcome = readHeaderAt0(header); outcome != 0) return outcome;
  seen_at_0_ = disk_header_ = header;
  return 0;
}

int PageFile::finishPendingUpdate() {
  FileHeader header = disk_header_;
  int outcome = 0;
  if (!header.pendingEmpty()) {
    if (!options_.read_only && !lockForWrite()) return platform::kOsAccessDenied;
    if (!options_.read_only) {
      // The pending area seen above may belong to another station's update that finished while
      // this one waited for the lock, and a third may have written since: only the header read
      // under the lock says whether anything is left to recover.
      if (outcome = readHeaderAt0(header); outcome != 0) {
        unlockForWrite();
        return outcome;
      }
      seen_at_0_ = disk_header_ = header;
    }
    try {
      if (!header.pendingEmpty()) outcome = recoverPendingArea(true);
    } catch (...) {
      unlockForWrite();
      throw;
    }
    unlockForWrite();
  }
  header_ = disk_header_;
  return outcome;
}

int PageFile::recoverPendingArea(bool ask_hook) {
  const auto area = walkPendingArea(
      disk_header_.pending_start, disk_header_.pending_end,
      [this](std::uint64_t at, std::span<std::uint8_t> out) { return tryReadBlocks(at, out); });
  FileHeader newest;
  bool readable = area.has_value();
  if (readable) {
    std::array<std::uint8_t, kFileHeaderBytes> block{};
    readable = tryReadBlocks(area->copies.at(0).at, block) && FileHeader::decode(block, newest) &&
               newest.plausible();
  }
  if (!readable) return emptyPendingArea();
  if (ask_hook && options_.keep_pending_update) {
    // The marker is read from the tree as the pending update leaves it.
    header_ = newest;
    for (const auto& [home, copy] : area->copies) pending_copies_.emplace(home, copy);
    Entry marker;
    const std::uint8_t marker_key[1] = {0xFF};
    bool keep = true;
    try {
      if (find(marker_key, marker)) keep = options_.keep_pending_update(marker.data());
    } catch (...) {
      cache_.removeUnchanged();
      forgetLeaves();
      pending_copies_.clear();
      throw;
    }
    cache_.removeUnchanged();
    forgetLeaves();
    pending_copies_.clear();
    if (!keep) return emptyPendingArea();
  }
  if (options_.read_only) {
    // Nothing may be written: pages are read from their shadow copies instead.
    pending_copies_ = area->copies;
    disk_header_ = newest;
    return 0;
  }
  return rollForward(*area);
}

int PageFile::emptyPendingArea() {
  pending_copies_.clear();
  if (options_.read_only) return 0;
  FileHeader emptied = disk_header_;
  emptied.pending_start = emptied.pending_end = static_cast<std::uint32_t>(emptied.pageAreaEndOffset());
  int outcome = file_->sync();
  if (outcome == 0) outcome = writeHeaderAt0(emptied);
  if (outcome == 0) outcome = file_->sync();
  if (outcome == 0) disk_header_ = emptied;
  return outcome;
}

int PageFile::rollForward(const PendingArea& area) {
  std::vector<std::uint8_t> block;
  // Pages first, the header last: should this stop half way, the header at offset 0 still
  // names the pending area and the next open copies it again.
  for (const auto& [home, copy] : area.copies) {
    if (home == 0) continue;
    block.resize(copy.size);
    if (!tryReadBlocks(copy.at, block)) return platform::kOsReadFault;
    if (const int outcome = writeBlocks(home, block); outcome != 0) return outcome;
  }
  const PendingCopy header_copy = area.copies.at(0);
  block.resize(header_copy.size);
  if (!tryReadBlocks(header_copy.at, block)) return platform::kOsReadFault;
  if (const int outcome = writeBlocks(0, block); outcome != 0) return outcome;
  return applyPendingArea();
}

int PageFile::applyPendingArea() {
  if (const int outcome = file_->sync(); outcome != 0) return outcome;
  FileHeader header;
  if (const int outcome = readHeaderAt0(header); outcome != 0) return outcome;
  header.pending_start = header.pending_end = static_cast<std::uint32_t>(header.pageAreaEndOffset());
  ++header.change_counter;
  if (const int outcome = writeHeaderAt0(header); outcome != 0) return outcome;
  if (const int outcome = file_->sync(); outcome != 0) return outcome;
  disk_header_ = header;
  pending_on_disk_ = false;
  // The pending area is no longer needed; a failure to cut it off costs only space.
  int size_error = 0;
  if (file_->size(&size_error) > static_cast<std::int64_t>(header.pending_end)) {
    file_->setEnd(header.pending_end);
  }
  return 0;
}

int PageFile::completePendingOnDisk() {
  FileHeader header;
  if (const int outcome = readHeaderAt0(header); outcome != 0) return outcome;
  disk_header_ = header;
  if (header.pendingEmpty()) {
    pending_on_disk_ = false;
    return 0;
  }
  return recoverPendingArea(false);
}

bool PageFile::reloadIfChanged() {
  if (hasChanges() && !new_on_disk_) return false;
  if (cache_.changedCount() > 0 || header_.last_number != disk_header_.last_number) return false;
  if (new_on_disk_) {
    int size_error = 0;
    if (file_->size(&size_error) <= 0) return false;
  } else if (!headerMovedAt0()) {
    return false;
  }
  cache_.removeUnchanged();
  forgetLeaves();
  if (const int outcome = loadFromDisk(); outcome != 0) error_ = outcome;
  return true;
}

// ---- State ----

bool PageFile::hasChanges() const {
  return cache_.changedCount() > 0 || !released_units_.empty() || header_.root != disk_header_.root ||
         header_.last_number != disk_header_.last_number || new_on_disk_ || pending_on_disk_;
}

void PageFile::setLastNumber(std::uint32_t number) {
  if ((number >> 24) >= 0xFE) fail(failure::kNumbersExhausted);
  header_.last_number = number;
}

void PageFile::discardChanges() {
  if (prepared_) {
    // The update never reached its homes: put back the header that does not name it.
    prepared_ = false;
    int outcome = writeHeaderAt0(step1_header_);
    if (outcome == 0) outcome = file_->sync();
    if (outcome != 0) error_ = outcome;
  }
  unlockForWrite();
  cache_.removeChanged();
  cache_.removeUnchanged();
  forgetLeaves();
  released_units_.clear();
  next_unplaced_ = kFirstUnplacedId;
  pending_on_disk_ = false;
  if (const int outcome = loadFromDisk(); outcome != 0) {
    error_ = outcome;
    header_ = disk_header_;
  }
}

// ---- The update ----

int PageFile::flush() {
  if (!hasChanges()) return 0;
  if (const int outcome = prepareUpdate(); outcome != 0) return outcome;
  return completeUpdate();
}

int PageFile::prepareUpdate() {
  if (options_.read_only) return error_ = platform::kOsAccessDenied;
  if (prepared_) return 0;
  if (!lockForWrite()) return error_ = platform::kOsAccessDenied;
  int outcome = 0;
  try {
    if (pending_on_disk_) outcome = completePendingOnDisk();
    if (outcome == 0 && new_on_disk_) {
      // A new file gets its empty header before any page, so that whatever happens next it
      // opens as a storage file.
      outcome = writeHeaderAt0(disk_header_);
      if (outcome == 0) outcome = file_->sync();
      if (outcome == 0) {
        new_on_disk_ = false;
      } else {
        file_->setEnd(0);  // a torn first header would make the file unreadable; empty it opens again
      }
    }
    if (outcome == 0) outcome = writeUpdate();
  } catch (...) {
    unlockForWrite();
    throw;
  }
  if (outcome != 0) {
    error_ = outcome;
    unlockForWrite();
    return outcome;
  }
  prepared_ = true;
  return 0;
}

int PageFile::writeUpdate() {
  // Step 1.
  step1_header_ = disk_header_;
  const std::uint64_t boundary = disk_header_.pageAreaEndOffset();
  // Step 2.
  placePages();
  header_.change_counter = disk_header_.change_counter + 1;
  pages_.clear();
  cache_.changedIds(ids_);  // in increasing order, so the pages go out in the order of their homes
  for (const std::uint32_t id : ids_) pages_.push_back(cache_.find(id));
  staged_.clear();
  staged_homes_.clear();
  direct_.clear();
  direct_homes_.clear();
  std::size_t staged_bytes = kFileHeaderBytes;
  std::size_t direct_bytes = 0;
  for (CachedPage* page : pages_) {
    const auto home = static_cast<std::uint32_t>(unitOffset(page->id));
    if (!page->image_ready) {
      page->encode(home, page->image, scratch_);
      page->image_ready = true;
    } else {
      page->patchImage(home, page->image);
    }
    (home < boundary ? staged_bytes : direct_bytes) += page->image.size();
  }
  staged_.reserve(staged_bytes);
  direct_.reserve(direct_bytes);
  for (CachedPage* page : pages_) {
    const auto home = static_cast<std::uint32_t>(unitOffset(page->id));
    auto& buffer = home < boundary ? staged_ : direct_;
    auto& homes = home < boundary ? staged_homes_ : direct_homes_;
    homes.push_back({home, buffer.size(), page->image.size()});
    buffer.insert(buffer.end(), page->image.begin(), page->image.end());
    page->image.clear();
    page->image_ready = false;
  }
  const std::uint64_t pending_start = std::max<std::uint64_t>(header_.pageAreaEndOffset(), boundary);
  const std::uint64_t pending_end = pending_start + staged_.size() + kFileHeaderBytes;
  if (pending_end > kLargestOffset) fail(failure::kSeekFailed);
  header_.pending_start = static_cast<std::uint32_t>(pending_start);
  header_.pending_end = static_cast<std::uint32_t>(pending_end);
  staged_homes_.push_back({0, staged_.size(), kFileHeaderBytes});
  staged_.resize(staged_.size() + kFileHeaderBytes);
  header_.encode(
      std::span<std::uint8_t, kFileHeaderBytes>(staged_.data() + staged_homes_.back().at, kFileHeaderBytes));

  // Step 3: new pages straight to their homes, the rest and the header to the pending area.
  for (std::size_t first = 0; first < direct_homes_.size();) {
    const ImageRun run = runFrom(direct_homes_, first);
    if (const int outcome =
            writeBlocks(direct_homes_[first].home,
                        std::span<std::uint8_t>(direct_.data() + direct_homes_[first].at, run.bytes));
        outcome != 0) {
      return outcome;
    }
    first = run.past;
  }
  if (const int outcome = writeBlocks(pending_start, staged_); outcome != 0) return outcome;

  // Step 4: the header copy of step 1, naming the pending area, makes the update durable.
  if (const int outcome = file_->sync(); outcome != 0) return outcome;
  FileHeader durable = step1_header_;
  durable.pending_start = header_.pending_start;
  durable.pending_end = header_.pending_end;
  int outcome = writeHeaderAt0(durable);
  if (outcome == 0) outcome = file_->sync();
  if (outcome != 0) {
    // The header may be half written: put the old one back so the file shows no update at all.
    if (writeHeaderAt0(step1_header_) == 0) file_->sync();
    return outcome;
  }
  return 0;
}

int PageFile::completeUpdate() {
  if (!prepared_) return 0;
  prepared_ = false;
  int outcome = 0;
  try {
    outcome = writeHomes();
    if (outcome == 0) outcome = applyPendingArea();
  } catch (...) {
    pending_on_disk_ = true;
    unlockForWrite();
    throw;
  }
  if (outcome != 0) {
    // The update is durable; the next flush (or open) finishes it from the pending area.
    error_ = outcome;
    pending_on_disk_ = true;
    unlockForWrite();
    return outcome;
  }
  cache_.markAllUnchanged();
  forgetLeaves();
  released_units_.clear();
  next_unplaced_ = kFirstUnplacedId;
  header_ = disk_header_;
  error_ = 0;
  unlockForWrite();
  if (staged_.capacity() > (std::size_t{8} << 20)) std::vector<std::uint8_t>().swap(staged_);
  if (direct_.capacity() > (std::size_t{8} << 20)) std::vector<std::uint8_t>().swap(direct_);
  return 0;
}

PageFile::ImageRun PageFile::runFrom(std::span<const BufferedImage> images, std::size_t first) {
  std::size_t past = first + 1;
  while (past < images.size() && images[past].home == images[past - 1].home + images[past - 1].size) ++past;
  return {past, images[past - 1].at + images[past - 1].size - images[first].at};
}

int PageFile::writeHomes() {
  // Step 5: every shadowed page to its home (neighbours in one write), then the new header.
  const auto pages = std::span<const BufferedImage>(staged_homes_).first(staged_homes_.size() - 1);
  for (std::size_t first = 0; first < pages.size();) {
    const ImageRun run = runFrom(pages, first);
    if (const int outcome = writeBlocks(pages[first].home,
                                        std::span<std::uint8_t>(staged_.data() + pages[first].at, run.bytes));
        outcome != 0) {
      return outcome;
    }
    first = run.past;
  }
  return writeHeaderAt0(header_);
}

}  // namespace veltrano::storage
