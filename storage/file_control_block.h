// The static description of a declared file that every file statement hands to the file's
// driver: label, external name, owner, attributes, record layout, keys and memos, the record
// buffer shared with the program's variables, and the driver's own expanded state.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "runtime/values/record_layout.h"

namespace veltrano::storage {

class Driver;
struct FileControlBlock;

// Declared file attributes.
inline constexpr std::uint8_t kFileEncrypt = 0x02;
inline constexpr std::uint8_t kFileCreate = 0x04;
inline constexpr std::uint8_t kFileReclaim = 0x08;
inline constexpr std::uint8_t kFileThread = 0x10;
inline constexpr std::uint8_t kFileOem = 0x20;

// Key attributes.
inline constexpr std::uint32_t kKeyDup = 0x0001;
inline constexpr std::uint32_t kKeyOpt = 0x0002;
inline constexpr std::uint32_t kKeyNocase = 0x0004;
inline constexpr std::uint32_t kKeyPrimary = 0x0010;
inline constexpr std::uint32_t kKeyIndex = 0x4000;  // dynamic index, built on demand

// Memo attributes.
inline constexpr std::uint8_t kMemoBinary = 0x02;
inline constexpr std::uint8_t kMemoBlob = 0x04;

struct KeyDescriptor {
  std::optional<std::string> external_name;  // NAME of the key
  std::string label;                         // with prefix, e.g. "VID:VID_KEY"
  std::uint32_t attributes = 0;
  // 1-based field numbers in the record layout; negative sorts that component descending.
  std::vector<std::int32_t> components;
  FileControlBlock* file = nullptr;

  bool unique() const { return (attributes & kKeyDup) == 0; }
};

struct MemoDescriptor {
  std::optional<std::string> external_name;
  std::string label;
  std::uint8_t attributes = 0;
  std::uint32_t size = 0;  // declared maximum of a MEMO; unused for a BLOB
};

// The driver's expanded description of a file, built on first use. Each driver derives its own;
// the members here are the ones the common entry needs.
struct DriverState {
  virtual ~DriverState() = default;
  bool open = false;
  int failure = 0;     // the storage failure number once the file has failed, else 0
  int last_error = 0;  // the error code of the last operation
};

struct FileControlBlock {
  Driver* driver = nullptr;
  std::string label;                          // as declared, e.g. "VID_KVAL"
  std::optional<std::string> external_name;   // NAME; the label names the file when absent
  std::optional<std::string> owner;           // OWNER password of an encrypted file
  std::string driver_options;                 // the DRIVER's options string
  std::uint8_t attributes = 0;                // kFile… bits
  const runtime::RecordLayout* layout = nullptr;
  std::vector<KeyDescriptor*> keys;           // declaration order
  std::vector<MemoDescriptor*> memos;         // declaration order
  std::span<std::uint8_t> record;             // the record buffer (layout->size() bytes)
  // The memo buffer: one entry per memo in declaration order. A MEMO's text (at most its
  // declared size) or a BLOB's bytes.
  std::vector<std::vector<std::uint8_t>> memo_values;
  std::unique_ptr<DriverState> state;         // the driver's expanded description, or null
};

}  // namespace veltrano::storage
