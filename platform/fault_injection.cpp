#include "platform/fault_injection.h"

namespace veltrano::platform {
namespace {

class FaultInjectingFile final : public File {
 public:
  FaultInjectingFile(std::unique_ptr<File> base, FaultInjectingFileSystem& owner)
      : base_(std::move(base)), owner_(owner) {}

  IoResult read(std::uint64_t offset, std::span<std::uint8_t> out) override {
    return base_->read(offset, out);
  }

  IoResult write(std::uint64_t offset, std::span<const std::uint8_t> data) override {
    const auto plan = owner_.nextWrite();
    switch (plan.fate) {
      case FaultInjectingFileSystem::WriteFate::Write:
        return base_->write(offset, data);
      case FaultInjectingFileSystem::WriteFate::Fail:
        return IoResult{plan.error, 0};
      case FaultInjectingFileSystem::WriteFate::Shorten: {
        const auto keep = std::min(plan.keep_bytes, data.size());
        auto result = base_->write(offset, data.first(keep));
        if (result.error == 0) result.error = plan.error;
        return result;
      }
      case FaultInjectingFileSystem::WriteFate::Drop:
        return IoResult{0, data.size()};
    }
    return IoResult{kOsInvalidFunction, 0};
  }

  int setEnd(std::uint64_t length) override {
    return owner_.dropping() ? 0 : base_->setEnd(length);
  }
  int sync() override { return owner_.dropping() ? 0 : base_->sync(); }
  std::int64_t size(int* error) override { return base_->size(error); }
  LockOutcome lock(std::uint64_t offset, std::uint64_t length, LockKind kind, LockWait wait) override {
    return base_->lock(offset, length, kind, wait);
  }
  int unlock(std::uint64_t offset, std::uint64_t length) override { return base_->unlock(offset, length); }
  const std::string& path() const override { return base_->path(); }

 private:
  std::unique_ptr<File> base_;
  FaultInjectingFileSystem& owner_;
};

}  // namespace

void FaultInjectingFileSystem::failWrite(std::uint64_t k, int error) {
  std::lock_guard lock(mutex_);
  fail_at_ = k;
  fail_error_ = error;
}

void FaultInjectingFileSystem::shortenWrite(std::uint64_t k, std::size_t keep_bytes, int error) {
  std::lock_guard lock(mutex_);
  shorten_at_ = k;
  shorten_keep_ = keep_bytes;
  shorten_error_ = error;
}

void FaultInjectingFileSystem::crashAfterWrite(std::uint64_t k) {
  std::lock_guard lock(mutex_);
  crash_after_ = k;
  crashed_ = writes_ >= k && k != 0;
}

void FaultInjectingFileSystem::clearFaults() {
  std::lock_guard lock(mutex_);
  fail_at_ = shorten_at_ = crash_after_ = 0;
  crashed_ = false;
}

void FaultInjectingFileSystem::resetCount() {
  std::lock_guard lock(mutex_);
  writes_ = 0;
}

std::uint64_t FaultInjectingFileSystem::writeCount() const {
  std::lock_guard lock(mutex_);
  return writes_;
}

bool FaultInjectingFileSystem::crashed() const {
  std::lock_guard lock(mutex_);
  return crashed_;
}

bool FaultInjectingFileSystem::dropping() const { return crashed(); }

FaultInjectingFileSystem::WritePlan FaultInjectingFileSystem::nextWrite() {
  std::lock_guard lock(mutex_);
  if (crashed_) return {WriteFate::Drop, 0, 0};
  ++writes_;
  if (crash_after_ != 0 && writes_ == crash_after_) crashed_ = true;
  if (writes_ == fail_at_) return {WriteFate::Fail, 0, fail_error_};
  if (writes_ == shorten_at_) return {WriteFate::Shorten, shorten_keep_, shorten_error_};
  return {WriteFate::Write, 0, 0};
}

std::unique_ptr<File> FaultInjectingFileSystem::open(std::string_view path, Access access,
                                                     Creation creation, int* error) {
  auto file = base_.open(path, access, creation, error);
  if (file == nullptr) return nullptr;
  return std::make_unique<FaultInjectingFile>(std::move(file), *this);
}

int FaultInjectingFileSystem::remove(std::string_view path) {
  return dropping() ? 0 : base_.remove(path);
}

int FaultInjectingFileSystem::rename(std::string_view from, std::string_view to) {
  return dropping() ? 0 : base_.rename(from, to);
}

}  // namespace veltrano::platform
