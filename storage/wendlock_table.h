// One open table of a storage file: its records, keys and memos as entries of the file's tree,
// the current record, the sequence that NEXT and PREVIOUS follow, and the requests (HOLD,
// WATCH, NOMEMO) made for the next read. It works on any EntryTree, so the in-memory twin
// serves tests and models exactly as the page file serves the program.
//
// Results are the error codes the driver posts (0 on success). An inconsistency in the file is
// raised as a storage failure.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "storage/entry_tree.h"
#include "storage/key_encoding.h"
#include "storage/record_image.h"
#include "storage/stored_test.h"

namespace veltrano::storage {

struct RecordScan;

struct TableKeyShape {
  KeyEncoder encoder;
  std::string label;
  bool unique = true;
  bool opt = false;
  bool dynamic = false;  // a dynamic index: entered only after a BUILD of this open table
};

struct TableMemoShape {
  std::string label;
  bool blob = false;
  bool binary = false;
  std::uint32_t size = 0;
};

struct TableShape {
  std::uint32_t record_size = 0;
  bool oem = false;
  RecordImage image;
  std::vector<TableKeyShape> keys;
  std::vector<TableMemoShape> memos;
};

// The record buffer and memo buffer an operation reads or writes.
struct RecordBuffers {
  std::span<std::uint8_t> record;
  std::vector<std::vector<std::uint8_t>>* memos = nullptr;  // may be null: no memo buffer
};

// Storage failures raised for inconsistent table entries.
inline constexpr int kFailureRecordImage = 3101;  // a data record of the wrong size
inline constexpr int kFailureCounter = 3102;      // a damaged counter entry
inline constexpr int kFailureKeyEntry = 3103;     // a key entry of the wrong shape
inline constexpr int kFailureNumbersExhausted = 1173;
// The file's number counter gave a number already in use: the counter is damaged (lowered), and
// writing there would replace a record.
inline constexpr int kFailureNumberInUse = 3105;

// Takes the next table or record number from the file's counter.
std::uint32_t takeNumber(EntryTree& tree);

class WendlockTable {
 public:
  WendlockTable(EntryTree& tree, std::uint32_t number, TableShape shape);

  std::uint32_t number() const { return number_; }
  const TableShape& shape() const { return shape_; }
  EntryTree& tree() { return tree_; }

  // Record operations.
  int add(RecordBuffers buffers);
  int append(RecordBuffers buffers);
  int put(RecordBuffers buffers);
  int erase();  // DELETE of the current record
  // Whether the buffer would duplicate a unique key's entry of another record; key -1: any key.
  bool duplicate(std::span<const std::uint8_t> record, int key);

  // Direct reads.
  int getByKey(int key, RecordBuffers buffers);
  int getByPointer(std::uint32_t record, RecordBuffers buffers);

  // Sequences: SET records only where to start; NEXT and PREVIOUS resolve it.
  void setFile();
  void setFilePointer(std::uint32_t record);
  void setFileKey(int key, std::span<const std::uint8_t> record);
  void setKey(int key);
  void setKeyValue(int key, std::span<const std::uint8_t> record);
  void setKeyPointer(int key, std::uint32_t record);
  void setKeyValuePointer(int key, std::span<const std::uint8_t> record, std::uint32_t pointer);
  // With a filter, the records it rejects are passed over on their stored images (StoredTest).
  int next(RecordBuffers buffers, const StoredTest* filter = nullptr) {
    return filter != nullptr ? stepTested(true, buffers, *filter) : step(true, buffers);
  }
  int previous(RecordBuffers buffers, const StoredTest* filter = nullptr) {
    return filter != nullptr ? stepTested(false, buffers, *filter) : step(false, buffers);
  }
  int skip(std::int32_t count);
  bool atEnd();
  bool atStart();
  // The 1-based key whose order the sequence follows, 0 for none or file order.
  int sequenceKey() const { return order_ == Order::Key ? key_ + 1 : 0; }

  std::uint32_t currentRecord() const { return current_; }
  // Makes record `number` the current record without reading it (PUT at a position).
  bool makeCurrent(std::uint32_t number);
  std::string positionFile() const;
  std::string positionKey(int key);
  int resetFile(std::string_view position);
  int resetKey(int key, std::string_view position);
  int regetFile(std::string_view position, RecordBuffers buffers);
  int regetKey(int key, std::string_view position, RecordBuffers buffers);

  // One step of a count on stored records (driver.h): up to `records` more of the table's
  // records in file order, those key `key` holds (-1: all), tested with `buffer` the record buffer.
  void scanRecords(int key, RecordScan& scan, std::size_t records, std::span<std::uint8_t> buffer);

  // Requests for the next read.
  void hold(std::int32_t seconds);
  void watch() { watch_requested_ = true; }
  void noMemo() { nomemo_requested_ = true; }
  // What the last read was asked for: WATCH (its copy is kept for PUT) and NOMEMO.
  bool watching() const { return watching_; }
  bool readWithoutMemos() const { return current_without_memos_; }
  void release() { held_ = 0; }
  std::uint32_t heldRecord() const { return held_; }

