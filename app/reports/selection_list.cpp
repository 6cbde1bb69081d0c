#include "app/reports/selection_list.h"

#include <algorithm>

#include "app/computations/due_dates.h"
#include "app/dictionary/application_globals.h"
#include "app/dictionary/record_access.h"
#include "app/reference/file_fields.h"
#include "app/reference/reference_list.h"
#include "app/reports/card_values.h"
#include "app/reports/report_values.h"
#include "framework/browse/browse_manager.h"
#include "platform/codepage.h"
#include "runtime/datetime/calendar.h"

namespace veltrano::app::reports {
namespace {

using platform::ru;

constexpr int kVisibleRows = 18;

runtime::RecordLayout computedLayout() {
  runtime::RecordLayoutBuilder fields;
  fields.string("fio", 30)
      .string("insurance", 20)
      .string("address", 60)
      .scalar("retirement", runtime::TypeCode::Date)
      .scalar("appointed", runtime::TypeCode::Date)
      .decimal("grade", 3, 0)
      .scalar("training", runtime::TypeCode::Date)
      .scalar("certificate", runtime::TypeCode::Date)
      .scalar("attestation", runtime::TypeCode::Date);
  return fields.build();
}

// The browse, with the computed columns filled in for each card the view gives.
class SelectionBrowse : public framework::BrowseManager {
 public:
  SelectionBrowse(Dictionary& dictionary, std::vector<std::string_view> columns)
      : dictionary_(dictionary),
        columns_(std::move(columns)),
        layout_(computedLayout()),
        bytes_(layout_.size()) {}

  bool computed(std::string_view name) const { return layout_.find(name) >= 0; }
  framework::FieldRef column(std::string_view name) {
    if (computed(name))
      return framework::fieldOf(layout_, bytes_, static_cast<std::size_t>(layout_.find(name)));
    return reference::fileField(dictionary_.file("KARTA"), name);
  }
  bool shows(std::string_view name) const {
    return std::find(columns_.begin(), columns_.end(), name) != columns_.end();
  }

  int ValidateRecord() override {
    const RecordAccess card(dictionary_.file("KARTA"));
    RecordAccess values(layout_, bytes_);
    values.setText("fio", shortName(card));
    values.setText("insurance", insuranceText(card.text("KAR:STRACH")));
    values.setText("address", card.text("KAR:ADRES", 0));
    if (shows("retirement")) {
      const auto year = static_cast<std::int32_t>(std::atoi(applicationGlobals().text("datan").c_str()));
      values.setInteger("retirement",
                        retirementDate(static_cast<std::int32_t>(card.integer("KAR:DATR")), year));
    }
    if (shows("appointed")) {
      values.setInteger("appointed", card_values_.LatestAppointmentDate());
      values.setText("grade", card_values_.LatestGrade());
    }
    const std::int32_t today = runtime::today();
    for (const auto& [column, field] :
         {std::pair{"training", "KAR:DATAP"}, std::pair{"certificate", "KAR:DATAS"},
          std::pair{"attestation", "KAR:DATAA"}}) {
      const auto date = static_cast<std::int32_t>(card.integer(field));
      values.setInteger(column, isOverdue(date, today) ? date : 0);
    }
    return 0;
  }

 private:
  Dictionary& dictionary_;
  CardValues card_values_{dictionary_};
  std::vector<std::string_view> columns_;
  runtime::RecordLayout layout_;
  std::vector<std::uint8_t> bytes_;
};

framework::WindowDefinition listWindow(const SelectionListDescription& list, framework::BoundRecord count,
                                       bool selecting) {
  framework::WindowBuilder window("veltrano$" + procedureName(list.number), list.label, list.caption);
  const int width = std::max(reference::listWidth(ru(list.format)), 420);
  const int list_height = 22 + kVisibleRows * 18;
  window.list(selection::kList, list.format, {8, 8, width, list_height});
  if (list.counted) {
    window.promptWidth(56);
    window.display(selection::kCount, "ВСЕГО:", count, "count", "@n3b").at({64, list_height + 16, 60, 22});
  }
  window.button(selection::kSelect, "&Select");
  if (list.printout != 0) window.button(selection::kPrint, "Отпечатать список");
  window.button(selection::kClose, "Закрыть");
  framework::WindowDefinition definition = *window.build();
  for (ui::ControlDescription& control : definition.window.controls) {
    if (control.id == selection::kSelect) control.disabled = !selecting;
    if (control.kind == ui::ControlKind::kPrompt && control.text == ru("ВСЕГО:"))
      control.at = {8, list_height + 19, 52, 20};
  }
  return definition;
}

}  // namespace

std::int64_t countSelected(Dictionary& dictionary, const std::string& filter) {
  framework::RelationGuard& guard = dictionary.guard("KARTA");
  if (guard.Open() != framework::kLevelBenign) return 0;
  framework::ViewManager view;
  view.Init(framework::ViewDefinition{{}, {&dictionary.file("KARTA").file()}}, &guard);
  view.RegisterSortOrder(nullptr);
  view.SetFilter(filter);
  guard.EnableQuickScan(true, 1);
  view.Reset();
  std::int64_t count = 0;
  while (view.Next() == framework::kLevelBenign) ++count;
  guard.EnableQuickScan(false, 1);
  view.Kill();
  guard.Close();
  return count;
}

std::uint8_t runSelectionList(const Application& application, const SelectionListDescription& list,
                              const framework::ProcedureCall& call) {
  const bool selecting = call.request == framework::kRequestSelect;
  storage::DeclaredFile& karta = application.dictionary.file("KARTA");
  framework::RelationGuard& guard = application.dictionary.guard("KARTA");

  runtime::RecordLayoutBuilder count_fields;
  count_fields.decimal("count", 7, 0);
  const runtime::RecordLayout count_layout = count_fields.build();
  std::vector<std::uint8_t> count_bytes(count_layout.size());
  framework::BoundRecord count{&count_layout, count_bytes, nullptr};

  framework::WindowController window;
  application.prepare(window);
  window.Describe(listWindow(list, count, selecting));
  window.PRIMARY = &guard;
  window.ORIGINALREQUEST = selecting ? framework::kRequestSelect : framework::kRequestNone;
  window.AddButton(selection::kClose, framework::kResponseCancelled);
  const bool needs_appointments =
      std::find(list.columns.begin(), list.columns.end(), "appointed") != list.columns.end();
  if (needs_appointments) window.AddFile(&application.dictionary.guard("RABOTA"));

  SelectionBrowse browse(application.dictionary, list.columns);
  browse.Init(selection::kList, framework::ViewDefinition{{}, {&karta.file()}}, &guard, &window);
  framework::TextStep thumb;
  thumb.Init(framework::kStepLetters, framework::kStepLookupLimits);
  browse.RegisterSortOrder(&thumb, karta.key("KAR:FAM_KEY"));
  browse.SetFilter(list.filter);
  framework::StepLocator locator;
  browse.RegisterLocator(&locator);
  for (std::string_view column : list.columns) {
    // The stored insurance number already has its template's shape.
    browse.AddField(browse.column(column), column == "insurance" ? "@s20" : "");
  }
  if (list.printout != 0) {
    browse.PRINTCONTROL = selection::kPrint;
    browse.PRINTPROCEDURE = list.printout;
  }
  if (selecting) {
    browse.SELECTCONTROL = selection::kSelect;
    browse.SELECTING = 1;
  }
  if (list.counted) {
    RecordAccess(count_layout, count_bytes)
        .setInteger("count", countSelected(application.dictionary, list.filter));
  }
  return window.Run();
}

}  // namespace veltrano::app::reports
