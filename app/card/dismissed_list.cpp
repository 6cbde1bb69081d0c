#include "app/card/dismissed_list.h"

#include <array>

#include "app/card/employee_erase.h"
#include "app/dictionary/application_globals.h"
#include "app/dictionary/record_access.h"
#include "app/reference/captioned_button.h"
#include "app/reference/file_fields.h"
#include "app/reference/selection_lists.h"
#include "platform/codepage.h"

namespace veltrano::app::card {
namespace {

constexpr std::string_view kDismissed = "(KAR:data_uvol~='')";
constexpr std::string_view kDismissedOfDepartment = "(KAR:data_uvol~='' and KAR:otdelenie=otdelenieg)";
constexpr std::string_view kListFormat =
    "50L(2)|M~Фамилия~C(0)@s20@50L(2)|M~Имя~C(0)@s20@50L(2)|M~Отчество~C(0)@s20@65L(2)|M~Подразделение~C(0)@"
    "s60@"
    "65L(2)|M~Отделение~C(0)@s60@65L(2)|M~Должность~C@s60@65L(2)|M~Профессия~C@s60@40L(2)|M~Дата "
    "уволн.~C@d6.@";
constexpr std::array<std::string_view, 8> kColumns{"KAR:FAM",       "KAR:NOM",  "KAR:PER",   "KAR:STRUKT",
                                                   "KAR:OTDELENIE", "KAR:POST", "KAR:PROFF", "KAR:DATA_UVOL"};
constexpr std::string_view kRestore = "Восстановить";
constexpr std::string_view kErase = "Удалить";
// Wide enough for every column, the date of dismissal last.
constexpr int kListWidth = 776;
constexpr int kListTop = 38;
constexpr int kListHeight = 22 + 15 * 18;

framework::WindowDefinition dismissedListWindow(CountedBrowse& browse) {
  framework::WindowBuilder window("veltrano$VELTR071", "Archiv", "Уволенные сотрудники");
  window.prompt(0, "Введите фамилию искомого сотрудника").at({8, 11, 260, 20});
  ui::ControlDescription locator;
  locator.id = kDismissedLocator;
  locator.kind = ui::ControlKind::kEntry;
  locator.picture = "@s20";
  locator.at = {272, 8, 200, 22};
  window.control(locator);
  window.list(kDismissedRows, kListFormat, {8, kListTop, kListWidth, kListHeight});
  const int below = kListTop + kListHeight + 8;
  window.prompt(0, "Всего уволено:").at({8, below + 3, 100, 20});
  window.display(kDismissedCount, "", browse.CountRecord(), kCountField, "@n_5").at({112, below, 70, 22});
  window.control(reference::captionedButton(kRestoreButton, kRestore, 0, 0)).at({8, below + 30, 440, 26});
  window.control(reference::captionedButton(kEraseButton, kErase, 0, 0)).at({8, below + 62, 440, 26});
  ui::ControlDescription by_department;
  by_department.id = kByDepartment;
  by_department.kind = ui::ControlKind::kCheck;
  by_department.text = platform::ru("Отобрать по отделениям");
  by_department.value = "0";
  by_department.at = {468, below + 32, 240, 22};
  window.control(by_department);
  window.button(kDismissedClose, "Закрыть");
  return *window.build();
}

// The first letter of a name, or the blank the field holds when it has none.
std::string initial(const RecordAccess& card, std::string_view field) {
  const std::string text = card.text(field);
  return text.empty() ? std::string(" ") : text.substr(0, 1);
}

}  // namespace

DismissedList::DismissedList(const Application& application) : application_(application) {
  application.prepare(*this);
  Describe(dismissedListWindow(browse_));
  storage::DeclaredFile& karta = application.dictionary.file("KARTA");
  PRIMARY = &application.dictionary.guard("KARTA");
  AddButton(kDismissedClose, framework::kResponseCancelled);
  browse_.Init(kDismissedRows, framework::ViewDefinition{{}, {&karta.file()}}, PRIMARY, this);
  step_.Init(framework::kStepLetters, framework::kStepLookupLimits);
  browse_.RegisterSortOrder(&step_, karta.key("KAR:FAM_KEY"));
  browse_.SetFilter(kDismissed);
  browse_.RegisterLocator(&surname_, kDismissedLocator);
  for (std::string_view column : kColumns) browse_.AddField(reference::fileField(karta, column));
  browse_.ShowCountIn(kDismissedCount);
  // Back in the list after working elsewhere, the clerk sees what other stations changed.
  RESETONGAINFOCUS = 1;
  browse_.POPUP = &popup_;
}

framework::Level DismissedList::OnEvent(const ui::Event& event) {
  const framework::Level level = WindowController::OnEvent(event);
  if (DEAD == 0 && window() != 0) takeHighlighted();
  return level;
}

void DismissedList::takeHighlighted() {
  const bool rows = browse_.Rows() > 0;
  engine().setEnabled(window(), kRestoreButton, rows);
  engine().setEnabled(window(), kEraseButton, rows);
  std::string name;
  if (rows) {
    const RecordAccess card(application_.dictionary.file("KARTA"));
    applicationGlobals().setNumg(card.integer("KAR:NUM"));
    name = card.text("KAR:FAM") + " " + initial(card, "KAR:NOM") + " " + initial(card, "KAR:PER");
  }
  if (name == shown_name_) return;
  shown_name_ = name;
  const std::string_view restore = rows ? "Восстановить сотрудника:  " : kRestore;
  const std::string_view erase = rows ? "Удалить из базы сотрудника:  " : kErase;
  engine().setText(window(), kRestoreButton, platform::ru(restore) + name);
  engine().setText(window(), kEraseButton, platform::ru(erase) + name);
}

framework::Level DismissedList::OnAccepted(const ui::Event& event) {
  switch (event.control) {
    case kRestoreButton: restore(); return framework::kLevelBenign;
    case kEraseButton: erase(); return framework::kLevelBenign;
    case kByDepartment: chooseDepartment(); return framework::kLevelBenign;
    default: return WindowController::OnAccepted(event);
  }
}

void DismissedList::restore() {
  if (browse_.Rows() == 0) return;
  Dictionary& dictionary = application_.dictionary;
  framework::TableManager& karta = dictionary.manager("KARTA");
  RecordAccess card(dictionary.file("KARTA"));
  card.setInteger("KAR:NUM", applicationGlobals().numg());
  if (karta.Fetch(dictionary.file("KARTA").key("KAR:NUM_KEY")) == framework::kLevelBenign) {
    card.setInteger("KAR:DATA_UVOL", 0);
    karta.Update(1);
  }
  Reset(true);
}

void DismissedList::erase() {
  if (browse_.Rows() == 0 || ERRORS == nullptr) return;
  // The whole of an employee's records goes for good: not without the clerk saying so.
  if (ERRORS->Message(9, ui::kButtonYes + ui::kButtonNo, ui::kButtonNo) != ui::kButtonYes) return;
  eraseEmployee(application_.dictionary, applicationGlobals().numg());
  Reset(true);
}

void DismissedList::chooseDepartment() {
  const bool checked = engine().value(window(), kByDepartment).value_or("0") == "1";
  if (checked) {
    if (Run(reference::kFindDepartment, framework::kRequestSelect) != framework::kResponseCompleted) {
      engine().setValue(window(), kByDepartment, "0");
      return;
    }
    applicationGlobals().setText("otdelenieg",
                                 RecordAccess(application_.dictionary.file("OTDELENI")).text("OTD:NOM"));
  }
  browse_.SetFilter(checked ? kDismissedOfDepartment : kDismissed);
  browse_.StepEnd(ui::event::kScrollTop);
  browse_.RefreshWindow();
}

std::uint8_t runDismissedList(const Application& application, const framework::ProcedureCall&) {
  DismissedList list(application);
  return list.Run();
}

}  // namespace veltrano::app::card
