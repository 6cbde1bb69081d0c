// The title sheet of form No. 17 (VELTR077): the statutory texts of a federal statistical form,
// who sends it to whom, the institution's name and address, the boxes of its codes.
#include <vector>

#include "app/reports/card_report.h"
#include "app/reports/form17.h"
#include "app/reports/institution.h"
#include "platform/codepage.h"

namespace veltrano::app::reports {
namespace {

using platform::ru;
using ui::report::Align;
using ui::report::Box;
using ui::report::Length;
using ui::report::ReportItem;

constexpr std::uint16_t kText = 0;
constexpr std::uint16_t kBold = 1;
constexpr std::uint16_t kTitle = 2;
constexpr std::uint16_t kSmall = 3;
constexpr Length kWidth = 18500;

ReportItem text(std::string_view utf8, Box at, std::uint16_t font = kText, Align align = Align::kCenter) {
  ReportItem item = ui::report::textItem(ru(utf8), at, font, align);
  item.wrap = true;
  return item;
}

ReportItem boxed(ReportItem item) {
  item.borders = ui::report::border::kAll;
  item.padding = 120;
  return item;
}

ui::report::ReportDescription titleSheet(const InstitutionTexts& institution) {
  ui::report::ReportDescription report;
  report.name = "VELTR077";
  report.title = ru("СВЕДЕНИЯ О МЕДИЦИНСКИХ И ФАРМАЦЕВТИЧЕСКИХ КАДРАХ");
  report.page = {ui::report::PaperSize::kA4, ui::report::Orientation::kPortrait, {1500, 1200, 1000, 1000}};
  report.fonts = {
      {"DejaVu Sans", 9}, {"DejaVu Sans", 9, true}, {"DejaVu Sans", 13, true}, {"DejaVu Sans", 7.5}};
  ui::report::ReportBand sheet;
  sheet.name = "title";
  sheet.can_grow = false;
  std::vector<ReportItem>& items = sheet.items;

  items.push_back(
      boxed(text("ФЕДЕРАЛЬНОЕ ГОСУДАРСТВЕННОЕ СТАТИСТИЧЕСКОЕ НАБЛЮДЕНИЕ", {0, 0, kWidth, 800}, kBold)));
  items.push_back(boxed(text("КОНФИДЕНЦИАЛЬНОСТЬ ГАРАНТИРУЕТСЯ ПОЛУЧАТЕЛЕМ ИНФОРМАЦИИ",
                             {1500, 1200, kWidth - 3000, 800}, kBold)));
  items.push_back(boxed(text(
      "Нарушение порядка представления статистической информации, а равно представление недостоверной "
      "статистической информации влечет ответственность, установленную статьей 13.19 Кодекса Российской "
      "Федерации об административных правонарушениях от 30.12.2001 № 195-ФЗ, а также статьей 3 Закона "
      "Российской Федерации от 13.05.92 № 2761-1 \"Об ответственности за нарушение порядка представления "
      "государственной статистической отчетности\"",
      {0, 2400, kWidth, 1900}, kSmall)));
  items.push_back(boxed(text("", {2000, 4800, kWidth - 4000, 2500})));
  items.push_back(text("СВЕДЕНИЯ О МЕДИЦИНСКИХ И", {2000, 5000, kWidth - 4000, 700}, kTitle));
  items.push_back(text("ФАРМАЦЕВТИЧЕСКИХ КАДРАХ", {2000, 5700, kWidth - 4000, 700}, kTitle));
  items.push_back(text("за 20___ год", {2000, 6500, kWidth - 4000, 600}, kBold));

  // Who sends the form to whom and when, beside the form's own mark.
  constexpr Length kTableTop = 7900;
  constexpr Length kWho = 9000;
  constexpr Length kWhen = 3500;
  items.push_back(boxed(text("Представляют:", {0, kTableTop, kWho, 800}, kBold)));
  items.push_back(boxed(text("Сроки представления", {kWho, kTableTop, kWhen, 800}, kBold)));
  items.push_back(boxed(
      text("учреждения здравоохранения — органу управления здравоохранением по установленному им адресу",
           {0, kTableTop + 800, kWho, 1400}, kText, Align::kLeft)));
  items.push_back(boxed(text("20 января", {kWho, kTableTop + 800, kWhen, 1400})));
  items.push_back(boxed(text("", {kWho + kWhen + 500, kTableTop, kWidth - kWho - kWhen - 500, 2200})));
  items.push_back(
      text("Форма №17", {kWho + kWhen + 500, kTableTop + 100, kWidth - kWho - kWhen - 500, 500}, kBold));
  items.push_back(text("Утверждена постановлением Госкомстата России от __________ № ____",
                       {kWho + kWhen + 600, kTableTop + 600, kWidth - kWho - kWhen - 700, 1000}, kSmall));
  items.push_back(
      text("Годовая", {kWho + kWhen + 500, kTableTop + 1650, kWidth - kWho - kWhen - 500, 500}, kBold));

  // The institution and the boxes of its codes.
  constexpr Length kNameTop = 10600;
  items.push_back(boxed(text("", {0, kNameTop, kWidth, 1500})));
  ReportItem name = ui::report::textItem(ru("Наименование отчитывающейся организации: ") + institution.name,
                                         {200, kNameTop + 150, kWidth - 400, 600}, kBold, Align::kLeft);
  name.wrap = true;
  items.push_back(name);
  items.push_back(ui::report::textItem(ru("Почтовый адрес: ") + institution.city,
                                       {200, kNameTop + 800, kWidth - 400, 500}, kText, Align::kLeft));
  constexpr Length kCodesTop = 12100;
  constexpr Length kCode = kWidth / 4;
  const std::string_view codes[] = {"Код формы по ОКУД", "Код отчитывающейся организации по ОКПО", "", ""};
  for (int column = 0; column < 4; ++column) {
    const Length x = column * kCode;
    items.push_back(boxed(text(codes[column], {x, kCodesTop, kCode, 1000}, kSmall)));
    items.push_back(boxed(text(std::to_string(column + 1), {x, kCodesTop + 1000, kCode, 450}, kSmall)));
    items.push_back(boxed(text("", {x, kCodesTop + 1450, kCode, 600})));
  }
  sheet.height = kCodesTop + 2050;
  report.bands = {std::move(sheet)};
  return report;
}

class TitleSheet : public CardReport {
 public:
  explicit TitleSheet(const Application& application) : CardReport(application, source()) {}

  std::uint8_t Run() override {
    REPORT = titleSheet(readInstitutionTexts(application().settings));
    return CardReport::Run();
  }
  using CardReport::Run;
  // The sheet counts nothing; it is printed once the staff has been read.
  int OnRecord() override { return 0; }
  int OnEndOfRecords() override { return PrintBand("title") ? 0 : 1; }

 private:
  static ReportSource source() {
    ReportSource source;
    source.filter = "KAR:data_uvol=''";
    return source;
  }
};

}  // namespace

std::uint8_t runForm17TitleSheet(const Application& application) {
  TitleSheet sheet(application);
  return sheet.Run();
}

}  // namespace veltrano::app::reports
