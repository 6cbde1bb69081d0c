// Opening and closing a view, its properties, positions and resets.
#include "storage/view_cursor.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <fstream>
#include <utility>

#include "runtime/errors/error_state.h"
#include "runtime/expr/tree_walk.h"
#include "storage/driver.h"
#include "storage/view_cursor_whole_walk.h"

namespace veltrano::storage {
namespace {

constexpr int kNoPosition = 35;

std::string hexOf(std::string_view bytes) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(bytes.size() * 2);
  for (const char c : bytes) {
    const auto byte = static_cast<std::uint8_t>(c);
    out += kDigits[byte >> 4];
    out += kDigits[byte & 0x0F];
  }
  return out;
}

std::optional<std::string> bytesOf(std::string_view hex) {
  if (hex.size() % 2 != 0) return std::nullopt;
  std::string out;
  for (std::size_t i = 0; i < hex.size(); i += 2) {
    unsigned value = 0;
    const auto [end, error] = std::from_chars(hex.data() + i, hex.data() + i + 2, value, 16);
    if (error != std::errc() || end != hex.data() + i + 2) return std::nullopt;
    out += static_cast<char>(value);
  }
  return out;
}

// A position: the stepping ("K" with the key number, "F" or "S"), the primary's driver
// position in hexadecimal (key order only), and each level's record number in hexadecimal.
struct ParsedPosition {
  char stepping = 0;
  std::size_t key = 0;
  std::string driver_position;
  std::vector<std::uint32_t> pointers;
};

std::optional<ParsedPosition> parsePosition(std::string_view text) {
  ParsedPosition parsed;
  const auto first = text.find(':');
  const auto second = first == std::string_view::npos ? first : text.find(':', first + 1);
  if (second == std::string_view::npos || first == 0) return std::nullopt;
  parsed.stepping = text[0];
  if (parsed.stepping == 'K') {
    const auto [end, error] = std::from_chars(text.data() + 1, text.data() + first, parsed.key);
    if (error != std::errc() || end != text.data() + first) return std::nullopt;
  } else if ((parsed.stepping != 'F' && parsed.stepping != 'S') || first != 1) {
    return std::nullopt;
  }
  auto driver = bytesOf(text.substr(first + 1, second - first - 1));
  if (!driver) return std::nullopt;
  parsed.driver_position = std::move(*driver);
  std::string_view rest = text.substr(second + 1);
  while (!rest.empty()) {
    const auto comma = std::min(rest.find(','), rest.size());
    std::uint32_t pointer = 0;
    const auto [end, error] = std::from_chars(rest.data(), rest.data() + comma, pointer, 16);
    if (error != std::errc() || end != rest.data() + comma) return std::nullopt;
    parsed.pointers.push_back(pointer);
    rest.remove_prefix(std::min(comma + 1, rest.size()));
  }
  if (parsed.pointers.empty()) return std::nullopt;
  return parsed;
}

}  // namespace

runtime::ViewFile viewFileOf(FileControlBlock& file) {
  runtime::ViewFile shape;
  shape.label = file.label;
  shape.layout = file.layout;
  shape.record = file.record;
  shape.memo_count = file.memos.size();
  for (const auto* key : file.keys) {
    if (key == nullptr) {
      shape.keys.push_back({});  // a key without components: a join through it is refused
      continue;
    }
    shape.keys.push_back({key->label, key->components, (key->attributes & kKeyNocase) != 0});
  }
  shape.identity = &file;
  return shape;
}

int ViewCursor::finish(int error) {
  runtime::clearErrors();
  if (error != 0) runtime::postError(error, 0, files_.empty() ? std::string_view() : files_[0]->label);
  return error;
}

int ViewCursor::open(const runtime::ViewDescriptor& descriptor, std::vector<FileControlBlock*> files) {
  close();
  std::vector<runtime::ViewFile> shapes;
  for (std::size_t i = 0; i < files.size(); ++i) {
    if (files[i] == nullptr || std::find(files.begin(), files.begin() + static_cast<std::ptrdiff_t>(i),
                                         files[i]) != files.begin() + static_cast<std::ptrdiff_t>(i)) {
      return finish(runtime::kViewDescriptorError);
    }
    shapes.push_back(viewFileOf(*files[i]));
  }
  if (const int error = runtime::RuntimeView::open(descriptor, std::move(shapes), view_))
    return finish(error);
  for (const auto& level : view_.levels()) files_.push_back(files[level.file]);
  for (std::size_t told = 0; told < files_.size(); ++told) {
    fileStatement(Operation::InView, *files_[told]);
    if (const int error = runtime::errorCode()) {
      for (std::size_t back = 0; back < told; ++back) fileStatement(Operation::EndView, *files_[back]);
      files_.clear();
      view_.close();
      return finish(error);
    }
  }
  levels_.assign(files_.size(), LevelState{});
  if (view_.trace.profile) traceDescription();
  stepping_ = Stepping::FileOrder;
  unposition();
  return finish(0);
}

