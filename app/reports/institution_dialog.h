// The clerk's dialog for the institution's texts on the reports (menu "&Файл"): its name in the
// list titles, its name as the lists of doctors and nurses give it, its city, and the date the
// lists are drawn up "по состоянию на". OK writes them to the settings file.
#pragma once

#include <cstdint>

#include "app/frame/application.h"

namespace veltrano::app::reports {

std::uint8_t editInstitutionTexts(const Application& application);

}  // namespace veltrano::app::reports
