// A storage file: the ordered tree of entries kept in variable-size pages on disk, with the page
// cache, enciphering, and the shadow-writing update that never leaves a half-written file.
//
// Changes stay in the cache until flush() writes them as one update:
//   1. the current header is copied and the end of the page area recorded as the boundary B;
//   2. every changed page gets its final unit (pages whose size class changed move runs, runs
//      are compacted), the pending area is placed at the new end of the page area, and the
//      change counter goes up;
//   3. pages that existed before (home below B) and the new header are written to the pending
//      area; pages beyond B are written at their homes;
//   4. after a flush to the medium, the copied header with the new pending bounds is written at
//      offset 0 and flushed: from here on the update is durable;
//   5. the pages and the header are written at their homes and the pending area is applied
//      (emptied in the header, the change counter up again).
// A file found with a pending area on open is rolled forward, unless the walk of the area fails
// (then it is discarded) or the transaction hook says the update never committed.
//
// Not safe for concurrent use; the lock layer serialises stations and threads around it.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/file.h"
#include "storage/cipher.h"
#include "storage/entry_tree.h"
#include "storage/file_header.h"
#include "storage/page_cache.h"
#include "storage/pending_area.h"

namespace veltrano::storage {

struct PageFileOptions {
  std::string owner;  // the owner password; empty = not enciphered
  bool read_only = false;
  // Asked on open when the file holds a complete pending update carrying a transaction marker
  // (the entry with key 0xFF, read through the pending area): true rolls the update forward,
  // false discards it. Unset: always roll forward.
  std::function<bool(std::span<const std::uint8_t> marker_data)> keep_pending_update;
  // Take the write lock (all reader slots) while an update is written to disk. Off for a file
  // opened exclusively, which takes no locks.
  bool lock_for_writes = true;
};

class PageFile final : public EntryTree {
 public:
  // Opens (or, with Creation::OpenOrCreate, creates) a storage file. *error is 0 on success,
  // 36 for a file that is not a storage file (shorter than 512 bytes, another magic, a header
  // that cannot describe a file), or an operating-system error number. A 0-byte file opens as
  // a new, empty storage file. Storage failures met while recovering are raised.
  static std::unique_ptr<PageFile> open(std::string_view path, platform::Creation creation,
                                        const PageFileOptions& options, int* error);
  ~PageFile() override;
  PageFile(const PageFile&) = delete;
  PageFile& operator=(const PageFile&) = delete;

  // EntryTree.
  bool find(std::span<const std::uint8_t> key, Entry& out) override;
  bool seek(std::span<const std::uint8_t> key, Seek where, Entry& out) override;
  void scan(std::span<const std::uint8_t> from, bool inclusive, const EntryVisitor& visit) override;
  // Leaves the scan reaches still undecoded are visited where they lie, packed or not.
  void scanParts(std::span<const std::uint8_t> from, bool inclusive, std::span<const DataRange> wanted,
                 const EntryVisitor& visit) override;
  // Failure 824 for an entry of 15094 bytes or more, 1678 for one that no page of 59 units can
  // hold (longer than 15086 bytes, or a key longer than 15082).
  void insert(std::span<const std::uint8_t> key, std::span<const std::uint8_t> data) override;
  bool erase(std::span<const std::uint8_t> key) override;
  std::uint32_t lastNumber() const override { return header_.last_number; }
  // Failure 1173 when the number's first (most significant) byte is 0xFE or more, so that
  // keys starting with a number always sort before the name entries.
  void setLastNumber(std::uint32_t number) override;

  // Whether the tree and the page runs describe each other: every page of the runs is reached
  // from the root once, at the level its parent gives. One line per problem (empty when they
  // agree); a page that cannot be read is raised as a storage failure. For checks.
  std::vector<std::string> checkPages();

