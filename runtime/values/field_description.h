// The type part of a field's description as the driver's trace and the declaration dump print
// it: the type name, then "(digits,places)" for DECIMAL/PDECIMAL, "(size)" or "(@picture)" for a
// string type, ", DIM(…)" for an array and ", OVER(name)" for a field overlaying another:
//   DECIMAL(7,2)   STRING(20)   STRING(@s20)   LONG, DIM(3,4)   STRING(4), OVER(KAR:KOD)
#pragma once

#include <string>

#include "runtime/values/record_layout.h"

namespace veltrano::runtime {

std::string describeFieldType(const FieldDescriptor& field, const RecordLayout& layout);

}  // namespace veltrano::runtime
