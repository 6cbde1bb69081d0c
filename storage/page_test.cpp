#include "storage/page.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "storage/entry_tree.h"
#include "storage/storage_failure.h"

namespace veltrano::storage {
namespace {

using Bytes = std::vector<std::uint8_t>;
constexpr std::uint32_t kHome = 512 + 256 * 7;

Bytes encodePage(const Page& page, std::uint32_t home = kHome) {
  Bytes image;
  PageScratch scratch;
  page.encode(home, image, scratch);
  return image;
}

int failureOf(auto&& work) {
  try {
    work();
  } catch (const StorageFailure& failure) {
    return failure.number();
  }
  return 0;
}

// The failure decoding the image gives; a visit of the page undecoded must find the same.
int decodeFailure(const Bytes& image, std::uint32_t home = kHome) {
  const int decoded = failureOf([&] {
    Page page;
    page.decode(image, home);
    page.decodeAll();
  });
  const int visited = failureOf([&] {
    Page page;
    page.decode(image, home);
    VisitScratch scratch;
    const DataRange wanted[] = {{0, 2}};
    if (page.undecoded()) page.visitUndecoded(wanted, scratch, [](auto, auto) { return true; });
  });
  EXPECT_EQ(visited, decoded);
  // The first reading search of an index page, for a key above all, compares every entry where
  // it lies.
  bool index_page = false;
  const int walked = failureOf([&] {
    Page page;
    page.decode(image, home);
    index_page = !page.isLeaf();
    if (index_page) page.routeToRead(Bytes(80, 0xFF));
  });
  if (index_page) {
    EXPECT_EQ(walked, decoded);
  }
  return decoded;
}

TEST(PageEncoding, EntriesShareAtMost63LeadingBytes) {
  Page page;
  page.reset(0);
  Bytes first(80, 'a');
  Bytes second = first;
  second[70] = 'b';  // equal to the first in its first 70 bytes
  page.insertAt(0, first, {});
  page.insertAt(1, Bytes(second.begin(), second.begin() + 75), Bytes(second.begin() + 75, second.end()));
  const Bytes image = encodePage(page);
  // Second entry: flag 0x40 (same length, new key length) | 63 shared, its key length, 17 bytes.
  const std::size_t second_at = kPageHeaderBytes + 5 + 80;
  EXPECT_EQ(image[second_at], 0x40 | 63);
  EXPECT_EQ(loadLe16(&image[second_at + 1]), 75);
  EXPECT_EQ(loadLe16(&image[6]), second_at + 3 + 17);  // uncompressed size
  EXPECT_EQ(page.encodedSize(), second_at + 3 + 17);
}

TEST(PageEncoding, SharedBytesAreCountedToTheFirstDifferenceWhereverItFalls) {
  // Every length pair and every place of the first difference, either side of each eight-byte
  // word and of the 63-byte bound, against a count made one byte at a time.
  for (std::size_t a_length = 0; a_length <= 70; ++a_length) {
    for (std::size_t b_length : {a_length, a_length + 1, std::size_t{9}, std::size_t{64}}) {
      for (std::size_t differ = 0; differ <= 70; ++differ) {
        Bytes a(a_length), b(b_length);
        for (std::size_t i = 0; i < a.size(); ++i) a[i] = static_cast<std::uint8_t>(i * 37 + 1);
        for (std::size_t i = 0; i < b.size(); ++i) b[i] = static_cast<std::uint8_t>(i * 37 + 1);
        if (differ < b.size()) b[differ] ^= 0x80;
        std::size_t expected = 0;
        while (expected < 63 && expected < a.size() && expected < b.size() && a[expected] == b[expected])
          ++expected;
        ASSERT_EQ(sharedPrefix(a, b), expected) << a_length << " " << b_length << " " << differ;
      }
    }
  }
}

TEST(PageEncoding, HeaderFlagsAndFill) {
  Page page;
  page.reset(0);
  page.insertAt(0, Bytes{1, 2}, Bytes{9});
  page.insertAt(1, Bytes{1, 3}, Bytes{9});
  const Bytes image = encodePage(page);
  ASSERT_EQ(image.size(), 256u);
  EXPECT_EQ(loadLe32(&image[0]), kHome);
  EXPECT_EQ(loadLe16(&image[4]), 13 + 8 + 3);  // stored = uncompressed: no run worth packing
  EXPECT_EQ(loadLe16(&image[6]), 13 + 8 + 3);
  EXPECT_GE(loadLe16(&image[8]), loadLe16(&image[6]));
  EXPECT_EQ(loadLe16(&image[10]), 2);
  EXPECT_EQ(image[12], 0);
  // First entry: both lengths, nothing shared; second: same lengths, one byte shared.
  EXPECT_EQ(Bytes(image.begin() + 13, image.begin() + 24), (Bytes{0xC0, 3, 0, 2, 0, 1, 2, 9, 0x01, 3, 9}));
  EXPECT_TRUE(std::all_of(image.begin() + 24, image.end(), [](std::uint8_t b) { return b == 0xB0; }));
}

TEST(PageEncoding, IndexPagesCarryChildNumbersBeforeTheirEntries) {
  Page page;
  page.reset(2);
  page.insertAt(0, Bytes{5}, {}, 41);
  page.insertAt(1, Bytes{9}, {}, 42);
  const Bytes image = encodePage(page);
  EXPECT_EQ(image[12], 2);
  EXPECT_EQ(loadLe32(&image[13]), 41u);
  EXPECT_EQ(loadLe32(&image[17]), 42u);
  EXPECT_EQ(image[21], 0xC0);
  Page decoded;
  decoded.decode(image, kHome);
  EXPECT_EQ(decoded.child(1), 42u);
  EXPECT_EQ(decoded.route(Bytes{4}), 0u);  // below every entry: the first child
  EXPECT_EQ(decoded.route(Bytes{9}), 1u);
  EXPECT_EQ(decoded.route(Bytes{8, 0}), 0u);
}

TEST(PageEncoding, PacksOnlyWhenAUnitIsSaved) {
  Page saving;
  saving.reset(0);
  saving.insertAt(0, Bytes{1}, Bytes(600, 0));  // 619 bytes: three units, packed into one
  Bytes image = encodePage(saving);
  EXPECT_EQ(image.size(), 256u);
  EXPECT_LT(loadLe16(&image[4]), loadLe16(&image[6]));

  Page not_saving;
  not_saving.reset(0);
  Bytes data(230);
  std::mt19937 random(3);
  for (auto& byte : data) byte = static_cast<std::uint8_t>(random() % 200 + 1);
  std::fill(data.begin(), data.begin() + 12, 0);  // a run, but the page fits one unit anyway
  not_saving.insertAt(0, Bytes{1}, data);
  image = encodePage(not_saving);
  EXPECT_EQ(image.size(), 256u);
  EXPECT_EQ(loadLe16(&image[4]), loadLe16(&image[6]));
}

TEST(PageEncoding, RoundTripsPagesWithEditsInTheMiddle) {
  std::mt19937 random(11);
  Page page;
  page.reset(0);
  std::vector<Bytes> model;
  for (int step = 0; step < 2000; ++step) {
    Bytes key{static_cast<std::uint8_t>(random() % 4), static_cast<std::uint8_t>(random() % 256)};
    key.resize(2 + random() % 90, key[1]);
    Bytes data(random() % 40, static_cast<std::uint8_t>(random() % 3));
    Bytes whole = key;
    whole.insert(whole.end(), data.begin(), data.end());
    const std::size_t at = page.lowerBound(key);
    const bool exists = at < page.count() && compareKeys(page.key(at), key) == 0;
    if (random() % 3 == 0) {
      if (exists) {
        page.eraseAt(at);
        model.erase(model.begin() + static_cast<std::ptrdiff_t>(at));
      }
    } else if (exists) {
      page.replaceAt(at, key, data);
      model[at] = whole;
    } else if (page.encodedSize() < 14000) {
      page.insertAt(at, key, data);
      model.insert(model.begin() + static_cast<std::ptrdiff_t>(at), whole);
    }
    if (step % 100 == 0) {
      const Bytes image = encodePage(page);
      ASSERT_EQ(loadLe16(&image[6]), page.encodedSize()) << "running size at step " << step;
      Page decoded;
      decoded.decode(image, kHome);
      ASSERT_EQ(decoded.count(), model.size());
      for (std::size_t i = 0; i < model.size(); ++i) {
        const auto entry = decoded.entry(i);
        ASSERT_EQ(Bytes(entry.begin(), entry.end()), model[i]);
      }
    }
  }
}

TEST(PageEncoding, SplitAndMergeKeepEntriesAndSizes) {
  Page left;
  left.reset(0);
  for (int i = 0; i < 100; ++i)
    left.insertAt(left.count(), Bytes{static_cast<std::uint8_t>(i), 1, 2}, Bytes(20, 3));
  const std::size_t whole = left.encodedSize();
  Page right;
  const std::size_t cut = left.splitPoint();
  EXPECT_GT(cut, 40u);
  EXPECT_LT(cut, 60u);
  left.moveTailTo(cut, right);
  EXPECT_EQ(left.count() + right.count(), 100u);
  EXPECT_EQ(right.key(0)[0], cut);
  left.takeAllFrom(right);
  EXPECT_EQ(right.count(), 0u);
  EXPECT_EQ(left.encodedSize(), whole);
}

TEST(PageDecoding, DamagedPagesAreFailuresWithTheirNumbers) {
  Page page;
  page.reset(0);
  page.insertAt(0, Bytes{1, 2, 3}, Bytes{4});
  page.insertAt(1, Bytes{1, 2, 4}, Bytes{5});
  const Bytes good = encodePage(page);
  EXPECT_EQ(decodeFailure(good), 0);
  EXPECT_EQ(decodeFailure(good, kHome + 256), 1477);  // not this page's home
  Bytes bad = good;
  storeLe16(&bad[4], 300);  // stored size needs two units, the run says one
  EXPECT_EQ(decodeFailure(bad), 1477);
  bad = good;
  storeLe16(&bad[8], static_cast<std::uint16_t>(loadLe16(&bad[6]) - 1));
  EXPECT_EQ(decodeFailure(bad), 1659);
  bad = good;
  storeLe16(&bad[10], 3);  // a third entry that is not there
  EXPECT_EQ(decodeFailure(bad), 1602);
  bad = good;
  storeLe16(&bad[10], 1);  // bytes left over after the last entry
  EXPECT_EQ(decodeFailure(bad), 1602);
  bad = good;
  bad[13 + 5 + 4] = 0x80;                  // the second entry gives a new length:
  storeLe16(&bad[13 + 5 + 4 + 1], 15094);  // 15094 bytes, too long for any entry
  EXPECT_EQ(decodeFailure(bad), 824);
  bad = good;
  bad[13 + 5 + 4] = 0x00 | 3;  // shares all three key bytes: the same key twice is out of order
  EXPECT_EQ(decodeFailure(bad), 1602);
  bad = good;
  bad[13] = 0x80;  // the first entry must give both lengths
  EXPECT_EQ(decodeFailure(bad), 1602);
}

// The order check starts after the bytes an entry shares with the one before it: whether the
// next byte decides it or one key is the other's beginning, a wrong order is found.
TEST(PageDecoding, EntriesOutOfOrderAfterTheirSharedBytesAreFailures) {
  const auto decodeOf = [](std::vector<Bytes> keys) {
    Page page;
    page.reset(0);
    for (const Bytes& key : keys) page.insertAt(page.count(), key, Bytes{7});
    return decodeFailure(encodePage(page));
  };
  EXPECT_EQ(decodeOf({{1, 2, 3}, {1, 2, 4}, {1, 2, 4, 0}, {1, 3}}), 0);
  EXPECT_EQ(decodeOf({{1, 2, 4}, {1, 2, 3}}), 1602);     // decided by the byte after the share
  EXPECT_EQ(decodeOf({{1, 2, 3, 9}, {1, 2, 3}}), 1602);  // the longer key first
  EXPECT_EQ(decodeOf({{5}, {1, 2, 3}}), 1602);           // nothing shared
  Bytes long_key(70, 4);
  Bytes longer = long_key;
  longer.back() = 3;  // differs after the 63 bytes a share can cover
  EXPECT_EQ(decodeOf({long_key, longer}), 1602);
}

// An image as another writer may make it: every entry whole, sharing no bytes with the one
// before, and the page not packed.
Bytes encodeSharingNothing(const Page& page) {
  Bytes image(kPageHeaderBytes);
  const auto put16 = [&image](std::size_t value) {
    image.push_back(static_cast<std::uint8_t>(value));
    image.push_back(static_cast<std::uint8_t>(value >> 8));
  };
  for (std::size_t i = 0; i < page.count(); ++i) {
    image.push_back(0x80 | 0x40);
    put16(page.entry(i).size());
    put16(page.keyLength(i));
    for (const std::uint8_t byte : page.entry(i)) image.push_back(byte);
  }
  // The header: home, stored, full and accounted sizes (all one: nothing packed), count, level 0.
  const std::size_t stored = image.size();
  const std::size_t header[] = {kHome & 0xFFFF, kHome >> 16, stored, stored, stored, page.count()};
  for (std::size_t field = 0; field < std::size(header); ++field) {
    image[2 * field] = static_cast<std::uint8_t>(header[field]);
    image[2 * field + 1] = static_cast<std::uint8_t>(header[field] >> 8);
  }
  image.resize(roundUpToUnit(stored), kFillByte);
  return image;
}

// A page read from disk decodes its entries only as far as searches go, and must answer every
// search as a page decoded whole does, from any point its decoding has reached.
TEST(PageDecoding, SearchesOfAPageDecodedAsFarAsNeededAgreeWithAWholeOne) {
  // Keys of every length up to 80 bytes over a few letters, so that many are prefixes of others
  // and neighbours share runs longer than a word and than the 63 bytes an entry may share, some
  // with data shared past the key's end; searched with keys of any of those lengths.
  std::mt19937 random(11);
  const auto randomKey = [&random] {
    Bytes key(1 + random() % 80, 'a');
    for (auto& byte : key) {
      if (random() % 6 == 0) byte = static_cast<std::uint8_t>('a' + random() % 3);
    }
    return key;
  };
  std::vector<Bytes> keys;
  for (int n = 0; n < 200; ++n) keys.push_back(randomKey());
  std::sort(keys.begin(), keys.end(), [](const Bytes& a, const Bytes& b) { return compareKeys(a, b) < 0; });
  keys.erase(std::unique(keys.begin(), keys.end()), keys.end());
  Page written;
  written.reset(0);
  for (std::size_t n = 0; n < keys.size(); ++n) written.insertAt(n, keys[n], Bytes(n % 3, 'a'));

  for (const Bytes& image : {encodePage(written), encodeSharingNothing(written)}) {
    Page whole;
    whole.decode(image, kHome);
    whole.decodeAll();
    ASSERT_EQ(whole.count(), keys.size());
    for (int round = 0; round < 50; ++round) {
      Page lazy;
      lazy.decode(image, kHome);
      for (int search = 0; search < 20; ++search) {
        Bytes key = random() % 2 == 0 ? randomKey() : keys[random() % keys.size()];
        if (random() % 4 == 0) key.resize(random() % key.size());
        ASSERT_EQ(lazy.lowerBound(key), whole.lowerBound(key));
        ASSERT_EQ(lazy.upperBound(key), whole.upperBound(key));
        ASSERT_LE(lazy.decodedCount(), lazy.count());
        // A search of a page just read decodes up to the first entry past the key, no further.
        Page fresh;
        fresh.decode(image, kHome);
        const std::size_t bound = fresh.upperBound(key);
        ASSERT_EQ(fresh.decodedCount(), std::min(bound + 1, fresh.count()));
      }
      const std::size_t i = random() % whole.count();
      ASSERT_TRUE(std::ranges::equal(lazy.entry(i), whole.entry(i)));
    }
  }
  Page first_only;
  first_only.decode(encodePage(written), kHome);
  EXPECT_EQ(first_only.lowerBound(Bytes{}), 0u);
  EXPECT_LT(first_only.decodedCount(), 5u);  // an early key decodes only the first entries
}

// A visit of a page just read goes through its entries where the body holds them: it must give
// each key and the wanted bytes of each entry's data as decoding does, wherever those bytes lie
// (among the bytes shared with the entry before, after them, past the data's end), and leave
// the page undecoded whether it runs to the end or is stopped.
TEST(PageDecoding, AVisitOfAnUndecodedPageGivesWhatDecodingGives) {
  std::mt19937 random(17);
  const auto randomBytes = [&random](std::size_t length) {
    Bytes bytes(length, 'a');
    for (auto& byte : bytes) {
      if (random() % 8 == 0) byte = static_cast<std::uint8_t>('a' + random() % 3);
    }
    return bytes;
  };
  std::vector<Bytes> keys;
  for (int n = 0; n < 150; ++n) keys.push_back(randomBytes(1 + random() % 80));
  std::sort(keys.begin(), keys.end(), [](const Bytes& a, const Bytes& b) { return compareKeys(a, b) < 0; });
  keys.erase(std::unique(keys.begin(), keys.end()), keys.end());
  Page written;
  written.reset(0);
  for (std::size_t n = 0; n < keys.size(); ++n) written.insertAt(n, keys[n], randomBytes(random() % 120));

  for (const Bytes& image : {encodePage(written), encodeSharingNothing(written)}) {
    for (int round = 0; round < 30; ++round) {
      std::vector<DataRange> wanted;
      for (auto at = static_cast<std::uint32_t>(random() % 20); at < 140;
           at += 1 + static_cast<std::uint32_t>(random() % 40)) {
        const auto size = 1 + static_cast<std::uint32_t>(random() % 30);
        wanted.push_back({at, size});
        at += size;
      }
      const std::size_t stop = round % 3 == 0 ? random() % keys.size() : keys.size();
      Page page;
      page.decode(image, kHome);
      VisitScratch scratch;
      std::size_t i = 0;
      const bool ended = page.visitUndecoded(wanted, scratch, [&](auto key, auto data) {
        const auto entry = written.entry(i);
        const std::size_t key_length = written.keyLength(i);
        EXPECT_TRUE(std::ranges::equal(key, entry.first(key_length))) << "entry " << i;
        EXPECT_EQ(data.size(), entry.size() - key_length) << "entry " << i;
        for (const DataRange& range : wanted) {
          for (std::size_t k = range.offset;
               k < std::min<std::size_t>(data.size(), range.offset + range.size); ++k)
            EXPECT_EQ(data[k], entry[key_length + k]) << "entry " << i << ", byte " << k;
        }
        return ++i <= stop;
      });
      ASSERT_EQ(ended, stop == keys.size());
      ASSERT_EQ(i, std::min(stop + 1, keys.size()));
      if (ended) {
        EXPECT_EQ(scratch.last_key, keys.back());
      }
      ASSERT_TRUE(page.undecoded());
      page.decodeAll();
      ASSERT_TRUE(std::ranges::equal(page.entry(keys.size() / 2), written.entry(keys.size() / 2)));
    }
  }
}

// Damage after the entries a search needs shows when decoding reaches it.
TEST(PageDecoding, DamageLateInAPageIsFoundWhenDecodingReachesIt) {
  Page written;
  written.reset(0);
  for (std::uint8_t n = 0; n < 50; ++n) written.insertAt(n, Bytes{2, n}, Bytes{n});
  Bytes image = encodePage(written);
  image[loadLe16(&image[4]) - 3] = 0x00;  // the last flag shares nothing: its bytes overrun the body
  Page page;
  page.decode(image, kHome);
  EXPECT_EQ(page.lowerBound(Bytes{2, 3}), 3u);
  try {
    page.decodeAll();
    ADD_FAILURE() << "the damaged end was not found";
  } catch (const StorageFailure& failure) {
    EXPECT_EQ(failure.number(), 1602);
  }
}

// The first reading search of an index page just read compares its entries where they lie,
// decoding none: on the page whole and damaged anywhere in its entries, it must route as the
// decoded page does and fail as decoding fails; a second search decodes the page as usual.
TEST(PageDecoding, AFirstSearchOfAnIndexPageFindsWhatDecodingFinds) {
  std::mt19937 random(23);
  const auto randomKey = [&random] {
    Bytes key(1 + random() % 70, 'a');
    for (auto& byte : key) {
      if (random() % 5 == 0) byte = static_cast<std::uint8_t>('a' + random() % 3);
    }
    return key;
  };
  std::vector<Bytes> keys;
  for (int n = 0; n < 120; ++n) keys.push_back(randomKey());
  std::sort(keys.begin(), keys.end(), [](const Bytes& a, const Bytes& b) { return compareKeys(a, b) < 0; });
  keys.erase(std::unique(keys.begin(), keys.end()), keys.end());
  Page written;
  written.reset(1);
  for (std::size_t n = 0; n < keys.size(); ++n)
    written.insertAt(n, keys[n], {}, static_cast<std::uint32_t>(n + 1));
  const Bytes image = encodePage(written);
  const std::size_t entries_at = kPageHeaderBytes + kChildNumberBytes * keys.size();
  const Bytes above_all(80, 0xFF);
  int failures = 0;
  for (int round = 0; round < 400; ++round) {
    Bytes bad = image;
    for (int k = round == 0 ? 0 : 1 + round % 2; k > 0; --k)
      bad[entries_at + random() % (loadLe16(&image[4]) - entries_at)] = static_cast<std::uint8_t>(random());
    Page whole;
    const int decoded = failureOf([&] {
      whole.decode(bad, kHome);
      whole.decodeAll();
    });
    const int walked = failureOf([&] {
      Page fresh;
      fresh.decode(bad, kHome);
      EXPECT_EQ(fresh.routeToRead(above_all), fresh.count() - 1);
    });
    ASSERT_EQ(walked, decoded) << "round " << round;
    if (decoded != 0) {
      ++failures;
      continue;
    }
    for (int search = 0; search < 10; ++search) {
      const Bytes key = random() % 2 == 0 ? randomKey() : keys[random() % keys.size()];
      Page fresh;
      fresh.decode(bad, kHome);
      ASSERT_EQ(fresh.routeToRead(key), whole.route(key)) << "round " << round;
      ASSERT_EQ(fresh.decodedCount(), 0u);
      const Bytes again = randomKey();
      ASSERT_EQ(fresh.routeToRead(again), whole.route(again)) << "round " << round;
      ASSERT_GT(fresh.decodedCount(), 0u);
    }
  }
  EXPECT_GT(failures, 100);  // most damage is found
}

TEST(PageDecoding, IndexPagesNeedEntriesAndRealChildUnits) {
  Page index;
  index.reset(1);
  index.insertAt(0, Bytes{1}, {}, 3);
  Bytes image = encodePage(index);
  Bytes longer = image;  // a byte after the last entry
  for (const std::size_t size_field : {4u, 6u, 8u})
    storeLe16(&longer[size_field], static_cast<std::uint16_t>(loadLe16(&longer[size_field]) + 1));
  EXPECT_EQ(decodeFailure(longer), 1602);
  storeLe32(&image[13], kFirstUnplacedId);
  EXPECT_EQ(decodeFailure(image), 1735);
  Page empty;
  empty.reset(1);
  image = encodePage(empty);
  EXPECT_EQ(decodeFailure(image), 1602);
}

}  // namespace
}  // namespace veltrano::storage