void ViewCursor::traceDescription() const {
  char prefix[32];
  std::snprintf(prefix, sizeof prefix,
                "VIEW:%lX:", static_cast<unsigned long>(reinterpret_cast<std::uintptr_t>(this)));
  std::ofstream trace(view_.trace.file, std::ios::binary | std::ios::app);
  const std::string text = view_.describe();
  for (std::size_t start = 0; start < text.size();) {
    const std::size_t end = text.find("\r\n", start);
    trace << prefix << text.substr(start, end + 2 - start);
    start = end + 2;
  }
}

void ViewCursor::close() {
  if (!view_.isOpen()) return;
  for (auto* file : files_) fileStatement(Operation::EndView, *file);
  files_.clear();
  levels_.clear();
  primary_filter_.reset();
  sorted_.clear();
  sorted_built_ = false;
  view_.close();
  runtime::clearErrors();
}

void ViewCursor::unposition(bool keep_snapshot) {
  place_ = Place::Unpositioned;
  sequence_set_ = false;
  if (!keep_snapshot) sorted_built_ = false;
  pending_pointers_.clear();
  for (auto& level : levels_) {
    level.rows.clear();
    level.target.reset();
    ++level.generation;
    level.rows_for = 0;
  }
}

bool ViewCursor::setFilter(std::string_view text) {
  unposition();
  const bool parsed = view_.setFilter(text);
  primary_filter_.reset();
  if (!view_.isOpen()) return parsed;
  // Only the primary's conjuncts run in the driver, and none may call a procedure there.
  const auto& conjuncts = view_.levels()[0].conjuncts;
  const bool calls = std::any_of(conjuncts.begin(), conjuncts.end(),
                                 [](const auto& conjunct) { return runtime::callsProcedure(*conjunct); });
  if (!conjuncts.empty() && !calls) primary_filter_ = primaryTest();
  return parsed;
}

bool ViewCursor::setOrder(std::string_view text) {
  unposition();
  const bool parsed = view_.setOrder(text);
  if (view_.order().empty()) {
    stepping_ = Stepping::FileOrder;
  } else {
    stepping_ = view_.orderKey() ? Stepping::KeyOrder : Stepping::Sorted;
  }
  return parsed;
}

void ViewCursor::setToStart() {
  unposition();
  finish(0);
}

int ViewCursor::step(bool forward) {
  if (!view_.isOpen()) return finish(37);
  return finish(stepping_ == Stepping::Sorted ? stepSorted(forward) : walk(forward));
}

int ViewCursor::next() {
  return step(true);
}
int ViewCursor::previous() {
  return step(false);
}

std::vector<std::uint32_t> ViewCursor::currentPointers() const {
  std::vector<std::uint32_t> pointers{primary_pointer_};
  for (std::size_t level = 1; level < levels_.size(); ++level) {
    const auto& state = levels_[level];
    pointers.push_back(state.index < state.rows.size() ? state.rows[state.index].pointer : 0);
  }
  return pointers;
}

std::string ViewCursor::position() {
  if (!view_.isOpen() || place_ != Place::On) return {};
  std::vector<std::uint32_t> pointers =
      stepping_ == Stepping::Sorted ? sorted_[sorted_index_].pointers : currentPointers();
  std::string text;
  if (stepping_ == Stepping::KeyOrder) {
    FileControlBlock& primary = *files_[0];
    const std::size_t key = *view_.orderKey();
    // The driver's position is taken from its current record: make it the view's again when
    // something else was read from the file meanwhile.
    if (static_cast<std::uint32_t>(fileStatement(Operation::PointerFile, primary)) != pointers[0]) {
      OperationArguments get;
      get.pointer = pointers[0];
      fileStatement(Operation::GetFilePtr, primary, get);
    }
    OperationArguments arguments;
    arguments.key = primary.keys[key];
    fileStatement(Operation::PositionKey, primary, arguments);
    text = "K" + std::to_string(key) + ":" + hexOf(arguments.result_text) + ":";
  } else {
    text = stepping_ == Stepping::Sorted ? "S::" : "F::";
  }
  for (std::size_t i = 0; i < pointers.size(); ++i) {
    if (i > 0) text += ',';
    char digits[9];
    const auto result = std::to_chars(digits, digits + sizeof digits, pointers[i], 16);
    text.append(digits, result.ptr);
  }
  finish(0);
  return text;
}

