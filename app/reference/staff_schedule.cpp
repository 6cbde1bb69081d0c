#include "app/reference/staff_schedule.h"

#include <string>

#include "app/reference/captioned_button.h"
#include "app/reference/file_fields.h"
#include "app/reference/staff_forms.h"
#include "app/reference/staff_recount.h"
#include "framework/browse/browse_manager.h"
#include "framework/browse/popup_menu.h"
#include "framework/window/window_builder.h"
#include "platform/codepage.h"
#include "ui/message_box.h"

namespace veltrano::app::reference {
namespace {

using platform::ru;

constexpr std::string_view kRecountCaption = "Обновить (займет некоторое время)";
constexpr int kRowsShown = 10;
constexpr int kListHeight = 22 + kRowsShown * 18;

framework::WindowDefinition scheduleWindow(bool selecting) {
  framework::WindowBuilder window("veltrano$VELTR002", "Shtat", "Штатное расписание");
  window.sheet(kScheduleSheet, {6, 6, 748, 0}).tab(kScheduleTab, "Главная");
  window.list(kScheduleSubdivisions, "80L(2)|M~Подразделение~C(0)@s60@", {8, 8, 360, kListHeight});
  window.list(kScheduleDepartments, "80L(2)~Отделение~C(0)@s60@", {376, 8, 356, kListHeight});
  window.list(kSchedulePositions,
              "180L(2)|M~Должность~C(0)@s60@[31C|M~штат~@n_5.2b@8C|M~занято~@n_5.2b@]|M~Количество ставок~",
              {8, 18 + kListHeight, 724, kListHeight});
  window.end();
  const int top = 6 + 2 * kListHeight + 18 + 8 + 30 + 8;
  int x = 8;
  for (const auto& [id, text] : {std::pair<ui::ControlId, std::string_view>{kScheduleSelect, "&Выбрать"},
                                 {kScheduleInsert, "&Добавить подразделение"},
                                 {kScheduleChange, "&Изменить"},
                                 {kScheduleDelete, "&Удалить подразделение"}}) {
    ui::ControlDescription button = captionedButton(id, text, x, top);
    button.disabled = id == kScheduleSelect && !selecting;
    x += button.at.width + 8;
    window.control(button);
  }
  window.control(captionedButton(kScheduleRecount, kRecountCaption, 8, top + 34));
  window.control(captionedButton(kScheduleClose, "Закрыть", 660, top + 34));
  window.size(760, top + 34 + 26 + 8 + 40);
  return *window.build();
}

class StaffScheduleWindow final : public framework::WindowController {
 public:
  explicit StaffScheduleWindow(const Application& application) : application_(application) {}

  framework::Level OnAccepted(const ui::Event& event) override {
    if (event.control != kScheduleRecount) return WindowController::OnAccepted(event);
    recount();
    return framework::kLevelBenign;
  }

  framework::Level OnEvent(const ui::Event& event) override {
    const framework::Level level = WindowController::OnEvent(event);
    // The subdivision's form may have changed its departments and their positions: the lists
    // below are read again, not only when the highlighted subdivision moved.
    if (window() != 0 && mayHaveRunTheForm(event)) Reset(true);
    return level;
  }

 private:
  static bool mayHaveRunTheForm(const ui::Event& event) {
    if (event.code == ui::event::kAccepted)
      return event.control >= kScheduleInsert && event.control <= kScheduleDelete;
    return event.code == ui::event::kAlertKey && event.control == kScheduleSubdivisions;
  }

  void recount() {
    // The button tells the clerk to wait while it works.
    engine().setEnabled(window(), kScheduleRecount, false);
    engine().setText(window(), kScheduleRecount, ru("Идёт пересчёт занятых ставок, подождите..."));
    const RecountResult result = recountOccupiedUnits(application_.dictionary);
    engine().setText(window(), kScheduleRecount, ru(kRecountCaption));
    engine().setEnabled(window(), kScheduleRecount, true);
    Reset(true);
    if (result.unwritten > 0) {
      ui::messageBox(ui::MessageBoxRequest{
          ru("Занятые ставки пересчитаны, но у ") + std::to_string(result.unwritten) +
              ru(" должностей новое число записать не удалось: их записи заняты на другом рабочем месте. "
                 "Повторите пересчёт позже."),
          ru("Штатное расписание"), ui::kIconExclamation, ui::kButtonOk, ui::kButtonOk});
    }
  }

  const Application& application_;
};

}  // namespace

std::uint8_t runStaffSchedule(const Application& application, const framework::ProcedureCall& call) {
  const bool selecting = call.request == framework::kRequestSelect;
  Dictionary& dictionary = application.dictionary;
  storage::DeclaredFile& bolnica = dictionary.file("BOLNICA");
  storage::DeclaredFile& otdeleni = dictionary.file("OTDELENI");
  storage::DeclaredFile& postt = dictionary.file("POSTT");

  StaffScheduleWindow window(application);
  application.prepare(window);
  window.Describe(scheduleWindow(selecting));
  window.PRIMARY = &dictionary.guard("BOLNICA");
  window.ORIGINALREQUEST = selecting ? framework::kRequestSelect : framework::kRequestNone;
  window.AddButton(kScheduleClose, framework::kResponseCancelled);
  window.AddFile(&dictionary.guard("OTDELENI"));
  window.AddFile(&dictionary.guard("POSTT"));
  // Each list's range follows the record highlighted above it.
  window.AUTOREFRESH = 1;

  framework::BrowseManager subdivisions;
  subdivisions.Init(kScheduleSubdivisions, framework::ViewDefinition{{}, {&bolnica.file()}},
                    &dictionary.guard("BOLNICA"), &window);
  subdivisions.RegisterSortOrder(nullptr, bolnica.key("BOL:NUM_KEY"));
  subdivisions.AddField(fileField(bolnica, "BOL:NOM"));
  subdivisions.INSERTCONTROL = kScheduleInsert;
  subdivisions.CHANGECONTROL = kScheduleChange;
  subdivisions.DELETECONTROL = kScheduleDelete;
  subdivisions.ASKPROCEDURE = kSubdivisionForm;
  if (selecting) {
    subdivisions.SELECTCONTROL = kScheduleSelect;
    subdivisions.SELECTING = 1;
  }
  framework::PopupMenu popup;
  subdivisions.POPUP = &popup;

  framework::BrowseManager departments;
  departments.Init(kScheduleDepartments, framework::ViewDefinition{{}, {&otdeleni.file()}},
                   &dictionary.guard("OTDELENI"), &window);
  departments.RegisterSortOrder(nullptr, otdeleni.key("OTD:NUM_KEY"));
  departments.RegisterRange(fileField(otdeleni, "OTD:NUM"), framework::kLimitFile,
                            {fileField(bolnica, "BOL:NUM")});
  departments.AddField(fileField(otdeleni, "OTD:NOM"));

  framework::BrowseManager positions;
  positions.Init(kSchedulePositions, framework::ViewDefinition{{}, {&postt.file()}},
                 &dictionary.guard("POSTT"), &window);
  positions.RegisterSortOrder(nullptr, postt.key("POS:NUMO_KEY"));
  positions.RegisterRange(fileField(postt, "POS:NUMO"), framework::kLimitFile,
                          {fileField(otdeleni, "OTD:NUMO")});
  for (std::string_view column : {"POS:NOM", "POS:KOL", "POS:KOLV"})
    positions.AddField(fileField(postt, column));

  window.FIRSTFIELD = kScheduleSubdivisions;
  return window.Run();
}

}  // namespace veltrano::app::reference
