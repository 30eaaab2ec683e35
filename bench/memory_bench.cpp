#include <benchmark/benchmark.h>

#include "bench/alloc_counter.h"
#include "memory/memory.h"
#include "memory/testing/fake_kernel.h"

namespace {

using namespace zeph::memory;

void BM_ReadMemorySnapshot(benchmark::State& state) {
  testing::FakeKernel kernel;
  kernel.status.ullTotalPhys = 17'112'977'408ull;
  kernel.status.ullAvailPhys = 9'000'000'000ull;
  kernel.status.ullTotalPageFile = 20'000'000'000ull;
  kernel.status.ullAvailPageFile = 16'778'774'528ull;
  kernel.status.ullTotalVirtual = 2'147'352'576ull;
  kernel.status.ullAvailVirtual = 2'000'000'000ull;
  kernel.fileCache.CurrentSize = 402'653'184u;
  kernel.fileCache.PeakSize = 1'073'741'824u;
  MemorySnapshot snapshot{};
  const std::uint64_t before = HeapAllocations();
  for (auto _ : state) {
    ReadMemorySnapshot(snapshot, kernel);
    benchmark::DoNotOptimize(snapshot);
  }
  state.counters["allocs/op"] = benchmark::Counter(static_cast<double>(HeapAllocations() - before),
                                                   benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_ReadMemorySnapshot);

}  // namespace
