// The window of VELTR007: six tabs of the card's fields, the eight child-list buttons below
// them, then "Ввод" and "Отмена".
#include <algorithm>
#include <array>

#include "app/card/card_form.h"
#include "app/card/card_numbers.h"
#include "app/reference/captioned_button.h"

namespace veltrano::app::card {
namespace {

constexpr std::array kChildLists{
    ChildListButton{"Трудовая деятельность", kWorkHistoryList},
    ChildListButton{"Прием на работу, назначение, перемещение", kAppointmentList},
    ChildListButton{"Повышение квалификации", kFurtherTrainingList},
    ChildListButton{"Профессиональная подготовка", kProfessionalTrainingList},
    ChildListButton{"Аттестация", kAttestationList},
    ChildListButton{"Отпуска", kLeaveList},
    ChildListButton{"Сертификаты", kCertificateList},
    ChildListButton{"Состав семьи", kFamilyList},
};

constexpr int kSheetWidth = 960;
constexpr int kSheetHeight = 440;
constexpr int kChildButtonsPerRow = 4;
constexpr std::string_view kClear = "Очистить";

struct EducationLevel {
  std::string_view prompt;
  std::string_view book;
};
constexpr std::array kEducation{EducationLevel{"Образование:", "OBRAZ"},
                                EducationLevel{"Послевузовское:", "POOBRAZ"},
                                EducationLevel{"Дополнительное:", "DOOBRAZ"}};

// The lines of the card's tabs, with a running control number and the combos over books.
class CardLines {
 public:
  CardLines(framework::WindowBuilder& form, framework::BoundRecord card, std::vector<ReferenceDrop>& drops)
      : form_(form), card_(card), drops_(drops) {}

  CardLines& entry(std::string_view prompt, std::string_view field, std::string_view picture,
                   std::uint32_t element = 0) {
    form_.entry(next_++, prompt, card_, field, picture, element);
    return *this;
  }
  CardLines& drop(std::string_view prompt, std::string_view field, std::string_view book,
                  std::string_view format, std::uint32_t element = 0) {
    drops_.push_back({next_, book});
    form_.combo(next_++, prompt, card_, field, format, "", element);
    return *this;
  }
  CardLines& fixed(std::string_view prompt, std::string_view field, std::string_view format,
                   std::vector<std::string_view> rows) {
    form_.combo(next_++, prompt, card_, field, format, "", 0, rows);
    return *this;
  }
  CardLines& check(std::string_view text, std::string_view field, std::uint32_t element) {
    form_.check(next_++, text, card_, field, element);
    return *this;
  }
  CardLines& yesNo(std::string_view text, std::string_view field, std::uint32_t element) {
    form_.options(next_++, text, card_, field, {{"нет", "0"}, {"да", "1"}}, element);
    return *this;
  }
  // The profession (speciality) chosen from a list, shown only, with its code beside it.
  CardLines& chosen(std::string_view prompt, std::uint32_t element, ui::ControlId choose,
                    std::string_view code_prompt) {
    form_.entry(next_++, prompt, card_, "KAR:PROF", "@s60", element).readOnly().buttonBeside(choose, "...");
    form_.beside().entry(next_++, code_prompt, card_, "KAR:KOD_PROF", "@s20", element).readOnly();
    return *this;
  }
  CardLines& beside() {
    form_.beside();
    return *this;
  }
  ui::ControlId next() { return next_++; }

