// VELTR071 "Уволенные сотрудники": the cards with a date of dismissal by surname, found by
// typing the surname, with their count after "Всего уволено:". The highlighted employee can be
// restored (the date of dismissal cleared: the card goes back to the employee list) or erased
// from the data after the clerk confirms it; "Отобрать по отделениям" keeps only the
// employees of a department chosen from the list of departments. Its place on the screen is
// kept under "Archiv".
#pragma once

#include <cstdint>
#include <string>

#include "app/card/counted_browse.h"
#include "app/frame/application.h"
#include "framework/browse/popup_menu.h"
#include "framework/window/window_controller.h"

namespace veltrano::app::card {

enum : ui::ControlId {
  kDismissedRows = 1,
  kDismissedLocator = 2,
  kRestoreButton = 5,
  kEraseButton = 6,
  kByDepartment = 7,
  kDismissedClose = 8,
  kDismissedCount = 9,
};

class DismissedList final : public framework::WindowController {
 public:
  explicit DismissedList(const Application& application);

  framework::Level OnAccepted(const ui::Event& event) override;
  // After the list has dealt with the event: the highlighted card may be another.
  framework::Level OnEvent(const ui::Event& event) override;

  CountedBrowse& browse() { return browse_; }

 private:
  // numg and the two buttons' texts from the highlighted card.
  void takeHighlighted();
  void restore();
  void erase();
  void chooseDepartment();

  const Application& application_;
  CountedBrowse browse_;
  framework::TextStep step_;
  framework::EntryLocator surname_;
  framework::PopupMenu popup_;
  std::string shown_name_;  // the name part the buttons show now
};

std::uint8_t runDismissedList(const Application& application, const framework::ProcedureCall& call);

}  // namespace veltrano::app::card
