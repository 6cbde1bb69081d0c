// VELTR007, the personnel card: one KARTA record on six tabs, its drop-down lists over the
// reference books and fixed lists, the "..." buttons that choose the photograph's file, the
// professions and the speciality, the buttons that clear a reason, and the eight buttons that
// open the employee's child lists; "Ввод" and "Отмена". Its caption says whether a card is
// being added or changed. The photograph the card names is shown beside the personal data;
// a file that is missing or not an image shows nothing.
//
// The child lists write the employee's records at once and recompute the card's derived fields
// into the KARTA buffer: they reach the file with the card when it is saved, and cancelling the
// card leaves the record on disk as it was.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string_view>

#include "app/card/chosen_values.h"
#include "app/card/reference_drops.h"
#include "app/frame/application.h"
#include "framework/window/window_controller.h"

namespace veltrano::app::card {

// The card's controls that its code or a test names; the other fields are numbered from
// kCardFirstField in window order.
enum : ui::ControlId {
  kCardSheet = 100,
  kCardFirstTab = 101,  // "Главная" … "Дополнительные сведения:"
  kCardNumber = 110,
  kCardSurname,
  kCardPhoto,
  kPhotoChoose,
  kPhotoImage,
  kMainProfessionChoose,
  kSecondProfessionChoose,
  kSpecialityChoose,
  kClearArrival,
  kClearGraduateReason,
  kClearReason,
  kCardFirstChildList = 130,  // the eight child-list buttons, in the table's order
  kCardOk = 140,
  kCardCancel,
  kCardHistory,
  kCardFirstField = 150,
};

struct ChildListButton {
  std::string_view text;
  std::uint16_t list;
};
std::span<const ChildListButton> cardChildLists();

// The card's window and which of its combos take their rows from which book.
struct CardWindow {
  framework::WindowDefinition definition;
  std::vector<ReferenceDrop> drops;
};
CardWindow cardWindow(Dictionary& dictionary);

class CardForm final : public framework::WindowController {
 public:
  CardForm(const Application& application, const framework::ProcedureCall& call);

  framework::Level Open() override;
  framework::Level OnAccepted(const ui::Event& event) override;

 private:
  // Runs `work` with what the clerk typed in the buffer, then shows the buffer again.
  template <typename Work>
  void withFieldsStored(Work work);

  const Application& application_;
  ReferenceDrops drops_;
};

std::uint8_t runCardForm(const Application& application, const framework::ProcedureCall& call);

}  // namespace veltrano::app::card