 private:
  framework::WindowBuilder& form_;
  framework::BoundRecord card_;
  std::vector<ReferenceDrop>& drops_;
  ui::ControlId next_ = kCardFirstField;
};

void mainTab(framework::WindowBuilder& form, framework::BoundRecord card, CardLines& lines) {
  form.promptWidth(170).tab(kCardFirstTab, "Главная");
  form.display(kCardNumber, "Ид.№:", card, "KAR:NUM", "@n6b");
  form.entry(kCardSurname, "Фамилия:", card, "KAR:FAM", "@s20").required();
  lines.entry("Имя:", "KAR:NOM", "@s20").entry("Отчество:", "KAR:PER", "@s20");
  lines.entry("Дата рождения:", "KAR:DATR", "@d6.").entry("Место рождения:", "KAR:MESTO", "@s150");
  lines.drop("Гражданство:", "KAR:GRAGD", "GRAGD", "80L@s20@").beside();
  lines.drop("Национальность:", "KAR:NACI", "NACI", "80L@s20@");
  lines.entry("Паспорт:", "KAR:PASE", "@s20")
      .beside()
      .drop("Кем выдан:", "KAR:PASE_VYD", "PASE", "160L(2)@s40@");
  lines.entry("Дата выдачи:", "KAR:PASE_DAT", "@d6.");
  lines.drop("Семейное положение:", "KAR:SEMJA", "SEMJA", "80L@s20@");
  form.entry(kCardPhoto, "Фотография:", card, "KAR:FOTO", "@s150")
      .width(600)
      .buttonBeside(kPhotoChoose, "...");
  lines.entry("№ страх. свидетельства:", "KAR:STRACH", "@P###-###-### ##P");
  form.options(lines.next(), "Пол", card, "KAR:POL", {{"женский", "0"}, {"мужской", "1"}});
  form.beside().check(lines.next(), "совместитель", card, "KAR:SOVMESTITEL");
  ui::ControlDescription photo;
  photo.id = kPhotoImage;
  photo.kind = ui::ControlKind::kImage;
  photo.at = {kSheetWidth - 16 - 96, 8, 96, 124};
  form.control(photo);
}

void educationTab(framework::WindowBuilder& form, CardLines& lines) {
  form.promptWidth(120).tab(kCardFirstTab + 1, "Образование");
  for (std::uint32_t level = 0; level < kEducation.size(); ++level) {
    lines.drop(kEducation[level].prompt, "KAR:OBRAZ", kEducation[level].book, "80L@s20@", level).beside();
    lines.entry("где:", "KAR:MESTO_UCHEBY", "@s60", level).beside();
    lines.drop("фак:", "KAR:FAK", "FAK", "40L@s10@", level);
  }
  form.promptWidth(150);
  lines.chosen("Профессия основная:", 0, kMainProfessionChoose, "Код профессии:");
  lines.chosen("Профессия вторая:", 1, kSecondProfessionChoose, "Код профессии:");
  lines.chosen("Специальность:", 2, kSpecialityChoose, "Код специальности:");
  form.promptWidth(210);
  lines.entry("Группа специальностей (Ф50):", "KAR:PROF", "@s60", 3);
  form.readOnly().promptWidth(150);
  lines.drop("Квалификация:", "KAR:KVALIF", "KVALIF", "80L@s20@");
  lines.entry("Диплом:", "KAR:DIPLOM", "@s30").beside().entry("Дата выдачи:", "KAR:DATD", "@d6.");
  form.groupOfLines(lines.next(), "Для выпускников", 1);
  lines.fixed("Прибыл:", "KAR:PRIBYL", "180L@s45@",
              {"самостоятельно", "с направлением службы занятости населения",
               "с удостоверением о направлении на работу", "по договорам (контрактам)"});
  form.buttonBeside(kClearArrival, kClear).endGroup();
}

void otherTabs(framework::WindowBuilder& form, framework::BoundRecord card, CardLines& lines) {
  form.tab(kCardFirstTab + 2, "Адрес");
  lines.entry("Адрес по паспорту:", "KAR:ADRES", "@s60", 0)
      .entry("Адрес фактически:", "KAR:ADRES", "@s60", 1);
  lines.entry("Телефон:", "KAR:TELEFON", "@s20");

  form.tab(kCardFirstTab + 3, "Прочие");
  form.prompt(lines.next(), "Навыки работы вне специальности:");
  lines.check("на пишущей машинке", "KAR:DOP_MASH", 0).beside().check("на компьютере", "KAR:DOP_MASH", 1);
  lines.check("стенографии", "KAR:DOP_MASH", 2).beside().check("водительские права:", "KAR:DOP_MASH", 3);
  lines.beside().entry("категории:", "KAR:PRAVA", "@s20");
  lines.entry("Дата заполнения:", "KAR:DATA_ZAP", "@d6.").entry("Дата увольнения:", "KAR:DATA_UVOL", "@d6.");
  form.groupOfLines(lines.next(), "Причина увольнения:", 2);
  lines.fixed("для выпускников", "KAR:UVOL_VYPUSK", "200L@s50@",
              {"по причинам предусмотренным законом", "необеспечение условий договора (контракта)"});
  form.buttonBeside(kClearGraduateReason, kClear);
  lines.fixed("", "KAR:PRICHINA_UVOL", "100L@s25@",
              {"высвобождением", "уходом на пенсию", "по собственному желанию", "др. причины"});
  form.buttonBeside(kClearReason, kClear).endGroup();
  lines.entry("№ приказа:", "KAR:PRIKAZ_UVOL", "@s10").beside();
  lines.entry("Дата приказа:", "KAR:DATA_PRIKAZ_UVOL", "@d6.");

  form.promptWidth(220).tab(kCardFirstTab + 4, "Воинский учет:");
  lines.drop("Воинское звание:", "KAR:ZVANIE", "ZVANIE", "80L@s20@");
  lines.entry("Военно учетная специальность:", "KAR:VUS", "@s10");
  lines.drop("Годность к военной службе:", "KAR:GODEN", "GODEN", "160L@s40@");
  lines.drop("Военкомат:", "KAR:VOENKOMAT", "VOENKOMA", "80L@s20@");
  lines.entry("Состоит на специальном учете:", "KAR:SPESUCHET", "@s10");

  form.promptWidth(150).tab(kCardFirstTab + 5, "Дополнительные сведения:");
  lines.yesNo("Научные труды", "KAR:TRUD", 0).beside().yesNo("Изобретения", "KAR:TRUD", 1);
  lines.entry("Награды поощрения:", "KAR:NAGRADA", "@s40");
  form.text(lines.next(), "Дополнительные сведения:", card, "KAR:DOP_SVED", 8);
}

// The child-list buttons in rows of four, each column as wide as its widest caption.
void childListButtons(framework::WindowBuilder& form, int top) {
  std::array<int, kChildButtonsPerRow> widths{};
  for (std::size_t i = 0; i < kChildLists.size(); ++i) {
    const ui::ControlDescription button = reference::captionedButton(0, kChildLists[i].text, 0, 0);
    widths[i % kChildButtonsPerRow] = std::max(widths[i % kChildButtonsPerRow], button.at.width);
  }
  for (std::size_t i = 0; i < kChildLists.size(); ++i) {
    const std::size_t column = i % kChildButtonsPerRow;
    int x = 8;
    for (std::size_t before = 0; before < column; ++before) x += widths[before] + 8;
    ui::ControlDescription button =
        reference::captionedButton(kCardFirstChildList + static_cast<ui::ControlId>(i), kChildLists[i].text,
                                   x, top + static_cast<int>(i / kChildButtonsPerRow) * 32);
    button.at.width = widths[column];
    form.control(button);
  }
}

}  // namespace

std::span<const ChildListButton> cardChildLists() {
  return kChildLists;
}

CardWindow cardWindow(Dictionary& dictionary) {
  storage::DeclaredFile& karta = dictionary.file("KARTA");
  const framework::BoundRecord card = framework::BoundRecord::of(karta.file());
  CardWindow made;
  framework::WindowBuilder form("veltrano$VELTR007", "KartaUp", "Update the karta File");
  form.sheet(kCardSheet, {8, 8, kSheetWidth, kSheetHeight});
  CardLines lines(form, card, made.drops);
  mainTab(form, card, lines);
  educationTab(form, lines);
  otherTabs(form, card, lines);
  form.end();
  childListButtons(form, 8 + kSheetHeight + 8);
  form.okButton(kCardOk, "Ввод").cancelButton(kCardCancel, "Отмена");
  made.definition = *form.build();
  // A tab that outgrew the sheet pushes what stands below the sheet down with it.
  ui::WindowDescription& window = made.definition.window;
  const auto sheet =
      std::find_if(window.controls.begin(), window.controls.end(),
                   [](const ui::ControlDescription& control) { return control.id == kCardSheet; });
  if (const int grown = sheet->at.height - kSheetHeight; grown > 0) {
    for (ui::ControlDescription& control : window.controls) {
      if (control.parent == 0 && control.at.y > 8 + kSheetHeight) control.at.y += grown;
    }
    window.at.height += grown;
  }
  // The builder's row of "Ввод" and "Отмена" stands below the fields, not below other buttons:
  // it goes below the child-list buttons, and the window grows to hold it.
  int child_buttons_end = 0;
  for (const ui::ControlDescription& control : window.controls) {
    if (control.id >= kCardFirstChildList &&
        control.id < kCardFirstChildList + static_cast<ui::ControlId>(kChildLists.size()))
      child_buttons_end = std::max(child_buttons_end, control.at.y + control.at.height);
  }
  int lowered = 0;
  for (ui::ControlDescription& control : window.controls) {
    if (control.id != kCardOk && control.id != kCardCancel) continue;
    lowered = std::max(lowered, child_buttons_end + 8 - control.at.y);
    control.at.y = std::max(control.at.y, child_buttons_end + 8);
  }
  window.at.height += lowered;
  // "История изменений" at the left of that row, before "Ввод" in the tab order.
  const auto ok = std::find_if(window.controls.begin(), window.controls.end(),
                               [](const ui::ControlDescription& control) { return control.id == kCardOk; });
  const int row = ok->at.y;
  window.controls.insert(ok, reference::captionedButton(kCardHistory, "История изменений", 8, row));

  // The photograph shows the file the card names.
  framework::FieldBinding photo =
      framework::bindField(kPhotoImage, ui::ControlKind::kImage, karta.layout(), karta.record(), "KAR:FOTO");
  photo.read_only = true;
  made.definition.bindings.push_back(std::move(photo));
  return made;
}

}  // namespace veltrano::app::card
