#include "storage/page_runs.h"

#include <algorithm>

#include "storage/storage_failure.h"

namespace veltrano::storage {
namespace {

using Index = std::size_t;

std::uint32_t gapBelow(const PageRuns& runs, Index c) {
  return runs.start[c] - runs.end[c - 1];
}

// Slides run c down by as many whole pages as there is room below it, moving each page at most
// once: the last pages go into the room, or the whole run when it is shorter than the room.
void slideDown(PageRuns& runs, Index c, const PageMover& move) {
  const auto size = static_cast<std::uint32_t>(c);
  if (runs.start[c] == runs.end[c]) {
    runs.start[c] = runs.end[c] = runs.end[c - 1];
    return;
  }
  const std::uint32_t shift = gapBelow(runs, c) / size * size;
  if (shift == 0) return;
  const std::uint32_t length = runs.end[c] - runs.start[c];
  const std::uint32_t first_moved = shift >= length ? runs.start[c] : runs.end[c] - shift;
  for (std::uint32_t from = first_moved, to = runs.start[c] - shift; from < runs.end[c];
       from += size, to += size) {
    move(from, to);
  }
  runs.start[c] -= shift;
  runs.end[c] -= shift;
}

// Makes at least `need` units free between the end of run c and the start of run c + 1.
void makeRoomAbove(PageRuns& runs, Index c, std::uint32_t need, const PageMover& move) {
  if (c + 1 >= static_cast<Index>(kRunCount)) return;  // nothing lies above the top run
  const Index above = c + 1;
  const std::uint32_t room = runs.start[above] - runs.end[c];
  if (room >= need) return;
  const std::uint32_t deficit = need - room;
  if (runs.start[above] == runs.end[above]) {
    makeRoomAbove(runs, above, deficit, move);
    runs.start[above] += deficit;
    runs.end[above] += deficit;
    return;
  }
  const auto size = static_cast<std::uint32_t>(above);
  const std::uint32_t pages = (deficit + size - 1) / size;
  if (std::uint64_t{runs.end[above]} + std::uint64_t{pages} * size > kUnitLimit) fail(failure::kSeekFailed);
  makeRoomAbove(runs, above, pages * size, move);
  const std::uint32_t length = (runs.end[above] - runs.start[above]) / size;
  if (pages >= length) {
    // The whole run moves up, each page once, the highest first.
    const std::uint32_t shift = pages * size;
    for (std::uint32_t from = runs.end[above]; from != runs.start[above];) {
      from -= size;
      move(from, from + shift);
    }
    runs.start[above] += shift;
    runs.end[above] += shift;
    return;
  }
  // Each first page moves to the end, shifting the run up by one page.
  for (std::uint32_t i = 0; i < pages; ++i) {
    move(runs.start[above], runs.end[above]);
    runs.start[above] += size;
    runs.end[above] += size;
  }
}

}  // namespace

int classForBytes(std::size_t bytes) {
  const std::size_t units = (bytes + kUnitBytes - 1) / kUnitBytes;
  if (units > static_cast<std::size_t>(kLargestClass)) fail(failure::kPageTooLarge);
  return units == 0 ? 1 : static_cast<int>(units);
}

void allocatePages(PageRuns& runs, int c, std::size_t count, const PageMover& move,
                   std::vector<std::uint32_t>& units) {
  const auto cls = static_cast<Index>(c);
  const auto size = static_cast<std::uint32_t>(c);
  for (Index below = 1; below < cls; ++below) slideDown(runs, below, move);
  if (runs.start[cls] == runs.end[cls]) runs.start[cls] = runs.end[cls] = runs.end[cls - 1];
  units.clear();
  while (units.size() < count && gapBelow(runs, cls) >= size) {
    runs.start[cls] -= size;
    units.push_back(runs.start[cls]);
  }
  const std::uint64_t rest = count - units.size();
  if (rest == 0) return;
  if (std::uint64_t{runs.end[cls]} + rest * size > kUnitLimit) fail(failure::kSeekFailed);
  // Room for all of them at once: the runs above move up once, not once for every page.
  makeRoomAbove(runs, cls, static_cast<std::uint32_t>(rest * size), move);
  for (std::uint64_t i = 0; i < rest; ++i) {
    units.push_back(runs.end[cls]);
    runs.end[cls] += size;
  }
}

void releasePage(PageRuns& runs, std::uint32_t unit, int c, const PageMover& move) {
  const auto cls = static_cast<Index>(c);
  if (unit != runs.start[cls]) move(runs.start[cls], unit);
  runs.start[cls] += static_cast<std::uint32_t>(c);
  if (runs.start[cls] == runs.end[cls]) runs.start[cls] = runs.end[cls] = runs.end[cls - 1];
}

void releasePages(PageRuns& runs, int c, std::vector<std::uint32_t> units, const PageMover& move) {
  const auto cls = static_cast<Index>(c);
  std::sort(units.begin(), units.end());
  while (!units.empty()) {
    // A freed page at the front of the run needs no move: the run simply starts after it.
    const auto front = std::lower_bound(units.begin(), units.end(), runs.start[cls]);
    if (front != units.end() && *front == runs.start[cls]) {
      units.erase(front);
      releasePage(runs, runs.start[cls], c, move);
    } else {
      const std::uint32_t unit = units.back();
      units.pop_back();
      releasePage(runs, unit, c, move);
    }
  }
}

void compactRuns(PageRuns& runs, const PageMover& move) {
  if (runs.start[1] == runs.end[1]) runs.start[1] = runs.end[1] = runs.end[0];
  for (Index c = 2; c < static_cast<Index>(kRunCount); ++c) slideDown(runs, c, move);
}

}  // namespace veltrano::storage
