// Synthetic raw recorder files for the tool, the tests, the benchmarks and
// the fuzz seeds: a simulated run (start, acceleration, cruising, braking,
// stops, signals passed) written in the byte layout of each device
// generation, with valid check bytes where the layout has them.
//
// The output depends only on (kind, seed, records): the generator uses its
// own random number sequence, never the standard library's distributions.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace railfmt::sample {

enum class Kind {
  L2000,      // event-coded L2000 file, protocol version 0101, vendor Q
  L2000Old,   // L2000 file of protocol version 0100 (earlier record set)
  LKJ93,      // fixed 16-byte LKJ93 records
  JK2H,       // table-length JK2H records, no file header
  TAX3,       // TAX3 unit dump: "T3", directory of 63 slots, recordings
};

// The raw file. records is the number of event records (for TAX3: the
// number of recordings, 1 to 63); values below 1 are taken as 1.
std::vector<uint8_t> GenerateSample(Kind kind, uint32_t seed, int records);

// The file for (kind, seed) with the fewest records that make it at least
// size bytes, give or take a few records (not for TAX3, whose recordings
// are counted, not sized). An empty vector when the size needs more records
// than the generator counts.
std::vector<uint8_t> GenerateSampleOfSize(Kind kind, uint32_t seed, std::size_t size);

// "l2000", "l2000-old", "lkj93", "jk2h", "tax3"; false for any other name.
bool ParseKind(std::string_view name, Kind& kind);
const char* KindName(Kind kind);

}  // namespace railfmt::sample
