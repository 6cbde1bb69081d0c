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
  struct ByteRange {
    std::uint32_t offset;
    std::uint32_t size;
  };
  // What toBuffer(selection, …) brings over for a few byte ranges of the buffer (the fields a
  // filter reads): their bytes, and every CSTRING or PSTRING field that overlaps them whole,
  // since its conversion stops at its terminator or count.
  struct Selection {
    std::vector<ByteRange> copies;    // sorted, apart from each other
    std::vector<ByteRange> converts;  // STRING bytes among the copies: converted byte by byte
    std::vector<std::size_t> fields;  // CSTRING and PSTRING fields among the copies
  };

  RecordImage() = default;
  RecordImage(const runtime::RecordLayout& layout, bool oem_file);

  // Whether images differ from buffers at all.
  bool converts() const { return !fields_.empty() || !whole_ranges_.empty(); }
  // Buffer → stored image. REQUIRES: sizes equal the record size.
  void toStored(std::span<const std::uint8_t> buffer, std::span<std::uint8_t> image) const;
  // Stored image → buffer.
  void toBuffer(std::span<const std::uint8_t> image, std::span<std::uint8_t> buffer) const;
  // REQUIRES: the ranges lie within the record.
  Selection select(std::vector<ByteRange> ranges) const;
  // Stored image → buffer within the selection's ranges only: they read as after toBuffer(), the
  // rest of the buffer stays as it was.
  void toBuffer(const Selection& selection, std::span<const std::uint8_t> image,
                std::span<std::uint8_t> buffer) const;

 private:
  struct TextField {
    runtime::TypeCode type;
    std::uint32_t offset;
    std::uint32_t size;
    std::uint32_t element_size;
  };
  void convertField(const TextField& field, std::span<std::uint8_t> bytes, bool to_oem) const;
  void convert(std::span<std::uint8_t> bytes, bool to_oem) const;
  // STRING fields convert whole (every element, blanks included), so neighbours are merged into
  // one range; CSTRING and PSTRING elements stop at their terminator or count.
  std::vector<ByteRange> whole_ranges_;
  std::vector<TextField> fields_;
};

}  // namespace veltrano::storage
