#include "sized_sample.h"

namespace railfmt::bench {

std::vector<uint8_t> SampleOfSize(sample::Kind kind, std::size_t size, uint32_t seed) {
  return sample::GenerateSampleOfSize(kind, seed, size);
}

}  // namespace railfmt::bench
