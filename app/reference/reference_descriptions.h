// The reference books as data: every list and entry form of the area is a row of one table,
// run by one list procedure (reference_list.h) and one form procedure (reference_form.h). The
// staff schedule's window and forms, with their linked lists, are code of their own
// (staff_schedule.h, staff_forms.h).
//
// Texts are written as the clerk reads them (UTF-8 here, code page 1251 once described); field
// and key names are the dictionary's.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string_view>

namespace veltrano::app::reference {

enum class LocatorKind : std::uint8_t {
  kStep,   // a letter typed on the list jumps to the first entry at or after it
  kEntry,  // the typed text, shown in an entry above the list, finds the first entry it begins
};

struct ListDescription {
  std::uint16_t number = 0;  // VELTRnnn
  std::string_view label;    // the window's label and settings section
  std::string_view caption;
  std::string_view file;
  std::string_view key;                       // the order
  std::string_view format;                    // the list's column format
  std::array<std::string_view, 4> columns{};  // the field each column shows, in order
  std::uint16_t form = 0;                     // the entry form; 0 for a list that only selects
  LocatorKind locator = LocatorKind::kStep;
  std::string_view locator_prompt;  // the entry locator's prompt
  std::string_view filter;          // the list shows the records it accepts
  std::string_view numo_field;      // the chosen record's field "&Выбрать" puts into numo
};

struct FormField {
  std::string_view prompt;
  std::string_view field;
  std::string_view picture;
  std::string_view note;       // a remark on the line after the entry
  bool form50_groups = false;  // a drop-down of the ten speciality groups of form No. 50
};

struct FormDescription {
  std::uint16_t number = 0;
  std::string_view label;
  std::string_view caption;
  std::string_view file;
  std::array<FormField, 3> fields{};
  // The key whose value two records may not share (the entry's name), empty for none: the
  // drop-down lists and the card copy these texts, so a second entry of the same text is
  // refused with the duplicate message instead of being written.
  std::string_view distinct_key;
};

// The 21 one-field reference books (their lists and forms), then the profession, speciality,
// position and managers' lists and forms, then the selection-only lists of the staff schedule.
std::span<const ListDescription> referenceLists();
std::span<const FormDescription> referenceForms();
const ListDescription* findList(std::uint16_t number);
const FormDescription* findForm(std::uint16_t number);

// The ten speciality groups of form No. 50.
std::span<const std::string_view> form50Groups();

}  // namespace veltrano::app::reference
