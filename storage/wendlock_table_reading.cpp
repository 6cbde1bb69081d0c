// Reading side of a table: GET, the sequences of SET/NEXT/PREVIOUS/SKIP, positions, and the
// requests (HOLD, WATCH, NOMEMO) that apply to the next read.
#include <algorithm>

#include "storage/memo_chunks.h"
#include "storage/storage_failure.h"
#include "storage/wendlock_entries.h"
#include "storage/wendlock_table.h"

namespace veltrano::storage {

using entries::big32;
using entries::putBig32;

void WendlockTable::hold(std::int32_t seconds) {
  // The wait matters once record number locks exist; within one station a hold always succeeds.
  (void)seconds;
  hold_requested_ = true;
}

bool WendlockTable::readRecordImage(std::uint32_t number, std::span<std::uint8_t> buffer) {
  if (!tree_.find(entries::recordKey(number_, number), scratch_)) return false;
  if (scratch_.data().size() != shape_.record_size) fail(kFailureRecordImage);
  shape_.image.toBuffer(scratch_.data(), buffer);
  return true;
}

bool WendlockTable::readMemo(std::uint32_t record, std::size_t memo, std::vector<std::uint8_t>& out) {
  const auto& shape = shape_.memos[memo];
  if (!readMemoChunks(tree_, {number_, record, static_cast<std::uint8_t>(memo), shape.blob}, out, scratch_)) {
    return false;
  }
  memoContentsFromStored(out, shape.blob, shape.binary, shape_.oem);
  return true;
}

int WendlockTable::readInto(std::uint32_t record, RecordBuffers buffers, const Entry* stored) {
  const bool hold = hold_requested_;
  const bool watch = watch_requested_;
  const bool nomemo = nomemo_requested_;
  hold_requested_ = watch_requested_ = nomemo_requested_ = false;
  if (stored != nullptr) {
    if (stored->data().size() != shape_.record_size) fail(kFailureRecordImage);
    shape_.image.toBuffer(stored->data(), buffers.record);
  } else if (record == 0 || !readRecordImage(record, buffers.record)) {
    return 35;
  }
  if (!nomemo && buffers.memos != nullptr) {
    buffers.memos->resize(std::max(buffers.memos->size(), shape_.memos.size()));
    for (std::size_t i = 0; i < shape_.memos.size(); ++i) {
      // A damaged memo reads as what its chunks still hold; wlk check reports it.
      readMemo(record, i, (*buffers.memos)[i]);
    }
  }
  current_ = record;
  current_without_memos_ = nomemo;
  // The record's number lock is taken here for a HOLD (the locks layer); a read without HOLD
  // ends an earlier hold.
  held_ = hold ? record : 0;
  watching_ = watch;
  if (watch) {
    watch_image_.assign(buffers.record.begin(), buffers.record.end());
    watch_memos_.resize(shape_.memos.size());
    for (std::size_t i = 0; i < shape_.memos.size(); ++i) readMemo(record, i, watch_memos_[i]);
  }
  return 0;
}

bool WendlockTable::makeCurrent(std::uint32_t number) {
  if (number == 0 || !tree_.find(entries::recordKey(number_, number), scratch_)) return false;
  current_ = number;
  current_without_memos_ = false;
  return true;
}

int WendlockTable::getByPointer(std::uint32_t record, RecordBuffers buffers) {
  return readInto(record, buffers);
}

int WendlockTable::getByKey(int key, RecordBuffers buffers) {
  const auto index = static_cast<std::size_t>(key);
  const auto& shape = shape_.keys[index];
  const std::uint32_t length = shape.encoder.length();
  key_a_.resize(5 + length);
  putBig32(key_a_.data(), number_);
  key_a_[4] = static_cast<std::uint8_t>(key);
  shape.encoder.encode(buffers.record, std::span<std::uint8_t>(key_a_).subspan(5, length));
  std::uint32_t record = 0;
  if (shape.unique) {
    if (tree_.find(key_a_, entry_)) record = recordOfEntry(entry_);
  } else {
    const std::size_t prefix_length = key_a_.size();
    key_a_.resize(prefix_length + 4, 0);
    if (tree_.seek(key_a_, Seek::AtOrAfter, entry_) &&
        entries::startsWith(entry_.key(), std::span<const std::uint8_t>(key_a_).first(prefix_length))) {
      record = recordOfEntry(entry_);
    }
  }
  if (record == 0) {
    hold_requested_ = watch_requested_ = nomemo_requested_ = false;
    return 35;
  }
  return readInto(record, buffers);
}

void WendlockTable::beginSequence(Order order, int key, Anchor anchor) {
  order_ = order;
  key_ = key;
  anchor_ = anchor;
}

void WendlockTable::setFile() {
  beginSequence(Order::File, -1, Anchor::Ends);
}

void WendlockTable::setFilePointer(std::uint32_t record) {
  beginSequence(Order::File, -1, Anchor::Inclusive);
  const auto key = entries::recordKey(number_, record);
  forward_from_.assign(key.begin(), key.end());
  backward_from_ = forward_from_;
}

void WendlockTable::setFileKey(int key, std::span<const std::uint8_t> record) {
  const auto index = static_cast<std::size_t>(key);
  const auto& shape = shape_.keys[index];
  key_b_.resize(5 + shape.encoder.length());
  putBig32(key_b_.data(), number_);
  key_b_[4] = static_cast<std::uint8_t>(key);
  shape.encoder.encode(record, std::span<std::uint8_t>(key_b_).subspan(5));
  const std::size_t prefix_length = key_b_.size();
  if (!shape.unique) key_b_.resize(prefix_length + 4, 0);
  std::uint32_t found = 0xFFFFFFFF;
  if (tree_.seek(key_b_, Seek::AtOrAfter, entry_) &&
      entries::startsWith(entry_.key(), std::span<const std::uint8_t>(key_b_).first(prefix_length))) {
    found = recordOfEntry(entry_);
  }
  setFilePointer(found);
}

void WendlockTable::setKey(int key) {
  beginSequence(Order::Key, key, Anchor::Ends);
}

void WendlockTable::keyValueBounds(int key, std::span<const std::uint8_t> value, std::uint32_t pointer,
                                   bool with_pointer) {
  const auto& shape = shape_.keys[static_cast<std::size_t>(key)];
  beginSequence(Order::Key, key, Anchor::Inclusive);
  forward_from_.resize(5);
  putBig32(forward_from_.data(), number_);
  forward_from_[4] = static_cast<std::uint8_t>(key);
  forward_from_.insert(forward_from_.end(), value.begin(), value.end());
  backward_from_ = forward_from_;
  if (!shape.unique) {
    const std::size_t at = forward_from_.size();
    forward_from_.resize(at + 4);
    backward_from_.resize(at + 4);
    putBig32(forward_from_.data() + at, with_pointer ? pointer : 0);
    putBig32(backward_from_.data() + at, with_pointer ? pointer : 0xFFFFFFFF);
  }
}

void WendlockTable::setKeyValue(int key, std::span<const std::uint8_t> record) {
  const auto& shape = shape_.keys[static_cast<std::size_t>(key)];
  std::vector<std::uint8_t> value(shape.encoder.length());
  shape.encoder.encode(record, value);
  keyValueBounds(key, value, 0, false);
}

void WendlockTable::setKeyValuePointer(int key, std::span<const std::uint8_t> record, std::uint32_t pointer) {
  const auto& shape = shape_.keys[static_cast<std::size_t>(key)];
  std::vector<std::uint8_t> value(shape.encoder.length());
  shape.encoder.encode(record, value);
  keyValueBounds(key, value, pointer, true);
}

void WendlockTable::setKeyPointer(int key, std::uint32_t record) {
  if (!readRecordImage(record, old_buffer_)) {
    // No such record: NEXT finds nothing and PREVIOUS starts from the key's end.
    beginSequence(Order::Key, key, Anchor::Inclusive);
    forward_from_.resize(5);
    putBig32(forward_from_.data(), number_);
    forward_from_[4] = static_cast<std::uint8_t>(key + 1);
    backward_from_ = forward_from_;
    return;
  }
  std::vector<std::uint8_t> buffer = old_buffer_;
  setKeyValuePointer(key, buffer, record);
}

bool WendlockTable::move(bool forward, Entry& out) {
  const auto prefix = entries::tablePrefix(
      number_, order_ == Order::File ? entries::kRecordKind : static_cast<std::uint8_t>(key_));
  bool found = false;
  switch (anchor_) {
    case Anchor::Ends:
      if (forward) {
        found = tree_.seek(prefix, Seek::AtOrAfter, out);
      } else {
        auto end = prefix;
        end[4] = static_cast<std::uint8_t>(end[4] + 1);
        found = tree_.seek(end, Seek::Before, out);
      }
      break;
    case Anchor::Inclusive:
      found = forward ? tree_.seek(forward_from_, Seek::AtOrAfter, out)
                      : tree_.seek(backward_from_, Seek::AtOrBefore, out);
      break;
    case Anchor::Exclusive:
      found = tree_.seek(forward_from_, forward ? Seek::After : Seek::Before, out);
      break;
  }
  if (!found || !entries::startsWith(out.key(), prefix)) return false;
  anchor_ = Anchor::Exclusive;
  forward_from_.assign(out.key().begin(), out.key().end());
  return true;
}

bool WendlockTable::moveToRecord(bool forward, std::uint32_t& record, const Entry*& stored) {
  for (;;) {
    if (!move(forward, entry_)) return false;
    if (order_ == Order::File) {
      // The entry found is the data record itself.
      if (entry_.key_length != 9) fail(kFailureRecordImage);
      record = big32(entry_.bytes.data() + 5);
      stored = &entry_;
      return true;
    }
    // A key entry whose record has gone (deleted by another station) is passed over.
    record = recordOfEntry(entry_);
    if (tree_.find(entries::recordKey(number_, record), scratch_)) {
      stored = &scratch_;
      return true;
    }
  }
}

int WendlockTable::step(bool forward, RecordBuffers buffers) {
  std::uint32_t record = 0;
  const Entry* stored = nullptr;
  if (order_ == Order::None || !moveToRecord(forward, record, stored)) {
    hold_requested_ = watch_requested_ = nomemo_requested_ = false;
    return 33;
  }
  return readInto(record, buffers, stored);
}

int WendlockTable::skip(std::int32_t count) {
  if (order_ == Order::None) return 33;
  const bool forward = count >= 0;
  for (std::int64_t left = count >= 0 ? count : -static_cast<std::int64_t>(count); left > 0; --left) {
    if (!move(forward, entry_)) return 33;
  }
  return 0;
}

bool WendlockTable::atEnd() {
  if (order_ == Order::None) return true;
  const auto saved_anchor = anchor_;
  const auto saved_from = forward_from_;
  const bool more = move(true, scratch_);
  anchor_ = saved_anchor;
  forward_from_ = saved_from;
  return !more;
}

bool WendlockTable::atStart() {
  if (order_ == Order::None) return true;
  const auto saved_anchor = anchor_;
  const auto saved_from = forward_from_;
  const bool more = move(false, scratch_);
  anchor_ = saved_anchor;
  forward_from_ = saved_from;
  return !more;
}

std::string WendlockTable::positionFile() const {
  std::string position(4, '\0');
  putBig32(reinterpret_cast<std::uint8_t*>(position.data()), current_);
  return position;
}

std::string WendlockTable::positionKey(int key) {
  const auto& shape = shape_.keys[static_cast<std::size_t>(key)];
  std::string position = positionFile();
  std::vector<std::uint8_t> value(shape.encoder.length());
  if (current_ != 0 && readRecordImage(current_, old_buffer_)) shape.encoder.encode(old_buffer_, value);
  position.append(value.begin(), value.end());
  return position;
}

int WendlockTable::resetFile(std::string_view position) {
  if (position.size() != 4) return 35;
  setFilePointer(big32(reinterpret_cast<const std::uint8_t*>(position.data())));
  return 0;
}

int WendlockTable::resetKey(int key, std::string_view position) {
  const auto& shape = shape_.keys[static_cast<std::size_t>(key)];
  if (position.size() != 4 + shape.encoder.length()) return 35;
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(position.data());
  keyValueBounds(key, {bytes + 4, shape.encoder.length()}, big32(bytes), true);
  return 0;
}

int WendlockTable::regetFile(std::string_view position, RecordBuffers buffers) {
  if (position.size() != 4) return 35;
  return getByPointer(big32(reinterpret_cast<const std::uint8_t*>(position.data())), buffers);
}

int WendlockTable::regetKey(int key, std::string_view position, RecordBuffers buffers) {
  const auto& shape = shape_.keys[static_cast<std::size_t>(key)];
  if (position.size() != 4 + shape.encoder.length()) return 35;
  return getByPointer(big32(reinterpret_cast<const std::uint8_t*>(position.data())), buffers);
}

}  // namespace veltrano::storage
