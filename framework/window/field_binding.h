// Controls bound to fields. A form shows each bound field through its control's picture and
// reads what the clerk typed back through the same picture; text that does not fit the picture
// (a date that does not exist, letters in a number, a template left half filled) is refused and
// the field keeps its value.
//
//   FieldBinding birth = bindField(kBirthEntry, ui::ControlKind::kEntry, karta.layout(),
//                                  karta.record(), "KAR:DATR", "@d6.");
//   engine.setValue(window, kBirthEntry, shownText(birth));     // " 5.03.2001" shown as "5.03.2001"
//   if (!storeShownText(birth, "31.02.2001")) ...                // refused: no 31 February
//
// Pictures: "@s" strings keep the typed text; "@n"/"@e" numbers take digits with the picture's
// decimal separator (or the other of "." and ","), a sign only where the picture shows one, and
// no more integer digits than it has positions; "@d"/"@t" dates and times must name a real day
// and time; "@p…p"/"@k…k" templates are filled as a person types them (digits and letters go into
// the template's positions, its literal characters are added or may be typed) and a string field
// keeps the filled template ("123-456-789 01"), a numeric field the digits.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/picture/picture.h"
#include "runtime/values/record_layout.h"
#include "ui/window_description.h"

namespace veltrano::framework {

// Where a control's value lives: an element of a record field, or a memo's contents.
struct BoundValue {
  const runtime::FieldDescriptor* field = nullptr;
  std::span<std::uint8_t> record;
  std::uint32_t element = 0;
  std::vector<std::uint8_t>* memo = nullptr;
  std::size_t memo_size = 0;  // the memo's declared size; 0 = no limit

  bool valid() const;
  bool numeric() const;
};

struct FieldBinding {
  ui::ControlId control = 0;
  ui::ControlKind kind = ui::ControlKind::kEntry;
  BoundValue value;
  std::string picture;
  runtime::CompiledPicture compiled;
  bool required = false;   // an empty value is refused when the form completes
  bool read_only = false;  // shown only: the form never reads it back
};

// A binding of `control` to field `field_name` (element `element`) of a record; the picture is
// the field's declared one when `picture` is empty. An invalid binding (value not valid) when the
// layout has no such field.
FieldBinding bindField(ui::ControlId control, ui::ControlKind kind, const runtime::RecordLayout& layout,
                       std::span<std::uint8_t> record, std::string_view field_name,
                       std::string_view picture = {}, std::uint32_t element = 0);

// What the control shows for the value: entries and combos the value formatted through the
// picture without the padding, checks "1" or "0", option groups the value's text.
std::string shownText(const FieldBinding& binding);
// Reads the control's text into the value; false, with the value untouched, when the text does
// not fit the picture.
bool storeShownText(const FieldBinding& binding, std::string_view shown);
// Whether the value is empty (blank text, zero number, no date).
bool valueIsEmpty(const FieldBinding& binding);

// Typed text laid into a pattern or key-in template: the filled template, "" for text with
// nothing typed, nullopt when the text does not fit (a letter in a digit position, positions left
// unfilled, characters left over).
std::optional<std::string> fillTemplate(const runtime::CompiledPicture& picture, std::string_view typed);

}  // namespace veltrano::framework
