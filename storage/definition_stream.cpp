#include "storage/definition_stream.h"

#include <cstdlib>

#include "storage/file_control_block.h"

namespace veltrano::storage {
namespace {

using runtime::TypeCode;

bool isStringCode(std::uint8_t type) {
  return type == static_cast<std::uint8_t>(TypeCode::String) ||
         type == static_cast<std::uint8_t>(TypeCode::Cstring) ||
         type == static_cast<std::uint8_t>(TypeCode::Pstring);
}

bool isDecimalCode(std::uint8_t type) {
  return type == static_cast<std::uint8_t>(TypeCode::Decimal) ||
         type == static_cast<std::uint8_t>(TypeCode::Pdecimal);
}

class StreamWriter {
 public:
  void byte(std::uint8_t value) { bytes_.push_back(value); }
  void number(std::uint32_t value) {
    bytes_.push_back(static_cast<std::uint8_t>(value & 0xFF));
    bytes_.push_back(static_cast<std::uint8_t>((value >> 8) & 0xFF));
  }
  void string(const std::optional<std::string>& text) {
    if (!text) {
      bytes_.push_back(0);
      bytes_.push_back(1);
    } else if (text->empty()) {
      bytes_.push_back(0);
      bytes_.push_back(0);
    } else {
      bytes_.insert(bytes_.end(), text->begin(), text->end());
      bytes_.push_back(0);
    }
  }
  std::vector<std::uint8_t> take() { return std::move(bytes_); }

 private:
  std::vector<std::uint8_t> bytes_;
};

class StreamReader {
 public:
  explicit StreamReader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
  bool ok() const { return ok_; }
  bool atEnd() const { return at_ == bytes_.size(); }

  std::uint8_t byte() {
    if (at_ >= bytes_.size()) return cut();
    return bytes_[at_++];
  }
  std::uint16_t number() {
    if (at_ + 2 > bytes_.size()) return cut();
    const auto value = static_cast<std::uint16_t>(bytes_[at_] | (bytes_[at_ + 1] << 8));
    at_ += 2;
    return value;
  }
  std::optional<std::string> string() {
    if (at_ >= bytes_.size()) return cut(), std::nullopt;
    if (bytes_[at_] == 0) {
      if (at_ + 2 > bytes_.size()) return cut(), std::nullopt;
      const bool absent = bytes_[at_ + 1] == 1;
      if (bytes_[at_ + 1] > 1) return cut(), std::nullopt;
      at_ += 2;
      return absent ? std::nullopt : std::optional<std::string>(std::string());
    }
    std::string text;
    while (at_ < bytes_.size() && bytes_[at_] != 0) text.push_back(static_cast<char>(bytes_[at_++]));
    if (at_ >= bytes_.size()) return cut(), std::nullopt;
    ++at_;
    return text;
  }

