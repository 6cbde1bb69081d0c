#include "storage/compression.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "storage/storage_failure.h"

namespace veltrano::storage {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes pack(const Bytes& body) {
  Bytes out;
  EXPECT_TRUE(packBody(body, out));
  return out;
}

Bytes unpack(const Bytes& packed, std::size_t size) {
  Bytes body(size);
  unpackBody(packed, body);
  return body;
}

// Reads a packed body with a BodyReader to its end, in parts of random sizes, copying some and
// skipping the others: the failure met (0 for none), with the bytes copied checked against
// `expected` when given.
int readerFailure(const Bytes& packed, std::size_t size, std::mt19937& random, const Bytes* expected) {
  try {
    BodyReader reader(packed, size, true);
    Bytes part;
    for (std::size_t at = 0; reader.left() > 0;) {
      const std::size_t step =
          std::min<std::size_t>(reader.left(), random() % (random() % 4 == 0 ? 400 : 40));
      if (random() % 2 == 0) {
        part.resize(step);
        reader.copy(part.data(), step);
        if (expected != nullptr) {
          EXPECT_TRUE(
              std::equal(part.begin(), part.end(), expected->begin() + static_cast<std::ptrdiff_t>(at)))
              << "at " << at;
        }
      } else {
        reader.skip(step);
      }
      at += step;
    }
    reader.finish();
  } catch (const StorageFailure& failure) {
    return failure.number();
  }
  return 0;
}

// The failure unpacking gives (0 for none); reading the body in parts must meet the same.
int failureOf(const Bytes& packed, std::size_t size) {
  int unpacked = 0;
  Bytes body;
  try {
    body = unpack(packed, size);
  } catch (const StorageFailure& failure) {
    unpacked = failure.number();
  }
  std::mt19937 random(static_cast<std::uint32_t>(packed.size() * 31 + size));
  for (int reading = 0; reading < 4; ++reading)
    EXPECT_EQ(readerFailure(packed, size, random, unpacked == 0 ? &body : nullptr), unpacked);
  return unpacked;
}

TEST(PagePacking, ThreeHundredEqualBytes) {
  // Literal count 1, the byte, repeat count 299 in two base-128 bytes, final literal count 0.
  EXPECT_EQ(pack(Bytes(300, 0x41)), (Bytes{0x01, 0x41, 0xAB, 0x02, 0x00}));
  EXPECT_EQ(unpack(Bytes{0x01, 0x41, 0xAB, 0x02, 0x00}, 300), Bytes(300, 0x41));
}

TEST(PagePacking, OnlyRunsOfFourOrMoreArePacked) {
  Bytes out;
  EXPECT_FALSE(packBody(Bytes{1, 1, 1, 2, 2, 2, 3}, out));
  EXPECT_FALSE(packBody(Bytes{}, out));
  // A run of exactly four, with literals before and after it.
  EXPECT_EQ(pack(Bytes{9, 8, 7, 7, 7, 7, 6, 5}), (Bytes{0x03, 9, 8, 7, 0x03, 0x02, 6, 5}));
  // Short runs stay among the literals; a run ending the body leaves an empty final literal.
  EXPECT_EQ(pack(Bytes{1, 1, 2, 2, 2, 2, 2}), (Bytes{0x03, 1, 1, 2, 0x04, 0x00}));
}

TEST(PagePacking, RoundTripsBodiesOfEveryShape) {
  std::mt19937 random(42);
  for (int round = 0; round < 500; ++round) {
    Bytes body(random() % 3000);
    for (std::size_t i = 0; i < body.size();) {
      const std::size_t run = 1 + random() % (random() % 4 == 0 ? 400 : 3);
      const auto value = static_cast<std::uint8_t>(random() % 4);
      for (std::size_t j = 0; j < run && i < body.size(); ++j) body[i++] = value;
    }
    Bytes packed;
    if (packBody(body, packed)) {
      ASSERT_EQ(unpack(packed, body.size()), body) << "round " << round;
    }
  }
}

// The writer skips ahead to where a byte equals its neighbour; its groups must be exactly those
// of the plain rule: scan, and pack every run of four or more, at every place in a word.
TEST(PagePacking, GroupsAreThoseOfThePlainRuleWhereverRunsLie) {
  const auto plain = [](const Bytes& body, Bytes& out) {
    const auto count = [&](std::size_t value) {
      for (; value >= 0x80; value >>= 7) out.push_back(static_cast<std::uint8_t>(0x80 | (value & 0x7F)));
      out.push_back(static_cast<std::uint8_t>(value));
    };
    out.clear();
    bool repeated = false;
    std::size_t from = 0;
    for (std::size_t at = 0; at < body.size();) {
      std::size_t run = 1;
      while (at + run < body.size() && body[at + run] == body[at]) ++run;
      if (run >= 4) {
        count(at + 1 - from);
        out.insert(out.end(), body.begin() + static_cast<std::ptrdiff_t>(from),
                   body.begin() + static_cast<std::ptrdiff_t>(at + 1));
        count(run - 1);
        repeated = true;
        from = at + run;
      }
      at += run;
    }
    if (!repeated) return false;
    count(body.size() - from);
    out.insert(out.end(), body.begin() + static_cast<std::ptrdiff_t>(from), body.end());
    return true;
  };
  std::mt19937 random(7);
  for (int round = 0; round < 3000; ++round) {
    Bytes body(random() % 200);
    for (std::size_t i = 0; i < body.size();) {
      const std::size_t run = 1 + random() % (random() % 3 == 0 ? 9 : 2);
      const auto value = static_cast<std::uint8_t>(round % 2 == 0 ? random() % 3 : random());
      for (std::size_t j = 0; j < run && i < body.size(); ++j) body[i++] = value;
    }
    Bytes expected, packed;
    const bool expected_packed = plain(body, expected);
    ASSERT_EQ(packBody(body, packed), expected_packed) << "round " << round;
    if (expected_packed) {
      ASSERT_EQ(packed, expected) << "round " << round;
    }
  }
}

// Reading a body in parts passes over the groups it skips without unpacking them: on bodies of
// every shape, and on their packed bytes damaged, it must read what unpacking gives and fail
// where unpacking fails (failureOf checks both).
TEST(PagePacking, ABodyReadInPartsIsTheBodyUnpacked) {
  std::mt19937 random(5);
  int damaged_failures = 0;
  for (int round = 0; round < 600; ++round) {
    Bytes body(random() % 2000);
    for (std::size_t i = 0; i < body.size();) {
      const std::size_t run = 1 + random() % (random() % 4 == 0 ? 300 : 3);
      const auto value = static_cast<std::uint8_t>(random() % 3);
      for (std::size_t j = 0; j < run && i < body.size(); ++j) body[i++] = value;
    }
    Bytes packed;
    if (!packBody(body, packed)) continue;
    ASSERT_EQ(failureOf(packed, body.size()), 0) << "round " << round;
    for (int damage = 0; damage < 4; ++damage) {
      Bytes bad = packed;
      for (int k = 0; k < 1 + damage; ++k) bad[random() % bad.size()] = static_cast<std::uint8_t>(random());
      if (random() % 3 == 0) bad.resize(random() % bad.size());
      if (failureOf(bad, body.size()) != 0) ++damaged_failures;
    }
  }
  EXPECT_GT(damaged_failures, 100);  // the damage was of the kind that fails
}

TEST(PagePacking, CountsThatOverrunTheBodyAreFailures) {
  EXPECT_EQ(failureOf(Bytes{0x05, 1, 2, 3, 4, 5}, 4), 522);           // literal larger than the body
  EXPECT_EQ(failureOf(Bytes{0x03, 1, 2}, 3), 522);                    // literal beyond the packed bytes
  EXPECT_EQ(failureOf(Bytes{0x01, 7, 0x05}, 4), 530);                 // repeat larger than what is left
  EXPECT_EQ(failureOf(Bytes{0x00, 0x03}, 3), 530);                    // repeat with nothing to repeat
  EXPECT_EQ(failureOf(Bytes{0x01, 7}, 4), 530);                       // packed bytes end before the body
  EXPECT_EQ(failureOf(Bytes{0x81, 0x80, 0x80, 0x80, 0x01}, 4), 522);  // a count longer than any page
  EXPECT_EQ(failureOf(Bytes{0x01, 7, 0x02}, 3), 522);                 // final literal count missing
  EXPECT_EQ(failureOf(Bytes{0x01, 7, 0x02, 0x01, 9}, 3), 522);        // a final literal past the body
}

}  // namespace
}  // namespace veltrano::storage
