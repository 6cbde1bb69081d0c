// Form No. 50 (VELTR079) "СВЕДЕНИЯ О ТРУДОУСТРОЙСТВЕ ВЫПУСКНИКОВ ВЫСШИХ И СРЕДНИХ УЧЕБНЫХ
// ЗАВЕДЕНИЙ": the graduates on the staff (main job; a card whose "Прибыл:" KAR:PRIBYL is filled
// in) by their speciality group KAR:PROF [4] — the five groups of higher education, then the
// five of secondary — and by how they came; and the graduates dismissed (KAR:DATA_UVOL set) by
// the graduate's reason KAR:UVOL_VYPUSK. Texts compare exactly.
//
//   line 01  higher education, all groups    lines 02–06  "Лечебное дело" … "Фармация"
//   line 07  secondary education, all groups lines 08–12  "Сестринское дело" … "Медицинская оптика"
//   line 13  no group, or one of no form     line 14      all graduates
#pragma once

#include <cstdint>

#include "app/frame/application.h"

namespace veltrano::app::reports {

std::uint8_t runForm50(const Application& application);

}  // namespace veltrano::app::reports
