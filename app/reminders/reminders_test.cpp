#include "app/reminders/reminders.h"

#include <gtest/gtest.h>

#include <climits>

#include "app/computations/due_dates.h"
#include "app/reports/reports_test_support.h"

namespace veltrano::app::reminders {
namespace {

class RemindersTest : public reports::testing::ReportsTest {};

TEST_F(RemindersTest, ListsTheLatestDocumentsRunningOutWithinTheHorizonOrOverdue) {
  constexpr int kNoDate = INT_MIN;
  struct Case {
    const char* surname;
    const char* file;     // the document's file
    int expires_in;       // days from today to its expiry; kNoDate: the document has no date
    int older = kNoDate;  // an older document of the same kind, overdue
    const char* category = "Высшая";
    bool part_timer = false;
    bool dismissed = false;
    int line = 10;  // of form No. 17
  };
  const Case cases[] = {
      {"Вчера", "SERTIFIK", -1},
      {"Давно", "POVYSH", -400},
      {"Сегодня", "ATTESTAT", 0},
      {"Девяносто", "SERTIFIK", 90},
      {"Девяносто один", "SERTIFIK", 91},
      {"Без даты", "SERTIFIK", kNoDate},
      {"Новый сертификат", "SERTIFIK", 400, -10},
      {"Без категории", "ATTESTAT", 10, kNoDate, ""},
      {"Совместитель", "SERTIFIK", 10, kNoDate, "", true},
      {"Уволенный", "SERTIFIK", 10, kNoDate, "", false, true},
      {"Санитар", "SERTIFIK", 10, kNoDate, "", false, false, 140},
      {"Медсестра", "POVYSH", 30, kNoDate, "", false, false, 100},
  };
  const std::int32_t now = today();
  for (const Case& c : cases) {
    const std::int64_t employee = card(c.surname, [&](RecordAccess& fields) {
      fields.setText("KAR:NOM", ru("Анна"));
      fields.setInteger("KAR:STR", c.line);
      fields.setInteger("KAR:SOVMESTITEL", c.part_timer ? 1 : 0);
      if (c.dismissed) fields.setInteger("KAR:DATA_UVOL", now - 5);
    });
    const std::string prefix = std::string(c.file).substr(0, 3) == "SER"   ? "SER:"
                               : std::string(c.file).substr(0, 3) == "ATT" ? "ATT:"
                                                                           : "POV:";
    std::vector<int> documents;
    if (c.older != kNoDate) documents.push_back(c.older);
    documents.push_back(c.expires_in);
    for (const int in : documents) {
      addRecord(c.file, [&](RecordAccess& document) {
        document.setInteger(prefix + "NUM", employee);
        document.setInteger(prefix + "DATAD", in == kNoDate ? 0 : now + in - app::kOverdueDays);
        if (prefix == "ATT:") document.setText("ATT:KATEGOR", ru(c.category));
      });
    }
  }
  const RemindersRead read = readReminders(dictionary, now, kDefaultHorizonDays);
  ASSERT_EQ(read.failure, "");
  std::vector<std::string> listed;
  for (const Reminder& reminder : read.reminders) {
    listed.push_back(platform::utf8From1251(reminder.name + " " + reminderKindText(reminder.kind)) + " " +
                     std::to_string(reminder.expires - now));
  }
  EXPECT_EQ(listed, (std::vector<std::string>{"Давно А. Повыш. квалификации -400", "Вчера А. Сертификат -1",
                                              "Сегодня А. Категория 0", "Медсестра А. Повыш. квалификации 30",
                                              "Девяносто А. Сертификат 90"}));
  EXPECT_EQ(readReminders(dictionary, now, 400).reminders.size(), 7u) << "the horizon set in the window";
}

}  // namespace
}  // namespace veltrano::app::reminders
