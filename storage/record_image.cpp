#include "storage/record_image.h"

#include <algorithm>
#include <cstring>

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

void RecordImage::convertField(const TextField& field, std::span<std::uint8_t> bytes, bool to_oem) const {
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

void RecordImage::convert(std::span<std::uint8_t> bytes, bool to_oem) const {
  for (const auto& range : whole_ranges_) convertText(bytes.subspan(range.offset, range.size), to_oem);
  for (const auto& field : fields_) convertField(field, bytes, to_oem);
}

namespace {

bool overlap(std::uint32_t a, std::uint32_t a_size, std::uint32_t b, std::uint32_t b_size) {
  return a < b + b_size && b < a + a_size;
}

// Sorts the ranges and joins those that overlap or touch.
std::vector<RecordImage::ByteRange> merged(std::vector<RecordImage::ByteRange> ranges) {
  std::sort(ranges.begin(), ranges.end(), [](const auto& a, const auto& b) { return a.offset < b.offset; });
  std::vector<RecordImage::ByteRange> out;
  for (const auto& range : ranges) {
    if (range.size == 0) continue;
    if (!out.empty() && range.offset <= out.back().offset + out.back().size) {
      const std::uint32_t end = std::max(out.back().offset + out.back().size, range.offset + range.size);
      out.back().size = end - out.back().offset;
    } else {
      out.push_back(range);
    }
  }
  return out;
}

}  // namespace

RecordImage::Selection RecordImage::select(std::vector<ByteRange> ranges) const {
  Selection selection;
  std::vector<ByteRange> converts;
  const std::size_t asked = ranges.size();
  for (std::size_t f = 0; f < fields_.size(); ++f) {
    const TextField& field = fields_[f];
    for (std::size_t r = 0; r < asked; ++r) {
      if (!overlap(field.offset, field.size, ranges[r].offset, ranges[r].size)) continue;
      selection.fields.push_back(f);
      ranges.push_back({field.offset, field.size});
      break;
    }
  }
  for (const auto& range : ranges) {
    for (const auto& whole : whole_ranges_) {
      if (!overlap(whole.offset, whole.size, range.offset, range.size)) continue;
      const std::uint32_t from = std::max(whole.offset, range.offset);
      const std::uint32_t to = std::min(whole.offset + whole.size, range.offset + range.size);
      converts.push_back({from, to - from});
    }
  }
  selection.copies = merged(std::move(ranges));
  selection.converts = merged(std::move(converts));
  return selection;
}

void RecordImage::toBuffer(const Selection& selection, std::span<const std::uint8_t> image,
                           std::span<std::uint8_t> buffer) const {
  for (const auto& range : selection.copies)
    std::memcpy(buffer.data() + range.offset, image.data() + range.offset, range.size);
  for (const auto& range : selection.converts) convertText(buffer.subspan(range.offset, range.size), false);
  for (const std::size_t field : selection.fields) convertField(fields_[field], buffer, false);
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
