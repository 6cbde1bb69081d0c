// The employee list and the personnel card as the framework runs them, for the smoke tests and
// the benchmarks (included only by them): the list of KARTA in five orders with entry locators,
// and the tabbed card form with its drop-down lists filled from the reference files.
#pragma once

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "app/dictionary/dictionary.h"
#include "framework/browse/browse_manager.h"
#include "framework/lookup/lookup_combo.h"
#include "framework/window/window_builder.h"
#include "framework/window/window_controller.h"
#include "platform/codepage.h"
#include "runtime/values/field_value.h"

namespace veltrano::testing {

using framework::BoundRecord;
using framework::WindowBuilder;

enum : ui::ControlId {
  kEmployeeList = 1,
  kOrderSheet,
  kFirstOrderTab,                      // five tabs, one per order
  kFirstLocator = kFirstOrderTab + 5,  // the entry locator of each tab
  kFirstLocatorPrompt = kFirstLocator + 5,
  kSelectButton = 30,
  kInsertButton,
  kChangeButton,
  kDeleteButton,
  kCloseButton,
};

struct OrderTab {
  const char* tab;
  const char* key;
  const char* prompt;
  const char* field;
};
constexpr std::array<OrderTab, 5> kOrders{{
    {"По фамилии", "KAR:FAM_KEY", "Введите фамилию искомого сотрудника", "KAR:FAM"},
    {"По подразделениям", "KAR:STR_KEY", "Введите название искомого подразделения", "KAR:STRUKT"},
    {"По отделениям", "KAR:OTD_KEY", "Введите название искомого отделения", "KAR:OTDELENIE"},
    {"По должностям", "KAR:POS_KEY", "Введите название искомой должности", "KAR:POST"},
    {"По профессиям", "KAR:PROF_KEY", "Введите название искомой профессии", "KAR:PROFF"},
}};

inline framework::WindowDefinition employeeListWindow() {
  WindowBuilder list("veltrano$VELTR006", "Karta", "Список сотрудников");
  list.size(1000, 600);
  list.list(
      kEmployeeList,
      "20R(2)|M~Ид.№~C(0)@n4@50L(2)|M~Фамилия~C(0)@s20@50L(2)|M~Имя~C(0)@s20@50L(2)|M~Отчество~C(0)@s20@"
      "44L(2)|M~Дата рожд.~C(0)@d6.@65L(2)|M~Подразделение~C(0)@s60@65L(2)|M~Отделение~C(0)@s60@"
      "65L(2)|M~Должность~C(0)@s60@240L(2)|M~Профессия~C(0)@s60@",
      {8, 8, 980, 22 + 20 * 18 + 4});
  list.sheet(kOrderSheet, {8, 400, 980, 110});
  for (std::size_t i = 0; i < kOrders.size(); ++i) {
    const auto n = static_cast<ui::ControlId>(i);
    list.tab(kFirstOrderTab + n, kOrders[i].tab);
    list.prompt(kFirstLocatorPrompt + n, kOrders[i].prompt).at({8, 10, 300, 20});
    ui::ControlDescription locator;
    locator.id = kFirstLocator + n;
    locator.kind = ui::ControlKind::kEntry;
    locator.picture = i == 0 ? "@s20" : "@s60";
    locator.at = {316, 8, 320, 22};
    list.control(locator);
  }
  list.end();
  list.button(kSelectButton, "&Выбрать")
      .button(kInsertButton, "&Добавить")
      .button(kChangeButton, "&Изменить");
  list.button(kDeleteButton, "&Удалить").button(kCloseButton, "Закрыть");
  return *list.build();
}

// The list's browse: five orders of current employees, an entry locator and a text step each.
struct EmployeeBrowse {
  framework::BrowseManager browse;
  std::array<framework::TextStep, 5> steps;
  std::array<framework::EntryLocator, 4> locators;
  framework::FilteredLocator by_profession;  // finds a profession anywhere in its name

