#include "storage/declaration_parser.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <optional>
#include <vector>

#include "runtime/values/type_codes.h"
#include "storage/declaration_check.h"
#include "storage/file_name.h"

namespace veltrano::storage {
namespace {

using runtime::TypeCode;

struct Line {
  int number = 0;
  std::string label;  // empty for a line without one
  std::string text;   // the rest, trimmed
};

std::string_view trim(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r'))
    text.remove_suffix(1);
  return text;
}

std::vector<Line> splitLines(std::string_view text) {
  std::vector<Line> lines;
  int number = 0;
  while (!text.empty()) {
    ++number;
    const std::size_t end = text.find('\n');
    std::string_view raw = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    if (!raw.empty() && raw.back() == '\r') raw.remove_suffix(1);
    const std::string_view content = trim(raw);
    if (content.empty() || content.front() == '!') continue;
    Line line;
    line.number = number;
    if (raw.front() != ' ' && raw.front() != '\t') {
      const std::size_t blank = raw.find_first_of(" \t");
      line.label = std::string(raw.substr(0, blank));
      line.text = blank == std::string_view::npos ? std::string() : std::string(trim(raw.substr(blank)));
    } else {
      line.text = std::string(content);
    }
    lines.push_back(std::move(line));
  }
  return lines;
}

// One item of a comma-separated list: NAME or NAME(ARGUMENTS).
struct Item {
  std::string name;  // upper case
  std::optional<std::string> arguments;
};

std::optional<std::vector<Item>> splitItems(std::string_view text) {
  std::vector<Item> items;
  std::size_t at = 0;
  while (at <= text.size()) {
    int depth = 0;
    bool quoted = false;
    std::size_t end = at;
    for (; end < text.size(); ++end) {
      const char c = text[end];
      if (quoted) {
        if (c == '\'') {
          if (end + 1 < text.size() && text[end + 1] == '\'') {
            ++end;
          } else {
            quoted = false;
          }
        }
      } else if (c == '\'') {
        quoted = true;
      } else if (c == '(') {
        ++depth;
      } else if (c == ')') {
        if (--depth < 0) return std::nullopt;
      } else if (c == ',' && depth == 0) {
        break;
      }
    }
    if (quoted || depth != 0) return std::nullopt;
    const std::string_view piece = trim(text.substr(at, end - at));
    if (piece.empty()) return std::nullopt;
    Item item;
    const std::size_t open = piece.find('(');
    if (open == std::string_view::npos) {
      item.name = upperCase1251(piece);
    } else {
      if (piece.back() != ')') return std::nullopt;
      item.name = upperCase1251(trim(piece.substr(0, open)));
      item.arguments = std::string(piece.substr(open + 1, piece.size() - open - 2));
    }
    items.push_back(std::move(item));
    at = end + 1;
    if (end >= text.size()) break;
  }
  return items;
}

std::vector<std::string> splitArguments(std::string_view text) {
  std::vector<std::string> parts;
  std::size_t at = 0;
  bool quoted = false;
  int depth = 0;
  std::size_t start = 0;
  for (; at < text.size(); ++at) {
    const char c = text[at];
    if (c == '\'') quoted = !quoted;
    if (quoted) continue;
    if (c == '(') ++depth;
    if (c == ')') --depth;
    if (c == ',' && depth == 0) {
      parts.emplace_back(trim(text.substr(start, at - start)));
      start = at + 1;
    }
  }
  parts.emplace_back(trim(text.substr(start)));
  return parts;
}

std::optional<std::string> unquote(std::string_view text) {
  text = trim(text);
  if (text.size() < 2 || text.front() != '\'' || text.back() != '\'') return std::nullopt;
  std::string out;
  for (std::size_t i = 1; i + 1 < text.size(); ++i) {
    out += text[i];
    if (text[i] == '\'') ++i;
  }
  return out;
}

std::optional<std::uint32_t> number(std::string_view text) {
  text = trim(text);
  std::uint32_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

std::optional<TypeCode> typeByName(std::string_view name) {
  for (int code = 1; code <= 30; ++code) {
    if (runtime::typeName(static_cast<std::uint8_t>(code)) == name) return static_cast<TypeCode>(code);
  }
  return std::nullopt;
}

// The length a string picture gives: @s20, @p###p, @k…k.
std::optional<std::uint32_t> pictureLength(std::string_view picture) {
  if (picture.size() < 2 || picture[0] != '@') return std::nullopt;
  const char kind = static_cast<char>(picture[1] | 0x20);
  if (kind == 's') return number(picture.substr(2));
  if (kind == 'p' || kind == 'k') {
    const std::size_t end = picture.find_last_of(picture[1]);
    if (end <= 1) return std::nullopt;
    return static_cast<std::uint32_t>(end - 2);
  }
  return std::nullopt;
}

struct KeySpec {
  int line = 0;
  std::string label;
  std::vector<std::string> components;
  std::uint32_t attributes = 0;
  std::optional<std::string> external_name;
};

struct MemoSpec {
  int line = 0;
  std::string label;
  std::uint32_t size = 0;
  std::uint8_t attributes = 0;
  std::optional<std::string> external_name;
};

class Parser {
 public:
  explicit Parser(std::string* error) : error_(error) {}

  std::unique_ptr<DeclaredFile> parse(std::string_view text) {
    const auto lines = splitLines(text);
    std::size_t at = 0;
    if (lines.empty()) return failAt(0, "no FILE line");
    if (!fileLine(lines[at++])) return nullptr;
    for (; at < lines.size(); ++at) {
      const auto& line = lines[at];
      if (upperCase1251(line.text) == "RECORD") break;
      if (line.label.empty()) return failAt(line.number, "a key or memo needs a label");
      if (!keyOrMemoLine(line)) return nullptr;
    }
    if (at >= lines.size()) return failAt(lines.back().number, "RECORD is missing");
    record_line_ = lines[at].number;
    ++at;
    int depth = 0;
    bool record_closed = false;
    for (; at < lines.size(); ++at) {
      const auto& line = lines[at];
      if (line.label.empty() && upperCase1251(line.text) == "END") {
        if (depth == 0) {
          record_closed = true;
          ++at;
          break;
        }
        fields_.endGroup();
        --depth;
        continue;
      }
      if (line.label.empty()) return failAt(line.number, "a field needs a label");
      const auto opened = fieldLine(line);
      if (!opened) return nullptr;
      if (*opened) ++depth;
    }
    if (!record_closed) return failAt(lines.back().number, "END of the record is missing");
    if (at >= lines.size() || !lines[at].label.empty() || upperCase1251(lines[at].text) != "END") {
      return failAt(at < lines.size() ? lines[at].number : lines.back().number, "END of the file is missing");
    }
    if (at + 1 < lines.size()) return failAt(lines[at + 1].number, "text after the declaration");
    const auto layout = fields_.build();
    if (!fieldsFit(layout)) return nullptr;
    if (keys_.size() > kMostKeys) return failAt(keys_[kMostKeys].line, "a file has at most 240 keys");
    if (memos_.size() > kMostMemos) return failAt(memos_[kMostMemos].line, "a file has at most 255 memos");
    auto declared = DeclaredFile::make(label_, layout);
    declared->setAttributes(attributes_);
    if (name_) declared->setName(*name_);
    declared->file().driver_options = options_;
    for (const auto& memo : memos_)
      declared->addMemo(memo.label, memo.size, memo.attributes, memo.external_name);
    for (const auto& key : keys_) {
      const auto* added = declared->addKey(key.label, key.components, key.attributes, key.external_name);
      if (added == nullptr) return failAt(key.line, "a key component names no field");
      std::size_t length = 0;
      for (const auto component : added->components) {
        length += declared->layout().field(static_cast<std::size_t>(std::abs(component)) - 1).size;
      }
      if (const std::size_t longest = longestKeyValue(added->unique()); length > longest) {
        return failAt(key.line, "key " + key.label + " is " + std::to_string(length) + " bytes long; a " +
                                    (added->unique() ? "unique" : "DUP") + " key may be at most " +
                                    std::to_string(longest));
      }
    }
    return declared;
  }

 private:
  static constexpr std::size_t kMostKeys = 240;
  static constexpr std::size_t kMostMemos = 255;
  static constexpr std::uint64_t kLargestRecord = 15000;

  // Every field within the record, an OVER field within the field it overlays, a GROUP's members
  // within the group: otherwise the table could not be read back as declared.
  bool fieldsFit(const runtime::RecordLayout& layout) {
    if (layout.size() > kLargestRecord) {
      return failAt(record_line_, "the record is " + std::to_string(layout.size()) +
                                      " bytes; a record holds at most 15000"),
             false;
    }
    for (std::size_t i = 0; i < layout.fieldCount(); ++i) {
      const auto& field = layout.field(i);
      const int line = field_lines_[i];
      const std::uint64_t end = std::uint64_t{field.offset} + field.size;
      if (field.over >= 0) {
        const auto& target = layout.field(static_cast<std::size_t>(field.over));
        if (field.size > target.size) {
          return failAt(line, field.name + " (" + std::to_string(field.size) + " bytes) is larger than " +
                                  target.name + " (" + std::to_string(target.size) +
                                  " bytes), which it overlays"),
                 false;
        }
      }
      if (field.parent >= 0) {
        const auto& group = layout.field(static_cast<std::size_t>(field.parent));
        if (field.offset < group.offset || end > std::uint64_t{group.offset} + group.size) {
          return failAt(line, field.name + " lies outside its GROUP " + group.name), false;
        }
      }
      if (end > layout.size()) return failAt(line, field.name + " lies beyond the end of the record"), false;
    }
    return true;
  }

  std::nullptr_t failAt(int line, std::string_view why) {
    if (error_) *error_ = "line " + std::to_string(line) + ": " + std::string(why);
    return nullptr;
  }

  bool fileLine(const Line& line) {
    if (line.label.empty()) return failAt(line.number, "the FILE line needs a label"), false;
    auto items = splitItems(line.text);
    if (!items || items->empty() || (*items)[0].name != "FILE" || (*items)[0].arguments) {
      return failAt(line.number, "expected FILE"), false;
    }
    label_ = line.label;
    for (std::size_t i = 1; i < items->size(); ++i) {
      const auto& item = (*items)[i];
      if (item.name == "DRIVER" && item.arguments) {
        const auto parts = splitArguments(*item.arguments);
        const auto driver = unquote(parts[0]);
        if (!driver || upperCase1251(*driver) != "WENDLOCK")
          return failAt(line.number, "the driver must be 'WENDLOCK'"), false;
        if (parts.size() > 1) {
          const auto options = unquote(parts[1]);
          if (!options) return failAt(line.number, "bad driver options"), false;
          options_ = *options;
        }
      } else if (item.name == "NAME" && item.arguments) {
        name_ = unquote(*item.arguments);
        if (!name_) return failAt(line.number, "NAME needs a quoted text"), false;
      } else if (item.name == "OWNER" && item.arguments) {
        // The password is never written in a declaration; it comes with the command.
      } else if (item.name == "CREATE" && !item.arguments) {
        attributes_ |= kFileCreate;
      } else if (item.name == "ENCRYPT" && !item.arguments) {
        attributes_ |= kFileEncrypt;
      } else if (item.name == "RECLAIM" && !item.arguments) {
        attributes_ |= kFileReclaim;
      } else if (item.name == "THREAD" && !item.arguments) {
        attributes_ |= kFileThread;
      } else if (item.name == "OEM" && !item.arguments) {
        attributes_ |= kFileOem;
      } else {
        return failAt(line.number, "unknown file attribute " + item.name), false;
      }
    }
    return true;
  }

  bool keyOrMemoLine(const Line& line) {
    auto items = splitItems(line.text);
    if (!items || items->empty()) return failAt(line.number, "cannot read the line"), false;
    const auto& head = (*items)[0];
    if ((head.name == "KEY" || head.name == "INDEX") && head.arguments) {
      KeySpec key;
      key.line = line.number;
      key.label = line.label;
      key.components = splitArguments(*head.arguments);
      if (head.name == "INDEX") key.attributes |= kKeyIndex;
      for (const auto& component : key.components) {
        if (component.empty() || component == "+" || component == "-") {
          return failAt(line.number, "empty key component"), false;
        }
      }
      for (std::size_t i = 1; i < items->size(); ++i) {
        const auto& item = (*items)[i];
        if (item.name == "DUP" && !item.arguments) {
          key.attributes |= kKeyDup;
        } else if (item.name == "OPT" && !item.arguments) {
          key.attributes |= kKeyOpt;
        } else if (item.name == "NOCASE" && !item.arguments) {
          key.attributes |= kKeyNocase;
        } else if (item.name == "PRIMARY" && !item.arguments) {
          key.attributes |= kKeyPrimary;
        } else if (item.name == "NAME" && item.arguments) {
          key.external_name = unquote(*item.arguments);
          if (!key.external_name) key.external_name = std::string(trim(*item.arguments));
        } else {
          return failAt(line.number, "unknown key attribute " + item.name), false;
        }
      }
      keys_.push_back(std::move(key));
      return true;
    }
    if (head.name == "MEMO" || head.name == "BLOB") {
      MemoSpec memo;
      memo.line = line.number;
      memo.label = line.label;
      if (head.name == "MEMO") {
        const auto size = head.arguments ? number(*head.arguments) : std::nullopt;
        if (!size || *size == 0) return failAt(line.number, "MEMO needs its size"), false;
        if (*size > 0xFFFF) return failAt(line.number, "a MEMO holds at most 65535 bytes"), false;
        memo.size = *size;
      } else {
        if (head.arguments) return failAt(line.number, "BLOB takes no size"), false;
        memo.attributes |= kMemoBlob;
      }
      for (std::size_t i = 1; i < items->size(); ++i) {
        const auto& item = (*items)[i];
        if (item.name == "BINARY" && !item.arguments) {
          memo.attributes |= kMemoBinary;
        } else if (item.name == "NAME" && item.arguments) {
          memo.external_name = unquote(*item.arguments);
          if (!memo.external_name) memo.external_name = std::string(trim(*item.arguments));
        } else {
          return failAt(line.number, "unknown memo attribute " + item.name), false;
        }
      }
      memos_.push_back(std::move(memo));
      return true;
    }
    return failAt(line.number, "expected KEY, INDEX, MEMO, BLOB or RECORD"), false;
  }

  // A field line; true when it opens a GROUP, nullopt on an error.
  std::optional<bool> fieldLine(const Line& line) {
    auto items = splitItems(line.text);
    if (!items || items->empty()) return failAt(line.number, "cannot read the field"), std::nullopt;
    const auto& head = (*items)[0];
    const auto type = typeByName(head.name);
    if (!type) return failAt(line.number, "unknown type " + head.name), std::nullopt;
    for (const auto& known : labels_) {
      if (upperCase1251(known) == upperCase1251(line.label)) {
        return failAt(line.number, "field " + line.label + " declared twice"), std::nullopt;
      }
    }
    bool group = false;
    std::uint32_t element_size = 0;
    switch (*type) {
      case TypeCode::String:
      case TypeCode::Cstring:
      case TypeCode::Pstring: {
        if (!head.arguments) return failAt(line.number, "a string needs its length"), std::nullopt;
        const std::string_view argument = trim(*head.arguments);
        std::optional<std::uint32_t> length;
        std::string picture;
        if (!argument.empty() && argument.front() == '@') {
          picture = std::string(argument);
          length = pictureLength(argument);
          if (length && *type != TypeCode::String) ++*length;
        } else {
          length = number(argument);
        }
        if (!length || *length == 0) return failAt(line.number, "bad string length"), std::nullopt;
        if (*length > kLargestRecord) return failAt(line.number, "bad string length"), std::nullopt;
        element_size = *length;
        fields_.field(line.label, *type, *length);
        if (!picture.empty()) fields_.picture(picture);
        break;
      }
      case TypeCode::Decimal:
      case TypeCode::Pdecimal: {
        if (!head.arguments) return failAt(line.number, "a decimal needs its digits"), std::nullopt;
        const auto parts = splitArguments(*head.arguments);
        const auto digits = number(parts[0]);
        const auto places = parts.size() > 1 ? number(parts[1]) : std::optional<std::uint32_t>(0);
        if (!digits || !places || *digits == 0 || *digits > 31 || *places > *digits || parts.size() > 2) {
          return failAt(line.number, "bad decimal digits"), std::nullopt;
        }
        element_size = runtime::decimalBytes(*digits);
        if (*type == TypeCode::Decimal) {
          fields_.decimal(line.label, static_cast<std::uint8_t>(*digits), static_cast<std::uint8_t>(*places));
        } else {
          fields_.pdecimal(line.label, static_cast<std::uint8_t>(*digits),
                           static_cast<std::uint8_t>(*places));
        }
        break;
      }
      case TypeCode::Group:
        if (head.arguments) return failAt(line.number, "GROUP takes no arguments"), std::nullopt;
        fields_.beginGroup(line.label);
        group = true;
        break;
      default: {
        const std::uint32_t width = runtime::fixedWidth(*type);
        if (width == 0 || head.arguments)
          return failAt(line.number, "type " + head.name + " cannot be a field"), std::nullopt;
        element_size = width;
        fields_.scalar(line.label, *type);
        break;
      }
    }
    for (std::size_t i = 1; i < items->size(); ++i) {
      const auto& item = (*items)[i];
      if (item.name == "DIM" && item.arguments && !group) {
        std::vector<std::uint32_t> dimensions;
        std::uint64_t elements = 1;
        for (const auto& part : splitArguments(*item.arguments)) {
          const auto dimension = number(part);
          if (!dimension || *dimension == 0 || *dimension > 15000) {
            return failAt(line.number, "bad dimension"), std::nullopt;
          }
          dimensions.push_back(*dimension);
          elements *= *dimension;
          if (elements * std::max<std::uint32_t>(element_size, 1) > kLargestRecord) {
            return failAt(line.number, "the array is larger than a record may be (15000 bytes)"),
                   std::nullopt;
          }
        }
        fields_.dim(std::move(dimensions));
      } else if (item.name == "OVER" && item.arguments) {
        const std::string target(trim(*item.arguments));
        bool found = false;
        for (const auto& known : labels_) found = found || upperCase1251(known) == upperCase1251(target);
        if (!found) return failAt(line.number, "OVER names no earlier field"), std::nullopt;
        fields_.over(target);
      } else if (item.name == "NAME" && item.arguments) {
        const auto name = unquote(*item.arguments);
        if (!name) return failAt(line.number, "NAME needs a quoted text"), std::nullopt;
        fields_.externalName(*name);
      } else {
        return failAt(line.number, "unknown field attribute " + item.name), std::nullopt;
      }
    }
    labels_.push_back(line.label);
    field_lines_.push_back(line.number);
    return group;
  }

  std::string* error_;
  std::string label_;
  std::optional<std::string> name_;
  std::string options_;
  std::uint8_t attributes_ = 0;
  std::vector<KeySpec> keys_;
  std::vector<MemoSpec> memos_;
  runtime::RecordLayoutBuilder fields_;
  std::vector<std::string> labels_;
  std::vector<int> field_lines_;  // the line of each field of fields_, in order
  int record_line_ = 0;
};

}  // namespace

std::unique_ptr<DeclaredFile> parseDeclaration(std::string_view text, std::string* error) {
  return Parser(error).parse(text);
}

}  // namespace veltrano::storage
