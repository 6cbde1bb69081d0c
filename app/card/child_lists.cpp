#include "app/card/child_lists.h"

#include <algorithm>
#include <memory>

#include "app/card/work_history_totals.h"
#include "app/dictionary/application_globals.h"
#include "app/reference/file_fields.h"
#include "app/reference/reference_list.h"
#include "framework/browse/browse_manager.h"
#include "framework/browse/popup_menu.h"
#include "platform/codepage.h"

namespace veltrano::app::card {
namespace {

constexpr int kVisibleRows = 15;
constexpr int kListHeight = 22 + kVisibleRows * 18;

framework::WindowDefinition childListWindow(const ChildListDescription& list, bool selecting,
                                            WorkHistoryTotals* totals) {
  framework::WindowBuilder window("veltrano$" + procedureName(list.number), list.label, list.caption);
  const int width = std::max(reference::listWidth(platform::ru(list.format)), 480);
  window.list(kChildRows, list.format, {8, 8, width, kListHeight});
  if (totals != nullptr) totals->Describe(window, kFirstTotal, 8 + kListHeight + 10);
  window.button(kChildSelect, "&Выбрать").button(kChildInsert, "&Добавить").button(kChildChange, "&Изменить");
  window.button(kChildDelete, "&Удалить").button(kChildClose, "Закрыть");
  framework::WindowDefinition definition = *window.build();
  for (ui::ControlDescription& control : definition.window.controls) {
    if (control.id == kChildSelect) control.disabled = !selecting;
  }
  return definition;
}

// The list's browse: after each request it marks the records again and refreshes, and the
// work history sums its periods at each refill.
class ChildBrowse final : public framework::BrowseManager {
 public:
  ChildBrowse(Dictionary& dictionary, const ChildListDescription& list, WorkHistoryTotals* totals)
      : dictionary_(dictionary), list_(list), totals_(totals) {}

  void OnAsked(std::uint8_t, std::uint8_t) override {
    if (list_.recount == Recount::kNone) return;
    if (WINDOW->VCRREQUEST != nullptr && *WINDOW->VCRREQUEST != 0) return;
    const std::int64_t employee = applicationGlobals().numg();
    const framework::Level recounted = list_.recount == Recount::kWorkHistoryFlags
                                           ? updateWorkHistoryFlags(dictionary_, employee)
                                           : updateLatestRecord(dictionary_, list_.latest, employee);
    // A record another station holds or changed meanwhile: the clerk hears why the marks are
    // not what they should be.
    if (recounted != framework::kLevelBenign) dictionary_.manager(list_.file).Throw();
    ReloadQueue(framework::kReloadKeepPage);
    RefreshWindow();
  }

  void OnRefilled() override {
    if (totals_ == nullptr) return;
    totals_->Sum(dictionary_, applicationGlobals().numg());
    totals_->Show(*WINDOW);
  }

  framework::Level OnEvent(const ui::Event& event) override {
    const framework::Level level = BrowseManager::OnEvent(event);
    if (totals_ != nullptr && event.control == LISTCONTROL && event.control != 0) totals_->Show(*WINDOW);
    return level;
  }

 private:
  Dictionary& dictionary_;
  const ChildListDescription& list_;
  WorkHistoryTotals* totals_;
};

}  // namespace

std::uint8_t runChildList(const Application& application, const ChildListDescription& list,
                          const framework::ProcedureCall& call) {
  const bool selecting = call.request == framework::kRequestSelect;
  Dictionary& dictionary = application.dictionary;
  storage::DeclaredFile& file = dictionary.file(list.file);
  std::unique_ptr<WorkHistoryTotals> totals = list.totals ? std::make_unique<WorkHistoryTotals>() : nullptr;

  framework::WindowController window;
  application.prepare(window);
  window.Describe(childListWindow(list, selecting, totals.get()));
  window.PRIMARY = &dictionary.guard(list.file);
  window.ORIGINALREQUEST = selecting ? framework::kRequestSelect : framework::kRequestNone;
  window.AddButton(kChildClose, framework::kResponseCancelled);

  ChildBrowse browse(dictionary, list, totals.get());
  browse.Init(kChildRows, framework::ViewDefinition{{}, {&file.file()}}, window.PRIMARY, &window);
  browse.RegisterSortOrder(nullptr, file.key(list.key));
  browse.SetFilter(list.filter);
  for (std::string_view column : list.columns) {
    if (!column.empty()) browse.AddField(reference::fileField(file, column));
  }
  browse.INSERTCONTROL = kChildInsert;
  browse.CHANGECONTROL = kChildChange;
  browse.DELETECONTROL = kChildDelete;
  browse.ASKPROCEDURE = list.form;
  if (selecting) {
    browse.SELECTCONTROL = kChildSelect;
    browse.SELECTING = 1;
  }
  framework::PopupMenu popup;
  browse.POPUP = &popup;
  return window.Run();
}

}  // namespace veltrano::app::card
