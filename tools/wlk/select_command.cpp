// wlk select TARGET [--key KEYLABEL] [--filter EXPR] [--field EXPR]... [--reverse] — the
// records in key order (or record-number order), those the filter keeps, one line each. With
// --order or --join the records are read through a view (select_view.cpp).
#include <cstdio>

#include "platform/codepage.h"
#include "runtime/errors/error_state.h"
#include "runtime/expr/evaluate.h"
#include "runtime/values/field_value.h"
#include "storage/driver.h"
#include "tools/wlk/record_text.h"
#include "tools/wlk/select_view.h"
#include "tools/wlk/storage_commands.h"
#include "tools/wlk/table_access.h"

namespace veltrano::wlk {

int selectCommand(const CommonOptions& options, std::span<const std::string> arguments) {
  if (arguments.empty())
    return usageError("usage: wlk select TARGET [--key KEY] [--filter EXPR] [--field EXPR]... [--reverse]");
  std::string key_label, filter_text;
  std::vector<std::string> field_texts;
  bool reverse = false;
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
      return usageError("unknown option " + option);
    }
  }
  auto file = openStoredTable(options, arguments[0], false);
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
    const int status = selectThroughView(options, *file, view_select);
    closeFile();
    return status;
  }
  runtime::NodePointer filter;
  if (!filter_text.empty() && !(filter = parseOrReport(filter_text))) {
    closeFile();
    return 2;
  }
  std::vector<runtime::NodePointer> fields;
  for (const auto& text : field_texts) {
    fields.push_back(parseOrReport(text));
    if (!fields.back()) {
      closeFile();
      return 2;
    }
  }
  const auto columns = defaultColumns(file->layout());
  storage::OperationArguments set;
  set.key = key;
  storage::fileStatement(key ? storage::Operation::SetKey : storage::Operation::SetFile, file->file(), set);
  const auto step = reverse ? storage::Operation::Previous : storage::Operation::Next;
  std::string line;
  for (;;) {
    storage::fileStatement(step, file->file());
    if (runtime::errorCode() == 33) break;
    if (runtime::errorCode() != 0) {
      const int status = reportFileError();
      closeFile();
      return status;
    }
    if (filter && !runtime::test(*filter)) continue;
    line.clear();
    if (fields.empty()) {
      for (std::size_t c = 0; c < columns.size(); ++c) {
        if (c > 0) line += '\t';
        line += outputText(
            runtime::loadText(file->layout().field(columns[c].field), file->record(), columns[c].element));
      }
    } else {
      for (std::size_t c = 0; c < fields.size(); ++c) {
        if (c > 0) line += '\t';
        line += outputText(runtime::evaluateString(*fields[c]));
      }
    }
    std::puts(line.c_str());
  }
  closeFile();
  return 0;
}

}  // namespace veltrano::wlk
