// Writes a benchmark input file of at least a given size, for the tool
// timings of tools/bench_cli.sh and for profiling the converters outside the
// benchmark binary (the tool's own sample command stops at a million
// records, about 19 MB of L2000 events).
//   railfmt_bench_input KIND MEGABYTES FILE [SEED]
// KIND: a sample generator kind (l2000, l2000-old, lkj93, jk2h), or the event
// mixes of BM_ConvertL2000 (daymix) and BM_ConvertL2000General (general).
#include <cstdio>
#include <cstdlib>
#include <string>

#include "eventmix.h"
#include "sized_sample.h"

int main(int argc, char** argv) {
  railfmt::sample::Kind kind{};
  const std::string name = argc > 1 ? argv[1] : "";
  const bool mix = name == "daymix" || name == "general";
  if (argc < 4 || (!mix && !railfmt::sample::ParseKind(argv[1], kind))) {
    std::fprintf(stderr, "usage: railfmt_bench_input l2000|l2000-old|lkj93|jk2h|daymix|general MEGABYTES FILE [SEED]\n");
    return 2;
  }
  const double mb = std::atof(argv[2]);
  const uint32_t seed = argc > 4 ? static_cast<uint32_t>(std::strtoul(argv[4], nullptr, 10)) : 1;
  if (!(mb > 0 && mb <= 4096)) {
    std::fprintf(stderr, "railfmt_bench_input: MEGABYTES from 0 to 4096\n");
    return 2;
  }
  const auto size = static_cast<std::size_t>(mb * 1048576);
  using railfmt::bench::Mix;
  const auto raw = mix ? railfmt::bench::MakeEventFile(size, name == "daymix" ? Mix::Day : Mix::General, 101, 'Q', seed)
                       : railfmt::bench::SampleOfSize(kind, size, seed);
  std::FILE* f = std::fopen(argv[3], "wb");
  if (!f || std::fwrite(raw.data(), 1, raw.size(), f) != raw.size() || std::fclose(f) != 0) {
    std::fprintf(stderr, "railfmt_bench_input: cannot write %s\n", argv[3]);
    return 1;
  }
  return 0;
}
