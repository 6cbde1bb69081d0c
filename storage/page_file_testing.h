// Helpers shared by the page file's tests: a scratch directory, random entries, and a check that
// a tree holds exactly what the in-memory model holds.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "storage/memory_entry_tree.h"
#include "storage/page_file.h"

namespace veltrano::storage::testing {

using Bytes = std::vector<std::uint8_t>;

class ScratchDirectory {
 public:
  ScratchDirectory() {
    static int serial = 0;
    // Memory-backed when the machine has it: the tests flush thousands of times.
    const std::filesystem::path shared_memory("/dev/shm");
    const auto base =
        std::filesystem::is_directory(shared_memory) ? shared_memory : std::filesystem::temp_directory_path();
    path_ = base / ("veltrano-pagefile-" + std::to_string(::getpid()) + "-" + std::to_string(serial++));
    std::filesystem::create_directories(path_);
  }
  ~ScratchDirectory() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  std::string file(const std::string& name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

inline Bytes readWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

inline void writeWholeFile(const std::string& path, const Bytes& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// A number below `bound`.
inline std::uint32_t roll(std::mt19937& random, std::uint32_t bound) {
  return static_cast<std::uint32_t>(random() % bound);
}

// Keys of varied length sharing prefixes (so that pages share bytes and split at odd places),
// drawn from a small space so that replacements and erasures hit existing entries.
inline Bytes randomKey(std::mt19937& random, std::uint32_t space, std::size_t long_keys_every = 0) {
  const std::uint32_t n = roll(random, space);
  Bytes key{static_cast<std::uint8_t>('K'), static_cast<std::uint8_t>(n >> 8), static_cast<std::uint8_t>(n)};
  if (long_keys_every != 0 && n % long_keys_every == 0)
    key.resize(3 + 200 + n % 700, static_cast<std::uint8_t>(n));
  if (n % 3 == 0) key.push_back(static_cast<std::uint8_t>(n % 7));
  return key;
}

inline Bytes randomData(std::mt19937& random, std::size_t largest) {
  Bytes data(roll(random, static_cast<std::uint32_t>(largest + 1)));
  const bool runny = roll(random, 2) == 0;  // runs of equal bytes make pages pack
  for (std::size_t i = 0; i < data.size(); ++i) {
    data[i] = runny ? static_cast<std::uint8_t>(i / 37) : static_cast<std::uint8_t>(random());
  }
  return data;
}

// Walks the whole tree forwards and backwards and checks it against the model, entry by entry.
inline ::testing::AssertionResult sameEntries(EntryTree& tree, MemoryEntryTree& model) {
  Entry got;
  Entry expected;
  bool have = tree.seek({}, Seek::AtOrAfter, got);
  bool want = model.seek({}, Seek::AtOrAfter, expected);
  std::size_t count = 0;
  while (have && want) {
    if (got.bytes != expected.bytes || got.key_length != expected.key_length) {
      return ::testing::AssertionFailure() << "entry " << count << " differs";
    }
    ++count;
    const Bytes key(got.key().begin(), got.key().end());
    have = tree.seek(key, Seek::After, got);
    want = model.seek(key, Seek::After, expected);
  }
  if (have != want) return ::testing::AssertionFailure() << "entry counts differ after " << count;
  have = tree.seek(Bytes(1, 0xFF), Seek::Before, got);
  want = model.seek(Bytes(1, 0xFF), Seek::Before, expected);
  while (have && want) {
    if (got.bytes != expected.bytes) return ::testing::AssertionFailure() << "backward walk differs";
    const Bytes key(got.key().begin(), got.key().end());
    have = tree.seek(key, Seek::Before, got);
    want = model.seek(key, Seek::Before, expected);
  }
  if (have != want) return ::testing::AssertionFailure() << "backward walk lengths differ";
  if (tree.lastNumber() != model.lastNumber()) return ::testing::AssertionFailure() << "numbers differ";
  return ::testing::AssertionSuccess();
}

}  // namespace veltrano::storage::testing
