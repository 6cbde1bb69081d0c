#include "runtime/view/runtime_view.h"

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <utility>

#include "runtime/expr/evaluate.h"
#include "runtime/expr/parser.h"
#include "runtime/expr/tree_walk.h"
#include "runtime/view/join_condition.h"

namespace veltrano::runtime {
namespace {

bool validProjection(const ViewDescriptor& level, const ViewFile& file) {
  if (!level.projection) return true;
  for (const auto& item : *level.projection) {
    const std::size_t limit =
        item.kind == ProjectionItem::Kind::Memo ? file.memo_count : file.layout->fieldCount();
    if (item.number == 0 || item.number > limit) return false;
  }
  return true;
}

bool validKey(const ViewKey& key, const RecordLayout& layout) {
  return !key.components.empty() &&
         std::all_of(key.components.begin(), key.components.end(), [&](std::int32_t component) {
           return component != 0 && static_cast<std::size_t>(std::abs(component)) <= layout.fieldCount();
         });
}

class LevelBuilder {
 public:
  LevelBuilder(const std::vector<ViewFile>& files, std::vector<ViewLevel>& levels)
      : files_(files), levels_(levels), used_(files.size(), false) {}

  // Adds `descriptor` as the next level (and its joins after it, depth first).
  bool add(const ViewDescriptor& descriptor, int parent, const ViewJoin* join) {
    if (descriptor.file >= files_.size() || used_[descriptor.file]) return false;
    const ViewFile& file = files_[descriptor.file];
    if (file.layout == nullptr || file.record.size() < file.layout->size()) return false;
    if (!validProjection(descriptor, file)) return false;
    used_[descriptor.file] = true;

    ViewLevel level;
    level.file = descriptor.file;
    level.parent = parent;
    level.projection_given = descriptor.projection.has_value();
    if (descriptor.projection) {
      level.projection = *descriptor.projection;
    } else {
      for (std::uint32_t n = 1; n <= file.layout->fieldCount(); ++n) {
        level.projection.push_back({ProjectionItem::Kind::Field, n});
      }
      for (std::uint32_t n = 1; n <= file.memo_count; ++n) {
        level.projection.push_back({ProjectionItem::Kind::Memo, n});
      }
    }
    if (join != nullptr &&
        !joinTo(*join, files_[levels_[static_cast<std::size_t>(parent)].file], file, level)) {
      return false;
    }
    const int number = static_cast<int>(levels_.size());
    levels_.push_back(std::move(level));
    for (const auto& nested : descriptor.joins) {
      if (!add(nested.view, number, &nested)) return false;
    }
    return true;
  }

 private:
  static bool joinTo(const ViewJoin& join, const ViewFile& parent, const ViewFile& secondary,
                     ViewLevel& level) {
    level.inner = join.inner;
    if (!join.key) {
      // A join text that does not parse leaves the join without a condition.
      level.condition = parseExpression(join.expression);
      return true;
    }
    if (*join.key >= secondary.keys.size()) return false;
    const ViewKey& key = secondary.keys[*join.key];
    if (!validKey(key, *secondary.layout)) return false;
    for (const auto field : join.linking_fields) {
      if (field == 0 || field > parent.layout->fieldCount()) return false;
    }
    level.key = *join.key;
    const std::size_t taking_part = std::min(join.linking_fields.size(), key.components.size());
    level.linking_fields.assign(join.linking_fields.begin(),
                                join.linking_fields.begin() + static_cast<std::ptrdiff_t>(taking_part));
    level.condition = keyJoinCondition(parent, secondary, key, level.linking_fields);
    return true;
  }

