// The Russian texts of the popup menu and toolbox, the "Example values" window and the
// "Choose items and order" dialog, for the program's translator:
//
//   translator.AddTranslation(framework::popupTextsRussian());
#pragma once

#include <span>

#include "framework/translator.h"

namespace veltrano::framework {

std::span<const Translation> popupTextsRussian();

}  // namespace veltrano::framework
