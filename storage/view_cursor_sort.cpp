// Orders that follow no key: the view is walked once in file order, the accepted combinations
// are sorted by their order values, and each row's records are read again by their positions
// when the row is stepped onto. Rows are kept until the view is set again, so positions taken
// from them can be found for refilling a page.
#include <algorithm>

#include "runtime/errors/error_state.h"
#include "runtime/expr/evaluate.h"
#include "runtime/values/field_value.h"
#include "runtime/values/text_compare.h"
#include "storage/driver.h"
#include "storage/view_cursor.h"
#include "storage/view_cursor_whole_walk.h"

namespace veltrano::storage {

int ViewCursor::buildSorted() {
  sorted_.clear();
  sorted_built_ = false;
  walk_in_file_order_ = true;
  place_ = Place::Unpositioned;
  sequence_set_ = false;
  int error = 0;
  WholeWalk whole(*this);
  while ((error = walk(true)) == 0) {
    whole.stepped();
    SortedRow row;
    row.pointers = currentPointers();
    for (const auto& component : view_.order()) {
      SortValue value;
      const auto type = component.expression->type;
      if (type == runtime::ValueType::String || type == runtime::ValueType::Picture) {
        value.text = runtime::evaluateString(*component.expression);
      } else {
        value.number = runtime::evaluateReal(*component.expression);
      }
      row.values.push_back(std::move(value));
    }
    sorted_.push_back(std::move(row));
  }
  walk_in_file_order_ = false;
  place_ = Place::Unpositioned;
  sequence_set_ = false;
  if (error != 33) return error;
  std::stable_sort(sorted_.begin(), sorted_.end(),
                   [this](const SortedRow& a, const SortedRow& b) { return lessSorted(a, b); });
  sorted_built_ = true;
  return 0;
}

bool ViewCursor::lessSorted(const SortedRow& a, const SortedRow& b) const {
  const auto& order = view_.order();
  for (std::size_t i = 0; i < order.size(); ++i) {
    const auto type = order[i].expression->type;
    int compared = 0;
    if (type == runtime::ValueType::String || type == runtime::ValueType::Picture) {
      compared = runtime::compareText(a.values[i].text, b.values[i].text);
    } else {
      compared =
          a.values[i].number < b.values[i].number ? -1 : (a.values[i].number > b.values[i].number ? 1 : 0);
    }
    if (compared != 0) return order[i].descending ? compared > 0 : compared < 0;
  }
  return false;
}

int ViewCursor::loadSorted(const SortedRow& row) {
  for (std::size_t level = 0; level < files_.size(); ++level) {
    FileControlBlock& file = *files_[level];
    if (row.pointers[level] == 0) {
      runtime::clearRecord(*file.layout, file.record);
      for (auto& memo : file.memo_values) memo.clear();
      continue;
    }
    OperationArguments arguments;
    arguments.pointer = row.pointers[level];
    fileStatement(Operation::GetFilePtr, file, arguments);
    if (const int error = runtime::errorCode()) return error;
  }
  return 0;
}

int ViewCursor::stepSorted(bool forward) {
  const Place place = place_;
  if (!sorted_built_) {
    if (const int error = buildSorted()) return error;
  }
  const auto count = static_cast<std::ptrdiff_t>(sorted_.size());
  const std::ptrdiff_t direction = forward ? 1 : -1;
  std::ptrdiff_t index = forward ? 0 : count - 1;
  switch (place) {
    case Place::Unpositioned: break;
    case Place::On: index = static_cast<std::ptrdiff_t>(sorted_index_) + direction; break;
    case Place::AtEnd:
    case Place::AtStart:
      if (forward == (place == Place::AtEnd)) return 33;
      break;
    case Place::Pending: {
      // A reset to the primary's record gives only its pointer: its first row is meant.
      const auto match = [&](const SortedRow& row) {
        return pending_pointers_.size() == 1 ? row.pointers[0] == pending_pointers_[0]
                                             : row.pointers == pending_pointers_;
      };
      const auto found = std::find_if(sorted_.begin(), sorted_.end(), match);
      if (found != sorted_.end()) index = found - sorted_.begin();
      pending_pointers_.clear();
      break;
    }
  }
  for (; index >= 0 && index < count; index += direction) {
    const SortedRow& row = sorted_[static_cast<std::size_t>(index)];
    const int error = loadSorted(row);
    if (error == 33 || error == 35) continue;  // a record deleted since the rows were sorted
    if (error != 0) {
      place_ = Place::Unpositioned;
      return error;
    }
    // The records may have changed since: the row must still pass.
    bool passes = true;
    for (std::size_t level = 0; level < files_.size() && passes; ++level) passes = view_.passes(level);
    if (!passes) continue;
    sorted_index_ = static_cast<std::size_t>(index);
    place_ = Place::On;
    return 0;
  }
  place_ = forward ? Place::AtEnd : Place::AtStart;
  return 33;
}

}  // namespace veltrano::storage
