#include "app/card/employee_list.h"

#include "app/card/card_numbers.h"
#include "app/card/karta_import.h"
#include "app/dictionary/application_globals.h"
#include "app/dictionary/record_access.h"
#include "app/reference/file_fields.h"
#include "app/reference/selection_lists.h"

namespace veltrano::app::card {
namespace {

constexpr std::string_view kCurrentEmployees = "(KAR:data_uvol='')";
constexpr std::array<std::string_view, 9> kColumns{"KAR:NUM",       "KAR:FAM",  "KAR:NOM",
                                                   "KAR:PER",       "KAR:DATR", "KAR:STRUKT",
                                                   "KAR:OTDELENIE", "KAR:POST", "KAR:PROFF"};
// The list's format gives the number four digits; KAR:NUM has seven, and a card numbered 10000
// or later would show only "#" signs.
constexpr std::string_view kNumberPicture = "@n7";

}  // namespace

EmployeeList::EmployeeList(const Application& application) : application_(application) {
  application.prepare(*this);
  Describe(employeeListWindow(browse_));
  Dictionary& dictionary = application.dictionary;
  storage::DeclaredFile& karta = dictionary.file("KARTA");
  PRIMARY = &dictionary.guard("KARTA");
  AddButton(kEmployeeClose, framework::kResponseCancelled);

  browse_.Init(kEmployeeRows, framework::ViewDefinition{{}, {&karta.file()}}, PRIMARY, this);
  const std::span<const EmployeeOrder> orders = employeeOrders();
  for (std::size_t i = 0; i <= orders.size(); ++i) {
    // The last is the default order: by surname, found by the surname tab's entry.
    const EmployeeOrder& order = orders[i < orders.size() ? i : 0];
    const auto tab = static_cast<ui::ControlId>(i < orders.size() ? i : 0);
    steps_[i].Init(framework::kStepLetters | framework::kStepDigits, framework::kStepLookupLimits);
    const std::size_t number = browse_.RegisterSortOrder(&steps_[i], karta.key(order.key));
    browse_.SetFilter(kCurrentEmployees);
    browse_.RegisterLocator(&locators_[i], kFirstLocator + tab);
    if (i < orders.size()) browse_.RegisterSortTab(kOrderSheet, static_cast<int>(i + 1), number);
  }
  browse_.SetSort(orders.size() + 1);
  for (std::string_view column : kColumns) {
    browse_.AddField(reference::fileField(karta, column), column == "KAR:NUM" ? kNumberPicture : "");
  }
  browse_.ShowCountIn(kEmployeeCount);
  // Back in the list after working elsewhere, the clerk sees what other stations changed.
  RESETONGAINFOCUS = 1;
  browse_.SELECTCONTROL = kEmployeeSelect;
  browse_.HIDESELECT = 1;
  browse_.INSERTCONTROL = kEmployeeInsert;
  browse_.CHANGECONTROL = kEmployeeChange;
  browse_.DELETECONTROL = kEmployeeDelete;
  browse_.ASKPROCEDURE = kCardForm;
  browse_.POPUP = &popup_;
}

framework::Level EmployeeList::Open() {
  const framework::Level opened = WindowController::Open();
  if (opened != framework::kLevelBenign) return opened;
  // A report that is not part of the program (yet) leaves its button unusable.
  for (const ListAction& action : employeeListActions()) {
    const bool usable = application_.procedures.Has(action.procedure) &&
                        (action.then == 0 || application_.procedures.Has(action.then));
    engine().setEnabled(window(), action.control, usable);
  }
  return opened;
}

framework::Level EmployeeList::OnAccepted(const ui::Event& event) {
  if (event.control == kImportButton) {
    importFromKa2(application_.dictionary);
    Reset(true);
    return framework::kLevelBenign;
  }
  for (const ListAction& action : employeeListActions()) {
    if (action.control != event.control) continue;
    runAction(action);
    // The reports read KARTA on this thread: the page and the highlighted card come back.
    Reset(true);
    return framework::kLevelBenign;
  }
  return WindowController::OnAccepted(event);
}

void EmployeeList::runAction(const ListAction& action) {
  // The report starts from the highlighted employee, as the file holds the card now.
  if (browse_.Rows() > 0) browse_.RefetchViewRecord();
  if (action.procedure == reference::kFindDepartment) {
    if (Run(action.procedure, framework::kRequestSelect) == framework::kResponseCompleted) {
      applicationGlobals().setText("otdelenieg",
                                   RecordAccess(application_.dictionary.file("OTDELENI")).text("OTD:NOM"));
    }
  } else {
    Run(action.procedure, framework::kRequestNone);
  }
  if (action.then != 0) Run(action.then, framework::kRequestNone);
}

std::uint8_t runEmployeeList(const Application& application, const framework::ProcedureCall&) {
  EmployeeList list(application);
  return list.Run();
}

}  // namespace veltrano::app::card
