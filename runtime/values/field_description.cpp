#include "runtime/values/field_description.h"

#include <cstdio>

namespace veltrano::runtime {

std::string describeFieldType(const FieldDescriptor& field, const RecordLayout& layout) {
  std::string text(typeName(field.type));
  char buffer[48];
  if (field.type == TypeCode::Decimal || field.type == TypeCode::Pdecimal) {
    std::snprintf(buffer, sizeof buffer, "(%u,%u)", static_cast<unsigned>(field.digits),
                  static_cast<unsigned>(field.places));
    text += buffer;
  } else if (isStringType(field.type)) {
    if (!field.picture.empty()) {
      // The picture gives the size; it is printed with its "@".
      text += "(@";
      text += field.picture.front() == '@' ? field.picture.substr(1) : field.picture;
      text += ")";
    } else {
      std::snprintf(buffer, sizeof buffer, "(%u)", static_cast<unsigned>(field.element_size));
      text += buffer;
    }
  }
  if (field.isArray()) {
    text += ", DIM(";
    for (std::size_t i = 0; i < field.dimensions.size(); ++i) {
      if (i != 0) text += ",";
      text += std::to_string(field.dimensions[i]);
    }
    text += ")";
  }
  if (field.over >= 0 && static_cast<std::size_t>(field.over) < layout.fieldCount()) {
    text += ", OVER(";
    text += layout.field(static_cast<std::size_t>(field.over)).name;
    text += ")";
  }
  return text;
}

}  // namespace veltrano::runtime
