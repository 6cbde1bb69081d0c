#include "storage/declared_file.h"

#include "runtime/values/field_value.h"
#include "storage/file_name.h"

namespace veltrano::storage {

DeclaredFile::DeclaredFile(std::string label, runtime::RecordLayout layout)
    : layout_(std::make_unique<runtime::RecordLayout>(std::move(layout))) {
  record_.assign(layout_->size(), 0);
  runtime::clearRecord(*layout_, record_);
  file_.label = std::move(label);
  file_.layout = layout_.get();
  file_.record = record_;
}

std::unique_ptr<DeclaredFile> DeclaredFile::make(std::string label, runtime::RecordLayout layout) {
  return std::unique_ptr<DeclaredFile>(new DeclaredFile(std::move(label), std::move(layout)));
}

std::unique_ptr<DeclaredFile> DeclaredFile::fromDefinition(std::string label,
                                                           const TableDefinition& definition) {
  auto layout = layoutOf(definition);
  if (!layout) return nullptr;
  auto declared = make(std::move(label), std::move(*layout));
  for (const auto& memo : definition.memos) {
    declared->addMemo(memo.name.value_or(std::string()), memo.size,
                      static_cast<std::uint8_t>(memo.attributes & 0xFF), memo.external_name);
  }
  for (const auto& key : definition.keys) {
    std::vector<std::int32_t> components;
    for (const auto& component : key.components) {
      const auto number = static_cast<std::int32_t>(component.position) + 1;
      components.push_back(component.descending ? -number : number);
    }
    std::uint32_t attributes = 0;
    if (key.attributes & kStoredKeyDup) attributes |= kKeyDup;
    if (key.attributes & kStoredKeyOpt) attributes |= kKeyOpt;
    if (key.attributes & kStoredKeyNocase) attributes |= kKeyNocase;
    if (key.attributes & kStoredKeyPrimary) attributes |= kKeyPrimary;
    if (key.attributes & kStoredKeyDynamic) attributes |= kKeyIndex;
    declared->addKeyByNumbers(key.name.value_or(std::string()), std::move(components), attributes,
                              key.external_name);
  }
  return declared;
}

KeyDescriptor& DeclaredFile::addKeyByNumbers(std::string label, std::vector<std::int32_t> components,
                                             std::uint32_t attributes,
                                             std::optional<std::string> external_name) {
  auto key = std::make_unique<KeyDescriptor>();
  key->label = std::move(label);
  key->components = std::move(components);
  key->attributes = attributes;
  key->external_name = std::move(external_name);
  key->file = &file_;
  keys_.push_back(std::move(key));
  file_.keys.push_back(keys_.back().get());
  return *keys_.back();
}

KeyDescriptor* DeclaredFile::addKey(std::string label, const std::vector<std::string>& components,
                                    std::uint32_t attributes, std::optional<std::string> external_name) {
  std::vector<std::int32_t> numbers;
  for (std::string_view component : components) {
    bool descending = false;
    if (!component.empty() && (component.front() == '+' || component.front() == '-')) {
      descending = component.front() == '-';
      component.remove_prefix(1);
    }
    const int index = layout_->find(component);
    if (index < 0) return nullptr;
    numbers.push_back(descending ? -(index + 1) : index + 1);
  }
  return &addKeyByNumbers(std::move(label), std::move(numbers), attributes, std::move(external_name));
}

MemoDescriptor& DeclaredFile::addMemo(std::string label, std::uint32_t size, std::uint8_t attributes,
                                      std::optional<std::string> external_name) {
  auto memo = std::make_unique<MemoDescriptor>();
  memo->label = std::move(label);
  memo->size = size;
  memo->attributes = attributes;
  memo->external_name = std::move(external_name);
  memos_.push_back(std::move(memo));
  file_.memos.push_back(memos_.back().get());
  file_.memo_values.resize(memos_.size());
  return *memos_.back();
}

KeyDescriptor* DeclaredFile::key(std::string_view label) {
  const std::string wanted = upperCase1251(label);
  for (auto& key : keys_) {
    if (upperCase1251(key->label) == wanted) return key.get();
  }
  return nullptr;
}

int DeclaredFile::memoIndex(std::string_view label) const {
  const std::string wanted = upperCase1251(label);
  for (std::size_t i = 0; i < memos_.size(); ++i) {
    if (upperCase1251(memos_[i]->label) == wanted) return static_cast<int>(i);
  }
  return -1;
}

}  // namespace veltrano::storage
