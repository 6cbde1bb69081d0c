// A field of a file's record buffer by its name, as the browses, ranges and locators take it.
#pragma once

#include <string_view>

#include "framework/field_ref.h"
#include "storage/declared_file.h"

namespace veltrano::app::reference {

// REQUIRES: the file has the field (the names are the dictionary's own).
inline framework::FieldRef fileField(storage::DeclaredFile& file, std::string_view name) {
  return framework::fieldOf(file.layout(), file.record(), static_cast<std::size_t>(file.layout().find(name)));
}

}  // namespace veltrano::app::reference
