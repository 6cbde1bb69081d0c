// What runs out: per current main-job employee of the medical lines of form No. 17 (the
// employees the overdue selection VELTR074 lists), the latest specialist's certificate, the
// category of the latest attestation and the latest further training, each valid for five
// years from its document's date. A document is listed when it runs out within the horizon or
// has run out already; a document without a date is never listed.
//
//   RemindersRead due = readReminders(dictionary, runtime::today(), kDefaultHorizonDays);
//   if (!due.failure.empty()) ... tell the clerk
//   for (const Reminder& r : due.reminders) ...   // by expiry date, the earliest first
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "app/dictionary/dictionary.h"

namespace veltrano::app::reminders {

inline constexpr std::int32_t kDefaultHorizonDays = 90;

enum class ReminderKind : std::uint8_t { kCertificate, kCategory, kTraining };

struct Reminder {
  std::int64_t employee = 0;
  std::string name;        // "Иванов И.П." (code page 1251, as every text here)
  std::string department;  // KAR:OTDELENIE
  ReminderKind kind = ReminderKind::kCertificate;
  std::string detail;  // the certificate's speciality, the category, the kind of training
  std::int32_t document_date = 0;
  std::int32_t expires = 0;  // the day it is overdue from
};

// "Сертификат", "Категория", "Повыш. квалификации": the list's column "Документ".
std::string reminderKindText(ReminderKind kind);

// The day a document of `document_date` is overdue from; 0 for no date.
std::int32_t expiryDate(std::int32_t document_date);
// Whether it is listed on `today`: it runs out within `horizon` days, or has run out.
bool isDue(std::int32_t document_date, std::int32_t today, std::int32_t horizon);

struct RemindersRead {
  std::vector<Reminder> reminders;  // by expiry date, then name
  std::string failure;              // a file that could not be read, for the clerk
};

// Reads KARTA, SERTIFIK, ATTESTAT and POVYSH once each through their managers, opening and
// closing them. Their record buffers are left changed.
RemindersRead readReminders(Dictionary& dictionary, std::int32_t today, std::int32_t horizon);

}  // namespace veltrano::app::reminders