  bool hasChanges() const;
  // The whole update (steps 1–5). 0, or the operating-system error of a failed write (5 for a
  // short one, or for a file opened read-only). After an error nothing half-done is visible:
  // the file holds the state before the update (error before step 4) or after it (error in
  // step 5, which the next flush or open completes); the changes stay cached for a retry.
  int flush();
  // Steps 1–4 only: the update is durable in the pending area and the write lock stays held.
  int prepareUpdate();
  // Step 5 after prepareUpdate().
  int completeUpdate();
  // Drops every change (after prepareUpdate, also the pending area) and re-reads the header.
  void discardChanges();
  // Re-reads the header when another station's update moved the change counter (or left a
  // pending area), dropping the cached pages; true when it did. A file with changes of its own
  // is left alone (false): the lock layer keeps other writers out while changes are pending.
  bool reloadIfChanged();

  platform::File& file() { return *file_; }
  // How the write lock is taken and let go, when not on the file directly: a station keeps its
  // locks in a table of its own, which must see the write lock too — letting go of it through the
  // file would also let go of the station's reader slot inside its range. Both or neither.
  void setWriteLocking(std::function<bool()> lock, std::function<void()> unlock) {
    write_lock_ = std::move(lock);
    write_unlock_ = std::move(unlock);
  }
  std::uint32_t changeCounter() const { return header_.change_counter; }
  // The error of the last failed write (0 when the last update succeeded).
  int error() const { return error_; }
  const FileHeader& header() const { return header_; }
  const PageCache& cache() const { return cache_; }

 private:
  struct PathStep {
    std::uint32_t id;
    std::size_t index;  // the child taken in an index page, the entry in the leaf
  };

  PageFile(std::unique_ptr<platform::File> file, const PageFileOptions& options);

  // I/O, enciphered when the file has an owner.
  void readBlocks(std::uint64_t offset, std::span<std::uint8_t> out);
  bool tryReadBlocks(std::uint64_t offset, std::span<std::uint8_t> out);
  int writeBlocks(std::uint64_t offset, std::span<std::uint8_t> data);
  int readHeaderAt0(FileHeader& out);
  // Whether the header at offset 0 no longer shows the pending bounds and change counter last
  // seen there (false also when it cannot be read: the operation then meets the error itself).
  bool headerMovedAt0();
  int writeHeaderAt0(const FileHeader& header);

  // Opening and recovery.
  // The header (and size) read at opening under a reader slot of the file's own; then any
  // pending update finished.
  int loadOnOpen();
  int loadFromDisk();
  int readDiskHeader();
  int finishPendingUpdate();
  int recoverPendingArea(bool ask_hook);
  int rollForward(const PendingArea& area);
  int emptyPendingArea();
  int applyPendingArea();
  bool lockForWrite();
  void unlockForWrite();

  // Pages.
  CachedPage& page(std::uint32_t id, int expected_level);
  // Where the file holds the image of the page at unit `id` now: its home, or its shadow copy
  // while pages are read from a pending area instead of their homes.
  std::uint64_t storedImageOffset(std::uint32_t id) const;
  CachedPage& newPage(std::uint8_t level);
  // Marks a page changed before its entries change.
  void touch(CachedPage& page) {
    cache_.markChanged(page);
    page.image_ready = false;
  }
  void releasePageId(std::uint32_t id);

  // The tree.
  // Why the tree is descended: to read, or to insert (the first entries of index pages stay
  // lower bounds) or erase, which decode the pages on the path as they change them.
  enum class Descent { Read, Insert, Erase };
  CachedPage& descend(std::span<const std::uint8_t> key, Descent purpose);
  bool stepLeaf(int direction);
  // scan() and scanParts(): with `parts`, the leaves reached undecoded are visited undecoded.
  void walkLeaves(std::span<const std::uint8_t> from, bool inclusive, const std::span<const DataRange>* parts,
                  const EntryVisitor& visit);
  // Before a scan steps to the next leaf: reads the leaves that follow it under the same parent
  // (a batch that doubles with each call) in as few reads as their homes allow, for page() to
  // decode as the walk reaches them. A leaf already cached is left out, and a read that fails
  // leaves its pages to be read, and fail, where the walk meets them.
  void readAheadSiblings();
  void splitUpward();
  void shrinkUpward();
  void collapseRoot();
  std::optional<PathStep> findParent(CachedPage& page);
  // Leaves where recent searches ended. A key between a leaf's first and last entries can only
  // be answered from that leaf (a leaf holds a contiguous run of the order), so a scan that
  // reads entry after entry, interleaved with reads elsewhere in the file, searches one page
  // instead of descending from the root each time.
  const CachedPage* rememberedLeaf(std::span<const std::uint8_t> key);
  void rememberLeaf(std::uint32_t id);
  // Any change to the tree or to page numbers (insert, erase, placing, reloading, discarding)
  // may move entries between leaves or give a number to another page.
  void forgetLeaves() { remembered_.fill(RememberedLeaf{}); }

