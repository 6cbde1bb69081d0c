// wlk select TARGET [--key KEYLABEL] [--filter EXPR] [--field EXPR]... [--reverse] [--raw] [--csv]
// — the records in key order (or record-number order), those the filter keeps, one line each
// (record_output.h). With --order or --join the records are read through a view
// (select_view.cpp). A walk that ends before the table's count of records says the file is
// damaged instead of ending as if it were whole.
#include <cstdio>

#include "platform/codepage.h"
#include "runtime/errors/error_state.h"
#include "runtime/expr/evaluate.h"
#include "runtime/values/field_value.h"
#include "storage/driver.h"
#include "tools/wlk/file_verification.h"
#include "tools/wlk/record_output.h"
#include "tools/wlk/record_text.h"
#include "tools/wlk/select_view.h"
#include "tools/wlk/storage_commands.h"
#include "tools/wlk/table_access.h"

namespace veltrano::wlk {
namespace {

// A --field: an expression, or the label of a BLOB, which has no text to compute with.
struct FieldColumn {
  std::string label;
  runtime::NodePointer expression;
  int blob = -1;
};

}  // namespace

int selectCommand(const CommonOptions& options, std::span<const std::string> arguments) {
  if (arguments.empty()) return usageError("usage: wlk select TARGET [OPTIONS] (see wlk select --help)");
  std::string key_label, filter_text;
  std::vector<std::string> field_texts;
  bool reverse = false;
  OutputForm form;
  ViewSelect view_select;
  bool through_view = false;
  for (std::size_t i = 1; i < arguments.size(); ++i) {
    const std::string& option = arguments[i];
    auto value = [&](std::string& into) {
      if (i + 1 >= arguments.size()) return false;
      into = arguments[++i];
      return true;
    };
    if (option == "--key") {
      if (!value(key_label)) return usageError("--key needs a key label");
    } else if (option == "--filter") {
      if (!value(filter_text)) return usageError("--filter needs an expression");
    } else if (option == "--field") {
      std::string text;
      if (!value(text)) return usageError("--field needs an expression");
      field_texts.push_back(std::move(text));
    } else if (option == "--reverse") {
      reverse = true;
    } else if (option == "--raw") {
      form.raw = true;
    } else if (option == "--csv") {
      form.csv = true;
    } else if (option == "--order") {
      if (!value(view_select.order)) return usageError("--order needs an order text");
      through_view = true;
    } else if (option == "--join") {
      JoinOption join;
      std::string linking;
      if (!value(join.target) || !value(join.key_label) || !value(linking))
        return usageError("--join needs TARGET KEY FIELD[,FIELD...]");
      join.linking_fields = linkingFieldNames(linking);
      if (join.linking_fields.empty()) return usageError("--join needs linking fields: " + linking);
      view_select.joins.push_back(std::move(join));
      through_view = true;
    } else if (option == "--inner") {
      if (view_select.joins.empty()) return usageError("--inner follows a --join");
      view_select.joins.back().inner = true;
    } else {
      return usageError("unknown option " + option + " (see wlk select --help)");
    }
  }
  auto file = openStoredTable(options, arguments[0], Access::Read);
  if (!file) return 1;
  auto closeFile = [&] { storage::fileStatement(storage::Operation::Close, file->file()); };
  const storage::KeyDescriptor* key = nullptr;
  if (!key_label.empty()) {
    key = file->key(platform::cp1251FromUtf8(key_label));
    if (key == nullptr) {
      closeFile();
      return usageError("no key " + key_label);
    }
  }
  BoundRecord bound(*file);
  if (through_view) {
    view_select.key_label = key_label;
    view_select.filter = filter_text;
    view_select.fields = field_texts;
    view_select.reverse = reverse;
    const int status = selectThroughView(options, *file, view_select, form);
    closeFile();
    return status;
  }
  runtime::NodePointer filter;
  if (!filter_text.empty() && !(filter = parseOrReport(filter_text))) {
    closeFile();
    return 2;
  }
  std::vector<FieldColumn> fields;
  for (const auto& text : field_texts) {
    FieldColumn column{text, nullptr, -1};
    const int memo = file->memoIndex(platform::cp1251FromUtf8(text));
    if (memo >= 0 &&
        (file->file().memos[static_cast<std::size_t>(memo)]->attributes & storage::kMemoBlob) != 0) {
      column.blob = memo;
    } else if (!(column.expression = parseOrReport(text))) {
      closeFile();
      return 2;
    }
    fields.push_back(std::move(column));
  }
  const auto columns = defaultColumns(file->layout());
  std::vector<std::string> labels;
  std::vector<bool> numeric;
  if (fields.empty()) {
    for (const auto& column : columns) {
      const auto& field = file->layout().field(column.field);
      labels.push_back(platform::utf8From1251(field.name) +
                       (field.elementCount() > 1 ? "[" + std::to_string(column.element + 1) + "]" : ""));
      numeric.push_back(fractionalType(field.type));
    }
  } else {
    for (const auto& column : fields) labels.push_back(column.label);
  }
  LineWriter writer(stdout, form);
  writer.header(labels);

  // The table's count before and after the walk: when no other station changed the file
  // meanwhile, the walk must meet as many records as the count says.
  auto count = [&] {
    storage::OperationArguments counted;
    counted.key = key;
    return storage::fileStatement(key ? storage::Operation::RecordsKey : storage::Operation::RecordsFile,
                                  file->file(), counted);
  };
  const auto count_before = count();
  const auto version_before = fileVersion(*file);
  storage::OperationArguments set;
  set.key = key;
  storage::fileStatement(key ? storage::Operation::SetKey : storage::Operation::SetFile, file->file(), set);
  const auto step = reverse ? storage::Operation::Previous : storage::Operation::Next;
  std::vector<std::string> values;
  std::int64_t walked = 0;
  for (;;) {
    storage::fileStatement(step, file->file());
    if (runtime::errorCode() == 33) break;
    if (runtime::errorCode() != 0) {
      const int status = reportFileError();
      closeFile();
      return status;
    }
    ++walked;
    bound.loadMemos();
    if (filter && !runtime::test(*filter)) continue;
    values.clear();
    if (fields.empty()) {
      for (const auto& column : columns)
        values.push_back(
            columnText(file->layout().field(column.field), file->record(), column.element, form));
    } else {
      numeric.clear();
      for (const auto& column : fields) {
        values.push_back(column.blob >= 0
                             ? blobText(file->file().memo_values[static_cast<std::size_t>(column.blob)])
                             : valueText(runtime::evaluateString(*column.expression)));
        numeric.push_back(column.blob < 0 && looksFractional(values.back()));
      }
    }
    writer.line(values, numeric);
  }
  const auto count_after = count();
  int status = 0;
  if (walked != count_after && count_before == count_after && fileVersion(*file) == version_before) {
    std::fflush(stdout);
    std::fprintf(stderr,
                 "wlk: the table counts %lld records%s, but only %lld were read: the file is damaged; wlk "
                 "check lists what is wrong\n",
                 static_cast<long long>(count_after), key ? " in the key" : "",
                 static_cast<long long>(walked));
    status = 1;
  }
  closeFile();
  return status;
}

}  // namespace veltrano::wlk
