// A storage failure: an inconsistency found inside the storage engine (a short read, a damaged
// page, a count that overruns a page …). It is raised where it is found and caught only by the
// driver entry, which turns it into error 90 "File System Error" with the failure number in
// FILEERRORCODE, and from then on refuses the file. Nothing else in the program catches it.
#pragma once

#include <cstdint>

namespace veltrano::storage {

class StorageFailure {
 public:
  explicit StorageFailure(int number) : number_(number) {}
  int number() const { return number_; }

 private:
  int number_;
};

// Raises storage failure `number`.
[[noreturn]] inline void fail(int number) { throw StorageFailure(number); }

}  // namespace veltrano::storage
