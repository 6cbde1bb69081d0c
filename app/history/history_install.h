// What the program's start-up does for the history: the card history is set on the dictionary's
// managers and lives as long as they do.
#pragma once

#include "app/dictionary/dictionary.h"

namespace veltrano::app::history {

void installCardHistory(Dictionary& dictionary);

}  // namespace veltrano::app::history
