// A table's definition as the storage file keeps it: a byte stream written when the table is
// created (cut into 512-byte definition chunks), compared with the program's declaration when
// the table is opened, and taken as the declaration when a table is opened without one.
//
// Stream items: a byte; a number (16 bits, low byte first); a string (its characters and a zero
// byte; an empty string is 0 0, an absent one 0 1). In order: the format (1, or 2 with a BLOB),
// the record size, the field, memo and key counts, then every field, memo and key.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "runtime/values/record_layout.h"

namespace veltrano::storage {

struct FileControlBlock;

struct FieldDefinition {
  std::uint8_t type = 0;
  std::uint16_t offset = 0;
  std::optional<std::string> name;
  std::uint16_t elements = 1;          // product of the dimensions
  std::uint16_t size = 0;              // elements × element size
  std::uint16_t overlay = 0;           // 1: lies within an earlier field (OVER, GROUP member)
  std::uint16_t position = 0;          // 0-based index in the field list
  std::uint8_t places = 0;             // DECIMAL, PDECIMAL
  std::uint8_t element_size = 0;       // DECIMAL, PDECIMAL
  std::uint16_t length = 0;            // STRING, CSTRING, PSTRING: one element's length
  std::optional<std::string> picture;  // string types; absent when none

  bool operator==(const FieldDefinition&) const = default;
};

struct MemoDefinition {
  std::optional<std::string> name;
  std::optional<std::string> external_name;
  std::uint16_t size = 0;
  std::uint16_t attributes = 0;  // BINARY 0x02, BLOB 0x04

  bool operator==(const MemoDefinition&) const = default;
};

// Key attribute bits of the stream.
inline constexpr std::uint8_t kStoredKeyDup = 0x01;
inline constexpr std::uint8_t kStoredKeyOpt = 0x02;
inline constexpr std::uint8_t kStoredKeyNocase = 0x04;
inline constexpr std::uint8_t kStoredKeyPrimary = 0x10;
inline constexpr std::uint8_t kStoredKeyUpdating = 0x20;  // the driver's own mark
inline constexpr std::uint8_t kStoredKeyDynamic = 0x40;   // a dynamic index

struct KeyComponentDefinition {
  std::uint16_t position = 0;  // 0-based field index
  bool descending = false;

  bool operator==(const KeyComponentDefinition&) const = default;
};

struct KeyDefinition {
  std::optional<std::string> name;
  std::optional<std::string> external_name;
  std::uint8_t attributes = 0;
  std::vector<KeyComponentDefinition> components;

  bool operator==(const KeyDefinition&) const = default;
};

struct TableDefinition {
  std::uint16_t format = 1;
  std::uint16_t record_size = 0;
  std::vector<FieldDefinition> fields;
  std::vector<MemoDefinition> memos;
  std::vector<KeyDefinition> keys;

  bool operator==(const TableDefinition&) const = default;
};

// The definition of a declared file. REQUIRES: file.layout is set.
TableDefinition definitionOf(const FileControlBlock& file);

std::vector<std::uint8_t> writeDefinition(const TableDefinition& definition);

// Reads a stream back; nullopt (with a reason in *problem) when it is cut short, has bytes
// left over, or holds impossible values.
std::optional<TableDefinition> readDefinition(std::span<const std::uint8_t> stream, std::string* problem);

// Whether a declaration fits a stored definition: names, external names, pictures and the
// PRIMARY and driver marks of keys may differ, and a BLOB's size; nothing else may.
bool definitionsMatch(const TableDefinition& stored, const TableDefinition& declared);

// The record layout a stored definition describes (dimensions collapse to one of the element
// count). nullopt when the fields cannot be laid out as stored.
std::optional<runtime::RecordLayout> layoutOf(const TableDefinition& definition);

}  // namespace veltrano::storage
