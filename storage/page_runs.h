// Placing pages in the runs of their size class, and moving pages so that runs stay packed.
//
// A page is only ever moved whole, from one unit to another of the same run class; the mover
// rewrites it at its new unit and corrects the child number held by its parent (or the root
// number). A move always goes to units that no live page occupies.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "storage/file_header.h"

namespace veltrano::storage {

using PageMover = std::function<void(std::uint32_t from, std::uint32_t to)>;

// Places `count` new pages of class c (1–59); their units go to `units`. The runs below c are
// first slid down where they have room, passing free units up; pages then go to the front of run c
// while at least c units are free below it, the rest to its end, the runs above moving up once to
// make room for all of them.
void allocatePages(PageRuns& runs, int c, std::size_t count, const PageMover& move,
                   std::vector<std::uint32_t>& units);

// Frees the page of class c at `unit`, which no longer holds a live page: the first page of the
// run moves into the hole and the run starts one page later.
void releasePage(PageRuns& runs, std::uint32_t unit, int c, const PageMover& move);

// Frees several pages of class c at once, none of them live (any order, duplicates not allowed).
void releasePages(PageRuns& runs, int c, std::vector<std::uint32_t> units, const PageMover& move);

// Slides down every run of class 2–59 that has at least a page's worth of free units below it,
// moving its last pages to its front; empty runs close up onto the run below.
void compactRuns(PageRuns& runs, const PageMover& move);

// The run class of a page of `bytes` bytes. Failure 1678 above 59 units.
int classForBytes(std::size_t bytes);

}  // namespace veltrano::storage
