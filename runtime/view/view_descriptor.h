// View descriptors: the compact, declared form of a view — which file each level reads, what it
// projects, and how every secondary file is linked to its parent (a key with linking fields, or
// a join expression), nested per join.
//
// The runtime knows nothing of storage, so a descriptor names its files by their index in a
// table of ViewFile shapes that the opener supplies; each shape says what the runtime needs of
// a file: its label, record layout and buffer, its memo count and its keys.
//
//   ViewDescriptor view{.file = 0};                          // KARTA
//   view.joins.push_back(ViewJoin::byKey(1, 0, {1}, true));  // NAZNACH by its first key, inner
//   describeView(view, files);                               // the trace's text form
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "runtime/values/record_layout.h"

namespace veltrano::runtime {

// A key as a view sees it: its components (1-based field numbers, negative sorts descending)
// and whether string components compare without regard to letter case.
struct ViewKey {
  std::string label;
  std::vector<std::int32_t> components;
  bool nocase = false;
};

// A file as a view sees it. `identity` is the binder's tag for the file's names (the `owner` of
// their VariableBinding); names bound without a tag are recognised by the record they read.
struct ViewFile {
  std::string label;
  const RecordLayout* layout = nullptr;
  std::span<std::uint8_t> record;
  std::size_t memo_count = 0;
  std::vector<ViewKey> keys;
  const void* identity = nullptr;
};

struct ProjectionItem {
  enum class Kind : std::uint8_t { Field, Memo };
  Kind kind = Kind::Field;
  std::uint32_t number = 0;  // 1-based: a field of the record layout, or a memo of the file

  friend bool operator==(const ProjectionItem&, const ProjectionItem&) = default;
};

struct ViewJoin;

struct ViewDescriptor {
  std::size_t file = 0;  // index in the opener's table of files
  // Absent: no PROJECT, every field and memo is read.
  std::optional<std::vector<ProjectionItem>> projection;
  std::vector<ViewJoin> joins;  // the secondary files directly under this level
};

struct ViewJoin {
  ViewDescriptor view;  // the secondary level
  // A join by key: a key of the secondary file (index into its keys) and the parent's linking
  // fields (1-based), the i-th paired with the key's i-th component.
  std::optional<std::size_t> key;
  std::vector<std::uint32_t> linking_fields;
  // A join by expression (when there is no key).
  std::string expression;
  bool inner = false;

  static ViewJoin byKey(std::size_t file, std::size_t key, std::vector<std::uint32_t> linking_fields,
                        bool inner = false);
  static ViewJoin byExpression(std::size_t file, std::string expression, bool inner = false);
};

// The text form of a view for the trace. Each line ends with CR LF and every nesting level
// indents by two more spaces:
//   VIEW(FILE)
//     PROJECT(FIELD(1),MEMO(1))
//     JOIN(KEY,FIELD(1)),INNER
//     END
//   END
std::string describeView(const ViewDescriptor& view);

}  // namespace veltrano::runtime