int ViewCursor::resetTo(std::string_view text) {
  if (!view_.isOpen()) return finish(37);
  const auto parsed = parsePosition(text);
  if (!parsed || parsed->pointers.size() != levels_.size()) return finish(kNoPosition);
  // Positions are found again in the rows sorted before, so a page can be refilled around them.
  unposition(true);
  if (stepping_ == Stepping::Sorted) {
    pending_pointers_ = parsed->pointers;
    place_ = Place::Pending;
    return finish(0);
  }
  FileControlBlock& primary = *files_[0];
  OperationArguments arguments;
  if (stepping_ == Stepping::KeyOrder) {
    arguments.key = primary.keys[*view_.orderKey()];
    if (parsed->stepping == 'K' && parsed->key == *view_.orderKey()) {
      arguments.text = parsed->driver_position;
      fileStatement(Operation::ResetKey, primary, arguments);
    } else {
      arguments.pointer = parsed->pointers[0];
      fileStatement(Operation::SetKeyPtr, primary, arguments);
    }
  } else {
    arguments.pointer = parsed->pointers[0];
    fileStatement(Operation::SetFilePtr, primary, arguments);
  }
  if (const int error = runtime::errorCode()) return finish(error);
  sequence_set_ = true;
  place_ = Place::Pending;
  levels_[0].target = parsed->pointers[0];
  for (std::size_t level = 1; level < levels_.size(); ++level)
    levels_[level].target = parsed->pointers[level];
  return finish(0);
}

int ViewCursor::resetToRecord() {
  if (!view_.isOpen()) return finish(37);
  FileControlBlock& primary = *files_[0];
  const auto pointer = static_cast<std::uint32_t>(fileStatement(Operation::PointerFile, primary));
  unposition();
  if (stepping_ == Stepping::Sorted) {
    // The record may be new or changed: sort again, then find its first row.
    if (const int error = buildSorted()) return finish(error);
    pending_pointers_ = {pointer};
    place_ = Place::Pending;
    return finish(0);
  }
  OperationArguments arguments;
  arguments.pointer = pointer;
  if (stepping_ == Stepping::KeyOrder) {
    arguments.key = primary.keys[*view_.orderKey()];
    fileStatement(Operation::SetKeyKeyPtr, primary, arguments);
  } else {
    fileStatement(Operation::SetFilePtr, primary, arguments);
  }
  if (const int error = runtime::errorCode()) return finish(error);
  sequence_set_ = true;
  place_ = Place::Pending;
  levels_[0].target = pointer;
  return finish(0);
}

bool ViewCursor::callsProcedures() const {
  for (const auto& level : view_.levels()) {
    if (level.condition && runtime::callsProcedure(*level.condition)) return true;
    for (const auto& conjunct : level.conjuncts) {
      if (runtime::callsProcedure(*conjunct)) return true;
    }
  }
  for (const auto& component : view_.order()) {
    if (runtime::callsProcedure(*component.expression)) return true;
  }
  return false;
}

bool ViewCursor::primaryTraced() const {
  FileControlBlock& primary = *files_[0];
  return primary.driver == nullptr || primary.driver->traces(primary);
}

std::uint32_t ViewCursor::pointerOf(FileControlBlock& file) {
  if (file.driver != nullptr && !file.driver->traces(file)) {
    if (const auto pointer = file.driver->currentPointer(file)) return *pointer;
  }
  return static_cast<std::uint32_t>(fileStatement(Operation::PointerFile, file));
}

bool ViewCursor::testsStored() const {
  // A traced file shows every read in its trace, so it is read record by record.
  return !callsProcedures() && !primaryTraced();
}

StoredTest ViewCursor::primaryTest() {
  const FileControlBlock& primary = *files_[0];
  StoredTest test;
  const std::uint8_t* const record = primary.record.data();
  for (const auto& conjunct : view_.levels()[0].conjuncts) {
    runtime::forEachVariable(*conjunct, [&](const runtime::VariableBinding& variable) {
      const std::uint8_t* const start = variable.record.data() + variable.field.offset;
      if (start < record || start >= record + primary.record.size()) return;  // not a field of the record
      test.reads.push_back({static_cast<std::uint32_t>(start - record), variable.field.size});
    });
  }
  test.test = [this] { return view_.passes(0); };
  return test;
}

std::optional<std::int64_t> ViewCursor::countStored(int& error) {
  FileControlBlock& primary = *files_[0];
  if (levels_.size() != 1 || !testsStored()) return std::nullopt;
  RecordScan scan;
  static_cast<StoredTest&>(scan) = primaryTest();
  // Sorting does not change which rows there are; a key's order counts the records the key holds.
  if (stepping_ == Stepping::KeyOrder) scan.key = primary.keys[*view_.orderKey()];
  WholeWalk whole(*this);
  for (bool first = true; !scan.done; first = false) {
    error = scanRecords(primary, scan, WholeWalk::kRecordsPerRun);
    if (error == 80 && first) return std::nullopt;
    if (error != 0) return 0;
    whole.letOthersIn();
  }
  return scan.passed;
}

std::int64_t ViewCursor::records() {
  if (!view_.isOpen()) return finish(37), 0;
  unposition();
  std::int64_t count = 0;
  int error = 0;
  if (const auto stored = countStored(error)) {
    count = *stored;
  } else if (stepping_ == Stepping::Sorted) {
    error = buildSorted();
    count = static_cast<std::int64_t>(sorted_.size());
  } else {
    WholeWalk whole(*this);
    while ((error = walk(true)) == 0) {
      ++count;
      whole.stepped();
    }
    if (error == 33) error = 0;
  }
  unposition();
  finish(error);
  return count;
}

}  // namespace veltrano::storage
