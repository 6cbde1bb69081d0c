// The five service totals under the work-history list: by the last profession, continuous, in
// all, in the speciality and in this hospital, each in days, months and years. The sums over
// the employee's periods are taken each time the list refills; the running period (the open
// jobs up to today) is added whenever they are shown.
#pragma once

#include <cstdint>
#include <vector>

#include "app/computations/service_length.h"
#include "app/dictionary/dictionary.h"
#include "framework/window/window_builder.h"
#include "framework/window/window_controller.h"

namespace veltrano::app::card {

class WorkHistoryTotals {
 public:
  WorkHistoryTotals();

  // The five lines at `top`, their numbers controls `first`, `first` + 1, … (days, months,
  // years of each line in turn).
  void Describe(framework::WindowBuilder& window, ui::ControlId first, int top);
  // The employee's periods as stored; false when they could not be read.
  bool Sum(Dictionary& dictionary, std::int64_t employee);
  // The totals as of today, into the window's controls.
  void Show(framework::WindowController& window);

  const DisplayedServiceTotals& shown() const { return shown_; }

 private:
  runtime::RecordLayout layout_;
  std::vector<std::uint8_t> values_;
  ServiceSums sums_;
  DisplayedServiceTotals shown_;
};

}  // namespace veltrano::app::card
