// Writing side of a table: ADD, APPEND, PUT, DELETE, key maintenance, BUILD and EMPTY.
#include "storage/wendlock_table.h"

#include <algorithm>
#include <cstring>

#include "storage/memo_chunks.h"
#include "storage/storage_failure.h"
#include "storage/wendlock_entries.h"

namespace veltrano::storage {

using entries::big32;
using entries::putBig32;

std::uint32_t takeNumber(EntryTree& tree) {
  const std::uint32_t number = tree.lastNumber() + 1;
  // Table-number-prefixed keys must sort before the name entries (0xFE …).
  if ((number >> 24) >= 0xFE || number == 0) fail(kFailureNumbersExhausted);
  tree.setLastNumber(number);
  return number;
}

WendlockTable::WendlockTable(EntryTree& tree, std::uint32_t number, TableShape shape)
    : tree_(tree), number_(number), shape_(std::move(shape)), dynamic_built_(shape_.keys.size(), false) {
  image_.resize(shape_.record_size);
  old_buffer_.resize(shape_.record_size);
}

bool WendlockTable::readCounter(std::uint8_t selector, Counter& out) {
  if (!tree_.find(entries::counterKey(number_, selector), scratch_)) return false;
  const auto data = scratch_.data();
  if (data.size() != 8) fail(kFailureCounter);
  out.count = entries::little32(data.data());
  out.second = entries::little32(data.data() + 4);
  return true;
}

void WendlockTable::writeCounter(std::uint8_t selector, const Counter& counter) {
  std::uint8_t data[8];
  entries::putLittle32(data, counter.count);
  entries::putLittle32(data + 4, counter.second);
  tree_.insert(entries::counterKey(number_, selector), data);
}

void WendlockTable::adjustCounter(std::uint8_t selector, std::int32_t delta) {
  if (delta == 0) return;
  Counter counter;
  if (!readCounter(selector, counter)) fail(kFailureCounter);
  counter.count = static_cast<std::uint32_t>(static_cast<std::int64_t>(counter.count) + delta);
  writeCounter(selector, counter);
}

std::uint32_t WendlockTable::records() {
  Counter counter;
  if (!readCounter(entries::kRecordCounterSelector, counter)) fail(kFailureCounter);
  return counter.count;
}

std::uint32_t WendlockTable::keyEntries(int key) {
  Counter counter;
  if (!readCounter(static_cast<std::uint8_t>(key), counter)) fail(kFailureCounter);
  return counter.count;
}

std::uint32_t WendlockTable::buildMark(int key) {
  Counter counter;
  if (!readCounter(static_cast<std::uint8_t>(key), counter)) fail(kFailureCounter);
  return counter.second;
}

bool WendlockTable::keyBuilt(int key) {
  const auto index = static_cast<std::size_t>(key);
  if (shape_.keys[index].dynamic && !dynamic_built_[index]) return false;
  return buildMark(key) == 0;
}

std::uint32_t WendlockTable::flagsWord() {
  Counter counter;
  if (!readCounter(entries::kRecordCounterSelector, counter)) fail(kFailureCounter);
  return counter.second;
}

void WendlockTable::setFlagsWord(std::uint32_t flags) {
  Counter counter;
  if (!readCounter(entries::kRecordCounterSelector, counter)) fail(kFailureCounter);
  counter.second = flags;
  writeCounter(entries::kRecordCounterSelector, counter);
}

bool WendlockTable::keyCovers(std::size_t key, std::uint32_t record) {
  if (shape_.keys[key].dynamic && !dynamic_built_[key]) return false;
  const std::uint32_t mark = buildMark(static_cast<int>(key));
  return mark == 0 || record < mark;
}

bool WendlockTable::keyEntryKey(std::size_t key, std::span<const std::uint8_t> buffer, std::uint32_t record,
                                std::vector<std::uint8_t>& out) const {
  const auto& shape = shape_.keys[key];
  if (shape.opt && shape.encoder.allEmpty(buffer)) return false;
  const std::uint32_t length = shape.encoder.length();
  out.resize(5 + length + (shape.unique ? 0 : 4));
  putBig32(out.data(), number_);
  out[4] = static_cast<std::uint8_t>(key);
  shape.encoder.encode(buffer, std::span<std::uint8_t>(out).subspan(5, length));
  if (!shape.unique) putBig32(out.data() + 5 + length, record);
  return true;
}

bool WendlockTable::keyEntryOf(int key, std::span<const std::uint8_t> record, std::uint32_t number,
                               std::vector<std::uint8_t>& entry_key,
                               std::vector<std::uint8_t>& entry_data) const {
  if (!keyEntryKey(static_cast<std::size_t>(key), record, number, entry_key)) return false;
  entry_data.clear();
  if (shape_.keys[static_cast<std::size_t>(key)].unique) {
    entry_data.resize(4);
    putBig32(entry_data.data(), number);
  }
  return true;
}

std::uint32_t WendlockTable::recordOfEntry(const Entry& entry) const {
  if (entry.bytes.size() < 9) fail(kFailureKeyEntry);
  return big32(entry.bytes.data() + entry.bytes.size() - 4);
}

int WendlockTable::keyTakenByAnother(std::uint32_t record, const std::uint8_t* old_buffer,
                                     const std::uint8_t* new_buffer) {
  const std::size_t size = shape_.record_size;
  for (std::size_t key = 0; key < shape_.keys.size(); ++key) {
    if (!shape_.keys[key].unique || !keyCovers(key, record)) continue;
    if (!keyEntryKey(key, {new_buffer, size}, record, key_b_)) continue;
    if (old_buffer != nullptr && keyEntryKey(key, {old_buffer, size}, record, key_a_) && key_a_ == key_b_)
      continue;
    if (tree_.find(key_b_, scratch_) && recordOfEntry(scratch_) != record) return 40;
  }
  return 0;
}

void WendlockTable::maintainKeys(std::uint32_t record, const std::uint8_t* old_buffer,
                                 const std::uint8_t* new_buffer) {
  const std::size_t size = shape_.record_size;
  std::uint8_t number_bytes[4];
  putBig32(number_bytes, record);
  for (std::size_t key = 0; key < shape_.keys.size(); ++key) {
    if (!keyCovers(key, record)) continue;
    const bool unique = shape_.keys[key].unique;
    const bool has_old = old_buffer != nullptr && keyEntryKey(key, {old_buffer, size}, record, key_a_);
    const bool has_new = new_buffer != nullptr && keyEntryKey(key, {new_buffer, size}, record, key_b_);
    if (has_old && has_new && key_a_ == key_b_) continue;
    std::int32_t delta = 0;
    if (has_new) {
      tree_.insert(key_b_,
                   unique ? std::span<const std::uint8_t>(number_bytes, 4) : std::span<const std::uint8_t>());
      ++delta;
    }
    if (has_old) {
      // A unique entry with the old value may belong to another record only in a damaged key;
      // it is left to that record.
      if (!unique || (tree_.find(key_a_, scratch_) && recordOfEntry(scratch_) == record)) {
        if (tree_.erase(key_a_)) --delta;
      }
    }
    adjustCounter(static_cast<std::uint8_t>(key), delta);
  }
}

int WendlockTable::add(RecordBuffers buffers) {
  return addRecord(buffers, false);
}
int WendlockTable::append(RecordBuffers buffers) {
  return addRecord(buffers, true);
}

int WendlockTable::addRecord(RecordBuffers buffers, bool append) {
  Counter counter;
  if (!readCounter(entries::kRecordCounterSelector, counter)) return 5;
  if (9 + shape_.record_size >= entries::kLargestEntry) fail(824);
  // A duplicate is refused before the number is taken: a refused add changes nothing.
  if (!append) {
    if (const int taken = keyTakenByAnother(tree_.lastNumber() + 1, nullptr, buffers.record.data());
        taken != 0)
      return taken;
  }
  const std::uint32_t record = takeNumber(tree_);
  if (!numberIsNew(record)) fail(kFailureNumberInUse);
  if (!append) {
    maintainKeys(record, nullptr, buffers.record.data());
  } else {
    for (std::size_t key = 0; key < shape_.keys.size(); ++key) {
      Counter key_counter;
      if (!readCounter(static_cast<std::uint8_t>(key), key_counter)) fail(kFailureCounter);
      if (key_counter.second == 0 || key_counter.second > record) {
        key_counter.second = record;
        writeCounter(static_cast<std::uint8_t>(key), key_counter);
      }
    }
  }
  shape_.image.toStored(buffers.record, image_);
  tree_.insert(entries::recordKey(number_, record), image_);
  ++counter.count;
  writeCounter(entries::kRecordCounterSelector, counter);
  current_ = record;
  current_without_memos_ = false;
  writeMemos(record, buffers, false);
  return 0;
}

bool WendlockTable::numberIsNew(std::uint32_t record) {
  if (record <= number_) return false;
  // The table's records are in number order: its last one is the highest.
  const auto past_last = entries::recordKey(number_, 0xFFFFFFFF);
  if (!tree_.seek(past_last, Seek::AtOrBefore, scratch_)) return true;
  const auto records_prefix = entries::tablePrefix(number_, entries::kRecordKind);
  return !entries::startsWith(scratch_.key(), records_prefix) || scratch_.key().size() != 9 ||
         big32(scratch_.bytes.data() + 5) < record;
}

void WendlockTable::writeMemos(std::uint32_t record, RecordBuffers buffers, bool only_changed) {
  for (std::size_t i = 0; i < shape_.memos.size(); ++i) {
    const auto& memo = shape_.memos[i];
    std::span<const std::uint8_t> contents;
    if (buffers.memos != nullptr && i < buffers.memos->size()) contents = (*buffers.memos)[i];
    storedMemoContents(contents, memo.blob, memo.binary, shape_.oem, memo.size, memo_);
    const MemoPlace place{number_, record, static_cast<std::uint8_t>(i), memo.blob};
    if (only_changed) {
      readMemoChunks(tree_, place, memo_old_, scratch_);
      if (memo_old_ == memo_) continue;
    }
    writeMemoChunks(tree_, place, memo_, scratch_);
  }
}

int WendlockTable::put(RecordBuffers buffers) {
  if (current_ == 0) return 33;
  // The record's number lock is taken here when the record is not held (the locks layer).
  auto finish = [&](int result) {
    held_ = 0;
    watching_ = false;
    return result;
  };
  if (!readRecordImage(current_, old_buffer_)) return finish(33);
  if (watching_) {
    bool changed = watch_image_ != old_buffer_;
    if (!changed && !current_without_memos_) {
      for (std::size_t i = 0; i < shape_.memos.size() && !changed; ++i) {
        readMemo(current_, i, memo_old_);
        changed = i >= watch_memos_.size() || watch_memos_[i] != memo_old_;
      }
    }
    if (changed) return finish(89);
  }
  if (!std::equal(buffers.record.begin(), buffers.record.end(), old_buffer_.begin())) {
    if (const int taken = keyTakenByAnother(current_, old_buffer_.data(), buffers.record.data()); taken != 0)
      return finish(taken);
    maintainKeys(current_, old_buffer_.data(), buffers.record.data());
    shape_.image.toStored(buffers.record, image_);
    tree_.insert(entries::recordKey(number_, current_), image_);
  }
  if (!current_without_memos_) writeMemos(current_, buffers, true);
  return finish(0);
}

int WendlockTable::erase() {
  if (current_ == 0) return 33;
  // The record's number lock is taken here, without waiting, when the record is not held.
  if (!readRecordImage(current_, old_buffer_)) {
    held_ = 0;
    return 33;
  }
  tree_.erase(entries::recordKey(number_, current_));
  maintainKeys(current_, old_buffer_.data(), nullptr);
  adjustCounter(entries::kRecordCounterSelector, -1);
  for (std::size_t i = 0; i < shape_.memos.size(); ++i) {
    removeMemoChunks(tree_, {number_, current_, static_cast<std::uint8_t>(i), shape_.memos[i].blob},
                     scratch_);
  }
  held_ = 0;
  watching_ = false;
  current_ = 0;
  return 0;
}

bool WendlockTable::duplicate(std::span<const std::uint8_t> record, int key) {
  for (std::size_t k = 0; k < shape_.keys.size(); ++k) {
    if (key >= 0 && k != static_cast<std::size_t>(key)) continue;
    if (!shape_.keys[k].unique) continue;
    if (!keyEntryKey(k, record, 0, key_a_)) continue;
    if (tree_.find(key_a_, scratch_) && recordOfEntry(scratch_) != current_) return true;
  }
  return false;
}

int WendlockTable::enterRecord(std::size_t key, std::uint32_t record, std::span<const std::uint8_t> buffer) {
  if (!keyEntryKey(key, buffer, record, key_a_)) return 0;
  const bool unique = shape_.keys[key].unique;
  if (unique && tree_.find(key_a_, scratch_) && recordOfEntry(scratch_) != record) return 40;
  std::uint8_t number_bytes[4];
  putBig32(number_bytes, record);
  tree_.insert(key_a_,
               unique ? std::span<const std::uint8_t>(number_bytes, 4) : std::span<const std::uint8_t>());
  return 1;
}

int WendlockTable::build(int key, bool full) {
  if (key < 0) {
    for (std::size_t k = 0; k < shape_.keys.size(); ++k) {
      if (const int error = build(static_cast<int>(k), full); error != 0) return error;
    }
    return 0;
  }
  const auto index = static_cast<std::size_t>(key);
  const auto selector = static_cast<std::uint8_t>(key);
  Counter counter;
  if (!readCounter(selector, counter)) fail(kFailureCounter);
  const bool whole = full || shape_.keys[index].dynamic;
  if (!whole && counter.second == 0) return 0;
  const Counter before = counter;
  const std::uint32_t from = whole ? 0 : counter.second;
  if (whole) {
    entries::eraseAll(tree_, entries::tablePrefix(number_, selector), entry_);
    counter.count = 0;
  }
  const auto records_prefix = entries::tablePrefix(number_, entries::kRecordKind);
  auto at = entries::recordKey(number_, from);
  auto seek = Seek::AtOrAfter;
  std::uint32_t failed_at = 0;
  while (tree_.seek(at, seek, entry_) && entries::startsWith(entry_.key(), records_prefix)) {
    if (entry_.key_length != 9 || entry_.data().size() != shape_.record_size) fail(kFailureRecordImage);
    const std::uint32_t record = big32(entry_.bytes.data() + 5);
    std::copy(entry_.key().begin(), entry_.key().end(), at.begin());
    seek = Seek::After;
    shape_.image.toBuffer(entry_.data(), old_buffer_);
    const int entered = enterRecord(index, record, old_buffer_);
    if (entered == 40) {
      failed_at = record;
      break;
    }
    counter.count += static_cast<std::uint32_t>(entered);
  }
  if (failed_at != 0) {
    // Take back what this BUILD entered, so the key is as it was (or, after a whole rebuild,
    // empty and marked for a later BUILD).
    auto back = entries::recordKey(number_, from);
    auto back_seek = Seek::AtOrAfter;
    while (tree_.seek(back, back_seek, entry_) && entries::startsWith(entry_.key(), records_prefix)) {
      const std::uint32_t record = big32(entry_.bytes.data() + 5);
      if (record >= failed_at) break;
      std::copy(entry_.key().begin(), entry_.key().end(), back.begin());
      back_seek = Seek::After;
      shape_.image.toBuffer(entry_.data(), old_buffer_);
      if (keyEntryKey(index, old_buffer_, record, key_a_) && tree_.find(key_a_, scratch_) &&
          recordOfEntry(scratch_) == record) {
        tree_.erase(key_a_);
      }
    }
    Counter restored = before;
    if (whole) restored = {0, 1};
    writeCounter(selector, restored);
    return 40;
  }
  counter.second = 0;
  writeCounter(selector, counter);
  dynamic_built_[index] = true;
  return 0;
}

void WendlockTable::empty() {
  auto clearPrefix = [&](const entries::TablePrefix& prefix) { entries::eraseAll(tree_, prefix, entry_); };
  clearPrefix(entries::tablePrefix(number_, entries::kRecordKind));
  clearPrefix(entries::tablePrefix(number_, entries::kMemoKind));
  for (std::size_t key = 0; key < shape_.keys.size(); ++key) {
    clearPrefix(entries::tablePrefix(number_, static_cast<std::uint8_t>(key)));
    writeCounter(static_cast<std::uint8_t>(key), {0, 0});
  }
  Counter counter;
  if (!readCounter(entries::kRecordCounterSelector, counter)) fail(kFailureCounter);
  writeCounter(entries::kRecordCounterSelector, {0, counter.second});
  current_ = 0;
  held_ = 0;
  watching_ = false;
  order_ = Order::None;
}

}  // namespace veltrano::storage
