// The signature lines under a report: a label, a line to sign on, and the name printed after it.
#pragma once

#include <string>
#include <string_view>

#include "ui/report/report_description.h"

namespace veltrano::app::reports {

// Adds "label ________ name" at the bottom of `band`, which grows by one line. `label` is
// UTF-8, `name` code page 1251.
void addSignatureLine(ui::report::ReportBand& band, std::string_view label, std::string name,
                      ui::report::Length label_width = 7000);

}  // namespace veltrano::app::reports
