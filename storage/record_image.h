// Record images: a data record holds the record buffer unchanged, except that a file with the
// OEM attribute keeps its string fields (STRING, CSTRING up to the terminator, PSTRING over its
// counted characters — top-level fields only, not overlays or group members) in the OEM
// character set.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "runtime/values/record_layout.h"

namespace veltrano::storage {

class RecordImage {
 public:
  RecordImage() = default;
  RecordImage(const runtime::RecordLayout& layout, bool oem_file);

  // Whether images differ from buffers at all.
  bool converts() const { return !fields_.empty() || !whole_ranges_.empty(); }
  // Buffer → stored image. REQUIRES: sizes equal the record size.
  void toStored(std::span<const std::uint8_t> buffer, std::span<std::uint8_t> image) const;
  // Stored image → buffer.
  void toBuffer(std::span<const std::uint8_t> image, std::span<std::uint8_t> buffer) const;

 private:
  struct TextField {
    runtime::TypeCode type;
    std::uint32_t offset;
    std::uint32_t size;
    std::uint32_t element_size;
  };
  struct ByteRange {
    std::uint32_t offset;
    std::uint32_t size;
  };
  void convert(std::span<std::uint8_t> bytes, bool to_oem) const;
  // STRING fields convert whole (every element, blanks included), so neighbours are merged into
  // one range; CSTRING and PSTRING elements stop at their terminator or count.
  std::vector<ByteRange> whole_ranges_;
  std::vector<TextField> fields_;
};

}  // namespace veltrano::storage