  std::uint32_t records();
  std::uint32_t keyEntries(int key);
  std::uint32_t buildMark(int key);
  bool keyBuilt(int key);
  std::uint32_t flagsWord();
  void setFlagsWord(std::uint32_t flags);

  // BUILD of one key (or every key, key -1): entries for the records from the build mark on,
  // or for all records when `full` (always for a dynamic index).
  int build(int key, bool full);
  // EMPTY: every record, key entry and memo goes; the definition stays.
  void empty();

  // The key entry (full tree key and data) that `record` gives key `key` as record `number`;
  // false for an OPT key whose components are all empty. For checks and tests.
  bool keyEntryOf(int key, std::span<const std::uint8_t> record, std::uint32_t number,
                  std::vector<std::uint8_t>& entry_key, std::vector<std::uint8_t>& entry_data) const;
  // Reads record `number` as the buffer holds it (image converted back); false when absent.
  bool readRecordImage(std::uint32_t number, std::span<std::uint8_t> buffer);

 private:
  enum class Order { None, File, Key };
  enum class Anchor { Ends, Inclusive, Exclusive };

  struct Counter {
    std::uint32_t count = 0;
    std::uint32_t second = 0;
  };
  bool readCounter(std::uint8_t selector, Counter& out);
  void writeCounter(std::uint8_t selector, const Counter& counter);
  void adjustCounter(std::uint8_t selector, std::int32_t delta);
  bool keyCovers(std::size_t key, std::uint32_t record);

  // Builds the tree key of a key entry into `out`; false for an OPT key and an empty image.
  bool keyEntryKey(std::size_t key, std::span<const std::uint8_t> buffer, std::uint32_t record,
                   std::vector<std::uint8_t>& out) const;
  // 40 when `new_buffer` would give a unique key an entry another record holds. An add or put
  // asks before any entry changes, so that a refused one leaves the cache as clean as it found
  // it: changed pages would keep it from taking in other stations' updates, and the next write
  // would put this station's stale pages over theirs.
  int keyTakenByAnother(std::uint32_t record, const std::uint8_t* old_buffer, const std::uint8_t* new_buffer);
  void maintainKeys(std::uint32_t record, const std::uint8_t* old_buffer, const std::uint8_t* new_buffer);
  int enterRecord(std::size_t key, std::uint32_t record, std::span<const std::uint8_t> buffer);

  int addRecord(RecordBuffers buffers, bool append);
  // Whether a number the counter has just given may be a new record of this table: above the
  // table's own number and above every record it holds.
  bool numberIsNew(std::uint32_t record);
  // `stored`: the record's data entry when the caller has just found it.
  int readInto(std::uint32_t record, RecordBuffers buffers, const Entry* stored = nullptr);
  void writeMemos(std::uint32_t record, RecordBuffers buffers, bool only_changed);
  bool readMemo(std::uint32_t record, std::size_t memo, std::vector<std::uint8_t>& out);

  int step(bool forward, RecordBuffers buffers);
  int stepTested(bool forward, RecordBuffers buffers, const StoredTest& filter);
  // Moves the sequence on to its next record that is still there; `stored` is its data entry.
  bool moveToRecord(bool forward, std::uint32_t& record, const Entry*& stored);
  bool move(bool forward, Entry& out);
  // The parts of the record `reads` names, cut to the record, with `more` added.
  RecordImage::Selection selectionOf(const std::vector<StoredTest::Part>& reads,
                                     std::vector<RecordImage::ByteRange> more = {}) const;
  std::uint32_t recordOfEntry(const Entry& entry) const;
  void beginSequence(Order order, int key, Anchor anchor);
  void keyValueBounds(int key, std::span<const std::uint8_t> value, std::uint32_t pointer, bool with_pointer);

  EntryTree& tree_;
  std::uint32_t number_;
  TableShape shape_;
  std::vector<bool> dynamic_built_;

  std::uint32_t current_ = 0;
  bool current_without_memos_ = false;
  std::uint32_t held_ = 0;
  bool hold_requested_ = false;
  bool watch_requested_ = false;
  bool nomemo_requested_ = false;
  bool watching_ = false;
  std::vector<std::uint8_t> watch_image_;
  std::vector<std::vector<std::uint8_t>> watch_memos_;

  Order order_ = Order::None;
  int key_ = -1;
  Anchor anchor_ = Anchor::Ends;
  std::vector<std::uint8_t> forward_from_;   // where NEXT starts (Inclusive) or continues after
  std::vector<std::uint8_t> backward_from_;  // where PREVIOUS starts or continues before

  // Reused buffers, so that reads and writes allocate nothing once they have grown.
  Entry entry_;
  Entry scratch_;
  std::vector<std::uint8_t> image_;
  std::vector<std::uint8_t> old_buffer_;
  std::vector<std::uint8_t> key_a_;
  std::vector<std::uint8_t> key_b_;
  std::vector<std::uint8_t> data_;
  std::vector<std::uint8_t> memo_;
  std::vector<std::uint8_t> memo_old_;
};

}  // namespace veltrano::storage
