// Values typed for wlk insert, read through their field type's whole syntax. Unlike the runtime's
// assignment rules (which cut, wrap and read as far as they can, as programs expect), the tool
// stores a value only when it reads completely and fits the field, so that what an administrator
// types is what the file holds:
//   integers (BYTE … ULONG)  an optional sign and digits, within the type's range
//   SREAL, REAL              a decimal floating literal, finite and within the type's range
//   DECIMAL, PDECIMAL        an optional sign, digits, "." or "," and at most as many fraction
//                            digits as the field has places, an optional exponent; the integer
//                            digits must fit
//   DATE                     дд.мм.гггг or гггг-мм-дд, a date serial (a whole number), or empty
//   TIME                     чч:мм[:сс[.сс]], a time serial, or empty
//   STRING, CSTRING, PSTRING, GROUP
//                            text that code page 1251 holds, no longer than the field (cut
//                            instead with `truncate`)
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "runtime/values/record_layout.h"

namespace veltrano::wlk {

// Stores `utf8` into element `element` of `field`; empty on success, else why not (naming the
// field), with the record left as it was.
std::string storeTypedValue(const runtime::FieldDescriptor& field, std::span<std::uint8_t> record,
                            std::uint32_t element, std::string_view utf8, bool truncate);

// The memo contents for `utf8`: empty on success, else why not. A MEMO holds at most `size` bytes
// of code page 1251 text (cut with `truncate`); a BLOB takes the bytes as they are.
std::string memoValue(std::string_view label, bool blob, std::uint32_t size, std::string_view utf8,
                      bool truncate, std::vector<std::uint8_t>& contents);

}  // namespace veltrano::wlk
