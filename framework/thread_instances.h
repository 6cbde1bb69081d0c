// Files declared THREAD have one instance per procedure thread: record buffer, memo contents and
// the driver's open state (position, held record, open count). The managers, relation links and
// key components all point at one control block per file, so the owner of the instances keeps
// the running thread's instances in the control blocks and parks the others; a manager asks for
// the calling thread's before each operation. Only one procedure thread runs at a time (the run
// lock), which is what makes one set of control blocks enough.
#pragma once

#include <cstdint>

namespace veltrano::framework {

class ThreadInstances {
 public:
  virtual ~ThreadInstances() = default;
  // Makes `thread`'s instances current in the control blocks, parking those that were; a thread
  // seen for the first time starts with cleared buffers and closed files. Nothing to do when
  // they are current already.
  virtual void selectThread(std::int32_t thread) = 0;
};

}  // namespace veltrano::framework
