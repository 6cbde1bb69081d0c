// The runtime view: a view descriptor opened over its files, with the join conditions, the
// filter and the order as expression trees.
//
// The levels of a view are its files numbered depth first in the order the descriptor lists
// them (the primary file is level 0), which is also the order in which a walk of the view takes
// a current record for each file. The filter is split at its top-level ANDs and each conjunct
// is attached to the lowest level at which all the records it reads are current, so a walker
// tests it as early as it can: a conjunct that reads only the primary file rejects a primary
// record before any join is read. The truth of the whole filter is the same.
//
//   RuntimeView view;
//   if (int error = RuntimeView::open(descriptor, files, view)) …;
//   view.setFilter("KAR:UVOL = 0 AND NAZ:STAVKA > 0.5");  // false: does not parse, no filter
//   view.setOrder("-KAR:DATA_R, +KAR:FAM");
//   … a walker reads level by level, calling view.passes(level) …
//
// The expression trees read the files' record buffers in place; the buffers must outlive the
// view. Filter and order names are looked up in the program's binding scopes when set.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/profile.h"
#include "runtime/expr/expression.h"
#include "runtime/view/view_descriptor.h"

namespace veltrano::runtime {

// Error posted for a descriptor that names a file, key, field or memo its files do not have.
inline constexpr int kViewDescriptorError = 47;

struct ViewLevel {
  std::size_t file = 0;  // index in the opener's table of files
  int parent = -1;       // level of the parent file; -1 for the primary
  bool projection_given = false;
  std::vector<ProjectionItem> projection;  // every field, then every memo, when none is given

  // The join to the parent (not used on the primary level). A join by key keeps its key and the
  // linking fields that take part (no more than the key has components).
  NodePointer condition;  // null: no condition, every record of the file joins
  bool inner = false;
  std::optional<std::size_t> key;
  std::vector<std::uint32_t> linking_fields;

  std::vector<NodePointer> conjuncts;  // the filter's conjuncts tested at this level
};

struct OrderComponent {
  NodePointer expression;
  bool descending = false;
};

// The view trace switches (section "VSVIEW" of the profile).
struct ViewTraceFlags {
  bool profile = false;
  bool into_files = false;
  std::string file = "VIEW.LOG";
};

// "Profile" and "TraceIntoFiles" (default 0) and, with Profile on, "TraceFile" (default and
// when empty "VIEW.LOG", at most 260 characters) from section "VSVIEW".
ViewTraceFlags viewTraceFlags(const platform::IniFile& profile);

class RuntimeView {
 public:
  // Builds `out` from the descriptor over `files`, with the trace switches of the system
  // profile. Returns 0, or kViewDescriptorError (leaving
  // `out` closed) for a descriptor that names a missing file, key, field or memo, a file
  // without layout or with a short record buffer, or the same file at two levels.
  static int open(const ViewDescriptor& descriptor, std::vector<ViewFile> files, RuntimeView& out);
  void close();
  bool isOpen() const { return !levels_.empty(); }

  const std::vector<ViewLevel>& levels() const { return levels_; }
  const ViewFile& file(std::size_t level) const { return files_[levels_[level].file]; }
  const ViewDescriptor& descriptor() const { return descriptor_; }

  // The text is kept and parsed as one whole expression; false, and no filter tree, when it does
  // not parse (an unbound name also posts 801). An empty text removes the filter.
  bool setFilter(std::string_view text);
  const std::string& filterText() const { return filter_text_; }
  bool hasFilter() const { return has_filter_; }
  // Whether the conjuncts attached to `level` hold for the current records.
  bool passes(std::size_t level) const;
  // The level a filter conjunct belongs to.
  std::size_t levelOf(const Node& conjunct) const;
  // The level whose file a bound variable reads; 0 for a variable of no file of the view.
  std::size_t levelOfVariable(const VariableBinding& variable) const;

  // A comma-separated list of components, each optionally preceded by "+" (ascending, the
  // default) or "-" (descending). Commas inside parentheses, brackets and quotes belong to their
  // component. False, and no order, when a component does not parse; an empty text removes the
  // order.
  bool setOrder(std::string_view text);
  const std::string& orderText() const { return order_text_; }
  const std::vector<OrderComponent>& order() const { return order_; }
  // The key of the primary file whose leading components the order follows, when there is one
  // (the shortest such key); none for an empty order.
  std::optional<std::size_t> orderKey() const;

  std::string describe() const { return describeView(descriptor_); }

  ViewTraceFlags trace;

 private:
  ViewDescriptor descriptor_;
  std::vector<ViewFile> files_;
  std::vector<ViewLevel> levels_;
  std::string filter_text_;
  bool has_filter_ = false;
  std::string order_text_;
  std::vector<OrderComponent> order_;
};

// The order components of an order text, without parsing them: each component's text with its
// sign removed and whether it is descending. Empty components are kept (as empty texts).
struct OrderComponentText {
  std::string text;
  bool descending = false;
};
std::vector<OrderComponentText> splitOrderText(std::string_view text);

// Binds every field of the file under its own name in the current binding scope, tagged with
// the file's identity (join expressions are parsed when the view opens, so their names must be
// bound before). Returns how many names were bound.
std::size_t bindFileFields(const ViewFile& file);
// The same for every file of an open view.
std::size_t bindViewFields(const RuntimeView& view);

}  // namespace veltrano::runtime
