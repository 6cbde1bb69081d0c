// VELTR006 "Список сотрудников": the current employees (no date of dismissal) in five orders,
// one per tab, each found by typing into its tab's entry; their count after "ИТОГО:"; the card
// VELTR007 for adding, changing and deleting; the buttons that run the lists and selections of
// the reports on this thread; and the import of the reduced cards of KA2.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string_view>

#include "app/card/counted_browse.h"
#include "app/frame/application.h"
#include "framework/browse/popup_menu.h"
#include "framework/window/window_controller.h"

namespace veltrano::app::card {

// The list's controls; the report buttons and the import keep the numbers the list has always
// given them.
enum : ui::ControlId {
  kEmployeeRows = 1,
  kEmployeeSelect = 2,
  kEmployeeInsert = 3,
  kEmployeeChange = 4,
  kEmployeeDelete = 5,
  kImportButton = 10,
  kEmployeeClose = 11,
  kOrderSheet = 40,
  kFirstOrderTab = 41,  // one per order, in the table's order
  kFirstLocator = 51,   // each tab's entry locator
  kEmployeeCount = 60,
  kSelectionsGroup = 61,
};

// A button of the list that runs another procedure, then possibly a second one.
struct ListAction {
  ui::ControlId control = 0;
  std::string_view text;
  std::uint16_t procedure = 0;
  std::uint16_t then = 0;
  bool selection = false;  // in the group "Отборы по:"
};
std::span<const ListAction> employeeListActions();

// A tab of the list: its order and the entry locator's prompt and field.
struct EmployeeOrder {
  std::string_view tab;
  std::string_view key;
  std::string_view prompt;
  std::string_view field;
};
std::span<const EmployeeOrder> employeeOrders();

framework::WindowDefinition employeeListWindow(CountedBrowse& browse);

class EmployeeList final : public framework::WindowController {
 public:
  explicit EmployeeList(const Application& application);

  framework::Level Open() override;
  framework::Level OnAccepted(const ui::Event& event) override;

  CountedBrowse& browse() { return browse_; }

 private:
  void runAction(const ListAction& action);

  const Application& application_;
  CountedBrowse browse_;
  // Five tabs and the default order the list starts in, all by surname until a tab is chosen.
  std::array<framework::TextStep, 6> steps_;
  std::array<framework::EntryLocator, 6> locators_;
  framework::PopupMenu popup_;
};

std::uint8_t runEmployeeList(const Application& application, const framework::ProcedureCall& call);

}  // namespace veltrano::app::card
