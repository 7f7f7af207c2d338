// A sample generator file of at least a given size (the generator counts
// records, the benchmarks count bytes).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "sample/sample.h"

namespace railfmt::bench {

// The generator's file for (kind, seed) with the fewest records that make
// it at least size bytes, give or take a few records.
std::vector<uint8_t> SampleOfSize(sample::Kind kind, std::size_t size, uint32_t seed = 1);

}  // namespace railfmt::bench