  // The update.
  void placePages();
  void movePage(std::uint32_t from, std::uint32_t to);
  // Before a page not yet changed is moved or has a child renumbered: its image as stored, which
  // differs from what it is now written as only in the home and child numbers that patchImage()
  // sets. Decoding and encoding the page instead cost most of a large delete's commit.
  void keepStoredImage(CachedPage& page);
  int writeUpdate();
  int writeHomes();
  int completePendingOnDisk();
  std::uint32_t nextUnplacedId();

  std::unique_ptr<platform::File> file_;
  PageFileOptions options_;
  std::optional<Cipher> cipher_;
  FileHeader header_;             // the file as this station sees it, changes included
  FileHeader disk_header_;        // the file as on disk before the changes (pending area applied)
  FileHeader seen_at_0_;          // the header last read or written at offset 0
  bool new_on_disk_ = false;      // a 0-byte file: no header written yet
  bool pending_on_disk_ = false;  // an update is durable in the pending area but not applied
  bool prepared_ = false;         // steps 1–4 done, step 5 outstanding
  bool locked_ = false;
  std::function<bool()> write_lock_;
  std::function<void()> write_unlock_;
  int error_ = 0;
  PageCache cache_;
  // Read-only file with an update left in its pending area: pages are read from their copies.
  std::unordered_map<std::uint32_t, PendingCopy> pending_copies_;
  std::vector<std::uint32_t> released_units_;
  std::uint32_t next_unplaced_ = kFirstUnplacedId;
  std::vector<PathStep> path_;
  struct RememberedLeaf {
    std::uint32_t id = kNoPage;
    std::uint64_t last_use = 0;
  };
  std::array<RememberedLeaf, 4> remembered_{};
  std::uint64_t remember_clock_ = 0;
  // Working space, kept so that warm reads allocate nothing.
  std::vector<std::uint8_t> read_buffer_;
  PageScratch scratch_;
  std::vector<std::uint8_t> scan_key_;
  VisitScratch visit_scratch_;
  // A page's image held in one of the buffers below, with the offset of its home in the file.
  struct BufferedImage {
    std::uint32_t home;
    std::size_t at;  // offset in the buffer
    std::size_t size;
  };
  // The images from `first` on whose homes follow one another without a gap, so that they go to
  // or come from the file in one write or read: the index past the last, and their bytes.
  struct ImageRun {
    std::size_t past;
    std::size_t bytes;
  };
  static ImageRun runFrom(std::span<const BufferedImage> images, std::size_t first);
  // The page read ahead for this home, or null.
  const BufferedImage* readAheadAt(std::uint32_t home) const;
  // Leaves read ahead by the scan under way, emptied when it ends: no other station writes
  // during one scan, and a scan changes nothing. Those of a table's records lie mostly side by
  // side in their runs, so a batch of them costs a few reads instead of one each.
  std::vector<std::uint8_t> ahead_bytes_;
  std::vector<BufferedImage> ahead_pages_;
  std::size_t ahead_batch_ = 0;
  std::vector<std::uint32_t> ids_;
  std::vector<CachedPage*> pages_;
  // The update being written: images bound for the pending area (sorted by home) and the new
  // header, kept for step 5.
  std::vector<std::uint8_t> staged_;
  std::vector<BufferedImage> staged_homes_;
  std::vector<std::uint8_t> direct_;
  std::vector<BufferedImage> direct_homes_;
  FileHeader step1_header_;
};

}  // namespace veltrano::storage
