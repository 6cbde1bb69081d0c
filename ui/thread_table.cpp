#include "ui/thread_table.h"

#include <algorithm>
#include <atomic>
#include <limits>
#include <utility>

#include "runtime/values/value_stacks.h"

namespace veltrano::ui {
namespace {

constexpr std::size_t kMostStringArguments = 3;
constexpr std::size_t kStackGranule = std::size_t{64} << 10;

std::atomic<std::uint32_t> next_thread_id{1};
// The identifier the table gave the calling thread (0: none). Identifiers are never reused,
// so a slot cannot be mistaken for a later thread's even when the system reuses its own ids.
thread_local std::uint32_t calling_thread_id = 0;

std::uint32_t newThreadId() {
  std::uint32_t id = next_thread_id.fetch_add(1, std::memory_order_relaxed);
  return id == 0 ? next_thread_id.fetch_add(1, std::memory_order_relaxed) : id;
}

struct StartBlock {
  ThreadTable* table;
  int slot;
};

}  // namespace

struct ThreadTable::Slot {
  std::uint32_t thread_id = 0;
  pthread_t handle{};
  bool has_handle = false;
  Procedure procedure;
  std::uintptr_t argument = 0;
  std::size_t stack_size = 0;
  std::unique_ptr<runtime::SavedStringStack> start_strings;
  std::vector<ThreadObject*> objects;
  std::vector<ThreadMessage> messages;
  // Stand-ins for creating the thread suspended and for the start semaphore. They stay until
  // the slot is cleared: the thread may still be inside release() when the starter wakes.
  std::unique_ptr<std::binary_semaphore> resume;
  std::unique_ptr<std::binary_semaphore> started;
};

ThreadTable::Slot& ThreadTable::at(int slot) const {
  return slots_[static_cast<std::size_t>(slot)];
}

ThreadTable::ThreadTable() : slots_(std::make_unique<Slot[]>(kThreadSlots)) {
  // Whoever takes the lock brings its own slot's state: it becomes current.
  run_lock_.setOnTaken([this] {
    int slot = slotOfCallingThread();
    switchTo(slot);
    std::function<void()> lock_taken;
    {
      std::lock_guard lock(mutex_);
      last_taker_slot_ = slot;
      lock_taken = lock_taken_;
    }
    if (lock_taken) lock_taken();
  });
}

ThreadTable::~ThreadTable() {
  waitForAllThreads();
  run_lock_.setOnTaken(nullptr);
}

bool ThreadTable::attachFirstThread() {
  {
    std::lock_guard lock(mutex_);
    if (at(0).thread_id != 0) return false;
    if (calling_thread_id == 0) calling_thread_id = newThreadId();
    at(0).thread_id = calling_thread_id;
    at(0).stack_size = kLeastStackSize;
  }
  run_lock_.take();
  return true;
}

void ThreadTable::detachFirstThread() {
  {
    std::lock_guard lock(mutex_);
    if (at(0).thread_id == 0 || at(0).thread_id != calling_thread_id) return;
    at(0) = Slot{};
    if (current_slot_ == 0) current_slot_ = -1;
    if (last_taker_slot_ == 0) last_taker_slot_ = -1;
  }
  run_lock_.release();
}

// Starting a procedure:
//   single-thread mode -> run it here, 0; closing down -> 0;
//   lowest free slot 1..63 (else -1); create the thread waiting to be resumed (else -1);
//   fill the slot; tell the engine; move the string arguments into the slot;
//   resume, wait for the start semaphore, post kThreadStartedMessage; the slot number.
int ThreadTable::start(Procedure procedure, std::uintptr_t argument, std::size_t stack_size,
                       std::span<const std::string> arguments) {
  arguments = arguments.first(std::min(arguments.size(), kMostStringArguments));
  bool single_thread = false;
  {
    std::lock_guard lock(mutex_);
    if (closing_down_) return 0;
    single_thread = single_thread_mode_;
  }
  if (single_thread) {
    for (const std::string& text : arguments) runtime::stringStack().push(text);
    if (procedure) procedure(argument);
    return 0;
  }
  joinEndedThreads();

  std::size_t recorded = std::max(stack_size, kLeastStackSize);
  std::size_t real = std::max(recorded, kLeastRealStackSize);
  if (real > std::numeric_limits<std::size_t>::max() - kStackGranule) return -1;
  real = (real + kStackGranule - 1) / kStackGranule * kStackGranule;

  int slot = -1;
  {
    std::lock_guard lock(mutex_);
    for (int candidate = 1; candidate < kThreadSlots; ++candidate) {
      if (at(candidate).thread_id == 0) {
        slot = candidate;
        break;
      }
    }
    if (slot < 0) return -1;
    Slot& target = at(slot);
    target = Slot{};
    target.thread_id = newThreadId();
    target.procedure = std::move(procedure);
    target.argument = argument;
    target.stack_size = recorded;
    target.resume = std::make_unique<std::binary_semaphore>(0);
    target.started = std::make_unique<std::binary_semaphore>(0);
  }

  pthread_attr_t attributes;
  pthread_t handle{};
  int created = pthread_attr_init(&attributes);
  if (created == 0) {
    created = pthread_attr_setstacksize(&attributes, real);
    auto block = std::make_unique<StartBlock>(StartBlock{this, slot});
    if (created == 0) created = pthread_create(&handle, &attributes, &ThreadTable::threadEntry, block.get());
    if (created == 0) static_cast<void>(block.release());  // the thread owns it now
    pthread_attr_destroy(&attributes);
  }
  std::binary_semaphore* resume = nullptr;
  std::binary_semaphore* started = nullptr;
  ThreadObserver* observer = nullptr;
  {
    std::lock_guard lock(mutex_);
    Slot& target = at(slot);
    if (created != 0) {
      target = Slot{};
      slot_freed_.notify_all();
      return -1;
    }
    target.handle = handle;
    target.has_handle = true;
    resume = target.resume.get();
    started = target.started.get();
    observer = observer_;
  }
  if (observer != nullptr) observer->slotStarted(slot);

  if (!arguments.empty()) {
    // The arguments go onto the new slot's string stack; the starter's own entries are put
    // aside meanwhile and come back untouched.
    int previous = switchTo(slot);
    runtime::StringStack& stack = runtime::stringStack();
    std::unique_ptr<runtime::SavedStringStack> own = stack.save();
    for (const std::string& text : arguments) stack.push(text);
    std::unique_ptr<runtime::SavedStringStack> moved = stack.save();
    stack.restore(std::move(own));
    {
      std::lock_guard lock(mutex_);
      at(slot).start_strings = std::move(moved);
    }
    switchTo(previous);
  }

  resume->release();
  started->acquire();
  {
    std::lock_guard lock(mutex_);
    at(slot).messages.push_back(ThreadMessage{kThreadStartedMessage, static_cast<std::uintptr_t>(slot)});
  }
  return slot;
}

void* ThreadTable::threadEntry(void* start) {
  std::unique_ptr<StartBlock> block(static_cast<StartBlock*>(start));
  block->table->threadBody(block->slot);
  return nullptr;
}

void ThreadTable::threadBody(int slot) {
  std::binary_semaphore* resume = nullptr;
  std::binary_semaphore* started = nullptr;
  {
    std::lock_guard lock(mutex_);
    calling_thread_id = at(slot).thread_id;
    resume = at(slot).resume.get();
    started = at(slot).started.get();
  }
  resume->acquire();
  started->release();

  run_lock_.take();
  Procedure procedure;
  std::uintptr_t argument = 0;
  {
    std::lock_guard lock(mutex_);
    runtime::stringStack().restore(std::move(at(slot).start_strings));
    procedure = std::move(at(slot).procedure);
    argument = at(slot).argument;
  }
  // A procedure that escapes with an exception still ends its thread properly: the slot is
  // freed and the run lock handed on, so the rest of the program keeps running.
  try {
    if (procedure) procedure(argument);
  } catch (...) {
  }
  procedure = nullptr;
  endThread(slot);
}

// The clean-up of an ending thread, run while it still holds the run lock: the engine
// releases its windows, the program's callback runs, the thread's objects close in list order,
// the "last active"/"last focus" globals let go of the slot, its stacks empty, and the slot is
// cleared before the lock passes on.
void ThreadTable::endThread(int slot) {
  ThreadObserver* observer = nullptr;
  std::function<void()> end_of_thread;
  {
    std::lock_guard lock(mutex_);
    observer = observer_;
    end_of_thread = end_of_thread_;
  }
  if (observer != nullptr) observer->threadEnding(slot);
  if (end_of_thread) end_of_thread();
  for (;;) {
    std::vector<ThreadObject*> objects;
    {
      std::lock_guard lock(mutex_);
      objects.swap(at(slot).objects);
    }
    if (objects.empty()) break;
    for (ThreadObject* object : objects) object->endOfThread();
  }
  runtime::stringStack().restore(nullptr);
  runtime::decimalStack().restore(nullptr);
  {
    std::lock_guard lock(mutex_);
    if (last_active_slot_ == slot) last_active_slot_ = -1;
    if (last_focus_slot_ == slot) last_focus_slot_ = -1;
    if (at(slot).has_handle) ended_.push_back(at(slot).handle);
    at(slot) = Slot{};
    current_slot_ = -1;
    last_taker_slot_ = -1;
    slot_freed_.notify_all();
  }
  run_lock_.release();
}

void ThreadTable::joinEndedThreads() {
  std::vector<pthread_t> ended;
  {
    std::lock_guard lock(mutex_);
    ended.swap(ended_);
  }
  for (pthread_t handle : ended) pthread_join(handle, nullptr);
}

void ThreadTable::waitForAllThreads() {
  bool held = run_lock_.heldByCallingThread();
  if (held) run_lock_.release();
  {
    std::unique_lock lock(mutex_);
    slot_freed_.wait(lock, [this] {
      for (int slot = 1; slot < kThreadSlots; ++slot) {
        if (at(slot).thread_id != 0) return false;
      }
      return true;
    });
  }
  joinEndedThreads();
  if (held) run_lock_.take();
}

void ThreadTable::setSingleThreadMode(bool on) {
  std::lock_guard lock(mutex_);
  single_thread_mode_ = on;
}

void ThreadTable::setClosingDown(bool on) {
  std::lock_guard lock(mutex_);
  closing_down_ = on;
}

bool ThreadTable::closingDown() const {
  std::lock_guard lock(mutex_);
  return closing_down_;
}

void ThreadTable::setObserver(ThreadObserver* observer) {
  std::lock_guard lock(mutex_);
  observer_ = observer;
}

void ThreadTable::setEndOfThreadCallback(std::function<void()> callback) {
  std::lock_guard lock(mutex_);
  end_of_thread_ = std::move(callback);
}

void ThreadTable::setLockTakenCallback(std::function<void()> callback) {
  std::lock_guard lock(mutex_);
  lock_taken_ = std::move(callback);
}

int ThreadTable::switchTo(int slot) {
  std::lock_guard lock(mutex_);
  int previous = current_slot_;
  current_slot_ = slot;
  return previous;
}

int ThreadTable::currentSlot() const {
  std::lock_guard lock(mutex_);
  return current_slot_;
}

int ThreadTable::lastTakerSlot() const {
  std::lock_guard lock(mutex_);
  return last_taker_slot_;
}

int ThreadTable::slotOfCallingThread() const {
  if (calling_thread_id == 0) return -1;
  std::lock_guard lock(mutex_);
  for (int slot = 0; slot < kThreadSlots; ++slot) {
    if (at(slot).thread_id == calling_thread_id) return slot;
  }
  return -1;
}

void ThreadTable::setLastActiveSlot(int slot) {
  std::lock_guard lock(mutex_);
  last_active_slot_ = slot;
}

int ThreadTable::lastActiveSlot() const {
  std::lock_guard lock(mutex_);
  return last_active_slot_;
}

void ThreadTable::setLastFocusSlot(int slot) {
  std::lock_guard lock(mutex_);
  last_focus_slot_ = slot;
}

int ThreadTable::lastFocusSlot() const {
  std::lock_guard lock(mutex_);
  return last_focus_slot_;
}

bool ThreadTable::addThreadObject(ThreadObject& object) {
  int slot = slotOfCallingThread();
  if (slot < 0) return false;
  std::lock_guard lock(mutex_);
  at(slot).objects.push_back(&object);
  return true;
}

bool ThreadTable::removeThreadObject(ThreadObject& object) {
  int slot = slotOfCallingThread();
  if (slot < 0) return false;
  std::lock_guard lock(mutex_);
  auto& objects = at(slot).objects;
  auto found = std::find(objects.begin(), objects.end(), &object);
  if (found == objects.end()) return false;
  objects.erase(found);
  return true;
}

std::vector<ThreadMessage> ThreadTable::takeThreadMessages() {
  int slot = slotOfCallingThread();
  if (slot < 0) return {};
  std::lock_guard lock(mutex_);
  std::vector<ThreadMessage> messages;
  messages.swap(at(slot).messages);
  return messages;
}

std::optional<ThreadSlotInfo> ThreadTable::slotInfo(int slot) const {
  if (slot < 0 || slot >= kThreadSlots) return std::nullopt;
  std::lock_guard lock(mutex_);
  const Slot& found = at(slot);
  return ThreadSlotInfo{found.thread_id, found.stack_size, found.argument};
}

int ThreadTable::startedThreads() const {
  std::lock_guard lock(mutex_);
  int count = 0;
  for (int slot = 1; slot < kThreadSlots; ++slot) {
    if (at(slot).thread_id != 0) ++count;
  }
  return count;
}

}  // namespace veltrano::ui
