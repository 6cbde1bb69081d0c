// The window family's own texts in Russian: the standard buttons and the toolbar's tool tips.
// Added to the program's translator at start-up (framework/translator.h).
#pragma once

#include <span>

#include "framework/translator.h"

namespace veltrano::framework {

std::span<const Translation> windowTextsRussian();

}  // namespace veltrano::framework
