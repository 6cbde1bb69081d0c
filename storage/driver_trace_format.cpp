// The text of the driver trace: heads, field values and the closing line of an operation.
#include <cinttypes>
#include <cstdio>

#include "runtime/datetime/calendar.h"
#include "storage/driver_trace.h"

namespace veltrano::storage {
namespace {

using runtime::TypeCode;

constexpr const char* kMonthNames[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                         "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
constexpr int kFileSystemError = 90;

template <typename... Arguments>
std::string printed(const char* format, Arguments... arguments) {
  char buffer[1100];
  const int length = std::snprintf(buffer, sizeof buffer, format, arguments...);
  if (length <= 0) return {};
  return std::string(buffer, std::min(static_cast<std::size_t>(length), sizeof buffer - 1));
}

std::uint32_t little32(std::span<const std::uint8_t> bytes) {
  return std::uint32_t{bytes[0]} | std::uint32_t{bytes[1]} << 8 | std::uint32_t{bytes[2]} << 16 |
         std::uint32_t{bytes[3]} << 24;
}

std::string hexadecimal(std::span<const std::uint8_t> bytes) {
  if (bytes.size() == 1) return printed("%02XH", unsigned{bytes[0]});
  std::string text;
  for (const std::uint8_t byte : bytes) text += printed("%02X ", unsigned{byte});
  return text;
}

std::string quoted(std::string_view characters) {
  return "'" + std::string(characters) + "'";
}

bool detailedWithRecord(Operation operation) {
  switch (operation) {
    case Operation::Add:
    case Operation::AddFileLen:
    case Operation::Append:
    case Operation::AppendLen:
    case Operation::Delete:
    case Operation::GetFileKey:
    case Operation::GetFilePtr:
    case Operation::GetFilePtrLen:
    case Operation::GetKeyPtr:
    case Operation::Next:
    case Operation::Previous:
    case Operation::Put:
    case Operation::PutFilePtr:
    case Operation::PutFilePtrLen:
    case Operation::RegetFile:
    case Operation::RegetKey: return true;
    default: return false;
  }
}

}  // namespace

std::string formatFieldValue(const runtime::FieldDescriptor& field, std::span<const std::uint8_t> bytes) {
  if (!field.isArray()) {
    switch (field.type) {
      case TypeCode::String: return quoted({reinterpret_cast<const char*>(bytes.data()), bytes.size()});
      case TypeCode::Cstring: {
        std::size_t length = 0;
        while (length < bytes.size() && bytes[length] != 0) ++length;
        return quoted({reinterpret_cast<const char*>(bytes.data()), length});
      }
      case TypeCode::Pstring: {
        if (bytes.empty()) return quoted({});
        const std::size_t length = std::min<std::size_t>(bytes[0], bytes.size() - 1);
        return quoted({reinterpret_cast<const char*>(bytes.data() + 1), length});
      }
      case TypeCode::Date: {
        if (bytes.size() != 4) break;
        const std::uint32_t packed = little32(bytes);
        const int day = bytes[0];
        const int month = bytes[1];
        const int year = int{bytes[2]} | int{bytes[3]} << 8;
        // The calendar would carry 31 February over into March; the trace shows what is stored.
        const bool valid = month >= 1 && month <= 12 && day >= 1 && day <= runtime::daysInMonth(year, month);
        const std::int32_t serial = valid ? runtime::dateSerialFromPacked(packed) : 0;
        if (serial <= 0) return printed("Invalid date (%ld)", static_cast<long>(packed));
        return printed("%02d %s %d (%ld)", day, kMonthNames[month - 1], year, static_cast<long>(serial));
      }
      case TypeCode::Time: {
        if (bytes.size() != 4) break;
        const std::uint32_t packed = little32(bytes);
        const std::int32_t serial = runtime::timeSerialFromPacked(packed);
        if (serial <= 0) return printed("Invalid time (%ld)", static_cast<long>(packed));
        return printed("%02d:%02d:%02d.%02d (%ld)", int{bytes[3]}, int{bytes[2]}, int{bytes[1]},
                       int{bytes[0]}, static_cast<long>(serial));
      }
      default: break;
    }
  }
  return hexadecimal(bytes);
}

std::string formatFieldLines(const runtime::RecordLayout& layout, std::span<const std::uint8_t> record,
                             std::span<const std::size_t> only) {
  std::string text;
  auto line = [&](std::size_t index) {
    const auto& field = layout.field(index);
    // A GROUP's contents are its members' lines.
    if (field.type == TypeCode::Group) return;
    if (field.offset + field.size > record.size()) return;
    text += printed("  %-18s: ", field.name.c_str());
    text += formatFieldValue(field, record.subspan(field.offset, field.size));
    text += "\r\n";
  };
  if (only.empty()) {
    for (std::size_t i = 0; i < layout.fieldCount(); ++i) line(i);
  } else {
    for (const std::size_t index : only) {
      if (index < layout.fieldCount()) line(index);
    }
  }
  return text;
}

std::string formatTraceEntry(const TracedOperation& traced, bool details) {
  std::string head(operationName(static_cast<int>(traced.operation)));
  head += "(" + std::string(traced.file_name);
  if (traced.key != nullptr) {
    head += "," + traced.key->external_name.value_or(traced.key->label) + "[" +
            std::to_string(traced.key_number) + "]";
  }
  head += " " + std::to_string(traced.thread) + ") ";
  std::string text = printed("%-18s", head.c_str());

  if (details && traced.layout != nullptr) {
    std::string fields;
    if (detailedWithRecord(traced.operation)) {
      fields = formatFieldLines(*traced.layout, traced.record);
    } else if ((traced.operation == Operation::SetKeyKey || traced.operation == Operation::SetKeyKeyPtr) &&
               traced.key != nullptr) {
      std::vector<std::size_t> components;
      for (const std::int32_t component : traced.key->components) {
        const auto magnitude =
            static_cast<std::size_t>(component < 0 ? -static_cast<std::int64_t>(component) : component);
        if (magnitude > 0) components.push_back(magnitude - 1);
      }
      fields = formatFieldLines(*traced.layout, traced.record, components);
    }
    if (!fields.empty()) text += "\r\n" + fields;
  }

  if (traced.error == kFileSystemError) {
    text += "File Error: " + std::string(traced.file_error) + " ";
  } else if (traced.error != 0) {
    text += "Error: " + std::string(traced.error_text) + " ";
  }
  text += printed("Time Taken: %ld.%02ld secs\r\n", static_cast<long>(traced.hundredths / 100),
                  static_cast<long>(traced.hundredths % 100));
  return text;
}

}  // namespace veltrano::storage
