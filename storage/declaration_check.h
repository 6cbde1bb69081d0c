// What a file's declaration must satisfy before the driver builds its description from it (on
// every statement), and before CREATE writes it as a table's definition: the definition read
// back from the file must be the declaration, and every entry the table can give must fit a
// page — otherwise the table would be written and then refuse to open, or an ADD would fail.
#pragma once

#include <cstddef>

#include "storage/definition_stream.h"
#include "storage/file_control_block.h"

namespace veltrano::storage {

// 0, 47 "Invalid Record Declaration" (record over 15000 bytes, more than 240 keys or 255 memos,
// a key without components or naming no field), 75 "Invalid Field Type Descriptor" (GROUPs nested
// over 100 deep) or 79 "Unsupported Data Type In File".
int checkDeclaration(const FileControlBlock& file);

// The longest key value (the components' bytes together) a key may have, so that an index page
// can hold two of its entries' keys (7531 bytes for a unique key, 7527 for a DUP key, whose
// entries end with the record number).
std::size_t longestKeyValue(bool unique);

// For CREATE, beyond checkDeclaration: 0; 47 when a field lies outside the record or outside the
// field it overlays, or the definition would not read back as declared (a size or count the
// stream cannot hold); 88 "Invalid Key Length" for a key longer than longestKeyValue().
int checkCreatable(const FileControlBlock& file, const TableDefinition& declared);

}  // namespace veltrano::storage
