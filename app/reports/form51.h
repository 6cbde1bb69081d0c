// Form No. 51 (VELTR078) "СВЕДЕНИЯ О ВЫСВОБОЖДЕНИИ И ПЕРЕПОДГОТОВКЕ РАБОТНИКОВ ЗДРАВООХРАНЕНИЯ":
// the main-job employees dismissed within the period VELTR102 asks for (datanp to datakp), by
// the reason KAR:PRICHINA_UVOL ("высвобождением", "уходом на пенсию", "по собственному
// желанию", "др. причины", compared exactly; a card with none is in the total only) and by
// the staff of their form No. 17 line:
//
//   line 01  all the staff     line 02  doctors (lines 4–84)
//   line 03  nursing staff (lines 93–138)     line 04  everyone else
#pragma once

#include <cstdint>
#include <string>

#include "app/frame/application.h"

namespace veltrano::app::reports {

// The half-year the period names in the title: "I", "II", or "I-II" when it spans both.
std::string halfYearText(std::int32_t from, std::int32_t to);

std::uint8_t runForm51(const Application& application);

}  // namespace veltrano::app::reports
