// Conversion throughput of every converter on in-memory raw files of about
// 1 MB and 100 MB:
//   BM_ConvertL2000 / BM_ConvertL2000General  L2000 protocol 101 and later
//       (event engine) on the synthetic mixes of eventmix.h;
//   BM_ConvertL2000Events  the same engine on the sample generator's L2000 run;
//   BM_ConvertL2000Old     the earlier L2000 record loop (protocol 100);
//   BM_ConvertLKJ93, BM_ConvertJK2H  the other earlier formats.
// The earlier formats' inputs come from the sample generator (a simulated
// run), the same files `railfmt sample` writes. No reference tables are
// loaded (every name lookup misses).
//
// Reports MB/s of raw input, and as counters the input and output sizes,
// the growth of the peak resident set during one conversion (Linux: the
// peak is reset through /proc/self/clear_refs before the conversion) and
// that growth less the output ("overhead_MB", target at most 1 MB; the
// input is resident before the peak is reset).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <map>
#include <string>
#include <utility>

#include "format/stream.h"
#include "eventmix.h"
#include "interface/drivers.h"
#include "sample/sample.h"
#include "sized_sample.h"

namespace {

using railfmt::MemStream;
using railfmt::bench::Mix;
using railfmt::bench::SampleOfSize;
using railfmt::sample::Kind;

// The inputs: one file at a time is kept (the 100 MB files are large).
enum class Source { DayMix, GeneralMix, SampleL2000, SampleL2000Old, SampleLKJ93, SampleJK2H };

const std::vector<uint8_t>& File(std::size_t size, Source source) {
  static std::pair<std::size_t, Source> key{0, Source::DayMix};
  static std::vector<uint8_t> file;
  if (file.empty() || key != std::make_pair(size, source)) {
    file.clear();
    file.shrink_to_fit();
    switch (source) {
      case Source::DayMix: file = railfmt::bench::MakeEventFile(size, Mix::Day); break;
      case Source::GeneralMix: file = railfmt::bench::MakeEventFile(size, Mix::General); break;
      case Source::SampleL2000: file = SampleOfSize(Kind::L2000, size); break;
      case Source::SampleL2000Old: file = SampleOfSize(Kind::L2000Old, size); break;
      case Source::SampleLKJ93: file = SampleOfSize(Kind::LKJ93, size); break;
      case Source::SampleJK2H: file = SampleOfSize(Kind::JK2H, size); break;
    }
    key = std::make_pair(size, source);
  }
  return file;
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

using Converter = void (*)(MemStream& in, MemStream& out);

void ViaL2000(MemStream& in, MemStream& out) { railfmt::ConvertL2000(in, out, "bench"); }
void ViaLKJ93(MemStream& in, MemStream& out) { railfmt::ConvertLKJ93(in, out, 0); }
void ViaJK2H(MemStream& in, MemStream& out) { railfmt::ConvertJK2H(in, out); }

void Convert(benchmark::State& state, Source source, Converter convert) {
  const std::vector<uint8_t>& raw = File(static_cast<std::size_t>(state.range(0)), source);
  MemStream in(raw);

  // One conversion measured for the memory counters, the first time this
  // file is converted (later runs find the heap already resident).
  struct Memory {
    double growthMb = -1, outMb = 0;
  };
  static std::map<std::pair<std::size_t, Source>, Memory> measured;
  const auto key = std::make_pair(raw.size(), source);
  if (measured.find(key) == measured.end()) {
    Memory m;
    const bool reset = ResetPeak();
    const long before = StatusKb("VmRSS:");
    {
      MemStream out;
      convert(in, out);
      const long peak = StatusKb("VmHWM:");
      m.outMb = out.Size() / 1e6;
      if (reset && before >= 0 && peak >= 0) m.growthMb = (peak - before) * 1024 / 1e6;
    }
    measured[key] = m;
  }
  const double growthMb = measured[key].growthMb, outMb = measured[key].outMb;

  for (auto _ : state) {
    MemStream out;
    convert(in, out);
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

// Event engine: a day's mix of records.
void BM_ConvertL2000(benchmark::State& state) { Convert(state, Source::DayMix, ViaL2000); }
// Event engine: general records with their state records only.
void BM_ConvertL2000General(benchmark::State& state) { Convert(state, Source::GeneralMix, ViaL2000); }
// Event engine: the sample generator's simulated run.
void BM_ConvertL2000Events(benchmark::State& state) { Convert(state, Source::SampleL2000, ViaL2000); }
// The earlier L2000 record loop (protocol 100).
void BM_ConvertL2000Old(benchmark::State& state) { Convert(state, Source::SampleL2000Old, ViaL2000); }
void BM_ConvertLKJ93(benchmark::State& state) { Convert(state, Source::SampleLKJ93, ViaLKJ93); }
void BM_ConvertJK2H(benchmark::State& state) { Convert(state, Source::SampleJK2H, ViaJK2H); }

#define RAILFMT_SIZES(name) \
  BENCHMARK(name)->Arg(1 << 20)->Arg(100 << 20)->Unit(benchmark::kMillisecond)->MinTime(1.0)

RAILFMT_SIZES(BM_ConvertL2000);
RAILFMT_SIZES(BM_ConvertL2000General);
RAILFMT_SIZES(BM_ConvertL2000Events);
RAILFMT_SIZES(BM_ConvertL2000Old);
RAILFMT_SIZES(BM_ConvertLKJ93);
RAILFMT_SIZES(BM_ConvertJK2H);

}  // namespace

BENCHMARK_MAIN();
