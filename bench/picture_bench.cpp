// Formatting through compiled pictures, as list columns and report fields do for every row.
#include <benchmark/benchmark.h>

#include "runtime/datetime/calendar.h"
#include "runtime/picture/picture.h"

namespace {

using namespace veltrano::runtime;

void formatDate(benchmark::State& state) {
  const CompiledPicture picture = compilePicture("@D6.");
  const std::string serial = std::to_string(serialFromParts(2001, 3, 5));
  for (auto _ : state) benchmark::DoNotOptimize(formatPicture(serial, picture));
}
BENCHMARK(formatDate);

void formatGroupedNumber(benchmark::State& state) {
  const CompiledPicture picture = compilePicture("@N-14.2");
  for (auto _ : state) benchmark::DoNotOptimize(formatPicture("-1234567.891", picture));
}
BENCHMARK(formatGroupedNumber);

void formatString(benchmark::State& state) {
  const CompiledPicture picture = compilePicture("@S60");
  const std::string surname = "Ivanova-Petrovskaya Anna Sergeevna";
  for (auto _ : state) benchmark::DoNotOptimize(formatPicture(surname, picture));
}
BENCHMARK(formatString);

void compileNumericPicture(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(compilePicture("@N-14.2"));
}
BENCHMARK(compileNumericPicture);

void deformatDate(benchmark::State& state) {
  const CompiledPicture picture = compilePicture("@D6.");
  for (auto _ : state) benchmark::DoNotOptimize(deformatPicture(" 5.03.2001", picture));
}
BENCHMARK(deformatDate);

}  // namespace
