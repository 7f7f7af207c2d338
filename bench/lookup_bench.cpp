// Reference-table lookups with host-sized tables (100,000 drivers, 50,000
// stations, 3,000 restrictions), and a 1 MB event-file conversion with those
// tables loaded against empty tables.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "format/stream.h"
#include "eventmix.h"
#include "tables/bridge.h"
#include "interface/drivers.h"

namespace {

using namespace railfmt;

constexpr int32_t kDrivers = 100000;
constexpr int32_t kStations = 50000;
constexpr int32_t kStationsPerLine = 250;
constexpr int32_t kRestrictions = 3000;
constexpr int32_t kTypes = 500;
constexpr int32_t kPositions = 5000;
constexpr int32_t kDepots = 5000;

struct XorShift {
  uint32_t s = 12345;
  uint32_t Next() {
    s ^= s << 13;
    s ^= s >> 17;
    s ^= s << 5;
    return s;
  }
};

// Texts of the host's arrays; the setters copy them.
const std::vector<std::string>& Names(int32_t n) {
  static std::vector<std::string> names;
  if (names.size() < static_cast<std::size_t>(n))
    for (int32_t i = static_cast<int32_t>(names.size()); i < n; ++i) names.push_back("NAME" + std::to_string(i));
  return names;
}

void LoadTables() {
  const auto& names = Names(kDrivers);
  std::vector<DriverRecord> drivers(kDrivers);
  for (int32_t i = 0; i < kDrivers; ++i)
    drivers[i] = DriverRecord{10000000 + i, "", names[i].c_str(), 0, static_cast<int16_t>(i & 1), i, "", i};
  SetDriverTable(drivers.data(), kDrivers - 1);

  std::vector<StationRecord> stations(kStations);
  for (int32_t i = 0; i < kStations; ++i)
    stations[i] = StationRecord{static_cast<uint16_t>(i / kStationsPerLine),
                                static_cast<uint16_t>(i % kStationsPerLine), names[i].c_str(),
                                i, i + 1, i + 2, i + 3};
  SetStationTable(stations.data(), kStations - 1);

  std::vector<LinshiRecord> linshi(kRestrictions);
  for (int32_t i = 0; i < kRestrictions; ++i)
    linshi[i] = LinshiRecord{static_cast<uint16_t>(i % 40 == 0 ? 99 : i % 200), 2, 0,
                             static_cast<int16_t>(i % 3), i * 1000, i * 1000 + 800, 101, 0, 1231, 86399,
                             static_cast<int16_t>(40 + i % 40), 1, 0};
  SetLinshiTable(linshi.data(), kRestrictions - 1);

  std::vector<JcTypeRecord> types(kTypes);
  for (int32_t i = 0; i < kTypes; ++i) types[i] = JcTypeRecord{static_cast<uint16_t>(i + 1), "", names[i].c_str()};
  SetJcTypeTable(types.data(), kTypes - 1);

  std::vector<JwdRecord> jwd(kPositions);
  for (int32_t i = 0; i < kPositions; ++i) jwd[i] = JwdRecord{static_cast<uint16_t>(i + 1), names[i].c_str()};
  SetJwdTable(jwd.data(), kPositions - 1);

  std::vector<ZhuDuanRecord> depots(kDepots);
  for (int32_t i = 0; i < kDepots; ++i)
    depots[i] = ZhuDuanRecord{static_cast<int16_t>(i % 100), static_cast<int16_t>(i / 100), {1, 2, 3, 4, 5, 6}};
  SetZhuDuanTable(depots.data(), kDepots - 1);
}

// The setters never shrink a table: back to the library's state at load.
void EmptyTables() { Tables() = ReferenceTables{}; }

// Keys spread over the table, one in eight absent.
template <class F>
void Measure(benchmark::State& state, F lookup) {
  LoadTables();
  XorShift rng;
  for (auto _ : state) {
    const uint32_t r = rng.Next();
    benchmark::DoNotOptimize(lookup(r, (r & 7) == 0));
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations()));
}

void BM_DriverName(benchmark::State& state) {
  Measure(state, [](uint32_t r, bool miss) {
    return DriverName(static_cast<int32_t>(10000000 + r % kDrivers + (miss ? kDrivers : 0)));
  });
}

void BM_StationName(benchmark::State& state) {
  Measure(state, [](uint32_t r, bool miss) {
    const int32_t i = static_cast<int32_t>(r % kStations);
    return StationName(static_cast<uint8_t>(i / kStationsPerLine),
                       static_cast<int16_t>(i % kStationsPerLine + (miss ? kStationsPerLine : 0)));
  });
}

void BM_StationNameByCode(benchmark::State& state) {
  Measure(state, [](uint32_t r, bool miss) {
    const int32_t i = static_cast<int32_t>(r % kStations);
    return StationNameByCode(static_cast<uint8_t>(i / kStationsPerLine), "P", "CZBM06", "CZBM07",
                             miss ? -i : i + 3, 2, -1);
  });
}

void BM_StationNameByCodePair(benchmark::State& state) {
  Measure(state, [](uint32_t r, bool miss) {
    const int32_t i = static_cast<int32_t>(r % kStations);
    return StationNameByCode(static_cast<uint8_t>(i / kStationsPerLine), "P", "CZBM04", "CZBM05", i, 2,
                             miss ? i : i + 2);
  });
}

void BM_JcTypeName(benchmark::State& state) {
  Measure(state, [](uint32_t r, bool miss) { return JcTypeName(static_cast<int32_t>(r % kTypes + (miss ? kTypes + 1 : 1))); });
}

void BM_JwdName(benchmark::State& state) {
  Measure(state, [](uint32_t r, bool miss) {
    return JwdName(static_cast<int32_t>(r % kPositions + (miss ? kPositions + 1 : 1)));
  });
}

void BM_ZhuDuanLookup(benchmark::State& state) {
  Measure(state, [](uint32_t r, bool miss) {
    return ZhuDuanLookup(static_cast<int32_t>(r % 100), static_cast<int32_t>(r / 100 % 50 + (miss ? 50 : 0)));
  });
}

void BM_RestrictionSpeed(benchmark::State& state) {
  Measure(state, [](uint32_t r, bool) {
    const int32_t i = static_cast<int32_t>(r % kRestrictions);
    return RestrictionSpeed(2, i * 1000 + 400, 601, 3600, static_cast<uint8_t>(i % 200), 0);
  });
}

// All six setters with the host-sized tables, their indexes included.
void BM_LoadTables(benchmark::State& state) {
  for (auto _ : state) LoadTables();
}

// The 1 MB day mix through the L2000 entry; Arg(1) with the tables loaded.
void BM_ConvertWithTables(benchmark::State& state) {
  static const std::vector<uint8_t> raw = bench::MakeEventFile(1 << 20);
  if (state.range(0) != 0) LoadTables();
  else EmptyTables();
  MemStream in(raw);
  for (auto _ : state) {
    MemStream out;
    ConvertL2000(in, out, "bench");
    benchmark::DoNotOptimize(out.Data().data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(raw.size()));
  state.SetLabel(state.range(0) != 0 ? "tables loaded" : "empty tables");
}

BENCHMARK(BM_DriverName);
BENCHMARK(BM_StationName);
BENCHMARK(BM_StationNameByCode);
BENCHMARK(BM_StationNameByCodePair);
BENCHMARK(BM_JcTypeName);
BENCHMARK(BM_JwdName);
BENCHMARK(BM_ZhuDuanLookup);
BENCHMARK(BM_RestrictionSpeed);
BENCHMARK(BM_LoadTables)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ConvertWithTables)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->MinTime(1.0);

}  // namespace
