// The build of the doctors' training and attestation plan (VELTR082): UCHEBA created afresh,
// then one plan line for every current doctor on the main job (KAR:STR 4 to 84), read from
// the cards in their stored order:
//
//   UCH:FAM                  "Фамилия И.О."; UCH:POST, UCH:STRUKT, UCH:OTDELENIE from the card
//   UCH:IND_STRUKT           the subdivision slot (1–8) holding KAR:STRUKT, else 9; likewise
//   UCH:IND_OTDEL, IND_POST  the department slots (1–5, else 6) and the position slots (1–8,
//                            else 9), so that the plan lists the chosen ones first, in slot order
//   UCH:STAGDM/MM/GM         service in the speciality: the work-history periods with TRU:IND2 = 0
//                            and a profession code, plus the running period, normalised
//   UCH:STAGDB/MB/GB         service in this hospital: the running (open) period to today
//   UCH:DATA_SERT [1..5]     certificates, the one stored last first
//   UCH:KATEGOR, DATA_KATEGOR [1..3]  attestations, in stored order
//   UCH:DATA_POVYSH, VID_POVYSH [1..5] further training, the one stored last first
//
// An empty slot names nothing: a card whose subdivision is blank is not placed among the
// chosen ones by it. The planned years typed into the plan before are lost with the old file.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "app/dictionary/dictionary.h"

namespace veltrano::app::reports {

struct PlanSlots {
  std::array<std::string, 8> subdivisions;  // code page 1251
  std::array<std::string, 5> departments;
  std::array<std::string, 8> positions;
};

// The slot whose text is `value` (from 1), or one past the last slot.
template <std::size_t N>
std::int64_t slotOf(const std::array<std::string, N>& slots, const std::string& value);

struct PlanBuilt {
  bool built = false;
  std::int64_t doctors = 0;
  std::string failure;  // code page 1251, when not built
};

// REQUIRES: no window of this thread holds UCHEBA open.
PlanBuilt buildTrainingPlan(Dictionary& dictionary, const PlanSlots& slots, std::int32_t today);

template <std::size_t N>
std::int64_t slotOf(const std::array<std::string, N>& slots, const std::string& value) {
  for (std::size_t slot = 0; slot < N; ++slot) {
    if (!slots[slot].empty() && slots[slot] == value) return static_cast<std::int64_t>(slot) + 1;
  }
  return static_cast<std::int64_t>(N) + 1;
}

}  // namespace veltrano::app::reports
