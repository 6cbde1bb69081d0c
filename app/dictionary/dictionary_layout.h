// Record layouts of the dictionary's files, built from the tables.
#pragma once

#include "app/dictionary/dictionary_tables.h"
#include "runtime/values/record_layout.h"

namespace veltrano::app {

runtime::RecordLayout recordLayout(const FileSpec& file);

}  // namespace veltrano::app
