// Tests of records on their stored images, which a driver runs where the records lie.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

namespace veltrano::storage {

// A test of a record made on its stored image: only the parts of the record buffer that it reads
// are filled in (converted as a read converts them) before it runs, so a record it rejects costs
// those parts, not a whole read.
struct StoredTest {
  struct Part {
    std::uint32_t offset;
    std::uint32_t size;
  };
  std::vector<Part> reads;     // the parts of the record buffer the test reads
  std::function<bool()> test;  // true for a record that passes
  // NEXT and PREVIOUS with a test pass over at most this many rejected records, then give the
  // next record whatever the test says, so that the caller's lock is given up now and then.
  static constexpr std::size_t kMostPassedOver = 255;
};

}  // namespace veltrano::storage
