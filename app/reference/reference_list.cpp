#include "app/reference/reference_list.h"

#include <algorithm>
#include <memory>
#include <string>

#include "app/dictionary/application_globals.h"
#include "app/dictionary/record_access.h"
#include "app/reference/file_fields.h"
#include "framework/browse/browse_manager.h"
#include "framework/browse/popup_menu.h"
#include "platform/codepage.h"
#include "ui/list_format.h"

namespace veltrano::app::reference {
namespace {

using platform::ru;

constexpr int kVisibleRows = 15;
constexpr int kListTop = 8;
constexpr int kLocatorHeight = 30;

ui::ControlDescription locatorEntry(int x, int width) {
  ui::ControlDescription entry;
  entry.id = kListLocator;
  entry.kind = ui::ControlKind::kEntry;
  entry.at = {x, kListTop, width, 22};
  return entry;
}

framework::WindowDefinition listWindow(const ListDescription& list, bool selecting) {
  framework::WindowBuilder window("veltrano$" + procedureName(list.number), list.label, list.caption);
  const std::string format = ru(list.format);
  const int width = std::max(listWidth(format), 360);
  int top = kListTop;
  if (list.locator == LocatorKind::kEntry) {
    const int prompt_width = static_cast<int>(ru(list.locator_prompt).size()) * 7 + 8;
    ui::ControlDescription prompt;
    prompt.kind = ui::ControlKind::kPrompt;
    prompt.text = ru(list.locator_prompt);
    prompt.at = {8, kListTop + 3, prompt_width, 20};
    window.control(prompt);
    window.control(locatorEntry(8 + prompt_width, std::max(120, width - prompt_width)));
    top += kLocatorHeight;
  }
  window.list(kListRows, list.format, {8, top, width, 22 + kVisibleRows * 18});
  window.button(kListSelect, "&Выбрать");
  if (list.form != 0) {
    window.button(kListInsert, "&Добавить").button(kListChange, "&Изменить").button(kListDelete, "&Удалить");
  }
  window.button(kListClose, "Закрыть");
  framework::WindowDefinition definition = *window.build();
  // Outside select mode there is nothing to choose for.
  for (ui::ControlDescription& control : definition.window.controls) {
    if (control.id == kListSelect) control.disabled = !selecting;
  }
  return definition;
}

}  // namespace

int listWidth(std::string_view format) {
  std::optional<ui::ListFormat> parsed = ui::parseListFormat(format);
  int units = 0;
  if (parsed) {
    for (const ui::ListColumn& column : parsed->columns) units += column.width;
  }
  // The scroll bar and the list's frame beside the columns.
  return units * 5 / 4 + 24;
}

std::uint8_t runReferenceList(const Application& application, const ListDescription& list,
                              const framework::ProcedureCall& call) {
  const bool selecting = call.request == framework::kRequestSelect;
  storage::DeclaredFile& file = application.dictionary.file(list.file);
  framework::RelationGuard& guard = application.dictionary.guard(list.file);

  framework::WindowController window;
  application.prepare(window);
  window.Describe(listWindow(list, selecting));
  window.PRIMARY = &guard;
  window.ORIGINALREQUEST = selecting ? framework::kRequestSelect : framework::kRequestNone;
  window.AddButton(kListClose, framework::kResponseCancelled);

  framework::BrowseManager browse;
  browse.Init(kListRows, framework::ViewDefinition{{}, {&file.file()}}, &guard, &window);
  framework::TextStep thumb;
  thumb.Init(framework::kStepLetters | framework::kStepDigits, framework::kStepLookupLimits);
  const storage::KeyDescriptor* key = file.key(list.key);
  const bool text_order =
      key != nullptr && !key->components.empty() &&
      file.layout().field(static_cast<std::size_t>(std::abs(key->components[0])) - 1).type ==
          runtime::TypeCode::String;
  browse.RegisterSortOrder(text_order ? &thumb : nullptr, key);
  if (!list.filter.empty()) browse.SetFilter(list.filter);
  framework::StepLocator by_letter;
  framework::EntryLocator by_prefix;
  if (list.locator == LocatorKind::kEntry) {
    browse.RegisterLocator(&by_prefix, kListLocator);
  } else {
    browse.RegisterLocator(&by_letter);
  }
  for (std::string_view column : list.columns) {
    if (!column.empty()) browse.AddField(fileField(file, column));
  }
  if (list.form != 0) {
    browse.INSERTCONTROL = kListInsert;
    browse.CHANGECONTROL = kListChange;
    browse.DELETECONTROL = kListDelete;
    browse.ASKPROCEDURE = list.form;
  }
  if (selecting) {
    browse.SELECTCONTROL = kListSelect;
    browse.SELECTING = 1;
  }
  framework::PopupMenu popup;
  browse.POPUP = &popup;

  const std::uint8_t response = window.Run();
  if (response == framework::kResponseCompleted && !list.numo_field.empty()) {
    applicationGlobals().setNumber("numo", RecordAccess(file).integer(list.numo_field));
  }
  return response;
}

}  // namespace veltrano::app::reference
