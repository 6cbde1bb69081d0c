// The card's "История изменений": every recorded change of one employee's card and child
// records, newest first, one row per changed field, in a window over the card that stays until
// the clerk closes it ("Закрыть", Esc).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "app/dictionary/dictionary.h"
#include "app/history/history_file.h"
#include "ui/window_description.h"

namespace veltrano::app::history {

// The list's rows (1251): date, time, what was done, file, station and user on an entry's first
// row, then the field, its old and its new value on every row.
std::vector<std::vector<std::string>> historyRows(const std::vector<HistoryEntry>& entries);

ui::WindowDescription historyWindow(std::int64_t employee, const std::string& name);

// Reads the history of `employee` from the data directory of the dictionary's files and shows
// it; a history that cannot be read is said in a message box instead.
void showCardHistory(Dictionary& dictionary, std::int64_t employee, const std::string& name);

}  // namespace veltrano::app::history
