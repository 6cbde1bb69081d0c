#include "app/reference/staff_recount.h"

#include <map>
#include <string>
#include <unordered_set>
#include <utility>
#include <vector>

#include "app/dictionary/record_access.h"
#include "app/reference/file_fields.h"
#include "runtime/errors/error_state.h"
#include "runtime/values/field_value.h"

namespace veltrano::app::reference {
namespace {

using storage::Operation;

// A department number and a position text exactly as stored (blank-padded to the field).
using Post = std::pair<std::int64_t, std::string>;

struct Appointment {
  std::int64_t employee = 0;
  Post post;
  runtime::Decimal units;
};

// A file opened for the recount, with its position and buffer put back at the end.
class UsedFile {
 public:
  UsedFile(Dictionary& dictionary, std::string_view label)
      : file_(dictionary.file(label)), manager_(dictionary.manager(label)) {
    opened_ = manager_.Open() == framework::kLevelBenign;
    if (opened_) state_ = manager_.SaveFileState();
  }
  ~UsedFile() {
    if (!opened_) return;
    manager_.RestoreFileState(state_, true);
    manager_.Close();
  }
  UsedFile(const UsedFile&) = delete;
  UsedFile& operator=(const UsedFile&) = delete;

  bool opened() const { return opened_; }
  storage::FileControlBlock& block() { return file_.file(); }
  const storage::KeyDescriptor* key(const char* label) { return file_.key(label); }
  RecordAccess record() { return RecordAccess(file_); }
  framework::FieldRef field(std::string_view name) { return fileField(file_, name); }
  // The raw bytes of a string field, blanks included.
  std::string bytes(std::string_view name) {
    const framework::FieldRef ref = field(name);
    const auto stored = ref.bytes();
    return std::string(stored.begin(), stored.end());
  }
  bool next() {
    storage::fileStatement(Operation::Next, file_.file());
    return runtime::errorCode() == 0;
  }

 private:
  storage::DeclaredFile& file_;
  framework::TableManager& manager_;
  bool opened_ = false;
  std::int32_t state_ = 0;
};

// Each employee's latest appointment: RAB:IND_KEY holds only the records with RAB:IND = 1 (an
// OPT key leaves out a zero flag); reading stops at the first that is not 1 all the same.
std::vector<Appointment> latestAppointments(UsedFile& rabota) {
  std::vector<Appointment> appointments;
  storage::OperationArguments by_flag;
  by_flag.key = rabota.key("RAB:IND_KEY");
  storage::fileStatement(Operation::SetKey, rabota.block(), by_flag);
  while (runtime::errorCode() == 0 && rabota.next()) {
    RecordAccess record = rabota.record();
    if (record.integer("RAB:IND") != 1) break;
    appointments.push_back(Appointment{record.integer("RAB:NUM"),
                                       Post{record.integer("RAB:NUMO"), rabota.bytes("RAB:DOLGNOST")},
                                       framework::loadNumber(rabota.field("RAB:STAVKA"))});
  }
  return appointments;
}

std::unordered_set<std::int64_t> currentEmployees(UsedFile& karta) {
  std::unordered_set<std::int64_t> current;
  storage::fileStatement(Operation::SetFile, karta.block());
  while (runtime::errorCode() == 0 && karta.next()) {
    RecordAccess card = karta.record();
    if (card.blank("KAR:DATA_UVOL")) current.insert(card.integer("KAR:NUM"));
  }
  return current;
}

}  // namespace

RecountResult recountOccupiedUnits(Dictionary& dictionary) {
  RecountResult result;
  UsedFile postt(dictionary, "POSTT");
  UsedFile rabota(dictionary, "RABOTA");
  UsedFile karta(dictionary, "KARTA");
  if (!postt.opened() || !rabota.opened() || !karta.opened()) return result;

  const std::unordered_set<std::int64_t> current = currentEmployees(karta);
  std::map<Post, runtime::Decimal> occupied;
  for (const Appointment& appointment : latestAppointments(rabota)) {
    if (!current.contains(appointment.employee)) continue;
    runtime::Decimal& units = occupied[appointment.post];
    units = units + appointment.units;
  }

  const framework::FieldRef kolv = postt.field("POS:KOLV");
  storage::fileStatement(Operation::SetFile, postt.block());
  while (runtime::errorCode() == 0 && postt.next()) {
    ++result.positions;
    const auto found = occupied.find(Post{postt.record().integer("POS:NUMO"), postt.bytes("POS:NOM")});
    const runtime::Decimal units = found == occupied.end() ? runtime::Decimal() : found->second;
    if (framework::loadNumber(kolv) == units) continue;
    framework::storeNumber(kolv, units);
    storage::fileStatement(Operation::Put, postt.block());
    if (runtime::errorCode() == 0) {
      ++result.changed;
    } else {
      ++result.unwritten;
      runtime::clearErrors();
    }
  }
  return result;
}

}  // namespace veltrano::app::reference
