// The walk of a view through the driver: the primary file in key or file order, and for each
// join the secondary records linked to the parent's current record, read once per parent.
//
// The levels form nested loops in the view's depth-first order: a level that runs out of
// records hands over to the level before it, which moves on by one. Each level counts the
// changes of its current record (its generation); a secondary level keeps the records it read
// for as long as its parent's generation is the one they were read for, so stepping back and
// forth within a parent, or through the records of a sibling join, reads nothing again.
#include <cstdlib>

#include "runtime/errors/error_state.h"
#include "runtime/expr/evaluate.h"
#include "runtime/values/field_value.h"
#include "storage/driver.h"
#include "storage/view_cursor.h"

namespace veltrano::storage {
namespace {

using runtime::FieldDescriptor;
using runtime::TypeCode;

bool isDecimal(TypeCode type) {
  return type == TypeCode::Decimal || type == TypeCode::Pdecimal;
}

// Stores a parent's linking value into the secondary key's component field, converting
// between the two fields' types as an assignment would.
void copyField(const FieldDescriptor& from, std::span<const std::uint8_t> from_record,
               const FieldDescriptor& to, std::span<std::uint8_t> to_record) {
  if (runtime::isStringType(to.type) || to.type == TypeCode::Group) {
    runtime::storeText(to, to_record, runtime::loadText(from, from_record));
  } else if (isDecimal(to.type) || isDecimal(from.type)) {
    runtime::storeDecimal(to, to_record, runtime::loadDecimal(from, from_record));
  } else {
    runtime::storeReal(to, to_record, runtime::loadReal(from, from_record));
  }
}

// Whether the level's reads can leave the memos out: it projects fields only.
bool skipsMemos(const runtime::ViewLevel& level, const FileControlBlock& file) {
  if (!level.projection_given || file.memos.empty()) return false;
  for (const auto& item : level.projection) {
    if (item.kind == runtime::ProjectionItem::Kind::Memo) return false;
  }
  return true;
}

}  // namespace

int ViewCursor::startPrimary() {
  FileControlBlock& primary = *files_[0];
  if (stepping_ == Stepping::KeyOrder && !walk_in_file_order_) {
    OperationArguments arguments;
    arguments.key = primary.keys[*view_.orderKey()];
    fileStatement(Operation::SetKey, primary, arguments);
  } else {
    fileStatement(Operation::SetFile, primary);
  }
  sequence_set_ = true;
  return runtime::errorCode();
}

int ViewCursor::readPrimary(bool forward) {
  FileControlBlock& primary = *files_[0];
  if (memos_unread_ || skipsMemos(view_.levels()[0], primary)) fileStatement(Operation::NoMemo, primary);
  // The driver may pass over the records the filter rejects without reading them whole.
  OperationArguments arguments;
  if (primary_filter_ && !primaryTraced()) arguments.filter = &*primary_filter_;
  fileStatement(forward ? Operation::Next : Operation::Previous, primary, arguments);
  if (const int error = runtime::errorCode()) return error;
  primary_pointer_ = pointerOf(primary);
  ++levels_[0].generation;
  return 0;
}

int ViewCursor::readJoined(std::size_t level) {
  const runtime::ViewLevel& join = view_.levels()[level];
  FileControlBlock& file = *files_[level];
  const runtime::RecordLayout& layout = *file.layout;
  LevelState& state = levels_[level];
  state.rows.clear();

  OperationArguments arguments;
  const bool through_key = join.key.has_value();
  if (through_key) {
    const KeyDescriptor& key = *file.keys[*join.key];
    arguments.key = &key;
    if (join.linking_fields.empty()) {
      fileStatement(Operation::SetKey, file, arguments);
    } else {
      // The linking values go into the key's leading components; the rest start from their
      // lowest end, so the sequence starts at the first record the link matches.
      const FileControlBlock& parent = *files_[static_cast<std::size_t>(join.parent)];
      for (std::size_t i = 0; i < key.components.size(); ++i) {
        const auto component = key.components[i];
        const auto index = static_cast<std::size_t>(std::abs(component)) - 1;
        if (i < join.linking_fields.size()) {
          copyField(parent.layout->field(join.linking_fields[i] - 1), parent.record, layout.field(index),
                    file.record);
        } else {
          runtime::clearField(layout, index, file.record, component < 0 ? 1 : -1);
        }
      }
      fileStatement(Operation::SetKeyKey, file, arguments);
    }
  } else {
    fileStatement(Operation::SetFile, file);
  }
  if (const int error = runtime::errorCode()) return error;

  const bool without_memos = memos_unread_ || skipsMemos(join, file);
  for (;;) {
    if (without_memos) fileStatement(Operation::NoMemo, file);
    fileStatement(Operation::Next, file);
    const int error = runtime::errorCode();
    if (error == 33) break;
    if (error != 0) return error;
    if (join.condition && !runtime::test(*join.condition)) {
      // Past the linked records of the key: its leading components no longer match.
      if (through_key) break;
      continue;
    }
    Row row;
    row.image.assign(file.record.begin(), file.record.begin() + layout.size());
    row.memos = file.memo_values;
    row.pointer = pointerOf(file);
    state.rows.push_back(std::move(row));
  }
  // The outer join's wrapper: a parent without records is given once, with a cleared buffer.
  if (state.rows.empty() && !join.inner) state.rows.push_back(Row{});
  return 0;
}

void ViewCursor::loadRow(std::size_t level) {
  FileControlBlock& file = *files_[level];
  LevelState& state = levels_[level];
  const Row& row = state.rows[state.index];
  if (row.pointer == 0) {
    runtime::clearRecord(*file.layout, file.record);
    for (auto& memo : file.memo_values) memo.clear();
  } else {
    std::copy(row.image.begin(), row.image.end(), file.record.begin());
    file.memo_values = row.memos;
  }
  ++state.generation;
}

int ViewCursor::walk(bool forward) {
  const std::size_t last = levels_.size() - 1;
  std::size_t level = 0;
  bool entering = true;
  switch (place_) {
    case Place::On:
      level = last;
      entering = false;
      break;
    case Place::AtEnd:
    case Place::AtStart:
      if (forward == (place_ == Place::AtEnd)) return 33;
      sequence_set_ = false;  // start again from the end the walk stopped at
      break;
    case Place::Unpositioned:
    case Place::Pending: break;
  }
  auto clearTargets = [&](std::size_t from) {
    for (std::size_t i = from; i < levels_.size(); ++i) levels_[i].target.reset();
  };
  auto fail = [&](int error) {
    place_ = Place::Unpositioned;
    sequence_set_ = false;
    clearTargets(0);
    return error;
  };

  for (;;) {
    if (level == 0) {
      if (!sequence_set_) {
        if (const int error = startPrimary()) return fail(error);
      }
      const int error = readPrimary(forward);
      if (error == 33) {
        clearTargets(0);
        place_ = forward ? Place::AtEnd : Place::AtStart;
        return 33;
      }
      if (error != 0) return fail(error);
      // A reset whose primary record has gone resumes at the next record, from its start.
      if (levels_[0].target && *levels_[0].target != primary_pointer_) clearTargets(1);
      levels_[0].target.reset();
      if (!view_.passes(0)) continue;
      if (last == 0) break;
      level = 1;
      entering = true;
      continue;
    }

    LevelState& state = levels_[level];
    if (entering) {
      const auto parent = static_cast<std::size_t>(view_.levels()[level].parent);
      if (state.rows_for != levels_[parent].generation) {
        if (const int error = readJoined(level)) return fail(error);
        state.rows_for = levels_[parent].generation;
      }
      if (state.rows.empty()) {  // an inner join without records: no combination here
        clearTargets(level);
        --level;
        entering = false;
        continue;
      }
      state.index = forward ? 0 : state.rows.size() - 1;
      if (state.target) {
        std::size_t found = 0;
        while (found < state.rows.size() && state.rows[found].pointer != *state.target) ++found;
        if (found < state.rows.size()) {
          state.index = found;
        } else {
          clearTargets(level + 1);
        }
        state.target.reset();
      }
    } else if (forward ? state.index + 1 >= state.rows.size() : state.index == 0) {
      clearTargets(level);
      --level;
      continue;
    } else {
      state.index = forward ? state.index + 1 : state.index - 1;
    }
    loadRow(level);
    entering = false;
    if (!view_.passes(level)) continue;
    if (level == last) break;
    ++level;
    entering = true;
  }
  place_ = Place::On;
  return 0;
}

}  // namespace veltrano::storage
