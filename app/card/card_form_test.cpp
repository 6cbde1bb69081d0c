// The card's own buttons: the lists that choose its professions and speciality, the photograph's
// file, and the buttons that clear a reason.
#include "app/card/card_form.h"

#include <fstream>

#include "app/card/card_numbers.h"
#include "app/card/card_test_support.h"
#include "app/card/employee_list.h"
#include "app/reference/reference_list.h"

namespace veltrano::app::card {
namespace {

using Strings = std::vector<std::string>;
using CardFormTest = testing::CardTest;

TEST_F(CardFormTest, TheCardsChoicesFillItsFieldsItsPhotographIsShownAndItsClearButtonsEmptyAReason) {
  addRecord("PROF", [&](RecordAccess prof) {
    prof.setText("PRO:PROF", ru("Врач-терапевт"));
    prof.setText("PRO:KOD_PROF", "123");
  });
  addRecord("SPEC", [&](RecordAccess spec) {
    spec.setText("SPE:SPEC", ru("Терапия"));
    spec.setText("SPE:KOD_SPEC", "040122");
    spec.setText("SPE:SPEC50", ru("Лечебное дело"));
  });
  card("Петров");
  record("KARTA").setText("KAR:PRIBYL", ru("самостоятельно"));
  ASSERT_EQ(dictionary.manager("KARTA").UpdateQuiet(), framework::kLevelBenign);
  // Not an image: the card shows no photograph and says nothing of it.
  const std::string photo = ::testing::TempDir() + "card_photo.txt";
  std::ofstream(photo) << "not a picture";

  auto thread = run(kEmployeeList);
  const ui::WindowId list = thread->window("Karta");
  ASSERT_TRUE(engine.userKey(list, ui::key::kControl + ui::key::kEnter));
  const ui::WindowId form = thread->window("KartaUp");
  ASSERT_TRUE(engine.userChoosesTab(form, kCardSheet, 2));
  for (const auto& [button, label] : {std::pair{kMainProfessionChoose, "Prof"},
                                      {kSecondProfessionChoose, "ProfMed"},
                                      {kSpecialityChoose, "Spec"}}) {
    const ui::WindowId chooser = open(*thread, form, button, label);
    ASSERT_TRUE(engine.userDoubleClicks(chooser, reference::kListRows, 1));
    ASSERT_TRUE(closed(label));
    thread->idle(form);
  }
  EXPECT_EQ(value(form, after(form, "Группа специальностей (Ф50):")), "Лечебное дело");
  press(*thread, form, kClearArrival);
  EXPECT_EQ(value(form, after(form, "Прибыл:")), "");

  ASSERT_TRUE(engine.userChoosesTab(form, kCardSheet, 1));
  engine.queueFileDialogAnswer(std::string(200, 'x'));
  press(*thread, form, kPhotoChoose);
  ASSERT_EQ(engine.shownMessageBoxes().size(), 1u) << "a path the card cannot hold is refused";
  EXPECT_EQ(engine.shownFileDialogs().back().filter, "All Files|*.*");
  engine.queueFileDialogAnswer(photo);
  press(*thread, form, kPhotoChoose);
  EXPECT_EQ(value(form, kCardPhoto), photo);
  EXPECT_EQ(value(form, kPhotoImage), photo);
  finish(*thread, form, kCardOk, list);
  EXPECT_EQ(engine.shownMessageBoxes().size(), 1u);

  const std::pair<std::uint32_t, Strings> professions[] = {
      {0, {"Врач-терапевт", "123"}}, {1, {"Врач-терапевт", "123"}}, {2, {"Терапия", "040122"}}};
  for (const auto& [element, expected] : professions) {
    EXPECT_EQ((Strings{onDisk("KARTA", "KAR:PROF", element)[0], onDisk("KARTA", "KAR:KOD_PROF", element)[0]}),
              expected);
  }
  EXPECT_EQ(onDisk("KARTA", "KAR:PROF", 3), Strings{"Лечебное дело"});
  EXPECT_EQ(onDisk("KARTA", "KAR:PRIBYL"), Strings{""});
  EXPECT_EQ(onDisk("KARTA", "KAR:FOTO"), Strings{photo});
}

TEST_F(CardFormTest, AWrongDateOrNumberTypedIntoTheCardIsRefusedAtItsFieldAndNothingIsWritten) {
  card("Петров");
  struct Wrong {
    int tab;
    const char* prompt;
    int nth;  // "Главная" and "Образование" both ask "Дата выдачи:"
    const char* text;
  };
  const Wrong wrongs[] = {
      {1, "Дата выдачи:", 1, "00.13.2001"},  {1, "№ страх. свидетельства:", 1, "12а-456-789 01"},
      {2, "Дата выдачи:", 2, "31.04.1999"},  {4, "Дата увольнения:", 1, "2005"},
      {4, "Дата приказа:", 1, "30.02.2005"},
  };
  auto thread = run(kEmployeeList);
  const ui::WindowId list = thread->window("Karta");
  for (const Wrong& wrong : wrongs) {
    SCOPED_TRACE(wrong.prompt);
    ASSERT_TRUE(engine.userKey(list, ui::key::kControl + ui::key::kEnter));
    const ui::WindowId form = thread->window("KartaUp");
    type(*thread, form, kCardSurname, "Сидоров");
    ASSERT_TRUE(engine.userChoosesTab(form, kCardSheet, wrong.tab));
    type(*thread, form, after(form, wrong.prompt, wrong.nth), wrong.text);
    press(*thread, form, kCardOk);
    EXPECT_NE(engine.findWindow("KartaUp"), 0u) << "refused: the card stays open";
    engine.queueMessageBoxAnswer(ui::kButtonNo);
    finish(*thread, form, kCardCancel, list);
    EXPECT_EQ(onDisk("KARTA", "KAR:FAM"), Strings{"Петров"});
  }
}

}  // namespace
}  // namespace veltrano::app::card
