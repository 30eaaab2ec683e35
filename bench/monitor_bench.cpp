// One run of the status monitor (snapshot, three status lines, progress bar and the
// policy with all four rules checked) through the real window with fakes behind it,
// and the heap allocations it makes. Run with --benchmark_repetitions=9 for a median.
//
//   steady:   the figures do not change, so no label is rewritten
//   changing: the figures move every tick, so all three lines are rewritten
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/frm_tidewell.h"
#include "bench/alloc_counter.h"
#include "app/testing/test_window.h"
#include "translate/translate.h"

namespace {

using namespace zeph;

class FixedSeparators : public NumberFormatSource {
 public:
  const NumberSeparators& UserSeparators() override { return separators_; }

 private:
  NumberSeparators separators_;
};

void LoadShippedTable() {
  const auto path = std::filesystem::path(__FILE__).parent_path() / ".." / "translate" / "translate.txt";
  std::ifstream file(path, std::ios::binary);
  std::stringstream bytes;
  bytes << file.rdbuf();
  translate::LoadTranslationTableFromBytes(bytes.str());
}

void BM_TmrStatusTimer(benchmark::State& state) {
  const bool changing = state.range(0) != 0;
  LoadShippedTable();
  translate::SetCurrentLanguage(L"en");  // the lookup walks the table to the English line

  FixedSeparators separators;
  app::testing::TestWindow w;
  w.platform.numberFormat = &separators;
  app::TFrmTidewell& form = w.Form();
  w.kernel.status.ullTotalPhys = 17'112'977'408ull;
  w.kernel.status.ullAvailPhys = 9'000'000'000ull;
  w.kernel.status.ullTotalPageFile = 20'000'000'000ull;
  w.kernel.status.ullAvailPageFile = 16'778'774'528ull;
  w.kernel.status.ullTotalVirtual = 2'147'352'576ull;
  w.kernel.status.ullAvailVirtual = 2'000'000'000ull;
  w.kernel.fileCache.CurrentSize = 402'653'184u;
  w.kernel.fileCache.PeakSize = 1'073'741'824u;
  // Every rule is read and compared; the pause keeps the clean from starting.
  for (auto [box, list] :
       {std::pair{&form.ChkUsagePhys, &form.EditUsagePhys}, std::pair{&form.ChkUsagePage, &form.EditUsagePage},
        std::pair{&form.ChkUsageWork, &form.EditUsageWork}, std::pair{&form.ChkMinute, &form.EditMinute}}) {
    box->OnClick = nullptr;
    box->SetChecked(true);
    list->SetItemIndex(6);
  }
  form.NextTime = w.clock.Peek();
  form.TmrStatusTimer(form);  // the labels hold their first texts

  std::uint64_t allocations = 0;
  std::uint64_t step = 0;
  for (auto _ : state) {
    if (changing) {
      // About 3 MB more or less in use and in the cache each tick.
      const std::uint64_t delta = (++step % 2) * 3'000'000ull;
      w.kernel.status.ullAvailPhys = 9'000'000'000ull - delta;
      w.kernel.status.ullAvailPageFile = 16'778'774'528ull - delta;
      w.kernel.fileCache.CurrentSize = 402'653'184u + static_cast<std::uint32_t>(delta);
    }
    const std::uint64_t before = HeapAllocations();
    form.TmrStatusTimer(form);
    allocations += HeapAllocations() - before;
  }
  if (form.IsRunning()) state.SkipWithError("the policy started a clean");
  state.counters["allocs/tick"] =
      benchmark::Counter(static_cast<double>(allocations), benchmark::Counter::kAvgIterations);
  translate::ClearTranslationTable();
  translate::SetCurrentLanguage(L"");
}
BENCHMARK(BM_TmrStatusTimer)->ArgName("changing")->Arg(0)->Arg(1);

}  // namespace
