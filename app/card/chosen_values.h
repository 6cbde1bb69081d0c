// The "..." buttons of the card and its forms: each opens a list in select mode and, when the
// clerk has chosen, copies fields of the chosen record into the form's record.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "app/frame/application.h"

namespace veltrano::app::card {

struct ChosenField {
  std::string_view to;    // "KAR:PROF"
  std::uint32_t element;  // of `to`, from 0
  std::string_view from;  // "PRO:PROF"
};

struct ValueChoice {
  std::uint16_t list = 0;   // VELTRnnn, run in select mode
  std::string_view to;      // the form's file
  std::string_view source;  // the list's file, whose buffer holds the chosen record
  std::array<ChosenField, 3> fields{};
};

// True when the clerk chose a record, whose fields are then in the form's record.
bool chooseValues(const Application& application, const ValueChoice& choice);

}  // namespace veltrano::app::card
