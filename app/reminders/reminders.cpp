#include "app/reminders/reminders.h"

#include <algorithm>
#include <array>
#include <unordered_map>

#include "app/computations/due_dates.h"
#include "app/dictionary/record_access.h"
#include "app/reports/report_values.h"
#include "platform/codepage.h"
#include "runtime/errors/error_state.h"
#include "storage/driver.h"

namespace veltrano::app::reminders {
namespace {

using platform::ru;

// What NEXT posts past the last record.
constexpr int kEndOfFile = 33;
// The nursing lines as the overdue selection takes them (from 96, past the midwives' lines).
constexpr FormLineRange kOverdueNurseLines{96, 132};

struct ChildDocument {
  ReminderKind kind;
  std::string_view file;
  std::string_view number;
  std::string_view date;
  std::string_view detail;
  bool needs_detail;  // an attestation without a category awards none that could run out
};

constexpr std::array kDocuments{
    ChildDocument{ReminderKind::kCertificate, "SERTIFIK", "SER:NUM", "SER:DATAD", "SER:SPEC", false},
    ChildDocument{ReminderKind::kCategory, "ATTESTAT", "ATT:NUM", "ATT:DATAD", "ATT:KATEGOR", true},
    ChildDocument{ReminderKind::kTraining, "POVYSH", "POV:NUM", "POV:DATAD", "POV:VID", false},
};
constexpr std::string_view kFiles[] = {"KARTA", "SERTIFIK", "ATTESTAT", "POVYSH"};

struct Latest {
  std::int32_t date = 0;
  std::string detail;
};
using LatestByEmployee = std::unordered_map<std::int64_t, Latest>;

std::string failureText(std::string_view file) {
  return ru("Файл ") + std::string(file) + ru(" не читается: ") + runtime::errorText80() + " (" +
         std::to_string(runtime::errorCode()) + ")";
}

// Every record of the file from its start: `visit` with the buffer holding each. False on a
// failed read.
template <typename Visit>
bool readWhole(storage::DeclaredFile& file, Visit&& visit) {
  storage::fileStatement(storage::Operation::SetFile, file.file());
  if (runtime::errorCode() != 0) return false;
  for (;;) {
    storage::fileStatement(storage::Operation::Next, file.file());
    if (const int code = runtime::errorCode(); code != 0) return code == kEndOfFile;
    visit();
  }
}

// The employee's latest document of the kind: the newest date; among equal dates the one
// stored later, as the card's child list takes it.
bool readLatest(Dictionary& dictionary, const ChildDocument& document, LatestByEmployee& latest) {
  storage::DeclaredFile& file = dictionary.file(document.file);
  const RecordAccess record(file);
  return readWhole(file, [&] {
    const auto date = static_cast<std::int32_t>(record.integer(document.date));
    if (date == 0) return;
    Latest& kept = latest[record.integer(document.number)];
    if (date < kept.date) return;
    kept.date = date;
    kept.detail = record.text(document.detail);
  });
}

bool listedEmployee(const RecordAccess& card) {
  const std::int64_t line = card.integer("KAR:STR");
  const auto within = [line](FormLineRange range) { return line >= range.first && line <= range.last; };
  return card.blank("KAR:DATA_UVOL") && card.integer("KAR:SOVMESTITEL") == 0 &&
         (within(kDoctorLines) || within(kOverdueNurseLines));
}

class OpenFiles {
 public:
  explicit OpenFiles(Dictionary& dictionary) : dictionary_(dictionary) {
    for (std::string_view label : kFiles) {
      if (dictionary.manager(label).Open() != framework::kLevelBenign) {
        failed_ = label;
        return;
      }
      opened_.push_back(label);
    }
  }
  ~OpenFiles() {
    for (std::string_view label : opened_) dictionary_.manager(label).Close();
  }
  OpenFiles(const OpenFiles&) = delete;
  OpenFiles& operator=(const OpenFiles&) = delete;
  std::string_view failed() const { return failed_; }

 private:
  Dictionary& dictionary_;
  std::vector<std::string_view> opened_;
  std::string_view failed_;
};

}  // namespace

std::string reminderKindText(ReminderKind kind) {
  switch (kind) {
    case ReminderKind::kCertificate: return ru("Сертификат");
    case ReminderKind::kCategory: return ru("Категория");
    case ReminderKind::kTraining: return ru("Повыш. квалификации");
  }
  return {};
}

std::int32_t expiryDate(std::int32_t document_date) {
  return document_date == 0 ? 0 : document_date + kOverdueDays;
}

bool isDue(std::int32_t document_date, std::int32_t today, std::int32_t horizon) {
  return document_date != 0 &&
         (isOverdue(document_date, today) || expiryDate(document_date) <= today + horizon);
}

RemindersRead readReminders(Dictionary& dictionary, std::int32_t today, std::int32_t horizon) {
  RemindersRead read;
  const OpenFiles open(dictionary);
  if (!open.failed().empty()) {
    read.failure = failureText(open.failed());
    runtime::clearErrors();
    return read;
  }
  std::array<LatestByEmployee, kDocuments.size()> latest;
  for (std::size_t at = 0; at < kDocuments.size(); ++at) {
    if (!readLatest(dictionary, kDocuments[at], latest[at])) {
      read.failure = failureText(kDocuments[at].file);
      runtime::clearErrors();
      return read;
    }
  }
  storage::DeclaredFile& karta = dictionary.file("KARTA");
  const RecordAccess card(karta);
  const bool whole = readWhole(karta, [&] {
    if (!listedEmployee(card)) return;
    const std::int64_t employee = card.integer("KAR:NUM");
    for (std::size_t at = 0; at < kDocuments.size(); ++at) {
      const auto found = latest[at].find(employee);
      if (found == latest[at].end() || !isDue(found->second.date, today, horizon)) continue;
      if (kDocuments[at].needs_detail && found->second.detail.empty()) continue;
      read.reminders.push_back(Reminder{employee, reports::shortName(card), card.text("KAR:OTDELENIE"),
                                        kDocuments[at].kind, found->second.detail, found->second.date,
                                        expiryDate(found->second.date)});
    }
  });
  if (!whole) {
    read.failure = failureText("KARTA");
    read.reminders.clear();
  }
  runtime::clearErrors();
  std::stable_sort(read.reminders.begin(), read.reminders.end(), [](const Reminder& a, const Reminder& b) {
    return a.expires != b.expires ? a.expires < b.expires : a.name < b.name;
  });
  return read;
}

}  // namespace veltrano::app::reminders
