// The storage benchmark's workloads, run the same way on our engine and on SQLite over the same
// cards. Each side implements one Engine; the harness times every call and compares.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

#include "runtime/values/record_layout.h"

namespace veltrano::bench {

// The cards every workload works on, made once before any timing.
struct CardSet {
  const runtime::RecordLayout* layout = nullptr;
  std::vector<std::uint8_t> images;              // record images of 1860 bytes, end to end
  std::vector<std::vector<std::uint8_t>> memos;  // one per card
  std::uint32_t record_size = 0;
  std::size_t size() const { return memos.size(); }
  std::span<const std::uint8_t> image(std::size_t card) const {
    return {images.data() + card * record_size, record_size};
  }
};

struct WorkloadPlan {
  std::size_t bulk = 100000;                 // cards loaded in one transaction (the first `bulk` of the set)
  std::size_t durable = 1000;                // single inserts after them, each its own durable update
  std::size_t reads = 100000;                // random reads by card number
  std::size_t updates = 10000;               // changes of the position in one transaction
  std::size_t deletes = 10000;               // deletions in one transaction
  std::vector<std::int64_t> read_numbers;    // the cards to read, in order
  std::vector<std::int64_t> update_numbers;  // distinct cards to change
  std::vector<std::string> new_positions;    // 1251, one per update
  std::vector<std::int64_t> delete_numbers;  // distinct cards to delete
  std::int64_t current_cards = 0;            // cards without a dismissal date after the loads
};

// Card numbers are 1 … bulk + durable, in set order.
inline std::int64_t cardNumber(std::size_t index) {
  return static_cast<std::int64_t>(index) + 1;
}

class Engine {
 public:
  virtual ~Engine() = default;
  // Starts from no file in `directory`.
  virtual void start(const std::string& directory) = 0;
  virtual void finish() = 0;
  // Untimed: whatever the side needs to hold the cards in its own form before loading them.
  virtual void prepare(const CardSet& cards) { (void)cards; }
  virtual std::uint64_t fileBytes() = 0;

  virtual void bulkLoad(const CardSet& cards, const WorkloadPlan& plan) = 0;
  virtual void durableInserts(const CardSet& cards, const WorkloadPlan& plan) = 0;
  // Each returns a figure the harness checks against the plan, so that no side is timed doing
  // less than the other: cards found, cards scanned in order, cards counted.
  virtual std::int64_t randomReads(const WorkloadPlan& plan) = 0;
  virtual std::int64_t orderedScan() = 0;
  virtual std::int64_t countCurrent() = 0;
  // The dismissed cards (a dismissal date given) in surname order, every field read.
  virtual std::int64_t scanDismissed() = 0;
  virtual void updatePositions(const WorkloadPlan& plan) = 0;
  virtual void deleteCards(const WorkloadPlan& plan) = 0;
  // Cards in the table now.
  virtual std::int64_t cardCount() = 0;
  // How workload 5 ran, when it is not the view it should be.
  virtual std::string countNote() const { return {}; }
  // Pages the side's cache has found and has read from the file so far; zero where the side
  // does not tell.
  struct PageCounts {
    std::uint64_t hits = 0;
    std::uint64_t loads = 0;
  };
  virtual PageCounts pageCounts() { return {}; }
};

// Thrown when a workload does not do what it must (a failed statement, a wrong count).
struct WorkloadError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

std::unique_ptr<Engine> makeSqliteEngine();
std::unique_ptr<Engine> makeOurEngine();

}  // namespace veltrano::bench
