// The ordered tree of the page file: search, insert and erase over variable-size pages, pages
// split when they grow past their split size and merged with a neighbour when they shrink, and the
// placing of changed pages in their runs when an update is written.
#include <algorithm>
#include <optional>
#include <stdexcept>
#include <unordered_set>

#include "storage/page_file.h"
#include "storage/page_runs.h"
#include "storage/storage_failure.h"

namespace veltrano::storage {
namespace {

// Pages split above this size: small enough that a page read on a cache miss is cheap to
// decode, large enough that index pages fan out widely. A single entry may still fill a page
// up to 59 units. Index pages split sooner: with at most 100 pages cached, a search meets an
// index page below the top levels as a cache miss nearly every time, and a smaller page is
// decoded sooner as far as the search needs (at 100,000 cards: random reads −7 %, a scan in
// key order −11 %).
constexpr std::size_t kLeafSplitBytes = 4096;
constexpr std::size_t kIndexSplitBytes = 2048;
std::size_t splitBytes(const Page& page) {
  return page.isLeaf() ? kLeafSplitBytes : kIndexSplitBytes;
}
// A page smaller than a quarter of its split size is merged with a neighbour when the two fit in
// three quarters of it, well below the split size so that a merge is not undone by the next
// insert.
std::size_t mergeBelow(const Page& page) {
  return splitBytes(page) / 4;
}
std::size_t mergeUpTo(const Page& page) {
  return splitBytes(page) * 3 / 4;
}
// Whether a page that grew must split. A leaf splits past its split size. An index page splits
// past its split size only with four entries or more, so that each half keeps two: a split of
// the root must leave the new root fewer entries than the old had, or large keys (a few to a
// page) would add levels without end; past the largest page it splits with any two.
bool mustSplit(const Page& page) {
  if (page.count() < 2) return false;
  const std::size_t size = page.encodedSize();
  if (page.isLeaf()) return size > kLeafSplitBytes;
  return (size > kIndexSplitBytes && page.count() >= 4) || size > kLargestPageBytes;
}

std::size_t splitAt(const Page& page) {
  const std::size_t point = page.splitPoint();
  if (page.isLeaf() || page.count() < 4) return point;
  return std::clamp<std::size_t>(point, 2, page.count() - 2);
}

// The shortest prefix of `right` that still sorts after `left`. REQUIRES: left < right.
std::span<const std::uint8_t> shortestSeparator(std::span<const std::uint8_t> left,
                                                std::span<const std::uint8_t> right) {
  std::size_t common = 0;
  while (common < left.size() && common < right.size() && left[common] == right[common]) ++common;
  return right.first(std::min(common + 1, right.size()));
}

}  // namespace

// ---- Pages ----

CachedPage& PageFile::page(std::uint32_t id, int expected_level) {
  CachedPage* found = cache_.find(id);
  if (found != nullptr) {
    cache_.use(*found);
  } else {
    if (id >= kFirstUnplacedId) fail(failure::kEntriesDoNotFill);
    const int size_class = header_.runs.classOfPage(id);
    if (size_class == 0) fail(failure::kUnitOutsideRuns);
    cache_.trimBeforeLoad();
    const auto home = static_cast<std::uint32_t>(unitOffset(id));
    std::span<const std::uint8_t> image;
    // A leaf read ahead may be visited without unpacking it (scanParts).
    bool unpack_later = false;
    if (const BufferedImage* ahead = readAheadAt(home); ahead != nullptr) {
      image = std::span<const std::uint8_t>(ahead_bytes_).subspan(ahead->at, ahead->size);
      unpack_later = true;
    } else {
      read_buffer_.resize(static_cast<std::size_t>(size_class) * kUnitBytes);
      readBlocks(storedImageOffset(id), read_buffer_);
      image = read_buffer_;
    }
    CachedPage& loaded = cache_.addLoaded(id);
    try {
      loaded.decode(image, home, unpack_later);
    } catch (...) {
      cache_.remove(loaded);
      throw;
    }
    found = &loaded;
  }
  if (expected_level >= 0 && found->level() != expected_level) fail(failure::kEntriesDoNotFill);
  return *found;
}

std::uint64_t PageFile::storedImageOffset(std::uint32_t id) const {
  const std::uint64_t home = unitOffset(id);
  if (!pending_copies_.empty()) {
    if (const auto copy = pending_copies_.find(static_cast<std::uint32_t>(home));
        copy != pending_copies_.end())
      return copy->second.at;
  }
  return home;
}

std::uint32_t PageFile::nextUnplacedId() {
  if (next_unplaced_ == kNoPage) fail(failure::kPageTooLarge);
  return next_unplaced_++;
}

CachedPage& PageFile::newPage(std::uint8_t level) {
  CachedPage& created = cache_.addChanged(nextUnplacedId());
  created.reset(level);
  return created;
}

void PageFile::releasePageId(std::uint32_t id) {
  if (CachedPage* cached = cache_.find(id); cached != nullptr) cache_.remove(*cached);
  if (id < kFirstUnplacedId) released_units_.push_back(id);
}

// ---- Search ----

CachedPage& PageFile::descend(std::span<const std::uint8_t> key, Descent purpose) {
  path_.clear();
  std::uint32_t id = header_.root;
  int level = -1;
  for (;;) {
    CachedPage& current = page(id, level);
    if (current.isLeaf()) {
      path_.push_back({id, 0});
      return current;
    }
    std::size_t index = 0;
    if (purpose == Descent::Insert && compareKeys(key, current.key(0)) < 0) {
      // The key will be the smallest of this subtree: the first entry must stay a lower bound.
      touch(current);
      current.replaceAt(0, key, {});
    } else {
      index = purpose == Descent::Read ? current.routeToRead(key) : current.route(key);
    }
    path_.push_back({id, index});
    id = current.child(index);
    level = current.level() - 1;
  }
}

bool PageFile::stepLeaf(int direction) {
  for (std::size_t depth = path_.size() - 1; depth-- > 0;) {
    CachedPage& parent = page(path_[depth].id, -1);
    // A walk from leaf to leaf uses every child in turn: the whole page is checked on the way.
    parent.decodeAll();
    const std::size_t index = path_[depth].index;
    const bool can_move = direction > 0 ? index + 1 < parent.count() : index > 0;
    if (!can_move) continue;
    path_[depth].index = direction > 0 ? index + 1 : index - 1;
    std::uint32_t id = parent.child(path_[depth].index);
    int level = parent.level() - 1;
    path_.resize(depth + 1);
    for (;;) {
      CachedPage& current = page(id, level);
      if (current.isLeaf()) {
        path_.push_back({id, 0});
        return true;
      }
      const std::size_t next = direction > 0 ? 0 : current.count() - 1;
      path_.push_back({id, next});
      id = current.child(next);
      level = current.level() - 1;
    }
  }
  return false;
}

void PageFile::readAheadSiblings() {
  // A read-only file with an update left pending reads some pages from their copies.
  if (path_.size() < 2 || !pending_copies_.empty()) return;
  const PathStep& step = path_[path_.size() - 2];
  // The parent was used on the way down, so it is cached (and decoded whole by stepLeaf); looking
  // it up is not counted as a use.
  const CachedPage* found = cache_.find(step.id);
  if (found == nullptr) return;
  const CachedPage& parent = *found;
  parent.decodeAll();
  const std::size_t first = step.index + 1;
  if (first >= parent.count()) return;
  const std::uint32_t next = parent.child(first);
  if (cache_.find(next) != nullptr || readAheadAt(static_cast<std::uint32_t>(unitOffset(next))) != nullptr)
    return;
  // A scan that stops after a few records reads little ahead; a long one soon reads many
  // leaves at a time.
  constexpr std::size_t kFirstBatch = 2;
  constexpr std::size_t kLargestBatch = 64;
  ahead_batch_ = std::clamp(ahead_batch_ * 2, kFirstBatch, kLargestBatch);
  const std::size_t end = std::min(parent.count(), first + ahead_batch_);

  ahead_pages_.clear();
  std::size_t total = 0;
  for (std::size_t i = first; i < end; ++i) {
    const std::uint32_t id = parent.child(i);
    if (id >= kFirstUnplacedId || cache_.find(id) != nullptr) continue;
    const int size_class = header_.runs.classOfPage(id);
    if (size_class == 0) continue;  // page() reports it when the walk gets there
    const std::size_t size = static_cast<std::size_t>(size_class) * kUnitBytes;
    ahead_pages_.push_back({static_cast<std::uint32_t>(unitOffset(id)), 0, size});
    total += size;
  }
  // In the order of their homes, each page placed after the one before in the buffer, so that
  // pages side by side in the file are one read.
  std::sort(ahead_pages_.begin(), ahead_pages_.end(),
            [](const BufferedImage& a, const BufferedImage& b) { return a.home < b.home; });
  ahead_bytes_.resize(total);
  std::size_t at = 0;
  for (BufferedImage& ahead : ahead_pages_) {
    ahead.at = at;
    at += ahead.size;
  }
  std::size_t kept = 0;
  for (std::size_t from = 0; from < ahead_pages_.size();) {
    const ImageRun run = runFrom(ahead_pages_, from);
    const auto bytes = std::span<std::uint8_t>(ahead_bytes_).subspan(ahead_pages_[from].at, run.bytes);
    if (tryReadBlocks(ahead_pages_[from].home, bytes)) {
      for (std::size_t i = from; i < run.past; ++i) ahead_pages_[kept++] = ahead_pages_[i];
    }
    from = run.past;
  }
  ahead_pages_.resize(kept);
}

const PageFile::BufferedImage* PageFile::readAheadAt(std::uint32_t home) const {
  const auto found = std::find_if(ahead_pages_.begin(), ahead_pages_.end(),
                                  [home](const BufferedImage& page) { return page.home == home; });
  return found == ahead_pages_.end() ? nullptr : &*found;
}

const CachedPage* PageFile::rememberedLeaf(std::span<const std::uint8_t> key) {
  for (RememberedLeaf& remembered : remembered_) {
    if (remembered.id == kNoPage) continue;
    CachedPage* leaf = cache_.find(remembered.id);
    if (leaf == nullptr || !leaf->isLeaf() || leaf->count() == 0) {
      remembered = RememberedLeaf{};  // dropped from the cache: a descent reads it again
      continue;
    }
    // A leaf not decoded to its end answers for keys up to its last decoded one; a key beyond it
    // goes down from the root, which lands here again and decodes on.
    const std::size_t decoded = leaf->decodedCount();
    if (decoded > 0 && compareKeys(leaf->key(0), key) <= 0 && compareKeys(key, leaf->key(decoded - 1)) <= 0) {
      cache_.use(*leaf);
      remembered.last_use = ++remember_clock_;
      return leaf;
    }
  }
  return nullptr;
}

void PageFile::rememberLeaf(std::uint32_t id) {
  RememberedLeaf* slot = &remembered_[0];
  for (RememberedLeaf& remembered : remembered_) {
    if (remembered.id == id) {
      slot = &remembered;
      break;
    }
    if (remembered.last_use < slot->last_use) slot = &remembered;
  }
  *slot = RememberedLeaf{id, ++remember_clock_};
}

bool PageFile::find(std::span<const std::uint8_t> key, Entry& out) {
  if (header_.root == kNoPage) return false;
  const CachedPage* leaf = rememberedLeaf(key);
  if (leaf == nullptr) {
    leaf = &descend(key, Descent::Read);
    rememberLeaf(leaf->id);
  }
  const std::size_t index = leaf->lowerBound(key);
  if (index == leaf->count() || compareKeys(leaf->key(index), key) != 0) return false;
  out.assign(leaf->key(index), leaf->entry(index).subspan(leaf->keyLength(index)));
  return true;
}

namespace {

// The entry a seek lands on within one leaf: an index into it, or false when the answer lies in
// a neighbouring leaf.
bool seekInLeaf(const Page& leaf, std::span<const std::uint8_t> key, Seek where, std::size_t& index) {
  switch (where) {
    case Seek::AtOrAfter: index = leaf.lowerBound(key); return index < leaf.count();
    case Seek::After: index = leaf.upperBound(key); return index < leaf.count();
    case Seek::Before: index = leaf.lowerBound(key); break;
    case Seek::AtOrBefore: index = leaf.upperBound(key); break;
  }
  if (index == 0) return false;
  --index;
  return true;
}

}  // namespace

bool PageFile::seek(std::span<const std::uint8_t> key, Seek where, Entry& out) {
  if (header_.root == kNoPage) return false;
  std::size_t index = 0;
  if (const CachedPage* remembered = rememberedLeaf(key);
      remembered != nullptr && seekInLeaf(*remembered, key, where, index)) {
    out.assign(remembered->key(index), remembered->entry(index).subspan(remembered->keyLength(index)));
    return true;
  }
  const CachedPage* leaf = &descend(key, Descent::Read);
  const bool forward = where == Seek::AtOrAfter || where == Seek::After;
  bool inside = seekInLeaf(*leaf, key, where, index);
  while (!inside) {
    if (!stepLeaf(forward ? 1 : -1)) return false;
    leaf = &page(path_.back().id, 0);
    if (leaf->count() == 0) continue;
    index = forward ? 0 : leaf->count() - 1;
    // A neighbouring leaf whose entries lie on the wrong side of the key means a damaged
    // tree; going on could walk in circles.
    const int order = compareKeys(leaf->key(index), key);
    const bool right_side = where == Seek::AtOrAfter ? order >= 0
                            : where == Seek::After   ? order > 0
                            : where == Seek::Before  ? order < 0
                                                     : order <= 0;
    if (!right_side) fail(failure::kEntriesDoNotFill);
    inside = true;
  }
  rememberLeaf(leaf->id);
  out.assign(leaf->key(index), leaf->entry(index).subspan(leaf->keyLength(index)));
  return true;
}

void PageFile::scan(std::span<const std::uint8_t> from, bool inclusive, const EntryVisitor& visit) {
  walkLeaves(from, inclusive, nullptr, visit);
}

void PageFile::scanParts(std::span<const std::uint8_t> from, bool inclusive,
                         std::span<const DataRange> wanted, const EntryVisitor& visit) {
  for (std::size_t i = 1; i < wanted.size(); ++i) {
    if (wanted[i].offset < std::size_t{wanted[i - 1].offset} + wanted[i - 1].size)
      throw std::invalid_argument("scanParts: the wanted ranges overlap or are out of order");
  }
  walkLeaves(from, inclusive, &wanted, visit);
}

void PageFile::walkLeaves(std::span<const std::uint8_t> from, bool inclusive,
                          const std::span<const DataRange>* parts, const EntryVisitor& visit) {
  if (header_.root == kNoPage) return;
  struct AheadDropped {
    PageFile& file;
    ~AheadDropped() {
      file.ahead_pages_.clear();
      file.ahead_batch_ = 0;
    }
  } dropped{*this};
  // The next leaf must start after this one ends: one that does not means a damaged tree. A leaf
  // visited undecoded has its first key checked as the visit reaches it.
  bool checked = false;
  bool first_of_leaf = true;
  const EntryVisitor checked_visit = [&](std::span<const std::uint8_t> key,
                                         std::span<const std::uint8_t> data) {
    if (first_of_leaf) {
      first_of_leaf = false;
      if (checked && compareKeys(key, scan_key_) <= 0) fail(failure::kEntriesDoNotFill);
    }
    return visit(key, data);
  };
  const CachedPage* leaf = &descend(from, Descent::Read);
  std::size_t index = inclusive ? leaf->lowerBound(from) : leaf->upperBound(from);
  for (;;) {
    if (parts != nullptr && index == 0 && leaf->undecoded()) {
      first_of_leaf = true;
      if (!leaf->visitUndecoded(*parts, visit_scratch_, checked_visit)) return;
      scan_key_.swap(visit_scratch_.last_key);
      checked = true;
    } else {
      if (checked && leaf->count() > 0 && compareKeys(leaf->key(0), scan_key_) <= 0)
        fail(failure::kEntriesDoNotFill);
      for (; index < leaf->count(); ++index) {
        const auto key = leaf->key(index);
        if (!visit(key, leaf->entry(index).subspan(key.size()))) return;
      }
      checked = leaf->count() > 0;
      if (checked) {
        const auto last = leaf->key(leaf->count() - 1);
        scan_key_.assign(last.begin(), last.end());
      }
    }
    readAheadSiblings();
    if (!stepLeaf(1)) return;
    leaf = &page(path_.back().id, 0);
    index = 0;
  }
}

// ---- Changes ----

void PageFile::insert(std::span<const std::uint8_t> key, std::span<const std::uint8_t> data) {
  forgetLeaves();
  const std::size_t length = key.size() + data.size();
  if (length >= kEntryLengthLimit) fail(failure::kEntryTooLong);
  if (length > kLargestStoredEntry || key.size() > kLargestStoredKey) fail(failure::kPageTooLarge);
  if (header_.root == kNoPage) {
    CachedPage& leaf = newPage(0);
    leaf.insertAt(0, key, data);
    header_.root = leaf.id;
    return;
  }
  CachedPage& leaf = descend(key, Descent::Insert);
  touch(leaf);
  const std::size_t index = leaf.lowerBound(key);
  if (index < leaf.count() && compareKeys(leaf.key(index), key) == 0) {
    leaf.replaceAt(index, key, data);
  } else {
    leaf.insertAt(index, key, data);
  }
  splitUpward();
}

void PageFile::splitUpward() {
  std::vector<std::uint32_t> pieces;
  std::size_t depth = path_.size();
  while (depth-- > 0) {
    CachedPage& grown = page(path_[depth].id, -1);
    if (!mustSplit(grown)) continue;
    pieces.assign(1, grown.id);
    for (std::size_t k = 0; k < pieces.size();) {
      CachedPage& piece = *cache_.find(pieces[k]);
      if (mustSplit(piece)) {
        CachedPage& right = newPage(piece.level());
        piece.moveTailTo(splitAt(piece), right);
        pieces.insert(pieces.begin() + static_cast<std::ptrdiff_t>(k + 1), right.id);
      } else {
        ++k;
      }
    }
    if (depth == 0) {
      CachedPage& root = newPage(static_cast<std::uint8_t>(grown.level() + 1));
      root.insertAt(0, grown.key(0), {}, grown.id);
      header_.root = root.id;
      // The new root goes in front of the path (shifted by hand: vector::insert at the front
      // trips a false null-dereference warning in g++ 12).
      path_.push_back(path_.back());
      for (std::size_t i = path_.size() - 1; i > 0; --i) path_[i] = path_[i - 1];
      path_[0] = PathStep{root.id, 0};
      ++depth;
    }
    CachedPage& parent = page(path_[depth - 1].id, -1);
    touch(parent);
    const std::size_t at = path_[depth - 1].index;
    for (std::size_t k = 1; k < pieces.size(); ++k) {
      const CachedPage& left = *cache_.find(pieces[k - 1]);
      const CachedPage& right = *cache_.find(pieces[k]);
      // A leaf's last key is the largest of its subtree, so a prefix of the right page's first
      // key can separate them; an index page's entries are only lower bounds, so its first
      // entry is taken whole.
      const auto separator =
          right.isLeaf() ? shortestSeparator(left.key(left.count() - 1), right.key(0)) : right.key(0);
      parent.insertAt(at + k, separator, {}, right.id);
    }
  }
}

bool PageFile::erase(std::span<const std::uint8_t> key) {
  forgetLeaves();
  if (header_.root == kNoPage) return false;
  CachedPage& leaf = descend(key, Descent::Erase);
  const std::size_t index = leaf.lowerBound(key);
  if (index == leaf.count() || compareKeys(leaf.key(index), key) != 0) return false;
  touch(leaf);
  leaf.eraseAt(index);
  shrinkUpward();
  return true;
}

void PageFile::shrinkUpward() {
  for (std::size_t depth = path_.size() - 1; depth > 0; --depth) {
    CachedPage& shrunk = page(path_[depth].id, -1);
    const std::uint32_t parent_id = path_[depth - 1].id;
    const std::size_t at = path_[depth - 1].index;
    if (shrunk.count() == 0) {
      releasePageId(shrunk.id);
      CachedPage& parent = page(parent_id, -1);
      touch(parent);
      parent.eraseAt(at);
      continue;
    }
    if (shrunk.encodedSize() >= mergeBelow(shrunk)) break;
    const std::uint8_t level = shrunk.level();
    std::uint32_t sibling_id = 0;
    std::size_t sibling_at = 0;
    {
      const CachedPage& parent = page(parent_id, -1);
      if (parent.count() < 2) break;
      sibling_at = at + 1 < parent.count() ? at + 1 : at - 1;
      sibling_id = parent.child(sibling_at);
    }
    CachedPage& sibling = page(sibling_id, level);
    CachedPage& shrunk_again = page(path_[depth].id, level);
    const bool shrunk_is_left = at < sibling_at;
    CachedPage& left = shrunk_is_left ? shrunk_again : sibling;
    CachedPage& right = shrunk_is_left ? sibling : shrunk_again;
    if (left.encodedSize() + right.encodedSize() - kPageHeaderBytes > mergeUpTo(left)) break;
    touch(left);
    left.takeAllFrom(right);
    releasePageId(right.id);
    CachedPage& parent = page(parent_id, -1);
    touch(parent);
    parent.eraseAt(std::min(at, sibling_at) + 1);
  }
  collapseRoot();
}

void PageFile::collapseRoot() {
  while (header_.root != kNoPage) {
    CachedPage& root = page(header_.root, -1);
    if (root.count() == 0) {
      releasePageId(root.id);
      header_.root = kNoPage;
      return;
    }
    if (root.isLeaf() || root.count() > 1) return;
    const std::uint32_t child = root.child(0);
    releasePageId(root.id);
    header_.root = child;
  }
}

// ---- Checks ----

std::vector<std::string> PageFile::checkPages() {
  std::vector<std::string> problems;
  std::unordered_set<std::uint32_t> reached;
  // A page, and the range of keys its parents' entries lead a search to: a leaf key outside it
  // could be walked to but never found.
  struct Waiting {
    std::uint32_t id;
    int level;
    std::optional<std::vector<std::uint8_t>> lowest, beyond;
  };
  std::vector<Waiting> waiting;
  if (header_.root != kNoPage) waiting.push_back({header_.root, -1, std::nullopt, std::nullopt});
  while (!waiting.empty()) {
    const Waiting at = std::move(waiting.back());
    waiting.pop_back();
    if (!reached.insert(at.id).second) {
      problems.push_back("the page at unit " + std::to_string(at.id) + " is reached twice in the tree");
      return problems;
    }
    const CachedPage& current = page(at.id, at.level);
    current.decodeAll();
    for (std::size_t i = 0; current.isLeaf() && i < current.count(); ++i) {
      if ((at.lowest && compareKeys(current.key(i), *at.lowest) < 0) ||
          (at.beyond && compareKeys(current.key(i), *at.beyond) >= 0)) {
        problems.push_back("the leaf at unit " + std::to_string(at.id) +
                           " holds keys its index entries do not lead to: an index page is damaged");
        return problems;
      }
    }
    for (std::size_t i = 0; !current.isLeaf() && i < current.count(); ++i) {
      const auto key = current.key(i);
      std::optional<std::vector<std::uint8_t>> beyond = at.beyond;
      if (i + 1 < current.count()) beyond.emplace(current.key(i + 1).begin(), current.key(i + 1).end());
      waiting.push_back({current.child(i), current.level() - 1,
                         std::vector<std::uint8_t>(key.begin(), key.end()), std::move(beyond)});
    }
  }
  std::size_t unreached = 0;
  for (int c = 1; c < kRunCount; ++c) {
    const auto run = static_cast<std::size_t>(c);
    for (std::uint32_t unit = header_.runs.start[run]; unit < header_.runs.end[run];
         unit += static_cast<std::uint32_t>(c)) {
      if (reached.count(unit) == 0) ++unreached;
    }
  }
  if (unreached > 0) {
    problems.push_back(std::to_string(unreached) + (unreached == 1 ? " page" : " pages") +
                       " of the page runs " + (unreached == 1 ? "is" : "are") + " not in the tree" +
                       (header_.root == kNoPage ? " (the header says the tree is empty)" : ""));
  }
  return problems;
}

// ---- Placing pages when an update is written ----

std::optional<PageFile::PathStep> PageFile::findParent(CachedPage& target) {
  if (target.count() == 0) return std::nullopt;
  const auto key = target.key(0);
  const int level = target.level();
  std::uint32_t id = header_.root;
  int expected = -1;
  for (;;) {
    const CachedPage& current = page(id, expected);
    if (current.level() <= level) return std::nullopt;
    const std::size_t index = current.route(key);
    const std::uint32_t child = current.child(index);
    if (current.level() == level + 1) {
      if (child != target.id) return std::nullopt;
      return PathStep{id, index};
    }
    id = child;
    expected = current.level() - 1;
  }
}

void PageFile::keepStoredImage(CachedPage& kept) {
  // Only a changed page has an image already, and pages not yet placed are changed.
  if (kept.changed) return;
  const int size_class = header_.runs.classOfPage(kept.id);
  // A page that cannot be placed or read again here is encoded at the write, as any changed page.
  if (size_class == 0) return;
  kept.image.resize(static_cast<std::size_t>(size_class) * kUnitBytes);
  kept.image_ready = tryReadBlocks(storedImageOffset(kept.id), kept.image);
  if (!kept.image_ready) kept.image.clear();
}

void PageFile::movePage(std::uint32_t from, std::uint32_t to) {
  CachedPage& moving = page(from, -1);
  keepStoredImage(moving);
  cache_.markChanged(moving);
  if (header_.root == from) {
    header_.root = to;
  } else {
    // The page's first key leads from the root to it; its parent's child number follows it.
    const auto parent_step = findParent(moving);
    if (!parent_step) fail(failure::kEntriesDoNotFill);
    CachedPage& parent = page(parent_step->id, -1);
    keepStoredImage(parent);
    cache_.markChanged(parent);
    parent.setChild(parent_step->index, to);
  }
  cache_.renumber(moving, to);
}

void PageFile::placePages() {
  forgetLeaves();
  const PageMover mover = [this](std::uint32_t from, std::uint32_t to) { movePage(from, to); };
  // Units of pages gone from the tree are freed first, so that the pages placed next can use them.
  std::array<std::vector<std::uint32_t>, kRunCount> released;
  for (const std::uint32_t unit : released_units_) {
    const int size_class = header_.runs.classOfPage(unit);
    if (size_class == 0) fail(failure::kUnitOutsideRuns);
    released[static_cast<std::size_t>(size_class)].push_back(unit);
  }
  released_units_.clear();
  for (int c = 1; c < kRunCount; ++c) {
    auto& units = released[static_cast<std::size_t>(c)];
    std::sort(units.begin(), units.end());
    units.erase(std::unique(units.begin(), units.end()), units.end());
    if (!units.empty()) releasePages(header_.runs, c, units, mover);
  }
  // Pages changed so far; pages that only move below keep their class and need no place.
  cache_.changedIds(ids_);
  pages_.clear();
  for (const std::uint32_t id : ids_) pages_.push_back(cache_.find(id));
  // Pages that need a place are gathered by class and placed a class at a time, so that the runs
  // above each class move up once for all its new pages.
  std::array<std::vector<CachedPage*>, kRunCount> unplaced;
  for (CachedPage* placing : pages_) {
    if (!placing->image_ready) {
      placing->encode(0, placing->image, scratch_);
      placing->image_ready = true;
    }
    const int wanted = classForBytes(placing->image.size());
    if (placing->id < kFirstUnplacedId) {
      const int present = header_.runs.classOfPage(placing->id);
      if (present == wanted) continue;
      if (present == 0) fail(failure::kUnitOutsideRuns);
      const std::uint32_t old_unit = placing->id;
      movePage(old_unit, nextUnplacedId());
      releasePage(header_.runs, old_unit, present, mover);
    }
    unplaced[static_cast<std::size_t>(wanted)].push_back(placing);
  }
  std::vector<std::uint32_t> units;
  for (int c = 1; c < kRunCount; ++c) {
    auto& placing = unplaced[static_cast<std::size_t>(c)];
    if (placing.empty()) continue;
    allocatePages(header_.runs, c, placing.size(), mover, units);
    for (std::size_t i = 0; i < placing.size(); ++i) movePage(placing[i]->id, units[i]);
  }
  compactRuns(header_.runs, mover);
}

}  // namespace veltrano::storage