 private:
  std::uint8_t cut() {
    ok_ = false;
    at_ = bytes_.size();
    return 0;
  }
  std::span<const std::uint8_t> bytes_;
  std::size_t at_ = 0;
  bool ok_ = true;
};

std::uint8_t storedKeyAttributes(std::uint32_t attributes) {
  std::uint8_t stored = 0;
  if (attributes & kKeyDup) stored |= kStoredKeyDup;
  if (attributes & kKeyOpt) stored |= kStoredKeyOpt;
  if (attributes & kKeyNocase) stored |= kStoredKeyNocase;
  if (attributes & kKeyPrimary) stored |= kStoredKeyPrimary;
  if (attributes & kKeyIndex) stored |= kStoredKeyDynamic;
  return stored;
}

std::uint16_t cut16(std::uint32_t value) {
  return static_cast<std::uint16_t>(value & 0xFFFF);
}

}  // namespace

TableDefinition definitionOf(const FileControlBlock& file) {
  TableDefinition definition;
  const auto& layout = *file.layout;
  definition.record_size = cut16(layout.size());
  for (std::size_t i = 0; i < layout.fieldCount(); ++i) {
    const auto& field = layout.field(i);
    FieldDefinition stored;
    stored.type = static_cast<std::uint8_t>(field.type);
    stored.offset = cut16(field.offset);
    stored.name = field.name;
    stored.elements = cut16(field.elementCount());
    stored.size = cut16(field.size);
    stored.overlay = field.overlay ? 1 : 0;
    stored.position = cut16(static_cast<std::uint32_t>(i));
    if (isDecimalCode(stored.type)) {
      stored.places = field.places;
      stored.element_size = static_cast<std::uint8_t>(field.element_size & 0xFF);
    } else if (isStringCode(stored.type)) {
      stored.length = cut16(field.element_size);
      if (!field.picture.empty()) stored.picture = field.picture;
    }
    definition.fields.push_back(std::move(stored));
  }
  for (const auto* memo : file.memos) {
    MemoDefinition stored;
    stored.name = memo->label;
    stored.external_name = memo->external_name;
    stored.size = cut16(memo->size);
    stored.attributes = memo->attributes;
    if (memo->attributes & kMemoBlob) definition.format = 2;
    definition.memos.push_back(std::move(stored));
  }
  for (const auto* key : file.keys) {
    KeyDefinition stored;
    stored.name = key->label;
    stored.external_name = key->external_name;
    stored.attributes = storedKeyAttributes(key->attributes);
    for (const auto component : key->components) {
      stored.components.push_back(
          {cut16(static_cast<std::uint32_t>(std::abs(component)) - 1), component < 0});
    }
    definition.keys.push_back(std::move(stored));
  }
  return definition;
}

std::vector<std::uint8_t> writeDefinition(const TableDefinition& definition) {
  StreamWriter out;
  out.number(definition.format);
  out.number(definition.record_size);
  out.number(static_cast<std::uint32_t>(definition.fields.size()));
  out.number(static_cast<std::uint32_t>(definition.memos.size()));
  out.number(static_cast<std::uint32_t>(definition.keys.size()));
  for (const auto& field : definition.fields) {
    out.byte(field.type);
    out.number(field.offset);
    out.string(field.name);
    out.number(field.elements);
    out.number(field.size);
    out.number(field.overlay);
    out.number(field.position);
    if (isDecimalCode(field.type)) {
      out.byte(field.places);
      out.byte(field.element_size);
    } else if (isStringCode(field.type)) {
      out.number(field.length);
      out.string(field.picture);
    }
  }
  for (const auto& memo : definition.memos) {
    out.string(memo.name);
    out.string(memo.external_name);
    out.number(memo.size);
    out.number(memo.attributes);
  }
  for (const auto& key : definition.keys) {
    out.string(key.name);
    out.string(key.external_name);
    out.byte(key.attributes);
    out.number(static_cast<std::uint32_t>(key.components.size()));
    for (const auto& component : key.components) {
      out.number(component.position);
      out.number(component.descending ? 1 : 0);
    }
  }
  return out.take();
}

std::optional<TableDefinition> readDefinition(std::span<const std::uint8_t> stream, std::string* problem) {
  auto fail = [&](const char* why) -> std::optional<TableDefinition> {
    if (problem) *problem = why;
    return std::nullopt;
  };
  StreamReader in(stream);
  TableDefinition definition;
  definition.format = in.number();
  definition.record_size = in.number();
  const std::uint16_t field_count = in.number();
  const std::uint16_t memo_count = in.number();
  const std::uint16_t key_count = in.number();
  if (!in.ok()) return fail("definition cut short in its head");
  if (definition.format != 1 && definition.format != 2) return fail("unknown definition format");
  for (std::uint16_t i = 0; i < field_count && in.ok(); ++i) {
    FieldDefinition field;
    field.type = in.byte();
    field.offset = in.number();
    field.name = in.string();
    field.elements = in.number();
    field.size = in.number();
    field.overlay = in.number();
    field.position = in.number();
    if (isDecimalCode(field.type)) {
      field.places = in.byte();
      field.element_size = in.byte();
    } else if (isStringCode(field.type)) {
      field.length = in.number();
      field.picture = in.string();
    }
    if (in.ok() && (field.position != i ||
                    static_cast<std::uint32_t>(field.offset) + field.size > definition.record_size)) {
      return fail("field out of place");
    }
    definition.fields.push_back(std::move(field));
  }
  for (std::uint16_t i = 0; i < memo_count && in.ok(); ++i) {
    MemoDefinition memo;
    memo.name = in.string();
    memo.external_name = in.string();
    memo.size = in.number();
    memo.attributes = in.number();
    definition.memos.push_back(std::move(memo));
  }
  for (std::uint16_t i = 0; i < key_count && in.ok(); ++i) {
    KeyDefinition key;
    key.name = in.string();
    key.external_name = in.string();
    key.attributes = in.byte();
    const std::uint16_t components = in.number();
    for (std::uint16_t c = 0; c < components && in.ok(); ++c) {
      KeyComponentDefinition component;
      component.position = in.number();
      const std::uint16_t direction = in.number();
      component.descending = direction == 1;
      if (in.ok() && (component.position >= field_count || direction > 1)) {
        return fail("key component out of range");
      }
      key.components.push_back(component);
    }
    definition.keys.push_back(std::move(key));
  }
  if (!in.ok()) return fail("definition cut short");
  if (!in.atEnd()) return fail("bytes after the definition");
  return definition;
}

bool definitionsMatch(const TableDefinition& stored, const TableDefinition& declared) {
  if (stored.format != declared.format || stored.record_size != declared.record_size ||
      stored.fields.size() != declared.fields.size() || stored.memos.size() != declared.memos.size() ||
      stored.keys.size() != declared.keys.size()) {
    return false;
  }
  for (std::size_t i = 0; i < stored.fields.size(); ++i) {
    const auto& a = stored.fields[i];
    const auto& b = declared.fields[i];
    if (a.type != b.type || a.offset != b.offset || a.elements != b.elements || a.size != b.size ||
        a.overlay != b.overlay || a.position != b.position || a.places != b.places ||
        a.element_size != b.element_size || a.length != b.length) {
      return false;
    }
  }
  for (std::size_t i = 0; i < stored.memos.size(); ++i) {
    const auto& a = stored.memos[i];
    const auto& b = declared.memos[i];
    if (a.attributes != b.attributes) return false;
    if ((a.attributes & 0x04) == 0 && a.size != b.size) return false;
  }
  constexpr std::uint8_t kCompared = kStoredKeyDup | kStoredKeyOpt | kStoredKeyNocase | kStoredKeyDynamic;
  for (std::size_t i = 0; i < stored.keys.size(); ++i) {
    const auto& a = stored.keys[i];
    const auto& b = declared.keys[i];
    if ((a.attributes & kCompared) != (b.attributes & kCompared) || a.components != b.components)
      return false;
  }
  return true;
}

std::optional<runtime::RecordLayout> layoutOf(const TableDefinition& definition) {
  runtime::RecordLayoutBuilder builder;
  struct OpenGroup {
    std::uint32_t end;
  };
  std::vector<OpenGroup> groups;
  std::uint32_t running = 0;
  std::vector<const FieldDefinition*> earlier;
  for (const auto& field : definition.fields) {
    // A group ends at the first field outside its bytes, and once its members have filled it: an
    // OVER field that follows (of the group, or of a field before it) was declared after its END.
    while (!groups.empty() &&
           (field.overlay == 0 || field.offset >= groups.back().end || running >= groups.back().end)) {
      builder.endGroup();
      groups.pop_back();
    }
    const std::string name = field.name.value_or(std::string());
    const auto type = static_cast<TypeCode>(field.type);
    const bool member = !groups.empty() && field.offset == running;
    const std::uint16_t elements = field.elements == 0 ? 1 : field.elements;
    if (type == TypeCode::Group) {
      builder.beginGroup(name);
      groups.push_back({static_cast<std::uint32_t>(field.offset) + field.size});
    } else if (isDecimalCode(field.type)) {
      const auto digits = static_cast<std::uint8_t>(field.element_size * 2 - 1);
      if (type == TypeCode::Decimal) {
        builder.decimal(name, digits, field.places);
      } else {
        builder.pdecimal(name, digits, field.places);
      }
    } else {
      builder.field(name, type, field.size / elements);
    }
    if (isStringCode(field.type) && field.picture) builder.picture(*field.picture);
    if (elements > 1 || (type != TypeCode::Group && field.size / elements * elements != field.size)) {
      builder.dim({elements});
    }
    if (field.overlay != 0 && !member) {
      const FieldDefinition* target = nullptr;
      for (const auto* candidate : earlier) {
        if (candidate->offset == field.offset) {
          target = candidate;
          break;
        }
      }
      if (target == nullptr) return std::nullopt;
      builder.over(target->name.value_or(std::string()));
    } else if (type != TypeCode::Group) {
      running = static_cast<std::uint32_t>(field.offset) + field.size;
    } else {
      running = field.offset;
    }
    earlier.push_back(&field);
  }
  auto layout = builder.build();
  // The rebuilt layout must describe the stored bytes exactly, or the stream is not one we can
  // take as a declaration.
  if (layout.size() != definition.record_size || layout.fieldCount() != definition.fields.size()) {
    return std::nullopt;
  }
  for (std::size_t i = 0; i < layout.fieldCount(); ++i) {
    const auto& field = layout.field(i);
    const auto& stored = definition.fields[i];
    if (field.offset != stored.offset || field.size != stored.size ||
        field.overlay != (stored.overlay != 0)) {
      return std::nullopt;
    }
  }
  return layout;
}

}  // namespace veltrano::storage
