// A declared file that owns everything its file control block points at: the record layout,
// key and memo descriptors, the record buffer and the memo buffer. The application's files,
// wlk and tests declare files this way:
//
//   runtime::RecordLayoutBuilder fields;
//   fields.decimal("PEO:ID", 7, 0).string("PEO:NAME", 20);
//   auto people = DeclaredFile::make("PEOPLE", fields.build());
//   people->setName("people\\!EMP");
//   people->addKey("PEO:ID_KEY", {"+PEO:ID"}, kKeyPrimary | kKeyOpt);
//   people->addMemo("PEO:NOTES", 200);
//   fileStatement(Operation::Open, people->file(), arguments);
//
// It is neither copied nor moved: the control block's keys point back at it.
#pragma once

#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/values/record_layout.h"
#include "storage/definition_stream.h"
#include "storage/file_control_block.h"

namespace veltrano::storage {

class DeclaredFile {
 public:
  static std::unique_ptr<DeclaredFile> make(std::string label, runtime::RecordLayout layout);
  // The declaration a stored definition gives (the label names the file; set the name after).
  // nullopt when the definition cannot be laid out.
  static std::unique_ptr<DeclaredFile> fromDefinition(std::string label, const TableDefinition& definition);

  DeclaredFile(const DeclaredFile&) = delete;
  DeclaredFile& operator=(const DeclaredFile&) = delete;

  FileControlBlock& file() { return file_; }
  const FileControlBlock& file() const { return file_; }
  const runtime::RecordLayout& layout() const { return *layout_; }
  std::span<std::uint8_t> record() { return record_; }

  void setName(std::string name) { file_.external_name = std::move(name); }
  void setOwner(std::string owner) { file_.owner = std::move(owner); }
  void setAttributes(std::uint8_t attributes) { file_.attributes = attributes; }
  void setDriver(Driver& driver) { file_.driver = &driver; }

  // Adds a key whose components are field labels, each with an optional '+' or '-'. Returns
  // null when a label names no field.
  KeyDescriptor* addKey(std::string label, const std::vector<std::string>& components,
                        std::uint32_t attributes, std::optional<std::string> external_name = std::nullopt);
  // Adds a key from 1-based signed field numbers.
  KeyDescriptor& addKeyByNumbers(std::string label, std::vector<std::int32_t> components,
                                 std::uint32_t attributes,
                                 std::optional<std::string> external_name = std::nullopt);
  MemoDescriptor& addMemo(std::string label, std::uint32_t size, std::uint8_t attributes = 0,
                          std::optional<std::string> external_name = std::nullopt);

  KeyDescriptor* key(std::string_view label);
  // The 0-based number of the memo with this label, or -1.
  int memoIndex(std::string_view label) const;

 private:
  DeclaredFile(std::string label, runtime::RecordLayout layout);
  std::unique_ptr<runtime::RecordLayout> layout_;
  std::vector<std::uint8_t> record_;
  std::vector<std::unique_ptr<KeyDescriptor>> keys_;
  std::vector<std::unique_ptr<MemoDescriptor>> memos_;
  FileControlBlock file_;
};

}  // namespace veltrano::storage
