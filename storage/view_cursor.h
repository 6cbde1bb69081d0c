// Views over storage files: the runtime view stepped record by record through the driver.
//
// A ViewCursor walks the combinations of a view: a primary record, then for each join (in the
// view's depth-first level order) the secondary records that its condition links to the parent.
// Filter conjuncts are tested as soon as the walk has the records they read, so a conjunct on
// the primary file rejects a card before any of its children is read.
//
// How it steps:
// - an order that is the leading part of a primary key (or no order at all: file order) is
//   followed through the driver, one primary record per read; the driver is handed the filter's
//   conjuncts on the primary file and passes over the records they reject on their stored
//   images, so a page of rows costs the rows it shows plus a few fields of each record rejected;
// - any other order is carried out by walking the whole view once in file order, sorting the
//   accepted combinations by their order values, and re-reading each row's records by position
//   as the rows are stepped (a snapshot: rows added later appear after the next setToStart);
// - the secondary records of one parent are read once, through the join's key with the linking
//   values (SETkeykey, then NEXT while the leading components match) or, for a join by
//   expression, by scanning the file and testing the condition; they are kept while the walk
//   stays on that parent, so moving back and forth costs no reads;
// - an outer join with no secondary record for a parent clears the secondary record buffer and
//   gives the parent once with it; an inner join gives no combination for that parent.
//
// A browse uses it like this:
//   ViewCursor view;
//   view.open(descriptor, {&karta.file(), &naznach.file()});  // files already open
//   view.setOrder("+KAR:FAM");                                // the view's names bound first
//   view.setFilter("KAR:UVOL = 0");
//   view.setToStart();
//   while (rows < 20 && view.next() == 0) { … read the record buffers …;
//   positions.push_back(view.position()); } view.resetTo(positions.front());   // next() (or previous())
//   gives that row again first
//
// Every operation posts its outcome into the calling thread's error state (33 at either end).
// The files must stay open while the view is; a file may appear in a view only once.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/view/runtime_view.h"
#include "storage/driver.h"
#include "storage/file_control_block.h"

namespace veltrano::storage {

// The runtime's picture of a control block: label, layout, record buffer, memos and keys,
// identified by the control block itself (the owner tag its bound names carry).
runtime::ViewFile viewFileOf(FileControlBlock& file);

class ViewCursor {
 public:
  ViewCursor() = default;
  ~ViewCursor() { close(); }
  ViewCursor(const ViewCursor&) = delete;
  ViewCursor& operator=(const ViewCursor&) = delete;

  // Opens the view: descriptor file numbers index `files`, key numbers each file's keys. Tells
  // every file INVIEW. Returns 0, 47 for a descriptor naming what the files lack (or one file
  // twice), or the error INVIEW gave (37 for a file not open).
  int open(const runtime::ViewDescriptor& descriptor, std::vector<FileControlBlock*> files);
  // Tells every file ENDVIEW, once.
  void close();
  bool isOpen() const { return view_.isOpen(); }
  const runtime::RuntimeView& view() const { return view_; }
  std::string describe() const { return view_.describe(); }

  // Both unposition the view. False when the text does not parse (the view then has no filter,
  // or no order).
  bool setFilter(std::string_view text);
  bool setOrder(std::string_view text);

  // Next and previous then start from the first and the last combination.
  void setToStart();
  // 0 with the view's record buffers holding the combination; 33 past either end (stepping
  // the other way then starts from that end); another code for a driver error.
  int next();
  int previous();

  // The position of the current combination, empty when there is none. It stays valid across
  // changes to other records and survives a change of order (then it is found by its records).
  std::string position();
  // Next and previous give the combination at the position first, or when it has gone the
  // nearest one in their direction. 35 for a text that is no position of this view.
  int resetTo(std::string_view position);
  // The same for the primary file's current record (the one in its buffer, after a GET or an
  // update): the walk resumes at the first combination of that record.
  int resetToRecord();

  // The number of combinations that pass the filter. Unpositions the view.
  std::int64_t records();

  // How the current order is carried out.
  enum class Stepping : std::uint8_t { FileOrder, KeyOrder, Sorted };
  Stepping stepping() const { return stepping_; }

 private:
  enum class Place : std::uint8_t { Unpositioned, On, AtEnd, AtStart, Pending };
  struct Row {
    std::vector<std::uint8_t> image;
    std::vector<std::vector<std::uint8_t>> memos;
    std::uint32_t pointer = 0;  // 0: the cleared row of an outer join
  };
  struct LevelState {
    std::vector<Row> rows;  // the records joined to the parent's current record
    std::size_t index = 0;
    std::uint64_t rows_for = 0;           // the parent generation the rows were read for
    std::uint64_t generation = 0;         // bumped whenever this level's current record changes
    std::optional<std::uint32_t> target;  // the record a reset asks this level to resume at
  };
  struct SortValue {
    double number = 0;
    std::string text;
  };
  struct SortedRow {
    std::vector<std::uint32_t> pointers;  // one per level, 0 for a cleared outer row
    std::vector<SortValue> values;
  };

  int finish(int error);
  // With the view trace on: the view's text form, each line after "VIEW:" and the view's
  // identity in hexadecimal.
  void traceDescription() const;
  void unposition(bool keep_snapshot = false);
  int step(bool forward);
  // The walk through the driver (file or key order).
  int walk(bool forward);
  int startPrimary();
  int readPrimary(bool forward);
  int readJoined(std::size_t level);
  void loadRow(std::size_t level);
  // The sorted snapshot.
  int buildSorted();
  int stepSorted(bool forward);
  int loadSorted(const SortedRow& row);
  bool lessSorted(const SortedRow& a, const SortedRow& b) const;
  std::vector<std::uint32_t> currentPointers() const;

  // A walk over the whole view (counting its rows, building the sorted snapshot): each file's
  // reads share one operation lock, given up and taken again every few hundred primary records
  // so that other stations' updates never wait long, and memos are left unread when nothing the
  // walk evaluates can read them (filters and orders name fields; only a bound procedure could).
  class WholeWalk;
  bool callsProcedures() const;
  // Whether the driver may test the filter's primary conjuncts on stored records (StoredTest):
  // no procedure is called and the primary file is not traced.
  bool testsStored() const;
  bool primaryTraced() const;
  // The pointer of the file's current record: from the driver where it has it at hand, through
  // POINTERfile for a traced file (whose trace shows it) or a driver that has not.
  static std::uint32_t pointerOf(FileControlBlock& file);
  StoredTest primaryTest();
  // records() on the records where they are stored (RecordScan), for a view of one file whose
  // filter reads only its fields; nothing when the view or its driver cannot be counted so.
  std::optional<std::int64_t> countStored(int& error);

  runtime::RuntimeView view_;
  std::vector<FileControlBlock*> files_;  // per level
  bool memos_unread_ = false;             // inside a WholeWalk that needs no memos
  // The filter's primary conjuncts, when it has any and none calls a procedure.
  std::optional<StoredTest> primary_filter_;
  std::vector<LevelState> levels_;
  Stepping stepping_ = Stepping::FileOrder;
  Place place_ = Place::Unpositioned;
  bool sequence_set_ = false;  // the primary's driver sequence already points where to read
  std::uint32_t primary_pointer_ = 0;
  bool walk_in_file_order_ = false;  // building the snapshot

  std::vector<SortedRow> sorted_;
  bool sorted_built_ = false;
  std::size_t sorted_index_ = 0;
  std::vector<std::uint32_t> pending_pointers_;  // a sorted-mode reset
};

}  // namespace veltrano::storage
