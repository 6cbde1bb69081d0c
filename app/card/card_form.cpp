#include "app/card/card_form.h"

#include "app/card/card_numbers.h"
#include "app/dictionary/application_globals.h"
#include "app/dictionary/record_access.h"
#include "app/history/history_window.h"
#include "app/reference/selection_lists.h"
#include "platform/codepage.h"

namespace veltrano::app::card {
namespace {

struct ProfessionChoice {
  ui::ControlId button;
  ValueChoice choice;
};

const std::array kProfessionChoices{
    ProfessionChoice{kMainProfessionChoose,
                     {reference::kProfessions,
                      "KARTA",
                      "PROF",
                      {{{"KAR:PROF", 0, "PRO:PROF"}, {"KAR:KOD_PROF", 0, "PRO:KOD_PROF"}}}}},
    ProfessionChoice{kSecondProfessionChoose,
                     {reference::kMedicalProfessions,
                      "KARTA",
                      "PROF",
                      {{{"KAR:PROF", 1, "PRO:PROF"}, {"KAR:KOD_PROF", 1, "PRO:KOD_PROF"}}}}},
    ProfessionChoice{kSpecialityChoose,
                     {reference::kSpecialities,
                      "KARTA",
                      "SPEC",
                      {{{"KAR:PROF", 2, "SPE:SPEC"},
                        {"KAR:KOD_PROF", 2, "SPE:KOD_SPEC"},
                        {"KAR:PROF", 3, "SPE:SPEC50"}}}}},
};

struct ClearButton {
  ui::ControlId button;
  std::string_view field;
};
constexpr std::array kClearButtons{ClearButton{kClearArrival, "KAR:PRIBYL"},
                                   ClearButton{kClearGraduateReason, "KAR:UVOL_VYPUSK"},
                                   ClearButton{kClearReason, "KAR:PRICHINA_UVOL"}};

}  // namespace

CardForm::CardForm(const Application& application, const framework::ProcedureCall& call)
    : application_(application) {
  application.prepare(*this);
  CardWindow described = cardWindow(application.dictionary);
  Describe(std::move(described.definition));
  PRIMARY = &application.dictionary.guard("KARTA");
  ORIGINALREQUEST = call.request;
  VCRREQUEST = call.navigation;
  INSERTACTION = framework::kInsertClose;
  CHANGEACTION = 1;
  DELETEACTION = framework::kDeleteAsk;
  CANCELACTION = framework::kCancelAskSave;
  drops_.Init(*this, application.dictionary, described.drops);
}

framework::Level CardForm::Open() {
  const framework::Level opened = WindowController::Open();
  if (opened != framework::kLevelBenign) return opened;
  if (REQUEST == framework::kRequestInsert) engine().setCaption(window(), platform::ru("Добавить запись"));
  if (REQUEST == framework::kRequestChange) engine().setCaption(window(), platform::ru("Изменить запись"));
  return opened;
}

template <typename Work>
void CardForm::withFieldsStored(Work work) {
  Update();
  work();
  Display();
}

framework::Level CardForm::OnAccepted(const ui::Event& event) {
  RecordAccess card(application_.dictionary.file("KARTA"));
  if (event.control == kPhotoChoose) {
    withFieldsStored([&] {
      ui::FileDialogRequest request;
      request.title = platform::ru("Фотография");
      request.filter = "All Files|*.*";
      request.initial_path = card.text("KAR:FOTO");
      const std::optional<std::string> path = engine().fileOpenDialog(request);
      if (!path) return;
      if (path->size() > card.field("KAR:FOTO").size) {
        // Cut to the field, the path would name no file and the photograph would never show.
        ui::MessageBoxRequest refused;
        refused.caption = request.title;
        refused.text =
            platform::ru("Путь к файлу фотографии длиннее 150 знаков и в карточку не помещается:\r\n") +
            *path;
        refused.icon = ui::kIconExclamation;
        engine().messageBox(refused);
        return;
      }
      card.setText("KAR:FOTO", *path);
    });
    return framework::kLevelBenign;
  }
  for (const ProfessionChoice& profession : kProfessionChoices) {
    if (event.control != profession.button) continue;
    withFieldsStored([&] { chooseValues(application_, profession.choice); });
    return framework::kLevelBenign;
  }
  for (const ClearButton& clear : kClearButtons) {
    if (event.control != clear.button) continue;
    withFieldsStored([&] { card.clear(clear.field); });
    return framework::kLevelBenign;
  }
  if (event.control == kCardHistory) {
    history::showCardHistory(application_.dictionary, card.integer("KAR:NUM"),
                             card.text("KAR:FAM") + " " + card.text("KAR:NOM") + " " + card.text("KAR:PER"));
    return framework::kLevelBenign;
  }
  const std::span<const ChildListButton> lists = cardChildLists();
  for (std::size_t i = 0; i < lists.size(); ++i) {
    if (event.control != kCardFirstChildList + static_cast<ui::ControlId>(i)) continue;
    withFieldsStored([&] {
      applicationGlobals().setNumg(card.integer("KAR:NUM"));
      Run(lists[i].list, framework::kRequestNone);
    });
    return framework::kLevelBenign;
  }
  return WindowController::OnAccepted(event);
}

std::uint8_t runCardForm(const Application& application, const framework::ProcedureCall& call) {
  CardForm form(application, call);
  return form.Run();
}

}  // namespace veltrano::app::card
