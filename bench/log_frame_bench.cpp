// The heaviest per-frame log: a format 5 point frame with CSV and PCD
// checked writes the .pcd block and the x, y, z and amplitude CSV files.
#include <benchmark/benchmark.h>

#include <vector>

#include "bench/log_bench_support.h"
#include "camsim/pattern_scene.h"
#include "logging/log_writer.h"

namespace kelvara {
namespace {

void BM_FrameLogsFormat5CsvPcd(benchmark::State& state) {
  BenchDir dir;
  const std::vector<unsigned char> frame = pattern::Frame(5);
  LogWriter writer;
  writer.SetCsvCheck(true);
  writer.SetPcdCheck(true);
  writer.SetFormatIndex(5);
  writer.SetMirror({false, true});
  writer.StartRun(dir.path(), "bench");
  int log_number = 0;
  for (auto _ : state) {
    // A few numbers in turn, so that files are replaced as in a long run.
    writer.WriteFrameLogs(log_number++ % 4, frame.data(), frame.size());
  }
  if (!writer.FirstFailure().empty()) state.SkipWithError("a log file was not written");
}
BENCHMARK(BM_FrameLogsFormat5CsvPcd)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace kelvara
