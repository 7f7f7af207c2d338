// Conversion of an in-memory L2000 download (protocol version 101 and
// later) through the L2000 entry and the event engine.
//
// Reports MB/s of raw input, and as counters the input and output sizes and
// the growth of the peak resident set during one conversion (Linux: the
// peak is reset through /proc/self/clear_refs before the conversion).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <utility>
#include <string>

#include "engine/stream.h"
#include "eventmix.h"
#include "interface/drivers.h"

namespace {

using railfmt::MemStream;

using railfmt::bench::Mix;

const std::vector<uint8_t>& File(std::size_t size, Mix mix) {
  static std::map<std::pair<std::size_t, Mix>, std::vector<uint8_t>> cache;
  const auto key = std::make_pair(size, mix);
  auto it = cache.find(key);
  if (it == cache.end()) it = cache.emplace(key, railfmt::bench::MakeEventFile(size, mix)).first;
  return it->second;
}

// A line of /proc/self/status in kB, or -1.
long StatusKb(const char* key) {
  std::ifstream f("/proc/self/status");
  std::string line;
  const std::size_t n = std::strlen(key);
  while (std::getline(f, line))
    if (line.compare(0, n, key) == 0) return std::stol(line.substr(n + 1));
  return -1;
}

bool ResetPeak() {
  std::ofstream f("/proc/self/clear_refs");
  f << "5";
  f.flush();
  return static_cast<bool>(f);
}

void Convert(benchmark::State& state, Mix mix) {
  const std::vector<uint8_t>& raw = File(static_cast<std::size_t>(state.range(0)), mix);
  MemStream in(raw);

  // One conversion measured for the memory counters, the first time this
  // file is converted (later runs find the heap already resident).
  struct Memory {
    double growthMb = -1, outMb = 0;
  };
  static std::map<std::pair<std::size_t, Mix>, Memory> measured;
  const auto key = std::make_pair(raw.size(), mix);
  if (measured.find(key) == measured.end()) {
    Memory m;
    const bool reset = ResetPeak();
    const long before = StatusKb("VmRSS:");
    MemStream out;
    railfmt::ConvertL2000(in, out, "bench");
    const long peak = StatusKb("VmHWM:");
    m.outMb = out.Size() / 1e6;
    if (reset && before >= 0 && peak >= 0) m.growthMb = (peak - before) * 1024 / 1e6;
    measured[key] = m;
  }
  const double growthMb = measured[key].growthMb, outMb = measured[key].outMb;

  for (auto _ : state) {
    MemStream out;
    railfmt::ConvertL2000(in, out, "bench");
    benchmark::DoNotOptimize(out.Data().data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(raw.size()));
  state.counters["input_MB"] = raw.size() / 1e6;
  state.counters["output_MB"] = outMb;
  state.counters["peak_rss_growth_MB"] = growthMb;
  // What the conversion held beyond its input and output (target: at most
  // 1 MB); -1 where the peak cannot be measured.
  state.counters["overhead_MB"] = growthMb < 0 ? -1 : std::max(0.0, growthMb - outMb);
}

// A day's mix of records.
void BM_ConvertL2000(benchmark::State& state) { Convert(state, Mix::Day); }
// General records with their state records only.
void BM_ConvertL2000General(benchmark::State& state) { Convert(state, Mix::General); }

BENCHMARK(BM_ConvertL2000)->Arg(1 << 20)->Arg(100 << 20)->Unit(benchmark::kMillisecond)
    ->MinTime(1.0);
BENCHMARK(BM_ConvertL2000General)->Arg(1 << 20)->Arg(100 << 20)->Unit(benchmark::kMillisecond)
    ->MinTime(1.0);

}  // namespace

BENCHMARK_MAIN();
