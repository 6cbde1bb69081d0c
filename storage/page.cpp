#include "storage/page.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "storage/compression.h"
#include "storage/entry_tree.h"
#include "storage/storage_failure.h"

namespace veltrano::storage {
namespace {

constexpr std::uint8_t kLengthChanged = 0x80;
constexpr std::uint8_t kKeyLengthChanged = 0x40;
constexpr std::size_t kLargestShare = 63;

// An entry's header: a flag byte (the bytes shared with the entry before, and which lengths
// change), then the lengths that change. What every reading of a page reads first.
struct EntryHeader {
  std::size_t shared;
  std::size_t length;
  std::size_t key_length;
};

// The header of an entry whose header bytes start at in[at] (at moved past them), after an
// entry of the lengths given (the first entry of a page has none and must give both). Checked as
// far as the header tells; whether the entry's own bytes fit is the caller's check.
// Inlined: every entry read goes through it, and a call costs as much as the reading.
[[gnu::always_inline]] inline EntryHeader readEntryHeader(const std::uint8_t* in, std::size_t in_size,
                                                          std::size_t& at, bool first,
                                                          std::size_t previous_length,
                                                          std::size_t previous_key_length) {
  if (at >= in_size) fail(failure::kEntriesDoNotFill);
  const std::uint8_t flags = in[at++];
  EntryHeader header{flags & 0x3Fu, previous_length, previous_key_length};
  if (first && (flags & (kLengthChanged | kKeyLengthChanged)) != (kLengthChanged | kKeyLengthChanged)) {
    fail(failure::kEntriesDoNotFill);
  }
  if (flags & kLengthChanged) {
    if (in_size - at < 2) fail(failure::kEntriesDoNotFill);
    header.length = loadLe16(in + at);
    at += 2;
  }
  if (flags & kKeyLengthChanged) {
    if (in_size - at < 2) fail(failure::kEntriesDoNotFill);
    header.key_length = loadLe16(in + at);
    at += 2;
  }
  if (header.length >= kEntryLengthLimit) fail(failure::kEntryTooLong);
  if (header.key_length > header.length || header.shared > header.length || header.shared > previous_length)
    fail(failure::kEntriesDoNotFill);
  return header;
}

// Fails unless an entry's key follows the key of the entry before it, whose first `shared`
// bytes it shares: the order is decided after them, nearly always by the very next byte (the
// writer shares all the bytes it can).
[[gnu::always_inline]] inline void checkFollows(const std::uint8_t* before, std::size_t previous_key_length,
                                                const std::uint8_t* now, std::size_t key_length,
                                                std::size_t shared) {
  const std::size_t equal = std::min({shared, previous_key_length, key_length});
  const bool decided = equal < previous_key_length && equal < key_length && before[equal] != now[equal];
  const bool ascending = decided ? before[equal] < now[equal]
                                 : compareKeys({before + equal, previous_key_length - equal},
                                               {now + equal, key_length - equal}) < 0;
  if (!ascending) fail(failure::kEntriesDoNotFill);
}

// The bytes of an entry's header, from its flag byte.
std::size_t entryHeaderBytes(std::uint8_t flags) {
  return std::size_t{1} + ((flags & kLengthChanged) ? 2u : 0u) + ((flags & kKeyLengthChanged) ? 2u : 0u);
}

}  // namespace

std::size_t sharedPrefix(std::span<const std::uint8_t> a, std::span<const std::uint8_t> b) {
  const std::size_t limit = std::min({kLargestShare, a.size(), b.size()});
  std::size_t shared = 0;
  // Keys padded with spaces share tens of bytes, so they are compared eight at a time; the first
  // byte that differs is the lowest differing byte of the two words as memory holds them.
  for (; shared + 8 <= limit; shared += 8) {
    std::uint64_t x = 0, y = 0;
    std::memcpy(&x, a.data() + shared, 8);
    std::memcpy(&y, b.data() + shared, 8);
    if (x == y) continue;
    const std::uint64_t differ = x ^ y;
    if constexpr (std::endian::native == std::endian::little) {
      return shared + static_cast<std::size_t>(std::countr_zero(differ)) / 8;
    } else {
      return shared + static_cast<std::size_t>(std::countl_zero(differ)) / 8;
    }
  }
  while (shared < limit && a[shared] == b[shared]) ++shared;
  return shared;
}

void Page::reset(std::uint8_t level) {
  level_ = level;
  children_.clear();
  bytes_.clear();
  slots_.clear();
  garbage_ = 0;
  size_ = kPageHeaderBytes;
  size_known_ = true;
  lazy_ = false;
  decoded_ = 0;
  body_.clear();
  packed_.clear();
  unpack_pending_ = false;
  walked_ = false;
  body_at_ = used_ = last_length_ = last_key_length_ = last_shared_ = 0;
}

namespace {

// Orders `a` and `b` as compareKeys does, knowing that their first `from` bytes are equal, and
// sets `match` to how many leading bytes they share.
int compareFrom(std::span<const std::uint8_t> a, std::span<const std::uint8_t> b, std::size_t from,
                std::size_t& match) {
  const std::size_t common = std::min(a.size(), b.size());
  std::size_t at = from;
  for (; at + 8 <= common; at += 8) {
    std::uint64_t x = 0, y = 0;
    std::memcpy(&x, a.data() + at, 8);
    std::memcpy(&y, b.data() + at, 8);
    if (x != y) break;
  }
  while (at < common && a[at] == b[at]) ++at;
  match = at;
  if (at < common) return a[at] < b[at] ? -1 : 1;
  return a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
}

}  // namespace

void Page::decodeWhileBelow(std::span<const std::uint8_t> key, bool or_equal) const {
  // Each entry shares its first bytes with the one before, and the one before shares `match`
  // bytes with the key: the new entry agrees with the key in as many as both share, so the
  // comparison starts there, and it is nearly always decided by the byte it starts at.
  if (decoded_ == 0) decodeNext();
  std::size_t match = 0;
  int order = compareFrom(this->key(decoded_ - 1), key, 0, match);
  while (lazy_ && (order < 0 || (or_equal && order == 0))) {
    decodeNext();
    const Slot& slot = slots_[decoded_ - 1];
    const std::size_t from = std::min({last_shared_, match, std::size_t{slot.key_length}});
    order = compareFrom({bytes_.data() + slot.offset, slot.key_length}, key, from, match);
  }
}

std::size_t Page::lowerBound(std::span<const std::uint8_t> key) const {
  // A page still being decoded is decoded until an entry not less than the key turns up.
  if (lazy_) decodeWhileBelow(key, false);
  std::size_t low = 0;
  std::size_t high = lazy_ ? decoded_ : slots_.size();
  while (low < high) {
    const std::size_t middle = (low + high) / 2;
    if (compareKeys(this->key(middle), key) < 0) {
      low = middle + 1;
    } else {
      high = middle;
    }
  }
  return low;
}

std::size_t Page::upperBound(std::span<const std::uint8_t> key) const {
  if (lazy_) decodeWhileBelow(key, true);
  std::size_t low = 0;
  std::size_t high = lazy_ ? decoded_ : slots_.size();
  while (low < high) {
    const std::size_t middle = (low + high) / 2;
    if (compareKeys(this->key(middle), key) <= 0) {
      low = middle + 1;
    } else {
      high = middle;
    }
  }
  return low;
}

std::size_t Page::costAt(std::size_t i) const {
  const Slot& slot = slots_[i];
  if (i == 0) return 5 + slot.length;
  const Slot& before = slots_[i - 1];
  std::size_t cost = 1;
  if (slot.length != before.length) cost += 2;
  if (slot.key_length != before.key_length) cost += 2;
  return cost + slot.length - sharedPrefix(entry(i - 1), entry(i));
}

std::size_t Page::costFrom(std::size_t first, std::size_t last) const {
  std::size_t total = 0;
  for (std::size_t i = first; i < last; ++i) total += costAt(i);
  return total;
}

void Page::recomputeSize() {
  size_ = headerSize() + costFrom(0, slots_.size());
  size_known_ = true;
}

std::uint32_t Page::store(std::span<const std::uint8_t> key, std::span<const std::uint8_t> data) {
  const auto offset = static_cast<std::uint32_t>(bytes_.size());
  bytes_.append(key);
  bytes_.append(data);
  return offset;
}

void Page::compactIfWasteful() {
  if (garbage_ < 4096 || garbage_ * 2 < bytes_.size()) return;
  compact();
}

void Page::compact() {
  EntryBytes packed;
  packed.reserve(bytes_.size() - garbage_);
  for (Slot& slot : slots_) {
    const auto offset = static_cast<std::uint32_t>(packed.size());
    packed.append({bytes_.data() + slot.offset, slot.length});
    slot.offset = offset;
  }
  bytes_.swap(packed);
  garbage_ = 0;
}

void Page::insertAt(std::size_t i, std::span<const std::uint8_t> key, std::span<const std::uint8_t> data,
                    std::uint32_t child) {
  knownSize();
  const std::size_t before = i < slots_.size() ? costAt(i) : 0;
  const Slot slot{store(key, data), static_cast<std::uint16_t>(key.size() + data.size()),
                  static_cast<std::uint16_t>(key.size())};
  slots_.insert(slots_.begin() + static_cast<std::ptrdiff_t>(i), slot);
  if (!isLeaf()) {
    children_.insert(children_.begin() + static_cast<std::ptrdiff_t>(i), child);
    size_ += kChildNumberBytes;
  }
  const std::size_t after = costAt(i) + (i + 1 < slots_.size() ? costAt(i + 1) : 0);
  size_ = size_ - before + after;
}

void Page::replaceAt(std::size_t i, std::span<const std::uint8_t> key, std::span<const std::uint8_t> data) {
  knownSize();
  const std::size_t end = std::min(i + 2, slots_.size());
  const std::size_t before = costFrom(i, end);
  Slot& slot = slots_[i];
  const std::size_t length = key.size() + data.size();
  if (length == slot.length) {
    std::uint8_t* place = bytes_.data() + slot.offset;
    if (!key.empty()) std::memcpy(place, key.data(), key.size());
    if (!data.empty()) std::memcpy(place + key.size(), data.data(), data.size());
  } else {
    garbage_ += slot.length;
    slot.offset = store(key, data);
    slot.length = static_cast<std::uint16_t>(length);
  }
  slot.key_length = static_cast<std::uint16_t>(key.size());
  size_ = size_ - before + costFrom(i, end);
  compactIfWasteful();
}

void Page::eraseAt(std::size_t i) {
  knownSize();
  const std::size_t before = costFrom(i, std::min(i + 2, slots_.size()));
  garbage_ += slots_[i].length;
  slots_.erase(slots_.begin() + static_cast<std::ptrdiff_t>(i));
  if (!isLeaf()) {
    children_.erase(children_.begin() + static_cast<std::ptrdiff_t>(i));
    size_ -= kChildNumberBytes;
  }
  const std::size_t after = i < slots_.size() ? costAt(i) : 0;
  size_ = size_ - before + after;
  if (slots_.empty()) {
    bytes_.clear();
    garbage_ = 0;
  }
  compactIfWasteful();
}

void Page::moveTailTo(std::size_t from, Page& right) {
  decodeAll();
  right.reset(level_);
  std::size_t moving = 0;
  for (std::size_t i = from; i < slots_.size(); ++i) moving += slots_[i].length;
  right.bytes_.reserve(moving);
  for (std::size_t i = from; i < slots_.size(); ++i) {
    const Slot& slot = slots_[i];
    right.slots_.push_back({right.store(entry(i), {}), slot.length, slot.key_length});
    if (!isLeaf()) right.children_.push_back(children_[i]);
    garbage_ += slot.length;
  }
  slots_.resize(from);
  if (!isLeaf()) children_.resize(from);
  recomputeSize();
  right.recomputeSize();
  // The half that stays keeps only the room its entries take, not what the full page grew to
  // (the new half was given just that above): a bulk load fills pages in key order and never
  // adds to the left half again.
  compact();
}

void Page::takeAllFrom(Page& right) {
  decodeAll();
  right.decodeAll();
  for (std::size_t i = 0; i < right.slots_.size(); ++i) {
    const Slot& slot = right.slots_[i];
    slots_.push_back({store(right.entry(i), {}), slot.length, slot.key_length});
    if (!isLeaf()) children_.push_back(right.children_[i]);
  }
  right.reset(right.level_);
  recomputeSize();
}

std::size_t Page::splitPoint() const {
  decodeAll();
  const std::size_t half = (knownSize() - kPageHeaderBytes) / 2;
  std::size_t running = 0;
  for (std::size_t i = 0; i + 1 < slots_.size(); ++i) {
    running += costAt(i) + (isLeaf() ? 0 : kChildNumberBytes);
    if (running >= half) return i + 1;
  }
  return slots_.size() - 1;
}

void Page::encode(std::uint32_t home_offset, std::vector<std::uint8_t>& image, PageScratch& scratch) const {
  decodeAll();
  knownSize();
  if (size_ > 0xFFFF) fail(failure::kPageTooLarge);
  const std::size_t head = headerSize();
  scratch.unpacked.resize(size_);
  std::uint8_t* out = scratch.unpacked.data() + head;
  for (std::size_t i = 0; i < slots_.size(); ++i) {
    const Slot& slot = slots_[i];
    std::uint8_t flags = 0;
    std::size_t shared = 0;
    if (i == 0) {
      flags = kLengthChanged | kKeyLengthChanged;
    } else {
      const Slot& before = slots_[i - 1];
      if (slot.length != before.length) flags |= kLengthChanged;
      if (slot.key_length != before.key_length) flags |= kKeyLengthChanged;
      shared = sharedPrefix(entry(i - 1), entry(i));
    }
    *out++ = static_cast<std::uint8_t>(flags | shared);
    if (flags & kLengthChanged) {
      storeLe16(out, slot.length);
      out += 2;
    }
    if (flags & kKeyLengthChanged) {
      storeLe16(out, slot.key_length);
      out += 2;
    }
    const std::size_t rest = slot.length - shared;
    if (rest > 0) std::memcpy(out, bytes_.data() + slot.offset + shared, rest);
    out += rest;
  }
  const std::span<const std::uint8_t> body(scratch.unpacked.data() + head, size_ - head);
  // Packing is worth it only when it saves a whole unit of the file.
  const bool packed =
      packBody(body, scratch.packed) && roundUpToUnit(head + scratch.packed.size()) < roundUpToUnit(size_);
  const std::span<const std::uint8_t> written = packed ? std::span<const std::uint8_t>(scratch.packed) : body;
  const std::size_t stored = head + written.size();
  const std::size_t occupied = roundUpToUnit(stored);
  if (occupied > kLargestPageBytes) fail(failure::kPageTooLarge);
  // Made in the scratch and copied, so that the image takes only the units it is written in: a
  // large update holds every changed page's image at once, and a packed page is a third of its
  // unpacked size.
  image.resize(occupied);
  if (!written.empty()) std::memcpy(image.data() + head, written.data(), written.size());
  std::fill(image.begin() + static_cast<std::ptrdiff_t>(stored), image.end(), kFillByte);
  std::uint8_t* p = image.data();
  storeLe16(p + 4, static_cast<std::uint16_t>(stored));
  storeLe16(p + 6, static_cast<std::uint16_t>(size_));
  storeLe16(p + 8, static_cast<std::uint16_t>(size_));  // the accounted size: exact here
  storeLe16(p + 10, static_cast<std::uint16_t>(slots_.size()));
  p[12] = level_;
  patchImage(home_offset, image);
}

void Page::patchImage(std::uint32_t home_offset, std::span<std::uint8_t> image) const {
  storeLe32(image.data(), home_offset);
  for (std::size_t i = 0; i < children_.size(); ++i) {
    storeLe32(image.data() + kPageHeaderBytes + kChildNumberBytes * i, children_[i]);
  }
}

namespace {

// Bytes kept spare after the last entry decoded, so that the bytes an entry shares with the one
// before (63 at most) are copied as one fixed-size block.
constexpr std::size_t kCopySlack = kLargestShare + 1;

}  // namespace

void Page::decode(std::span<const std::uint8_t> image, std::uint32_t home_offset, bool unpack_later) {
  const std::uint8_t* p = image.data();
  if (image.size() < kUnitBytes || loadLe32(p) != home_offset) fail(failure::kPageSizeMismatch);
  const std::size_t stored = loadLe16(p + 4);
  const std::size_t full = loadLe16(p + 6);
  const std::size_t accounted = loadLe16(p + 8);
  const std::size_t count = loadLe16(p + 10);
  if (roundUpToUnit(stored) != image.size()) fail(failure::kPageSizeMismatch);
  if (full > accounted) fail(failure::kBodyOverAccounted);
  reset(p[12]);
  const std::size_t head = headerSize() + (isLeaf() ? 0 : kChildNumberBytes * count);
  if (stored < kPageHeaderBytes || stored > full || head > stored) fail(failure::kEntriesDoNotFill);
  if (!isLeaf() && count == 0) fail(failure::kEntriesDoNotFill);
  if (!isLeaf()) {
    children_.resize(count);
    for (std::size_t i = 0; i < count; ++i) {
      children_[i] = loadLe32(p + kPageHeaderBytes + kChildNumberBytes * i);
      if (children_[i] >= kUnitLimit) fail(failure::kUnitOutsideRuns);
    }
  }
  // The page keeps its body until its last entry is decoded.
  body_.resize(full - head);
  if (stored < full && unpack_later) {
    packed_.clear();
    packed_.append(image.subspan(head, stored - head));
    unpack_pending_ = true;
  } else if (stored < full) {
    unpackBody(image.subspan(head, stored - head), {body_.data(), body_.size()});
  } else if (body_.size() > 0) {
    std::memcpy(body_.data(), p + head, body_.size());
  }
  // Every entry takes at least its flag byte, which bounds the count before anything grows.
  if (count > body_.size()) fail(failure::kEntriesDoNotFill);
  slots_.resize(count);
  // The decoded entries take about the body's size; the buffer grows in few steps.
  bytes_.resize(body_.size() + kCopySlack);
  // Accounted as our encoder would write the page (another writer may share fewer bytes than it
  // could), so that an unchanged page and a re-encoded one agree on when to split.
  size_known_ = false;
  lazy_ = true;
  if (count == 0) decodeNext();  // checks that nothing follows
}

void Page::decodeUpTo(std::size_t i) const {
  while (lazy_ && decoded_ <= i) decodeNext();
}

bool Page::visitUndecoded(std::span<const DataRange> wanted, VisitScratch& scratch,
                          const EntryVisitor& visit) const {
  // Each entry's key is put together in a lead buffer; of the rest only the wanted ranges are
  // read, the others passed over where they lie, packed or not. The checks are decodeNext()'s.
  BodyReader body = unpack_pending_ ? BodyReader({packed_.data(), packed_.size()}, body_.size(), true)
                                    : BodyReader({body_.data(), body_.size()}, body_.size(), false);
  scratch.data.resize(kEntryLengthLimit);
  std::size_t previous_length = 0;
  std::size_t previous_key_length = 0;
  BodyReader after_previous_lead = body;
  std::size_t previous_lead = 0;
  const std::size_t count = slots_.size();
  for (std::size_t i = 0; i < count; ++i) {
    // The header's bytes are put together first, as far as the body has them.
    std::uint8_t head[5];
    if (body.left() == 0) fail(failure::kEntriesDoNotFill);
    body.copy(head, 1);
    const std::size_t head_bytes = std::min(entryHeaderBytes(head[0]), body.left() + 1);
    body.copy(head + 1, head_bytes - 1);
    std::size_t head_at = 0;
    const auto [shared, length, key_length] =
        readEntryHeader(head, head_bytes, head_at, i == 0, previous_length, previous_key_length);
    if (body.left() < length - shared) fail(failure::kEntriesDoNotFill);

    // The lead holds the entry's key and what it shares; what the next entry shares beyond the
    // bytes of this one's lead is read then, from where the lead ended.
    EntryBytes& lead = scratch.leads[i & 1];
    EntryBytes& previous = scratch.leads[(i + 1) & 1];
    if (shared > previous_lead) {
      previous.resize(shared);
      after_previous_lead.copy(previous.data() + previous_lead, shared - previous_lead);
    }
    const std::size_t lead_length = std::max(shared, key_length);
    lead.resize(lead_length);
    if (shared > 0) std::memcpy(lead.data(), previous.data(), shared);
    body.copy(lead.data() + shared, lead_length - shared);
    after_previous_lead = body;
    previous_lead = lead_length;
    if (i > 0) checkFollows(previous.data(), previous_key_length, lead.data(), key_length, shared);

    std::size_t at = lead_length;  // the entry's bytes read so far
    for (const DataRange& range : wanted) {
      std::size_t from = key_length + range.offset;
      if (from >= length) break;
      const std::size_t to = std::min(length, from + range.size);
      std::uint8_t* out = scratch.data.data() + range.offset;
      if (from < lead_length) {
        const std::size_t inside = std::min(to, lead_length) - from;
        std::memcpy(out, lead.data() + from, inside);
        from += inside;
        out += inside;
      }
      if (from < to) {
        body.skip(from - at);
        body.copy(out, to - from);
        at = to;
      }
    }
    body.skip(length - at);
    if (!visit({lead.data(), key_length}, {scratch.data.data(), length - key_length})) return false;
    previous_length = length;
    previous_key_length = key_length;
  }
  if (body.left() != 0) fail(failure::kEntriesDoNotFill);
  body.finish();
  const EntryBytes& last = scratch.leads[(count + 1) & 1];
  scratch.last_key.assign(last.data(), last.data() + previous_key_length);
  return true;
}

std::size_t Page::walkAbove(std::span<const std::uint8_t> key) const {
  // The entries are passed over where the body holds them, each put together over the one
  // before at the start of bytes_ (which decoding overwrites from its start later): no entry is
  // decoded into the page, and the page stays undecoded. The checks are decodeNext()'s.
  walked_ = true;
  if (unpack_pending_) unpackNow();
  const std::uint8_t* const in = body_.data();
  const std::size_t in_size = body_.size();
  std::size_t at = 0;
  std::size_t previous_length = 0;
  std::size_t previous_key_length = 0;
  std::size_t match = 0;  // the bytes the entry before shares with the key
  const std::size_t count = slots_.size();
  for (std::size_t i = 0; i < count; ++i) {
    const auto [shared, length, key_length] =
        readEntryHeader(in, in_size, at, i == 0, previous_length, previous_key_length);
    const std::size_t rest = length - shared;
    if (in_size - at < rest) fail(failure::kEntriesDoNotFill);
    const std::uint8_t* const own = in + at;
    if (length + kCopySlack > bytes_.size()) bytes_.resize(length + kCopySlack);
    std::uint8_t* const entry = bytes_.data();  // holds the entry before, to be overwritten
    if (i > 0) {
      // The two agree in their shared bytes; past them the entry's bytes are its own. Where the
      // share covers a whole key, the shorter key comes first.
      const std::size_t equal = std::min({shared, previous_key_length, key_length});
      bool ascending = false;
      if (equal < shared) {
        ascending = equal == previous_key_length && key_length > equal;
      } else if (equal < previous_key_length && equal < key_length && entry[equal] != own[0]) {
        ascending = entry[equal] < own[0];
      } else {
        ascending = compareKeys({entry + equal, previous_key_length - equal}, {own, key_length - shared}) < 0;
      }
      if (!ascending) fail(failure::kEntriesDoNotFill);
    }
    if (rest <= 16 && in_size - at >= 16) {
      std::memcpy(entry + shared, own, 16);
    } else {
      std::memcpy(entry + shared, own, rest);
    }
    at += rest;
    const std::size_t from = std::min({shared, match, key_length});
    if (compareFrom({entry, key_length}, key, from, match) > 0) return i;
    previous_length = length;
    previous_key_length = key_length;
  }
  if (at != in_size) fail(failure::kEntriesDoNotFill);
  return count;
}

void Page::unpackNow() const {
  unpackBody({packed_.data(), packed_.size()}, {body_.data(), body_.size()});
  unpack_pending_ = false;
  packed_.clear();
}

void Page::decodeNext() const {
  if (unpack_pending_) unpackNow();
  const std::uint8_t* const in = body_.data();
  const std::size_t in_size = body_.size();
  std::size_t at = body_at_;
  const std::size_t i = decoded_;
  if (i == slots_.size()) {
    // Every entry decoded: they must end exactly where the body does.
    if (at != in_size) fail(failure::kEntriesDoNotFill);
    bytes_.resize(used_);
    body_.clear();
    lazy_ = false;
    return;
  }
  const std::size_t previous_length = last_length_;
  const std::size_t previous_key_length = last_key_length_;
  const auto [shared, length, key_length] =
      readEntryHeader(in, in_size, at, i == 0, previous_length, previous_key_length);
  const std::size_t rest = length - shared;
  if (in_size - at < rest) fail(failure::kEntriesDoNotFill);
  const std::size_t offset = used_;
  if (offset + length + kCopySlack > bytes_.size())
    bytes_.resize(std::max(offset + length + kCopySlack, bytes_.size() * 2));
  std::uint8_t* const out = bytes_.data() + offset;
  const std::uint8_t* const previous = i > 0 ? bytes_.data() + slots_[i - 1].offset : out;
  // Fixed-size blocks are copied inline. The previous entry ends where this one starts (a short
  // one overlaps the block, hence the copy through `block`), and the slack keeps every block
  // inside the buffer; bytes copied past an entry's end are overwritten or cut off.
  if (i > 0) {
    std::uint8_t block[kCopySlack];
    std::memcpy(block, previous, kCopySlack);
    std::memcpy(out, block, kCopySlack);
  }
  if (rest <= 16 && in_size - at >= 16) {
    std::memcpy(out + shared, in + at, 16);
  } else {
    std::memcpy(out + shared, in + at, rest);
  }
  if (i > 0) checkFollows(previous, previous_key_length, out, key_length, shared);
  slots_[i] = {static_cast<std::uint32_t>(offset), static_cast<std::uint16_t>(length),
               static_cast<std::uint16_t>(key_length)};
  body_at_ = at + rest;
  used_ = offset + length;
  last_shared_ = shared;
  last_length_ = length;
  last_key_length_ = key_length;
  decoded_ = i + 1;
  if (decoded_ == slots_.size()) decodeNext();
}

}  // namespace veltrano::storage
