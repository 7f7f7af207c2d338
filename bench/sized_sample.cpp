#include "sized_sample.h"

namespace railfmt::bench {

std::vector<uint8_t> SampleOfSize(sample::Kind kind, std::size_t size, uint32_t seed) {
  // Bytes per record from a short run, then enough records for the size.
  constexpr int kProbe = 20000;
  const double perRecord =
      static_cast<double>(sample::GenerateSample(kind, seed, kProbe).size()) / kProbe;
  int records = static_cast<int>(static_cast<double>(size) / perRecord) + 1;
  std::vector<uint8_t> raw = sample::GenerateSample(kind, seed, records);
  while (raw.size() < size) {
    records += static_cast<int>(static_cast<double>(size - raw.size()) / perRecord) + 16;
    raw = sample::GenerateSample(kind, seed, records);
  }
  return raw;
}

}  // namespace railfmt::bench
