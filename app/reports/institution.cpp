#include "app/reports/institution.h"

#include <cstdio>

#include "app/dictionary/record_access.h"
#include "app/reports/report_values.h"
#include "platform/codepage.h"
#include "runtime/datetime/calendar.h"
#include "runtime/errors/error_state.h"

namespace veltrano::app::reports {
namespace {

constexpr std::string_view kName = "Name";
constexpr std::string_view kNameOf = "NameOf";
constexpr std::string_view kCity = "City";
constexpr std::string_view kAsOf = "AsOf";

std::string cut(std::string text) {
  while (!text.empty() && text.back() == ' ') text.pop_back();
  return text;
}

// "dd.mm.yyyy"; 0 for anything else.
std::int32_t dateFromText(const std::string& text) {
  int day = 0, month = 0, year = 0;
  char end = 0;
  if (std::sscanf(text.c_str(), "%2d.%2d.%4d%c", &day, &month, &year, &end) != 3 || year < 1801) return 0;
  const std::int32_t serial = runtime::serialFromParts(year, month, day);
  return serial > 0 ? serial : 0;
}

}  // namespace

InstitutionTexts defaultInstitutionTexts() {
  return InstitutionTexts{platform::ru("МУЗ Doridaduz uvivavoz №2"),
                          platform::ru("Ярвинской dizerirud averadav №2"), platform::ru("г. Ярвинск"),
                          runtime::serialFromParts(2004, 1, 1)};
}

InstitutionTexts readInstitutionTexts(framework::SettingsFile& settings) {
  InstitutionTexts texts = defaultInstitutionTexts();
  auto text = [&](std::string_view entry, std::string& into) {
    const std::string value = settings.Fetch(kInstitutionSection, entry);
    if (value != framework::SettingsFile::kUnknown) into = platform::cp1251FromUtf8(value);
  };
  text(kName, texts.name);
  text(kNameOf, texts.name_of);
  text(kCity, texts.city);
  const std::string as_of = settings.Fetch(kInstitutionSection, kAsOf);
  if (const std::int32_t date = dateFromText(as_of); date != 0) texts.as_of = date;
  return texts;
}

bool writeInstitutionTexts(framework::SettingsFile& settings, const InstitutionTexts& texts) {
  bool written = true;
  for (const auto& [entry, value] : {std::pair{kName, texts.name}, std::pair{kNameOf, texts.name_of},
                                     std::pair{kCity, texts.city}, std::pair{kAsOf, dateText(texts.as_of)}}) {
    written = settings.Update(kInstitutionSection, entry, platform::utf8From1251(cut(value))) && written;
  }
  return written;
}

std::string asOfText(const InstitutionTexts& texts) {
  return platform::ru("по состоянию на ") + dateText(texts.as_of) + platform::ru(" г. ");
}

ManagerNames readManagerNames(Dictionary& dictionary) {
  ManagerNames names;
  framework::TableManager& ruk = dictionary.manager("RUK");
  if (ruk.Open() != framework::kLevelBenign) return names;
  storage::DeclaredFile& file = dictionary.file("RUK");
  storage::fileStatement(storage::Operation::SetFile, file.file());
  if (runtime::errorCode() == 0 && ruk.NextQuiet() == framework::kLevelBenign) {
    const RecordAccess record(file);
    names = {record.text("RUK:GLAV"), record.text("RUK:ZAML"), record.text("RUK:ZAMK")};
  }
  runtime::clearErrors();
  ruk.Close();
  return names;
}

}  // namespace veltrano::app::reports
