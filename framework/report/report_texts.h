// The report family's own texts in Russian: the progress window, the print preview and its
// dialogs. Added to the program's translator at start-up (framework/translator.h).
#pragma once

#include <span>

#include "framework/translator.h"

namespace veltrano::framework {

std::span<const Translation> reportTextsRussian();

}  // namespace veltrano::framework
