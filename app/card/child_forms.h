// The entry forms of the card's child lists, as data: the prompts and fields in window order,
// the drop-down lists over the reference books, the "..." buttons that copy a chosen record's
// fields, and the fields each form computes from others as the clerk enters them. Every form
// gives a new record the employee's number from numg.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string_view>

#include "app/card/chosen_values.h"
#include "app/frame/application.h"

namespace veltrano::app::card {

enum : ui::ControlId {
  kChildFormFirstField = 1,     // the lines' controls, in order
  kChildFormChooseOffset = 50,  // a line's "..." button: its field's number plus this
  kChildFormOk = 90,
  kChildFormCancel,
};

enum class LineKind : std::uint8_t {
  kEntry,
  kChosen,      // shown and typed as an entry, or chosen from a list with the "..." beside it
  kDrop,        // a drop-down list over `book`
  kCategories,  // the three categories of an attestation, each stored as its own text
  kLength,      // a group of three numbers (days, months, years) titled by `prompt`
};

struct FormLine {
  std::string_view prompt;
  std::string_view field;  // kLength: the days; the months and years follow in the record
  std::string_view picture = {};
  LineKind kind = LineKind::kEntry;
  std::string_view book = {};    // kDrop
  std::string_view format = {};  // kDrop; kLength: the header over the three numbers
  ValueChoice choice = {};       // kChosen
  bool read_only = false;
};

// What a form computes when the clerk has entered one of `from`.
enum class Computed : std::uint8_t {
  kNothing,
  kPeriodLength,  // the work period's length from its start to its end
  kLeaveDays,     // the additional leave and the total
};

struct ChildFormDescription {
  std::uint16_t number = 0;
  std::string_view label;
  std::string_view caption;
  std::string_view file;
  std::string_view employee;  // the field numg goes into
  std::array<FormLine, 14> lines{};
  Computed computed = Computed::kNothing;
  std::array<std::string_view, 4> from{};
};

std::span<const ChildFormDescription> childForms();
const ChildFormDescription* findChildForm(std::uint16_t number);

std::uint8_t runChildForm(const Application& application, const ChildFormDescription& form,
                          const framework::ProcedureCall& call);

}  // namespace veltrano::app::card
