#include "tools/wlk/select_view.h"

#include <cstdio>

#include "platform/codepage.h"
#include "runtime/errors/error_state.h"
#include "runtime/expr/binding_scopes.h"
#include "runtime/expr/evaluate.h"
#include "runtime/values/field_value.h"
#include "storage/driver.h"
#include "storage/view_cursor.h"
#include "tools/wlk/record_text.h"
#include "tools/wlk/table_access.h"

namespace veltrano::wlk {
namespace {

// The order text of a key: its components with their directions.
std::string keyOrderText(const storage::DeclaredFile& file, const storage::KeyDescriptor& key) {
  std::string text;
  for (const auto component : key.components) {
    if (!text.empty()) text += ',';
    text += component < 0 ? '-' : '+';
    text += file.layout().field(static_cast<std::size_t>(std::abs(component)) - 1).name;
  }
  return text;
}

// Pops the scope of the view's names however the command ends.
struct ViewScope {
  ViewScope() { runtime::pushScope(true); }
  ~ViewScope() { runtime::popScope(); }
  ViewScope(const ViewScope&) = delete;
  ViewScope& operator=(const ViewScope&) = delete;
};

void appendColumns(std::vector<std::string>& values, storage::DeclaredFile& file, const OutputForm& form) {
  for (const auto& column : defaultColumns(file.layout()))
    values.push_back(columnText(file.layout().field(column.field), file.record(), column.element, form));
}

void appendLabels(std::vector<std::string>& labels, std::vector<bool>& numeric, storage::DeclaredFile& file) {
  for (const auto& column : defaultColumns(file.layout())) {
    const auto& field = file.layout().field(column.field);
    labels.push_back(platform::utf8From1251(field.name) +
                     (field.elementCount() > 1 ? "[" + std::to_string(column.element + 1) + "]" : ""));
    numeric.push_back(fractionalType(field.type));
  }
}

}  // namespace

std::vector<std::string> linkingFieldNames(const std::string& text) {
  std::vector<std::string> names;
  std::size_t start = 0;
  for (;;) {
    const std::size_t comma = text.find(',', start);
    std::string name = text.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
    if (name.empty()) return {};
    names.push_back(std::move(name));
    if (comma == std::string::npos) return names;
    start = comma + 1;
  }
}

int selectThroughView(const CommonOptions& options, storage::DeclaredFile& primary, const ViewSelect& select,
                      const OutputForm& form) {
  std::vector<std::unique_ptr<storage::DeclaredFile>> joined;
  auto closeAll = [&] {
    for (auto& file : joined) storage::fileStatement(storage::Operation::Close, file->file());
  };
  runtime::ViewDescriptor descriptor;
  for (const auto& join : select.joins) {
    auto file = openStoredTable(options, join.target, Access::Read);
    if (!file) {
      closeAll();
      return 1;
    }
    const auto* key = file->key(platform::cp1251FromUtf8(join.key_label));
    if (key == nullptr) {
      storage::fileStatement(storage::Operation::Close, file->file());
      closeAll();
      return usageError("no key " + join.key_label + " in " + join.target);
    }
    std::vector<std::uint32_t> linking;
    for (const auto& name : join.linking_fields) {
      const int index = primary.layout().find(platform::cp1251FromUtf8(name));
      if (index < 0) {
        storage::fileStatement(storage::Operation::Close, file->file());
        closeAll();
        return usageError("no field " + name + " to link " + join.target + " with");
      }
      linking.push_back(static_cast<std::uint32_t>(index) + 1);
    }
    std::size_t key_number = 0;
    while (file->file().keys[key_number] != key) ++key_number;
    descriptor.joins.push_back(
        runtime::ViewJoin::byKey(joined.size() + 1, key_number, std::move(linking), join.inner));
    joined.push_back(std::move(file));
  }

  std::vector<storage::FileControlBlock*> files{&primary.file()};
  for (auto& file : joined) files.push_back(&file->file());
  // The joined tables' names first, so that a name both have reads the primary table.
  ViewScope scope;
  for (auto* file : files) {
    if (file != files.front()) runtime::bindFileFields(storage::viewFileOf(*file));
  }
  runtime::bindFileFields(storage::viewFileOf(primary.file()));

  std::string order = select.order;
  if (order.empty() && !select.key_label.empty()) {
    const auto* key = primary.key(platform::cp1251FromUtf8(select.key_label));
    if (key == nullptr) {
      closeAll();
      return usageError("no key " + select.key_label);
    }
    order = platform::utf8From1251(keyOrderText(primary, *key));
  }

  // Parsed once here for a message that says where a text goes wrong.
  std::vector<runtime::NodePointer> fields;
  bool parsed = select.filter.empty() || parseOrReport(select.filter) != nullptr;
  for (const auto& component : runtime::splitOrderText(order)) {
    if (!parsed) break;
    if (component.text.empty()) {
      usageError("an order component is empty: " + order);
      parsed = false;
    } else {
      parsed = parseOrReport(component.text) != nullptr;
    }
  }
  for (const auto& text : select.fields) {
    fields.push_back(parsed ? parseOrReport(text) : nullptr);
    parsed = parsed && fields.back() != nullptr;
  }
  if (!parsed) {
    closeAll();
    return 2;
  }

  int status = 0;
  {
    storage::ViewCursor view;
    if (view.open(descriptor, files) != 0) {
      closeAll();
      return reportFileError();
    }
    view.setOrder(platform::cp1251FromUtf8(order));
    view.setFilter(platform::cp1251FromUtf8(select.filter));
    std::vector<std::string> labels, values;
    std::vector<bool> numeric;
    if (fields.empty()) {
      appendLabels(labels, numeric, primary);
      for (auto& file : joined) appendLabels(labels, numeric, *file);
    } else {
      labels = select.fields;
      numeric.assign(labels.size(), false);
    }
    LineWriter writer(stdout, form);
    writer.header(labels);
    for (;;) {
      const int error = select.reverse ? view.previous() : view.next();
      if (error == 33) break;
      if (error != 0) {
        status = reportFileError();
        break;
      }
      values.clear();
      if (fields.empty()) {
        appendColumns(values, primary, form);
        for (auto& file : joined) appendColumns(values, *file, form);
      } else {
        for (const auto& field : fields) values.push_back(valueText(runtime::evaluateString(*field)));
      }
      writer.line(values, numeric);
    }
  }
  closeAll();
  return status;
}

}  // namespace veltrano::wlk
