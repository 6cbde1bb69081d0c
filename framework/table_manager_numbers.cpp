// Priming a new record and numbering it: the number is reserved by adding the record at once,
// so that two stations priming at the same moment cannot both take the same number.
#include <algorithm>

#include "framework/driver_calls.h"
#include "framework/relation_guard.h"
#include "framework/table_manager.h"
#include "runtime/errors/error_state.h"

namespace veltrano::framework {

using storage::Operation;

namespace {

constexpr int kRecordNotAvailable = 33;
constexpr int kReserveAttempts = 3;

}  // namespace

Level TableManager::PrepareRecord(bool suppress_clear) {
  if (ALIASEDFILE != nullptr) {
    const Level level = ALIASEDFILE->PrepareRecord(suppress_clear);
    const auto from = ALIASEDFILE->BUFFER;
    if (from.size() == BUFFER.size()) std::copy(from.begin(), from.end(), BUFFER.begin());
    return level;
  }
  if (!suppress_clear) ClearRecord();
  PresetFields();
  if (HASAUTOINC != 0) return ReserveNumber();
  return kLevelBenign;
}

Level TableManager::ReserveNumber() {
  return reserveNumber(true);
}

Level TableManager::ReserveNumberQuiet() {
  return reserveNumber(false);
}

Level TableManager::reserveNumber(bool show_errors) {
  if (HASAUTOINC == 0 || SelectThreadState().AUTOINCDONE != 0) return kLevelBenign;
  if (EnsureFileOpen() != kLevelBenign) return kLevelFatal;
  int failures = 0;
  for (;;) {
    for (const KeyInfo& key : KEYS) {
      if (key.AUTOINC == 0) continue;
      runtime::Decimal highest;
      const int code = highestNumber(key, highest);
      if (code != 0 && code != kRecordNotAvailable) {
        NoteError(1);
        return reportNoted(show_errors);
      }
      const runtime::Decimal next =
          code == 0 ? highest + runtime::Decimal::fromInteger(1) : runtime::Decimal::fromInteger(1);
      storeNumber(key.FIELDS[key.AUTOINC - 1u].FIELD, next);
    }
    if (fileCall(Operation::Add, *FILE) == 0) break;
    if (++failures < kReserveAttempts) continue;
    NoteError(32);
    if (show_errors && Throw() == kLevelBenign) {
      failures = 0;
      continue;
    }
    return kLevelNotify;
  }
  SelectThreadState().AUTOINCDONE = 1;
  return kLevelBenign;
}

// The highest number in use under the key's leading components. Reading moves the buffer, so
// it is put back before returning; only the number found leaves this function.
int TableManager::highestNumber(const KeyInfo& key, runtime::Decimal& highest) {
  const std::vector<std::uint8_t> saved(BUFFER.begin(), BUFFER.end());
  const std::size_t numbered = key.AUTOINC - 1u;
  const KeyComponent& component = key.FIELDS[numbered];
  int code = 0;
  if (numbered == 0) {
    code = fileCall(Operation::SetKey, *FILE, key.KEY);
  } else {
    // Position at the top of the numbered component under the kept leading values. For a
    // descending component the top is where the group begins, so the highest value is the
    // position for both directions; only the direction of the read differs.
    clearFieldValue(component.FIELD, 1);
    code = fileCall(Operation::SetKeyKey, *FILE, key.KEY);
  }
  if (code == 0) code = fileCall(component.ASCEND != 0 ? Operation::Previous : Operation::Next, *FILE);
  if (code == 0 && numbered > 0) {
    // A record of another group is no record of this one.
    std::vector<std::uint8_t> kept = saved;
    for (std::size_t i = 0; i < numbered && code == 0; ++i) {
      const FieldRef field = key.FIELDS[i].FIELD;
      const FieldRef kept_field{field.field, kept};
      if (!sameValue(field, kept_field)) code = kRecordNotAvailable;
    }
  }
  if (code == 0) highest = loadNumber(component.FIELD);
  std::copy(saved.begin(), saved.end(), BUFFER.begin());
  return code;
}

Level TableManager::ReleaseNumber(RelationGuard* relation_guard) {
  ThreadInfo& info = SelectThreadState();
  if (HASAUTOINC == 0 || info.AUTOINCDONE == 0) return kLevelBenign;
  Level level = kLevelBenign;
  if (relation_guard != nullptr) {
    level = relation_guard->Delete(false);
  } else {
    level = fileCall(Operation::Delete, *FILE) == 0 ? kLevelBenign : kLevelNotify;
  }
  if (level == kLevelBenign) SelectThreadState().AUTOINCDONE = 0;
  return level;
}

}  // namespace veltrano::framework
