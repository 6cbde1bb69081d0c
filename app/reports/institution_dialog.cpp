#include "app/reports/institution_dialog.h"

#include "app/dictionary/record_access.h"
#include "app/reports/institution.h"
#include "app/reports/report_dialog.h"
#include "platform/codepage.h"

namespace veltrano::app::reports {

std::uint8_t editInstitutionTexts(const Application& application) {
  runtime::RecordLayoutBuilder fields;
  fields.string("name", 60).string("name_of", 60).string("city", 40).scalar("as_of", runtime::TypeCode::Date);
  const runtime::RecordLayout layout = fields.build();
  std::vector<std::uint8_t> bytes(layout.size());
  RecordAccess values(layout, bytes);
  values.clearAll();
  const InstitutionTexts texts = readInstitutionTexts(application.settings);
  values.setText("name", texts.name);
  values.setText("name_of", texts.name_of);
  values.setText("city", texts.city);
  values.setInteger("as_of", texts.as_of);

  ReportDialog window(application, "VELTR129", "InstitutionUp", "Реквизиты учреждения для отчётов", layout,
                      bytes);
  framework::WindowBuilder& builder = window.builder();
  builder.promptWidth(200);
  builder.entry(dialog::kFirstValue, "Учреждение:", window.values(), "name", "@s60").required();
  builder.prompt(0, "(«Список сотрудников …»)");
  builder.entry(dialog::kFirstValue + 1, "Учреждения (кого? чего?):", window.values(), "name_of", "@s60")
      .required();
  builder.prompt(0, "(«врачей … по состоянию на …»)");
  builder.entry(dialog::kFirstValue + 2, "Город:", window.values(), "city", "@s40");
  builder.entry(dialog::kFirstValue + 3, "По состоянию на:", window.values(), "as_of", "@d6.").required();
  if (window.Run() != framework::kResponseCompleted) return framework::kResponseCancelled;
  const InstitutionTexts typed{values.text("name"), values.text("name_of"), values.text("city"),
                               static_cast<std::int32_t>(values.integer("as_of"))};
  if (!writeInstitutionTexts(application.settings, typed)) {
    ui::messageBox(ui::MessageBoxRequest{platform::ru("Реквизиты не записаны: файл настроек ") +
                                             application.settings.FILENAME +
                                             platform::ru(" недоступен для записи."),
                                         platform::ru("Реквизиты учреждения для отчётов"),
                                         ui::kIconExclamation, ui::kButtonOk, ui::kButtonOk});
    return framework::kResponseCancelled;
  }
  return framework::kResponseCompleted;
}

}  // namespace veltrano::app::reports
