#include "framework/browse/view_manager.h"

#include <algorithm>
#include <cstdlib>

#include "runtime/errors/error_state.h"
#include "runtime/expr/binding_scopes.h"
#include "runtime/values/field_value.h"
#include "runtime/values/text_compare.h"

namespace veltrano::framework {
namespace {

constexpr std::size_t kFilterWidth = 5000;
constexpr std::size_t kFilterIdWidth = 30;
constexpr int kNoMoreRecords = 33;
// Posted when a filter text does not parse, so that id 40 says why.
constexpr int kFilterSyntax = 800;

// The names of the view's fields, bound for the time a filter or order text is parsed; the
// trees keep what they read.
class ViewNames {
 public:
  explicit ViewNames(const std::vector<storage::FileControlBlock*>& files) {
    runtime::pushScope(true);
    for (storage::FileControlBlock* file : files) runtime::bindFileFields(storage::viewFileOf(*file));
  }
  ~ViewNames() { runtime::popScope(); }
  ViewNames(const ViewNames&) = delete;
  ViewNames& operator=(const ViewNames&) = delete;
};

bool isText(const runtime::FieldDescriptor& field) {
  return runtime::isStringType(field.type) || field.type == runtime::TypeCode::Group;
}

std::string quoted(std::string_view text) {
  std::string out = "'";
  for (const char c : text) {
    out += c;
    if (c == '\'') out += '\'';  // an apostrophe in a surname must not end the literal
  }
  return out + "'";
}

}  // namespace

ViewManager::ViewManager() = default;
ViewManager::~ViewManager() = default;

int ViewManager::ValidateRecord() {
  return 0;
}

void ViewManager::Init(ViewDefinition view, RelationGuard* primary, std::deque<SortOrder>* orders) {
  definition_ = std::move(view);
  PRIMARY = primary;
  DISPOSEORDER = orders == nullptr ? 1 : 0;
  ORDER = orders != nullptr ? orders : &owned_orders_;
  CURRENT = ORDER->empty() ? 0 : 1;
  OPENED = 0;
}

void ViewManager::Kill() {
  Close();
  cursor_.reset();
  VIEW = nullptr;
  if (DISPOSEORDER != 0 && ORDER != nullptr) ORDER->clear();
  CURRENT = 0;
}

storage::FileControlBlock* ViewManager::File(std::size_t index) const {
  return index < definition_.files.size() ? definition_.files[index] : nullptr;
}

std::size_t ViewManager::RegisterSortOrder(const storage::KeyDescriptor* key) {
  SortOrder& order = ORDER->emplace_back();
  order.MAINKEY = key;
  storage::FileControlBlock* primary = File(0);
  if (key != nullptr && primary != nullptr && primary->layout != nullptr) {
    for (const std::int32_t component : key->components) {
      const auto index = static_cast<std::size_t>(std::abs(component)) - 1;
      if (index >= primary->layout->fieldCount()) continue;
      if (!order.ORDER.empty()) order.ORDER += ',';
      order.ORDER += (component < 0 ? "-" : "+") + primary->layout->field(index).name;
    }
    if (!key->components.empty()) {
      const std::int32_t first = key->components.front();
      order.FREEELEMENT.FIELD =
          fieldOf(*primary->layout, primary->record, static_cast<std::size_t>(std::abs(first)) - 1);
      order.FREEELEMENT.FIELDNAME =
          order.FREEELEMENT.FIELD.valid() ? order.FREEELEMENT.FIELD.field->name : "";
      order.FREEELEMENT.ASCEND = first > 0 ? 1 : 0;
    }
  }
  CURRENT = ORDER->size();
  return CURRENT;
}

void ViewManager::AppendOrder(std::string_view components) {
  if (CURRENT == 0 || components.empty()) return;
  std::string& order = CurrentOrder().ORDER;
  if (!order.empty()) order += ',';
  order += components;
}

bool ViewManager::RegisterRange(FieldRef component, std::uint8_t limit_type, std::vector<FieldRef> limits) {
  if (CURRENT == 0 || !component.valid()) return false;
  SortOrder& order = CurrentOrder();
  storage::FileControlBlock* primary = File(0);
  if (order.MAINKEY == nullptr || primary == nullptr) return false;
  const auto& components = order.MAINKEY->components;
  std::size_t at = components.size();
  for (std::size_t i = 0; i < components.size(); ++i) {
    const auto index = static_cast<std::size_t>(std::abs(components[i])) - 1;
    if (index < primary->layout->fieldCount() && &primary->layout->field(index) == component.field) at = i;
  }
  if (at == components.size()) return false;
  switch (limit_type) {
    case kLimitCurrent:
      order.values.emplace_back(component);
      order.RANGELIST.AddPair(component, order.values.back().ref());
      break;
    case kLimitSingle:
    case kLimitFile:
      if (limits.empty() || !limits.front().valid()) return false;
      order.RANGELIST.AddPair(component, limits.front());
      order.RANGELIST.RightToSaved();
      break;
    case kLimitPair:
      if (limits.size() < 2 || !limits[0].valid() || !limits[1].valid()) return false;
      order.RANGELIST.AddPair(component, limits[0]);
      order.RANGELIST.AddPair(component, limits[1]);
      order.RANGELIST.RightToSaved();
      break;
    default: return false;
  }
  order.LIMITTYPE = limit_type;
  order.fixed = limit_type == kLimitPair ? at : std::max(order.fixed, at + 1);
  if (order.fixed < components.size()) {
    const std::int32_t free = components[order.fixed];
    order.FREEELEMENT.FIELD =
        fieldOf(*primary->layout, primary->record, static_cast<std::size_t>(std::abs(free)) - 1);
    order.FREEELEMENT.FIELDNAME = order.FREEELEMENT.FIELD.field->name;
    order.FREEELEMENT.ASCEND = free > 0 ? 1 : 0;
  } else {
    order.FREEELEMENT = KeyComponent{};
  }
  return true;
}

void ViewManager::SetFilter(std::string_view filter, std::string_view id) {
  if (CURRENT == 0) return;
  std::vector<NamedFilter>& filters = CurrentOrder().FILTER;
  const std::string key(id.substr(0, kFilterIdWidth));
  std::erase_if(filters, [&](const NamedFilter& named) { return named.ID == key; });
  if (filter.empty()) return;
  NamedFilter named{key, std::string(filter)};
  filters.insert(std::upper_bound(filters.begin(), filters.end(), named,
                                  [](const NamedFilter& a, const NamedFilter& b) { return a.ID < b.ID; }),
                 std::move(named));
}

void ViewManager::SetFreeElement(std::string_view value) {
  if (CURRENT == 0) return;
  const SortOrder& order = CurrentOrder();
  storage::FileControlBlock* primary = File(0);
  if (!order.FREEELEMENT.FIELD.valid() || order.MAINKEY == nullptr || primary == nullptr) return;
  runtime::storeText(*order.FREEELEMENT.FIELD.field, order.FREEELEMENT.FIELD.record, value);
  bool after = false;
  for (const std::int32_t component : order.MAINKEY->components) {
    const runtime::FieldDescriptor& field =
        primary->layout->field(static_cast<std::size_t>(std::abs(component)) - 1);
    if (after) runtime::clearField(field, primary->record, component > 0 ? -1 : 1);
    if (&field == order.FREEELEMENT.FIELD.field) after = true;
  }
}

void ViewManager::takeCurrentValues(SortOrder& order) {
  if (order.LIMITTYPE == kLimitCurrent) {
    for (const FieldPairList::Pair& pair : order.RANGELIST.pairs()) copyField(pair.RIGHT, pair.LEFT);
  }
}

bool ViewManager::SetSort(std::size_t order) {
  if (order == 0 || order > ORDER->size() || order == CURRENT) return false;
  CURRENT = order;
  takeCurrentValues(CurrentOrder());
  if (OPENED != 0) applyOrder();
  return true;
}

std::string ViewManager::literalOf(FieldRef value, bool upper) const {
  if (!value.valid()) return "''";
  if (!isText(*value.field)) return runtime::loadDecimal(*value.field, value.record).toText();
  std::string text = runtime::loadText(*value.field, value.record);
  while (!text.empty() && text.back() == ' ') text.pop_back();
  return quoted(upper ? runtime::upperText(text) : text);
}

std::string ViewManager::rangeText(const SortOrder& order) const {
  const auto& pairs = order.RANGELIST.pairs();
  if (order.LIMITTYPE == kLimitNone || pairs.empty()) return {};
  const bool nocase = order.MAINKEY != nullptr && (order.MAINKEY->attributes & storage::kKeyNocase) != 0;
  // A case-insensitive key compares upper-cased: its label and the value both.
  auto label = [&](FieldRef field) {
    const bool upper = nocase && isText(*field.field);
    return upper ? "UPPER(" + field.field->name + ")" : field.field->name;
  };
  auto value = [&](const FieldPairList::Pair& pair) {
    return literalOf(pair.RIGHT, nocase && isText(*pair.LEFT.field));
  };
  std::string text;
  const std::size_t equal_pairs =
      order.LIMITTYPE == kLimitPair ? pairs.size() - std::min<std::size_t>(2, pairs.size()) : pairs.size();
  for (std::size_t i = 0; i < equal_pairs; ++i) {
    if (!text.empty()) text += " AND ";
    text += label(pairs[i].LEFT) + " = " + value(pairs[i]);
  }
  if (order.LIMITTYPE == kLimitPair && pairs.size() >= 2) {
    const FieldPairList::Pair& low = pairs[pairs.size() - 2];
    const FieldPairList::Pair& high = pairs[pairs.size() - 1];
    if (!text.empty()) text += " AND ";
    text += label(low.LEFT) + " >= " + value(low) + " AND (" + label(high.LEFT) + " <= " + value(high) + ")";
  }
  return text;
}

std::string ViewManager::FilterText() const {
  if (CURRENT == 0) return {};
  const SortOrder& order = CurrentOrder();
  std::string text = rangeText(order);
  for (const NamedFilter& filter : order.FILTER) {
    if (!text.empty()) text += " AND ";
    text += "(" + filter.FILTER + ")";
  }
  if (text.size() > kFilterWidth) text.resize(kFilterWidth);
  return text;
}

bool ViewManager::UseFilter() {
  if (VIEW == nullptr || OPENED == 0) return false;
  const std::string text = FilterText();
  if (filter_applied_ && text == applied_filter_) return true;
  applied_filter_ = text;
  filter_applied_ = true;
  bool taken = false;
  {
    ViewNames names(definition_.files);
    taken = VIEW->setFilter(text);
  }
  if (!taken) {
    if (runtime::errorCode() == 0) runtime::postError(kFilterSyntax);
    if (PRIMARY != nullptr) PRIMARY->ME->Throw(40);
    VIEW->setFilter("");
  }
  return taken;
}

bool ViewManager::UseRange() {
  if (CURRENT == 0) return false;
  SortOrder& order = CurrentOrder();
  bool moved = false;
  switch (order.LIMITTYPE) {
    case kLimitSingle:
    case kLimitPair:
    case kLimitFile:
      moved = !order.RANGELIST.RightSameAsSaved();
      if (moved) order.RANGELIST.RightToSaved();
      break;
    default: break;
  }
  if (moved && OPENED != 0) UseFilter();
  return moved;
}

bool ViewManager::applyOrder() {
  bool taken = true;
  if (CURRENT != 0 && CurrentOrder().ORDER != applied_order_) {
    applied_order_ = CurrentOrder().ORDER;
    ViewNames names(definition_.files);
    taken = VIEW->setOrder(applied_order_);
    if (!taken) {
      if (runtime::errorCode() == 0) runtime::postError(kFilterSyntax);
      if (PRIMARY != nullptr) PRIMARY->ME->Throw(40);
    }
  }
  return UseFilter() && taken;
}

Level ViewManager::Open() {
  if (OPENED != 0) return kLevelBenign;
  if (!cursor_) cursor_ = std::make_unique<storage::ViewCursor>();
  VIEW = cursor_.get();
  if (cursor_->open(definition_.descriptor, definition_.files) != 0) {
    if (PRIMARY != nullptr) PRIMARY->ME->Throw(40);
    return kLevelNotify;
  }
  OPENED = 1;
  applied_order_.clear();
  filter_applied_ = false;
  if (CURRENT != 0) takeCurrentValues(CurrentOrder());
  applyOrder();
  return kLevelBenign;
}

void ViewManager::Close() {
  if (OPENED == 0) return;
  cursor_->close();
  OPENED = 0;
}

void ViewManager::Reset() {
  if (Open() != kLevelBenign) return;
  applyOrder();
  VIEW->setToStart();
}

Level ViewManager::read(bool forward) {
  if (OPENED == 0 && Open() != kLevelBenign) return kLevelFatal;
  for (;;) {
    const int code = forward ? VIEW->next() : VIEW->previous();
    if (code == kNoMoreRecords) return kLevelNotify;
    if (code != 0) {
      if (PRIMARY != nullptr) PRIMARY->ME->Throw(1);
      return kLevelFatal;
    }
    switch (ValidateRecord()) {
      case 0: return kLevelBenign;
      case 1: continue;
      default: return kLevelNotify;
    }
  }
}

Level ViewManager::Next() {
  return read(true);
}

Level ViewManager::Previous() {
  return read(false);
}

}  // namespace veltrano::framework