  void Init(framework::WindowController& window, app::Dictionary& dictionary, std::uint16_t update_form = 0) {
    storage::DeclaredFile& karta = dictionary.file("KARTA");
    browse.Init(kEmployeeList, framework::ViewDefinition{{}, {&karta.file()}}, &dictionary.guard("KARTA"),
                &window);
    for (std::size_t i = 0; i < kOrders.size(); ++i) {
      steps[i].Init(framework::kStepLetters, framework::kStepLookupLimits);
      const std::size_t order = browse.RegisterSortOrder(&steps[i], karta.key(kOrders[i].key));
      browse.SetFilter("KAR:data_uvol=''", framework::kStandardFilter);
      framework::StepLocator* locator =
          i < locators.size() ? static_cast<framework::StepLocator*>(&locators[i]) : &by_profession;
      browse.RegisterLocator(locator, kFirstLocator + static_cast<ui::ControlId>(i));
      browse.RegisterSortTab(kOrderSheet, static_cast<int>(i + 1), order);
    }
    by_profession.FLOATRIGHT = 1;
    browse.SetSort(1);
    for (const char* name : {"KAR:NUM", "KAR:FAM", "KAR:NOM", "KAR:PER", "KAR:DATR", "KAR:STRUKT",
                             "KAR:OTDELENIE", "KAR:POST", "KAR:PROFF"}) {
      browse.AddField(framework::fieldOf(karta.layout(), karta.record(),
                                         static_cast<std::size_t>(karta.layout().find(name))));
    }
    browse.SELECTCONTROL = kSelectButton;
    browse.HIDESELECT = 1;
    browse.INSERTCONTROL = kInsertButton;
    browse.CHANGECONTROL = kChangeButton;
    browse.DELETECONTROL = kDeleteButton;
    browse.ASKPROCEDURE = update_form;
    window.AddButton(kCloseButton, framework::kResponseCancelled);
  }
};

enum : ui::ControlId { kCardSheet = 100, kCardOk = 300, kCardCancel };

// A drop-down of the card and the reference file its rows come from (empty: a fixed list).
struct CardCombo {
  ui::ControlId control;
  const char* reference;
};

// The personnel card's form: its tabs and fields as the card lays them out, and the combos
// whose rows come from reference files.
struct CardForm {
  framework::WindowDefinition definition;
  std::vector<CardCombo> combos;
};

// `more_lists` adds a tab of six more drop-downs over the other reference books, so that a
// benchmark opens a card with 21 lists filled from files.
inline CardForm cardForm(app::Dictionary& dictionary, bool more_lists = false) {
  const BoundRecord card = BoundRecord::of(dictionary.file("KARTA").file());
  WindowBuilder form("veltrano$VELTR007", "KartaUp", "Изменить запись");
  form.promptWidth(170);
  form.sheet(kCardSheet, {8, 8, 720, 420});
  CardForm made;
  ui::ControlId next = 110;
  auto entry = [&](const char* prompt, const char* field, const char* picture, std::uint32_t element = 0) {
    form.entry(next++, prompt, card, field, picture, element);
  };
  auto drop = [&](const char* prompt, const char* field, const char* reference, const char* format,
                  std::uint32_t element = 0) {
    made.combos.push_back({next, reference});
    form.combo(next++, prompt, card, field, format, "", element);
  };
  auto fixed = [&](const char* prompt, const char* field, std::vector<std::string_view> rows) {
    form.combo(next++, prompt, card, field, "160L@s40@", "", 0, rows);
  };
  form.tab(101, "Главная");
  form.display(next++, "Ид.№:", card, "KAR:NUM", "@n6b");
  entry("Фамилия:", "KAR:FAM", "@s20");
  form.required();
  entry("Имя:", "KAR:NOM", "@s20");
  entry("Отчество:", "KAR:PER", "@s20");
  entry("Дата рождения:", "KAR:DATR", "@d6.");
  drop("Гражданство:", "KAR:GRAGD", "GRAGD", "80L@s20@");
  drop("Национальность:", "KAR:NACI", "NACI", "80L@s20@");
  entry("Паспорт:", "KAR:PASE", "@s20");
  drop("Кем выдан:", "KAR:PASE_VYD", "PASE", "160L(2)@s40@");
  entry("Дата выдачи:", "KAR:PASE_DAT", "@d6.");
  drop("Семейное положение:", "KAR:SEMJA", "SEMJA", "80L@s20@");
  entry("№ страх. свидетельства:", "KAR:STRACH", "@P###-###-### ##P");
  form.options(next++, "Пол", card, "KAR:POL", {{"женский", "0"}, {"мужской", "1"}});
  form.check(next++, "совместитель", card, "KAR:SOVMESTITEL");
  form.tab(102, "Образование");
  const char* levels[] = {"OBRAZ", "POOBRAZ", "DOOBRAZ"};
  const char* prompts[] = {"Образование:", "Послевузовское:", "Дополнительное:"};
  for (std::uint32_t i = 0; i < 3; ++i) {
    drop(prompts[i], "KAR:OBRAZ", levels[i], "80L@s20@", i);
    entry("где:", "KAR:MESTO_UCHEBY", "@s60", i);
    drop("фак:", "KAR:FAK", "FAK", "40L@s10@", i);
  }
  drop("Квалификация:", "KAR:KVALIF", "KVALIF", "80L@s20@");
  entry("Диплом:", "KAR:DIPLOM", "@s30");
  entry("Дата выдачи диплома:", "KAR:DATD", "@d6.");
  fixed("Прибыл:", "KAR:PRIBYL",
        {"самостоятельно", "с направлением службы занятости населения",
         "с удостоверением о направлении на работу", "по договорам (контрактам)"});
  form.tab(103, "Адрес");
  entry("Адрес по паспорту:", "KAR:ADRES", "@s60", 0);
  entry("Адрес фактически:", "KAR:ADRES", "@s60", 1);
  entry("Телефон:", "KAR:TELEFON", "@s20");
  form.tab(104, "Прочие");
  entry("Дата заполнения:", "KAR:DATA_ZAP", "@d6.");
  entry("Дата увольнения:", "KAR:DATA_UVOL", "@d6.");
  fixed("для выпускников:", "KAR:UVOL_VYPUSK",
        {"по причинам предусмотренным законом", "необеспечение условий договора (контракта)"});
  fixed("Причина увольнения:", "KAR:PRICHINA_UVOL",
        {"высвобождением", "уходом на пенсию", "по собственному желанию", "др. причины"});
  drop("Категория:", "KAR:KATEGOR", "KATEGORI", "80L@s20@");
  form.tab(105, "Воинский учет:");
  drop("Воинское звание:", "KAR:ZVANIE", "ZVANIE", "80L@s20@");
  entry("Военно учетная специальность:", "KAR:VUS", "@s10");
  drop("Годность к военной службе:", "KAR:GODEN", "GODEN", "160L@s40@");
  drop("Военкомат:", "KAR:VOENKOMAT", "VOENKOMA", "80L@s20@");
  form.tab(106, "Дополнительные сведения:");
  entry("Награды поощрения:", "KAR:NAGRADA", "@s40");
  form.text(next++, "Дополнительные сведения:", card, "KAR:DOP_SVED", 5);
  if (more_lists) {
    form.tab(107, "Справочники");
    drop("Основание:", "KAR:PRAVA", "OSNOVA", "160L@s100@");
    drop("Условия труда:", "KAR:SPESUCHET", "USLOVIE", "80L@s20@");
    drop("Документ:", "KAR:PRIKAZ_UVOL", "DOCUMENT", "80L@s20@");
    drop("Вид повышения:", "KAR:POST", "VID_KVAL", "80L@s20@");
    drop("Результат:", "KAR:STRUKT", "REZULTAT", "80L@s20@");
    drop("Вид отпуска:", "KAR:OTDELENIE", "OTVID", "80L@s10@");
  }
  form.end();
  form.okButton(kCardOk, "Ввод");
  form.cancelButton(kCardCancel, "Отмена");
  made.definition = *form.build();
  return made;
}

// The card's drop-down lists over their reference files, registered with the form: each fills
// from a view over its reference book when the form opens.
struct CardCombos {
  std::vector<std::unique_ptr<runtime::Queue>> queues;
  std::vector<std::unique_ptr<framework::LookupCombo>> combos;

  // REQUIRES: `form` was described with the card's definition.
  void Init(framework::WindowController& form, app::Dictionary& dictionary,
            const std::vector<CardCombo>& lists) {
    for (const CardCombo& list : lists) {
      storage::DeclaredFile& reference = dictionary.file(list.reference);
      const runtime::FieldDescriptor& value = reference.layout().field(0);
      auto& queue = queues.emplace_back(
          std::make_unique<runtime::Queue>(runtime::RecordLayoutBuilder().string("ROW", value.size).build()));
      auto& combo = combos.emplace_back(std::make_unique<framework::LookupCombo>());
      combo->Init(list.control, *form.bindingOf(list.control),
                  framework::ViewDefinition{{}, {&reference.file()}}, queue.get(),
                  &dictionary.guard(list.reference), &form);
      combo->RegisterSortOrder(reference.file().keys.front());
      combo->AddField(framework::fieldOf(reference.layout(), reference.record(), 0),
                      framework::fieldOf(queue->layout(), queue->buffer(), 0));
      form.AddItem(combo.get());
    }
  }
};

}  // namespace veltrano::testing
