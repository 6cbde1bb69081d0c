// The personnel application's data dictionary as data: the 39 files with their labels, message
// names, prefixes, fields in stored order, keys and memos, and the parent→child relations.
// Everything that declares a file (the start-up registration, the command-line tool's demo
// data, tests) reads these tables, so a file is described in exactly one place.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "runtime/values/type_codes.h"

namespace veltrano::app {

struct FieldSpec {
  std::string_view name;  // label with prefix, e.g. "KAR:FAM"
  runtime::TypeCode type;
  std::uint32_t length = 0;  // STRING: characters; DECIMAL: digits; 0 for fixed-width types
  std::uint8_t places = 0;   // DECIMAL: digits after the point
  std::uint32_t dim = 0;     // DIM(n); 0 for a simple field
};

struct KeySpec {
  std::string_view label;  // e.g. "KAR:NUM_KEY"
  std::vector<std::string_view> components;
  bool unique = false;         // PRIMARY without DUP; every other key is DUP
  bool auto_numbered = false;  // the first component is numbered on insert
};

struct MemoSpec {
  std::string_view label;
  std::uint32_t size = 0;
};

struct FileSpec {
  std::string_view label;         // also the storage file's name
  std::string_view message_name;  // the name the file manager uses in messages
  std::string_view prefix;
  std::uint32_t record_bytes = 0;
  std::vector<FieldSpec> fields;
  std::vector<KeySpec> keys;
  std::optional<MemoSpec> memo;
  std::string_view list_title;  // UTF-8; the title of a one-field lookup list, else empty
};

struct RelationSpec {
  std::string_view parent;  // file labels
  std::string_view child;
  std::string_view child_key;
  std::string_view parent_field;  // linking fields: parent_field = child_field
  std::string_view child_field;
};

// The 39 files in registration order.
const std::vector<FileSpec>& dictionaryFiles();
// The ten parent→child relations (update mode none, delete mode cascade).
const std::vector<RelationSpec>& dictionaryRelations();
// The file with this label, or null.
const FileSpec* findFileSpec(std::string_view label);

}  // namespace veltrano::app