  const std::vector<ViewFile>& files_;
  std::vector<ViewLevel>& levels_;
  std::vector<bool> used_;
};

bool sameField(const VariableBinding& variable, const FieldDescriptor& field) {
  return variable.field.offset == field.offset && variable.field.size == field.size &&
         variable.field.type == field.type;
}

}  // namespace

ViewTraceFlags viewTraceFlags(const platform::IniFile& profile) {
  ViewTraceFlags flags;
  flags.profile = profile.getInt("VSVIEW", "Profile", 0) != 0;
  flags.into_files = profile.getInt("VSVIEW", "TraceIntoFiles", 0) != 0;
  if (flags.profile) {
    flags.file = profile.getString("VSVIEW", "TraceFile", "VIEW.LOG");
    if (flags.file.empty()) flags.file = "VIEW.LOG";
    if (flags.file.size() > 260) flags.file.resize(260);
  }
  return flags;
}

int RuntimeView::open(const ViewDescriptor& descriptor, std::vector<ViewFile> files, RuntimeView& out) {
  out.close();
  RuntimeView view;
  view.trace = viewTraceFlags(platform::systemProfile());
  view.files_ = std::move(files);
  view.descriptor_ = descriptor;
  LevelBuilder builder(view.files_, view.levels_);
  if (!builder.add(view.descriptor_, -1, nullptr)) return kViewDescriptorError;
  out = std::move(view);
  return 0;
}

void RuntimeView::close() {
  levels_.clear();
  files_.clear();
  descriptor_ = {};
  filter_text_.clear();
  has_filter_ = false;
  order_text_.clear();
  order_.clear();
}

std::size_t RuntimeView::levelOfVariable(const VariableBinding& variable) const {
  const std::less<const std::uint8_t*> before;
  for (std::size_t level = 0; level < levels_.size(); ++level) {
    const ViewFile& shape = file(level);
    if (variable.owner != nullptr && variable.owner == shape.identity) return level;
    const std::uint8_t* start = shape.record.data();
    const std::uint8_t* end = start + shape.record.size();
    const std::uint8_t* at = variable.record.data();
    if (at != nullptr && !before(at, start) && before(at, end)) return level;
  }
  return 0;
}

std::size_t RuntimeView::levelOf(const Node& conjunct) const {
  const std::size_t last = levels_.empty() ? 0 : levels_.size() - 1;
  // A bound procedure may read anything: only the last level has every record current.
  if (callsProcedure(conjunct)) return last;
  std::size_t level = 0;
  forEachVariable(
      conjunct, [&](const VariableBinding& variable) { level = std::max(level, levelOfVariable(variable)); });
  return level;
}

bool RuntimeView::setFilter(std::string_view text) {
  for (auto& level : levels_) level.conjuncts.clear();
  has_filter_ = false;
  filter_text_.assign(text);
  if (text.find_first_not_of(" \t") == std::string_view::npos || levels_.empty()) return true;
  NodePointer tree = parseExpression(text);
  if (!tree) return false;
  for (auto& conjunct : splitConjuncts(std::move(tree))) {
    const std::size_t level = levelOf(*conjunct);
    levels_[level].conjuncts.push_back(std::move(conjunct));
  }
  has_filter_ = true;
  return true;
}

bool RuntimeView::passes(std::size_t level) const {
  for (const auto& conjunct : levels_[level].conjuncts) {
    if (!test(*conjunct)) return false;
  }
  return true;
}

std::vector<OrderComponentText> splitOrderText(std::string_view text) {
  std::vector<OrderComponentText> components;
  if (text.find_first_not_of(" \t") == std::string_view::npos) return components;
  auto finish = [&](std::string_view part) {
    const auto blank = std::string_view(" \t");
    auto trim = [&](std::string_view s) {
      const auto first = s.find_first_not_of(blank);
      if (first == std::string_view::npos) return std::string_view();
      return s.substr(first, s.find_last_not_of(blank) - first + 1);
    };
    part = trim(part);
    OrderComponentText component;
    if (!part.empty() && (part.front() == '+' || part.front() == '-')) {
      component.descending = part.front() == '-';
      part = trim(part.substr(1));
    }
    component.text.assign(part);
    components.push_back(std::move(component));
  };
  int depth = 0;
  bool quoted = false;
  std::size_t start = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (quoted) {
      if (c == '\'') quoted = false;  // a doubled quote reopens at once
      continue;
    }
    if (c == '\'') {
      quoted = true;
    } else if (c == '(' || c == '[') {
      ++depth;
    } else if ((c == ')' || c == ']') && depth > 0) {
      --depth;
    } else if (c == ',' && depth == 0) {
      finish(text.substr(start, i - start));
      start = i + 1;
    }
  }
  finish(text.substr(start));
  return components;
}

bool RuntimeView::setOrder(std::string_view text) {
  order_.clear();
  order_text_.assign(text);
  std::vector<OrderComponent> order;
  for (auto& component : splitOrderText(text)) {
    if (component.text.empty()) return false;
    NodePointer tree = parseExpression(component.text);
    if (!tree) return false;
    order.push_back({std::move(tree), component.descending});
  }
  order_ = std::move(order);
  return true;
}

std::optional<std::size_t> RuntimeView::orderKey() const {
  if (order_.empty() || levels_.empty()) return std::nullopt;
  const ViewFile& primary = file(0);
  std::optional<std::size_t> best;
  for (std::size_t k = 0; k < primary.keys.size(); ++k) {
    const ViewKey& key = primary.keys[k];
    if (order_.size() > key.components.size() || !validKey(key, *primary.layout)) continue;
    bool follows = true;
    for (std::size_t i = 0; i < order_.size() && follows; ++i) {
      const std::int32_t component = key.components[i];
      const Node* node = order_[i].expression.get();
      // UPPER(field) follows a case-insensitive key as the plain field does.
      if (key.nocase && node->kind == NodeKind::Function && node->function == FunctionCode::Upper &&
          node->operands.size() == 1 && node->operands[0]) {
        node = node->operands[0].get();
      }
      const auto& field = primary.layout->field(static_cast<std::size_t>(std::abs(component)) - 1);
      follows = node->kind == NodeKind::Variable && node->variable && levelOfVariable(*node->variable) == 0 &&
                sameField(*node->variable, field) && order_[i].descending == (component < 0);
    }
    if (follows && (!best || key.components.size() < primary.keys[*best].components.size())) best = k;
  }
  return best;
}

std::size_t bindFileFields(const ViewFile& file) {
  std::size_t bound = 0;
  if (file.layout == nullptr) return 0;
  for (const auto& field : file.layout->fields()) {
    if (bindingScopes().bindVariable(field.name, field, file.record, file.identity)) ++bound;
  }
  return bound;
}

std::size_t bindViewFields(const RuntimeView& view) {
  std::size_t bound = 0;
  for (std::size_t level = 0; level < view.levels().size(); ++level)
    bound += bindFileFields(view.file(level));
  return bound;
}

}  // namespace veltrano::runtime
