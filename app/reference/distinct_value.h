// Whether the value a reference form is about to save is taken already: a name that two entries
// of a reference book (or two departments of one subdivision) share makes the drop-down lists
// and the reports that copy it unable to tell them apart.
#pragma once

#include <span>
#include <string>

#include "framework/field_ref.h"
#include "framework/table_manager.h"

namespace veltrano::app::reference {

// True when a record other than the one at `own_position` (empty for a record not yet in the
// file) holds the buffer's value under `key`, compared as the key compares (without regard to
// case for a NOCASE key), and the buffer's values in the `scope` fields. The buffer and the
// file's position are as they were afterwards.
// REQUIRES: the manager's file is open; `key` is one of its keys.
bool valueTaken(framework::TableManager& manager, const storage::KeyDescriptor& key,
                std::span<const framework::FieldRef> scope, const std::string& own_position);

}  // namespace veltrano::app::reference
