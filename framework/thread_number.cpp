#include "framework/thread_number.h"

namespace veltrano::framework {
namespace {

std::int32_t& threadNumber() {
  thread_local std::int32_t number = 1;
  return number;
}

}  // namespace

std::int32_t currentThreadNumber() {
  return threadNumber();
}

ScopedThreadNumber::ScopedThreadNumber(std::int32_t number) : previous_(threadNumber()) {
  threadNumber() = number;
}

ScopedThreadNumber::~ScopedThreadNumber() {
  threadNumber() = previous_;
}

}  // namespace veltrano::framework
