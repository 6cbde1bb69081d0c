// Copying out of a file mapping without dying when the file has become shorter.
//
// Touching a mapped page that lies wholly past the file's end raises SIGBUS. Another program may
// cut a file while this one has it mapped, so a copy from a mapping is guarded: the bus error it
// meets is turned into a `false` return and the caller reads the bytes the ordinary way instead,
// which reports the short file as such. Bus errors anywhere else keep the action they had.
#pragma once

#include <cstddef>

namespace veltrano::platform {

// Copies `count` bytes from `mapped` (inside a file mapping) to `out`. False when a bus error
// stopped the copy; `out` then holds an unspecified part of the bytes.
bool copyFromMapping(void* out, const void* mapped, std::size_t count);

}  // namespace veltrano::platform
