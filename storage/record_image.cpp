#include "storage/record_image.h"

#include <algorithm>

#include "platform/codepage.h"

namespace veltrano::storage {
namespace {

void convertText(std::span<std::uint8_t> text, bool to_oem) {
  if (to_oem) {
    platform::oemFromAnsi(text);
  } else {
    platform::ansiFromOem(text);
  }
}

}  // namespace

RecordImage::RecordImage(const runtime::RecordLayout& layout, bool oem_file) {
  if (!oem_file) return;
  for (const auto& field : layout.fields()) {
    if (field.overlay || !runtime::isStringType(field.type)) continue;
    if (field.type == runtime::TypeCode::String) {
      if (!whole_ranges_.empty() && whole_ranges_.back().offset + whole_ranges_.back().size == field.offset) {
        whole_ranges_.back().size += field.size;
      } else {
        whole_ranges_.push_back({field.offset, field.size});
      }
      continue;
    }
    fields_.push_back(
        {field.type, field.offset, field.size, field.element_size == 0 ? field.size : field.element_size});
  }
}

void RecordImage::convert(std::span<std::uint8_t> bytes, bool to_oem) const {
  for (const auto& range : whole_ranges_) convertText(bytes.subspan(range.offset, range.size), to_oem);
  for (const auto& field : fields_) {
    for (std::uint32_t at = 0; at + field.element_size <= field.size && field.element_size > 0;
         at += field.element_size) {
      auto element = bytes.subspan(field.offset + at, field.element_size);
      switch (field.type) {
        case runtime::TypeCode::Cstring: {
          const auto end = std::find(element.begin(), element.end(), std::uint8_t{0});
          convertText(element.first(static_cast<std::size_t>(end - element.begin())), to_oem);
          break;
        }
        case runtime::TypeCode::Pstring: {
          const std::size_t count = std::min<std::size_t>(element[0], element.size() - 1);
          convertText(element.subspan(1, count), to_oem);
          break;
        }
        default: convertText(element, to_oem); break;
      }
    }
  }
}

void RecordImage::toStored(std::span<const std::uint8_t> buffer, std::span<std::uint8_t> image) const {
  std::copy(buffer.begin(), buffer.end(), image.begin());
  convert(image, true);
}

void RecordImage::toBuffer(std::span<const std::uint8_t> image, std::span<std::uint8_t> buffer) const {
  std::copy(image.begin(), image.end(), buffer.begin());
  convert(buffer, false);
}

}  // namespace veltrano::storage
