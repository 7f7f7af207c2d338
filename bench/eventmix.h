// A synthetic L2000 download of protocol version 101 and later: the raw
// header followed by event records in the proportions a day of running
// produces (F0/F1 attached to most events, A0, B8, C0..EF, F2).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace railfmt::bench {

enum class Mix {
  Day,       // the whole mix
  General,   // A0xx, F0, F1, F2 only
};

// About `size` bytes (never less), deterministic for a seed.
std::vector<uint8_t> MakeEventFile(std::size_t size, Mix mix = Mix::Day, int version = 101,
                                   char vendor = 'Q', uint32_t seed = 1);

}  // namespace railfmt::bench
