// Typed loads and stores of one element of a field in a record buffer (elements count from 0).
//
// Each load gives the field's value in one of the runtime's three working forms — a double, a
// decimal working value or text — and each store converts a value of one of those forms into
// the field's encoding. DATE and TIME fields load as date and time serials and store from them.
//
// Conversions never fail: text that is not a number gives 0, integers too large for a field
// lose their leading bits, long text is cut. An element outside the field or the buffer loads
// as 0 (or empty text) and is not stored. A real stored into an integer field keeps its 15
// significant digits first, so that 2.3 * 100 stores 230, not 229.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "runtime/values/decimal.h"
#include "runtime/values/record_layout.h"

namespace veltrano::runtime {

double loadReal(const FieldDescriptor& field, std::span<const std::uint8_t> record,
                std::uint32_t element = 0);
Decimal loadDecimal(const FieldDescriptor& field, std::span<const std::uint8_t> record,
                    std::uint32_t element = 0);
// The string form: STRING/GROUP bytes as stored, CSTRING up to its NUL, PSTRING its counted
// characters, integers in decimal, DECIMAL/PDECIMAL as Decimal::toText, reals as textFromReal,
// DATE/TIME as their serials. A type the string stack cannot carry stops the program with 501.
std::string loadText(const FieldDescriptor& field, std::span<const std::uint8_t> record,
                     std::uint32_t element = 0);
// The characters of a string-typed element (STRING, CSTRING, PSTRING, GROUP) in place, without a
// copy; empty for other types. Valid while the record is.
std::string_view stringView(const FieldDescriptor& field, std::span<const std::uint8_t> record,
                            std::uint32_t element = 0);

void storeReal(const FieldDescriptor& field, std::span<std::uint8_t> record, double value,
               std::uint32_t element = 0);
void storeDecimal(const FieldDescriptor& field, std::span<std::uint8_t> record, const Decimal& value,
                  std::uint32_t element = 0);
// Strings are assigned (cut or padded); numbers are read from the text (DECIMAL/PDECIMAL by the
// decimal text rule, the others by the real text rule); DATE/TIME take a serial in the text.
void storeText(const FieldDescriptor& field, std::span<std::uint8_t> record, std::string_view text,
               std::uint32_t element = 0);
void storeInteger(const FieldDescriptor& field, std::span<std::uint8_t> record, std::int64_t value,
                  std::uint32_t element = 0);

// Clears every element. Direction 0 gives the empty value (spaces, empty CSTRING/PSTRING, 0);
// a positive direction the highest value of the type and a negative one the lowest, for the
// limits of key ranges (strings as for clearStringType; numbers their largest and smallest
// values; DATE and TIME all bits set or 0). A GROUP is cleared as a STRING of its width; use the
// layout form to clear it member by member.
void clearField(const FieldDescriptor& field, std::span<std::uint8_t> record, int direction = 0);
// Field `index` of the layout; a GROUP is cleared through its members.
void clearField(const RecordLayout& layout, std::size_t index, std::span<std::uint8_t> record,
                int direction = 0);
// Strings blank, numbers, dates and times 0, groups through their members. Fields declared OVER
// another are left alone: their bytes belong to the field they overlay.
void clearRecord(const RecordLayout& layout, std::span<std::uint8_t> record);

}  // namespace veltrano::runtime
