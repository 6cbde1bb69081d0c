// The printer reports are printed on: the one the main menu's printer set-up dialog chose
// last (the system's default until then), kept for the whole program like the printer
// setting of the runtime it stands for. Every report and preview prints through here.
#pragma once

#include <string_view>

#include "ui/report/report_layout.h"
#include "ui/window_engine.h"

namespace veltrano::framework {

ui::PrinterChoice currentPrinter();
void setCurrentPrinter(const ui::PrinterChoice& choice);

// The main menu's "printer set-up": the engine's dialog, its choice kept. False when cancelled.
bool choosePrinter();

// Prints `choice`'s pages (all when it names none) on its printer, or into its output file.
// A failure (no printer installed, a printer gone, a file that cannot be written) is shown to
// the user under `caption` and answered false.
bool printReport(const ui::report::ReportPages& pages, const ui::PrinterChoice& choice,
                 std::string_view caption);

}  // namespace veltrano::framework
