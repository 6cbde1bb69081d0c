// Tests on stored records (StoredTest, driver.h): a count visits the table's data record entries
// where they lie in the tree, and a filtered NEXT or PREVIOUS passes over the records its filter
// rejects; either brings a record into the buffer only as far as the test reads.
#include <algorithm>
#include <array>

#include "storage/driver.h"
#include "storage/storage_failure.h"
#include "storage/wendlock_entries.h"
#include "storage/wendlock_table.h"

namespace veltrano::storage {
namespace {

// Puts back the parts of the record buffer a step overwrote, however the step ends.
class BufferParts {
 public:
  BufferParts(std::span<std::uint8_t> buffer, const std::vector<RecordImage::ByteRange>& parts)
      : buffer_(buffer), parts_(parts) {
    for (const auto& part : parts_)
      saved_.insert(saved_.end(), buffer_.begin() + part.offset, buffer_.begin() + part.offset + part.size);
  }
  ~BufferParts() {
    if (kept_) return;
    std::size_t at = 0;
    for (const auto& part : parts_) {
      std::copy_n(saved_.begin() + static_cast<std::ptrdiff_t>(at), part.size, buffer_.begin() + part.offset);
      at += part.size;
    }
  }
  BufferParts(const BufferParts&) = delete;
  BufferParts& operator=(const BufferParts&) = delete;

  // The buffer is about to be filled whole: nothing is put back.
  void keep() { kept_ = true; }

 private:
  std::span<std::uint8_t> buffer_;
  const std::vector<RecordImage::ByteRange>& parts_;
  std::vector<std::uint8_t> saved_;
  bool kept_ = false;
};

}  // namespace

RecordImage::Selection WendlockTable::selectionOf(const std::vector<StoredTest::Part>& reads,
                                                  std::vector<RecordImage::ByteRange> more) const {
  for (const auto& part : reads) {
    if (part.offset >= shape_.record_size) continue;
    more.push_back({part.offset, std::min(part.size, shape_.record_size - part.offset)});
  }
  return shape_.image.select(std::move(more));
}

int WendlockTable::stepTested(bool forward, RecordBuffers buffers, const StoredTest& filter) {
  if (order_ == Order::None) return step(forward, buffers);
  const RecordImage::Selection selection = selectionOf(filter.reads);
  // A step that ends without a record leaves the buffer as a plain one does: untouched.
  BufferParts restored(buffers.record, selection.copies);
  for (std::size_t passed_over = 0;; ++passed_over) {
    std::uint32_t record = 0;
    const Entry* stored = nullptr;
    if (!moveToRecord(forward, record, stored)) {
      hold_requested_ = watch_requested_ = nomemo_requested_ = false;
      return 33;
    }
    if (passed_over < StoredTest::kMostPassedOver) {
      if (stored->data().size() != shape_.record_size) fail(kFailureRecordImage);
      shape_.image.toBuffer(selection, stored->data(), buffers.record);
      if (!filter.test()) continue;
    }
    restored.keep();
    return readInto(record, buffers, stored);
  }
}

void WendlockTable::scanRecords(int key, RecordScan& scan, std::size_t records,
                                std::span<std::uint8_t> buffer) {
  if (scan.done) return;
  const TableKeyShape* key_shape = key >= 0 ? &shape_.keys[static_cast<std::size_t>(key)] : nullptr;
  std::uint32_t build_mark = 0;
  if (key_shape != nullptr) {
    if (key_shape->dynamic && !dynamic_built_[static_cast<std::size_t>(key)]) {
      scan.done = true;  // a dynamic index before its BUILD holds no record
      return;
    }
    build_mark = buildMark(key);
  }
  std::vector<RecordImage::ByteRange> key_parts;
  const bool opt = key_shape != nullptr && key_shape->opt;
  if (opt) {
    for (const auto& component : key_shape->encoder.components())
      key_parts.push_back({component.offset, component.size});
  }
  const RecordImage::Selection selection = selectionOf(scan.reads, std::move(key_parts));
  BufferParts restored(buffer, selection.copies);

  const auto prefix = entries::tablePrefix(number_, entries::kRecordKind);
  std::array<std::uint8_t, 9> last{};
  std::size_t seen = 0;
  bool more = false;
  const bool first = scan.resume.empty();
  // Only the selected bytes of each record are read from where it lies.
  std::vector<DataRange> wanted;
  wanted.reserve(selection.copies.size());
  for (const auto& part : selection.copies) wanted.push_back({part.offset, part.size});
  tree_.scanParts(first ? std::span<const std::uint8_t>(prefix) : std::span<const std::uint8_t>(scan.resume),
                  first, wanted,
                  [&](std::span<const std::uint8_t> entry_key, std::span<const std::uint8_t> data) {
                    if (!entries::startsWith(entry_key, prefix)) return false;
                    if (seen == records) {
                      more = true;
                      return false;
                    }
                    if (entry_key.size() != last.size() || data.size() != shape_.record_size)
                      fail(kFailureRecordImage);
                    std::copy(entry_key.begin(), entry_key.end(), last.begin());
                    ++seen;
                    const std::uint32_t number = entries::big32(entry_key.data() + 5);
                    if (build_mark != 0 && number >= build_mark) return true;  // not in the key yet
                    shape_.image.toBuffer(selection, data, buffer);
                    if (opt && key_shape->encoder.allEmpty(buffer)) return true;
                    if (scan.test()) ++scan.passed;
                    return true;
                  });
  if (seen > 0) scan.resume.assign(last.begin(), last.end());
  scan.done = !more;
}

}  // namespace veltrano::storage
