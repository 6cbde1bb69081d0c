// Decoding pages as a cache miss does: a leaf of short key entries (the number key's: table,
// kind, number, record), an index page of long name keys, and a leaf of two packed records.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "storage/page.h"

namespace {

using veltrano::storage::Page;
using veltrano::storage::PageScratch;
using Bytes = std::vector<std::uint8_t>;

constexpr std::uint32_t kHome = 512 + 256 * 7;

Bytes numberKey(std::uint32_t number) {
  Bytes key{0, 0, 0, 1, 0x01, 0x80};
  for (int shift = 24; shift >= 0; shift -= 8) key.push_back(static_cast<std::uint8_t>(number >> shift));
  for (int shift = 24; shift >= 0; shift -= 8) key.push_back(static_cast<std::uint8_t>(number >> shift));
  return key;
}

Bytes nameKey(std::uint32_t i) {
  Bytes key(5 + 30 + 20, ' ');
  const std::uint8_t prefix[] = {0, 0, 0, 1, 0x02};
  std::memcpy(key.data(), prefix, sizeof prefix);
  const char* const surnames[] = {"IVANOV", "PETROVA", "SIDOROV", "KUZNETSOVA", "SMIRNOV"};
  const char* surname = surnames[i % 5];
  std::memcpy(key.data() + 5, surname, std::strlen(surname));
  key[5 + 30] = static_cast<std::uint8_t>('A' + i % 26);
  for (int shift = 24; shift >= 0; shift -= 8) key.push_back(static_cast<std::uint8_t>(i >> shift));
  return key;
}

Bytes encoded(const Page& page) {
  Bytes image;
  PageScratch scratch;
  page.encode(kHome, image, scratch);
  return image;
}

void decodeAll(benchmark::State& state, const Bytes& image) {
  Page page;
  for (auto _ : state) {
    page.decode(image, kHome);
    page.decodeAll();
    benchmark::DoNotOptimize(page.count());
  }
}

void decodeNumberKeyLeaf(benchmark::State& state) {
  Page page;
  page.reset(0);
  for (std::uint32_t n = 1; page.encodedSize() < 4096; ++n) page.insertAt(page.count(), numberKey(n * 3), {});
  state.counters["entries"] = static_cast<double>(page.count());
  decodeAll(state, encoded(page));
}
BENCHMARK(decodeNumberKeyLeaf);

void decodeNameIndexPage(benchmark::State& state) {
  Page page;
  page.reset(1);
  for (std::uint32_t i = 0; page.encodedSize() < 4096; ++i)
    page.insertAt(page.count(), nameKey(i * 7919 % 1000003), {}, i + 1);
  // Insertion was in no order; rebuild sorted.
  std::vector<Bytes> keys;
  for (std::size_t i = 0; i < page.count(); ++i) keys.emplace_back(page.key(i).begin(), page.key(i).end());
  std::sort(keys.begin(), keys.end());
  page.reset(1);
  for (std::size_t i = 0; i < keys.size(); ++i) page.insertAt(i, keys[i], {}, static_cast<std::uint32_t>(i + 1));
  state.counters["entries"] = static_cast<double>(page.count());
  decodeAll(state, encoded(page));
}
BENCHMARK(decodeNameIndexPage);

// What a cache miss on a key page costs a search: the page read in, then decoded only as far as
// the key sought, which is each of its entries in turn.
void searchFreshlyReadPage(benchmark::State& state, const Page& page) {
  const Bytes image = encoded(page);
  std::vector<Bytes> keys;
  for (std::size_t i = 0; i < page.count(); ++i) keys.emplace_back(page.key(i).begin(), page.key(i).end());
  Page read;
  std::size_t next = 0;
  for (auto _ : state) {
    read.decode(image, kHome);
    benchmark::DoNotOptimize(read.lowerBound(keys[next]));
    next = (next + 97) % keys.size();
  }
  state.counters["entries"] = static_cast<double>(page.count());
}

void searchNumberKeyLeaf(benchmark::State& state) {
  Page page;
  page.reset(0);
  for (std::uint32_t n = 1; page.encodedSize() < 4096; ++n) page.insertAt(page.count(), numberKey(n * 3), {});
  searchFreshlyReadPage(state, page);
}
BENCHMARK(searchNumberKeyLeaf);

void searchNameKeyLeaf(benchmark::State& state) {
  std::vector<Bytes> keys;
  for (std::uint32_t i = 0; i < 200; ++i) keys.push_back(nameKey(i * 7919 % 1000003));
  std::sort(keys.begin(), keys.end());
  Page page;
  page.reset(0);
  for (const Bytes& key : keys) page.insertAt(page.count(), key, {});
  searchFreshlyReadPage(state, page);
}
BENCHMARK(searchNameKeyLeaf);

// Writing a leaf of surname keys: what every update pays for each changed key page.
void encodeNameKeyLeaf(benchmark::State& state) {
  std::vector<Bytes> keys;
  for (std::uint32_t i = 0; i < 200; ++i) keys.push_back(nameKey(i * 7919 % 1000003));
  std::sort(keys.begin(), keys.end());
  Page page;
  page.reset(0);
  for (const Bytes& key : keys) {
    if (page.encodedSize() >= 4096) break;
    page.insertAt(page.count(), key, {});
  }
  state.counters["entries"] = static_cast<double>(page.count());
  Bytes image;
  PageScratch scratch;
  for (auto _ : state) {
    page.encode(kHome, image, scratch);
    benchmark::DoNotOptimize(image.data());
  }
}
BENCHMARK(encodeNameKeyLeaf);

void decodePackedRecordLeaf(benchmark::State& state) {
  Page page;
  page.reset(0);
  for (std::uint32_t record = 1; record <= 2; ++record) {
    Bytes key{0, 0, 0, 1, 0xF3, 0, 0, 0, static_cast<std::uint8_t>(record)};
    Bytes data(1860, ' ');
    for (std::size_t at = 0; at < data.size(); at += 97) std::memcpy(&data[at], "\x88\xa2\xa0\xad\xae\xa2 12", 9);
    page.insertAt(page.count(), key, data);
  }
  decodeAll(state, encoded(page));
}
BENCHMARK(decodePackedRecordLeaf);

}  // namespace
