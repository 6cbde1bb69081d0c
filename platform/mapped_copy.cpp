#include "platform/mapped_copy.h"

#include <atomic>
#include <csetjmp>
#include <csignal>
#include <cstring>
#include <mutex>

namespace veltrano::platform {
namespace {

// Where the guarded copy running on this thread goes back to; null outside a copy.
thread_local sigjmp_buf* copy_in_progress = nullptr;
struct sigaction action_before_ours {};

void onBusError(int signal, siginfo_t* info, void* context) {
  if (sigjmp_buf* resume = copy_in_progress; resume != nullptr) {
    copy_in_progress = nullptr;
    siglongjmp(*resume, 1);
  }
  // Not a copy of ours: whatever handled the signal before takes it, and the default action
  // still ends the program.
  if ((action_before_ours.sa_flags & SA_SIGINFO) != 0) {
    action_before_ours.sa_sigaction(signal, info, context);
  } else if (action_before_ours.sa_handler == SIG_DFL) {
    ::sigaction(SIGBUS, &action_before_ours, nullptr);
    ::raise(signal);
  } else if (action_before_ours.sa_handler != SIG_IGN) {
    action_before_ours.sa_handler(signal);
  }
}

void installHandler() {
  struct sigaction ours {};
  ours.sa_sigaction = onBusError;
  sigemptyset(&ours.sa_mask);
  // NODEFER: the jump out of the handler skips the return that would unblock the signal, and the
  // jump point saves no mask (saving it would cost a system call per copy).
  ours.sa_flags = SA_SIGINFO | SA_NODEFER;
  ::sigaction(SIGBUS, &ours, &action_before_ours);
}

}  // namespace

bool copyFromMapping(void* out, const void* mapped, std::size_t count) {
  static std::once_flag installed;
  std::call_once(installed, installHandler);
  sigjmp_buf resume;
  if (sigsetjmp(resume, 0) != 0) return false;
  copy_in_progress = &resume;
  std::atomic_signal_fence(std::memory_order_seq_cst);
  std::memcpy(out, mapped, count);
  std::atomic_signal_fence(std::memory_order_seq_cst);
  copy_in_progress = nullptr;
  return true;
}

}  // namespace veltrano::platform
