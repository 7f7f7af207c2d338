// Indexed reference-table lookups against plain scans from the first record:
// on thousands of seeded random tables (duplicate keys, end markers in the
// middle, reset records, setter calls with last 0 and -1) both give the same
// results and the same side effects.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cctype>
#include <cstring>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "tables/bridge.h"
#include "legacy/workarea.h"

namespace {

using namespace railfmt;

// ------------------------------------------------------------ the scans
// The lookups as straight scans in table order: the reference the indexes
// must reproduce.
namespace linear {

bool IsEnd(const StationEntry& e) { return e.line == 0 && e.station == 0 && e.name == "0" && e.czbm04 == 0; }
bool IsEnd(const JwdEntry& e) { return e.key == 0 && e.text.empty(); }
bool IsEnd(const LinshiEntry& e) {
  return e.line == 0 && e.direction == 0 && e.value4 == 0 && e.level == 0 && e.start_pos == 0;
}

int CodeSystem(std::string_view name) {
  static const char* const kNames[] = {"czbm04", "czbm05", "czbm06", "czbm07"};
  for (int i = 0; i < 4; ++i) {
    std::string lower(name);
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (lower == kNames[i]) return i;
  }
  return -1;
}

int32_t Code(const StationEntry& e, int s) {
  const int32_t codes[] = {e.czbm04, e.czbm05, e.czbm06, e.czbm07};
  return codes[s];
}

std::string StationName(uint8_t line, int16_t station) {
  Lookups().StationAttribute = 199;
  for (const StationEntry& e : ReadTables().StationTable) {
    if (IsEnd(e)) break;
    if (e.line == line && e.station == static_cast<uint16_t>(station)) {
      Lookups().StationAttribute = static_cast<uint8_t>(e.station);
      return e.name;
    }
  }
  return std::to_string(line) + "-" + std::to_string(station);
}

std::string StationNameByCode(uint8_t line, std::string_view prefix, std::string_view name1,
                              std::string_view name2, int32_t k, uint8_t selector, int32_t k2) {
  Lookups().StationAttribute = 255;
  const int s1 = selector == 1 ? -1 : CodeSystem(name1);
  const int s2 = selector == 0 ? -1 : CodeSystem(name2);
  for (const StationEntry& e : ReadTables().StationTable) {
    if (IsEnd(e)) break;
    if (e.line != line) continue;
    bool match = false;
    if (s1 == 0) match = e.czbm04 == k && (k2 == -1 || e.czbm06 == k2);
    if (s1 == 1) match = e.czbm05 == k && (k2 == -1 || e.czbm07 == k2);
    if (s1 >= 2) match = Code(e, s1) == k;
    if (!match && s2 >= 0) match = Code(e, s2) == k;
    if (match) {
      Lookups().StationAttribute = static_cast<uint8_t>(e.station);
      return e.name;
    }
  }
  return std::string(prefix) + std::to_string(k);
}

std::string JcTypeName(int32_t code) {
  for (const JcTypeEntry& e : ReadTables().JcTypeTable) {
    if (e.code == 0 && e.text1.empty() && e.name.empty()) continue;
    if (static_cast<int16_t>(e.code) == code) return e.name;
  }
  return std::to_string(code);
}

std::string JwdName(int32_t key) {
  for (const JwdEntry& e : ReadTables().JwdTable) {
    if (IsEnd(e)) break;
    if (static_cast<int16_t>(e.key) == key) return e.text;
  }
  return std::to_string(key);
}

std::string DriverName(uint8_t fill, int32_t number, uint8_t* h) {
  for (const DriverEntry& e : ReadTables().DriverTable) {
    if (e.number != number) continue;
    if (fill != 0) {
      h[47] = e.flag16 == 1 ? 1 : 0;
      h[48] = static_cast<uint8_t>(e.value20);
      h[49] = static_cast<uint8_t>(e.value28);
    }
    return e.name;
  }
  return std::to_string(number);
}

ZhuDuanEntry ZhuDuanLookup(int32_t type, int32_t number) {
  for (const ZhuDuanEntry& e : ReadTables().ZhuDuanTable) {
    int16_t t = 0, n = 0;
    std::memcpy(&t, e.data(), 2);
    std::memcpy(&n, e.data() + 2, 2);
    if (t == type && n == number) return e;
  }
  return ZhuDuanEntry{};
}

int32_t RestrictionSpeed(int32_t level, int32_t position, int32_t day, int32_t time, uint8_t line,
                         uint8_t direction) {
  LookupState& st = Lookups();
  const auto& table = ReadTables().LinshiTable;
  int64_t t = 0;
  if (position > st.LastRestrictionPosition) t = st.RestrictionTolerance;
  if (position < st.LastRestrictionPosition) t = -static_cast<int64_t>(st.RestrictionTolerance);
  int32_t result = -1, best = 0;
  if (table.empty()) return -1;
  const int64_t now = static_cast<int64_t>(day) * 10000 + time / 60;
  // A 16-bit counter: records 0 .. 32766.
  for (std::size_t i = 0; i < table.size() && i < 32767; ++i) {
    const LinshiEntry& e = table[i];
    if (IsEnd(e)) return result;
    if (e.line != line && e.line != 99) continue;
    if (static_cast<int16_t>(e.direction) <= 1 && static_cast<int16_t>(e.direction) != direction) continue;
    if (e.level > level || (best > 0 && e.level < best)) continue;
    const int64_t a = e.start_pos, b = e.end_pos + t, p = position;
    if (!((a < p && p < b) || (b < p && p < a))) continue;
    const int64_t from = static_cast<int64_t>(e.start_date % 10000) * 10000 + e.start_time / 60;
    const int64_t to = static_cast<int64_t>(e.end_date % 10000) * 10000 + e.end_time / 60;
    const bool continuous = e.kind == 9 && from <= now && now <= to;
    const bool daily = !continuous && e.kind == 1 && e.start_date % 10000 <= day && day <= e.end_date % 10000 &&
                       e.start_time <= time && time <= e.end_time;
    if (!continuous && !daily) continue;
    result = e.speed;
    st.LastRestrictionPosition = position;
    if (e.level <= 0) return result;
    best = e.level;
  }
  if (best > 0) return result;
  st.LastRestrictionPosition = position;
  return 30000;
}

}  // namespace linear

// ------------------------------------------------------------ random tables

class Rng {
 public:
  explicit Rng(uint32_t seed) : g_(seed) {}
  // 0 .. n-1
  uint32_t Below(uint32_t n) { return static_cast<uint32_t>(g_() % n); }
  bool Chance(uint32_t percent) { return Below(100) < percent; }
  template <class T>
  T Pick(std::initializer_list<T> values) {
    return values.begin()[Below(static_cast<uint32_t>(values.size()))];
  }

 private:
  std::mt19937 g_;
};

// Texts the records point at (stable storage for the setters' copies).
const char* const kNames[] = {"0", "", "A", "B", "NORTH", "a b", nullptr};
const char* Name(Rng& r) { return kNames[r.Below(std::size(kNames))]; }

StationRecord RandomStation(Rng& r) {
  // End markers, and records that only look like one.
  if (r.Chance(6)) return StationRecord{0, 0, r.Pick({"0", "0", ""}), r.Pick({0, 0, 1}), r.Pick({0, 1}), 0, 0};
  StationRecord s{};
  s.line = r.Pick<uint16_t>({0, 1, 2, 3, 99, 255, 256, 259});
  s.station = r.Pick<uint16_t>({0, 1, 2, 7, 0x0105, 0x8001, 0xFFFF});
  s.name = Name(r);
  s.czbm04 = r.Pick({0, 1, 2, -1, 70000});
  s.czbm05 = r.Pick({0, 1, 2, -1});
  s.czbm06 = r.Pick({0, 1, 3, -1});
  s.czbm07 = r.Pick({0, 2, 3, -1, INT32_MIN});
  return s;
}

// A setter call with 0..max records and a last index from -1 up.
template <class Record, class Make>
std::vector<Record> RandomRecords(Rng& r, uint32_t max, Make make) {
  std::vector<Record> v(r.Below(max + 1));
  for (Record& x : v) x = make(r);
  return v;
}
int32_t LastOf(Rng& r, std::size_t n) {
  if (n == 0 || r.Chance(10)) return r.Pick({-1, 0});
  return static_cast<int32_t>(n) - 1;
}

std::string CodeSystemName(Rng& r) {
  return r.Pick<std::string>({"CZBM04", "czbm05", "Czbm06", "czBM07", "CZBM08", "", "czbm4", "czbm044"});
}

class TablesIndex : public ::testing::Test {
 protected:
  void SetUp() override { Clear(); }
  void TearDown() override { Clear(); }
  static void Clear() {
    Tables() = ReferenceTables{};
    Lookups() = LookupState{};
  }
};

constexpr int kTables = 1500;
constexpr int kQueries = 40;

TEST_F(TablesIndex, StationLookupsMatchTheScan) {
  Rng r(11);
  for (int round = 0; round < kTables; ++round) {
    if (r.Chance(5)) Clear();
    const auto recs = RandomRecords<StationRecord>(r, 40, RandomStation);
    SetStationTable(recs.data(), LastOf(r, recs.size()));
    for (int q = 0; q < kQueries; ++q) {
      const uint8_t line = r.Pick<uint8_t>({0, 1, 2, 3, 99, 255, 4});
      const uint8_t start = static_cast<uint8_t>(r.Below(256));
      if (r.Chance(50)) {
        const int16_t station = r.Pick<int16_t>({0, 1, 2, 7, 0x0105, -32767, -1, 3});
        Lookups().StationAttribute = start;
        const std::string got = StationName(line, station);
        const uint8_t gotAttr = Lookups().StationAttribute;
        Lookups().StationAttribute = start;
        ASSERT_EQ(got, linear::StationName(line, station)) << round << " " << +line << " " << station;
        ASSERT_EQ(gotAttr, Lookups().StationAttribute);
      } else {
        const std::string n1 = CodeSystemName(r), n2 = CodeSystemName(r);
        const int32_t k = r.Pick({0, 1, 2, 3, -1, 70000, INT32_MIN});
        const int32_t k2 = r.Chance(40) ? -1 : r.Pick({0, 1, 3, -1, 2});
        const uint8_t sel = r.Pick<uint8_t>({0, 1, 2, 255});
        Lookups().StationAttribute = start;
        const std::string got = StationNameByCode(line, "P", n1, n2, k, sel, k2);
        const uint8_t gotAttr = Lookups().StationAttribute;
        Lookups().StationAttribute = start;
        ASSERT_EQ(got, linear::StationNameByCode(line, "P", n1, n2, k, sel, k2))
            << round << " " << +line << " " << n1 << " " << n2 << " " << k << " " << +sel << " " << k2;
        ASSERT_EQ(gotAttr, Lookups().StationAttribute);
      }
    }
  }
}

TEST_F(TablesIndex, JcTypeAndJwdLookupsMatchTheScan) {
  Rng r(12);
  for (int round = 0; round < kTables; ++round) {
    if (r.Chance(5)) Clear();
    const auto types = RandomRecords<JcTypeRecord>(r, 30, [](Rng& g) {
      return JcTypeRecord{g.Pick<uint16_t>({0, 1, 2, 0x8000, 0xFFFF, 5}), g.Chance(50) ? "" : Name(g), Name(g)};
    });
    SetJcTypeTable(types.data(), LastOf(r, types.size()));
    const auto keys = RandomRecords<JwdRecord>(r, 30, [](Rng& g) {
      if (g.Chance(8)) return JwdRecord{0, g.Pick<const char*>({"", nullptr})};  // end marker
      return JwdRecord{g.Pick<uint16_t>({0, 1, 2, 0x8000, 0xFFFF}), Name(g)};
    });
    SetJwdTable(keys.data(), LastOf(r, keys.size()));
    for (int q = 0; q < kQueries; ++q) {
      const int32_t code = r.Pick({0, 1, 2, 5, -1, -32768, 65535, 32768, 0x10000});
      ASSERT_EQ(JcTypeName(code), linear::JcTypeName(code)) << round << " " << code;
      ASSERT_EQ(JwdName(code), linear::JwdName(code)) << round << " " << code;
    }
  }
}

TEST_F(TablesIndex, DriverLookupMatchesTheScanWithItsHeaderBytes) {
  Rng r(13);
  std::array<uint8_t, 52> mine{}, ref{};
  for (int round = 0; round < kTables; ++round) {
    if (r.Chance(5)) Clear();
    const auto recs = RandomRecords<DriverRecord>(r, 40, [](Rng& g) {
      return DriverRecord{g.Pick({-1, 0, 1, 2, 12345678, INT32_MIN}), Name(g), Name(g), 0,
                          g.Pick<int16_t>({0, 1, 32767, -32768}), static_cast<int32_t>(g.Below(1000)), nullptr,
                          static_cast<int32_t>(g.Below(1000))};
    });
    SetDriverTable(recs.data(), LastOf(r, recs.size()));
    for (int q = 0; q < kQueries; ++q) {
      const int32_t number = r.Pick({-1, 0, 1, 2, 3, 12345678, INT32_MIN});
      const uint8_t fill = r.Pick<uint8_t>({0, 1, 7});
      uint8_t* image = legacy::Work().headerImage;
      std::fill(image, image + mine.size(), uint8_t{0xEE});
      ref.fill(0xEE);
      const std::string got = legacy::DriverName(fill, number);
      std::copy(image, image + mine.size(), mine.begin());
      ASSERT_EQ(got, linear::DriverName(fill, number, ref.data())) << round << " " << number;
      ASSERT_EQ(mine, ref) << round << " " << number;
    }
  }
}

TEST_F(TablesIndex, ZhuDuanLookupMatchesTheScan) {
  Rng r(14);
  for (int round = 0; round < kTables; ++round) {
    const auto recs = RandomRecords<ZhuDuanRecord>(r, 30, [](Rng& g) {
      ZhuDuanRecord z{g.Pick<int16_t>({0, 1, -1, -32768}), g.Pick<int16_t>({0, 2, -1, 32767}), {}};
      for (uint8_t& b : z.depot) b = static_cast<uint8_t>(g.Below(256));
      return z;
    });
    SetZhuDuanTable(recs.data(), LastOf(r, recs.size()));
    for (int q = 0; q < kQueries; ++q) {
      const int32_t t = r.Pick({0, 1, -1, -32768, 65535, 0x10000}), n = r.Pick({0, 2, -1, 32767, -65537});
      ASSERT_EQ(ZhuDuanLookup(t, n), linear::ZhuDuanLookup(t, n)) << round << " " << t << " " << n;
    }
  }
}

LinshiRecord RandomRestriction(Rng& r) {
  if (r.Chance(3)) return LinshiRecord{};  // end marker
  LinshiRecord e{};
  e.line = r.Pick<uint16_t>({0, 1, 2, 99, 99, 255, 256, 355});
  e.direction = r.Pick<uint16_t>({0, 1, 2, 3, 0xFFFF});
  e.value4 = r.Pick<uint16_t>({0, 1});
  e.level = r.Pick<int16_t>({-1, 0, 0, 1, 2, 3, 5});
  e.start_pos = r.Pick({0, 1000, 2000, 3000});
  e.end_pos = r.Pick({1000, 2000, 3000, 0});
  e.start_date = r.Pick({20260101, 101, 601, 1231});
  e.end_date = r.Pick({1231, 20260601, 601, 101});
  e.start_time = r.Pick({0, 3600, 43200});
  e.end_time = r.Pick({86399, 43200, 3600});
  e.speed = r.Pick<int16_t>({45, 60, 80, -5, 300});
  e.kind = r.Pick<uint16_t>({1, 9, 9, 0, 2});
  return e;
}

// One restriction query run both ways from the same state.
void CheckRestriction(Rng& r, int round) {
  LookupState start;
  start.LastRestrictionPosition = r.Pick({0, 1500, 2500, 1999, 2040});
  start.RestrictionTolerance = r.Pick<int16_t>({0, 0, 50, -50, 1000});
  start.StationAttribute = 9;
  const int32_t level = r.Pick({0, 1, 2, 3, 5, -1, 255});
  const int32_t pos = r.Pick({1500, 2500, 999, 1000, 2001, 2040, 500, 3000});
  const int32_t day = r.Pick({101, 315, 601, 1231, 1001});
  const int32_t time = r.Pick({0, 3600, 43200, 50000, 86399});
  const uint8_t line = r.Pick<uint8_t>({0, 1, 2, 99, 255, 100});
  const uint8_t dir = r.Pick<uint8_t>({0, 1, 2, 255});
  Lookups() = start;
  const int32_t got = RestrictionSpeed(level, pos, day, time, line, dir);
  const int32_t gotLast = Lookups().LastRestrictionPosition;
  Lookups() = start;
  ASSERT_EQ(got, linear::RestrictionSpeed(level, pos, day, time, line, dir))
      << round << " L" << level << " p" << pos << " d" << day << " t" << time << " r" << +line << " " << +dir;
  ASSERT_EQ(gotLast, Lookups().LastRestrictionPosition) << round;
}

TEST_F(TablesIndex, RestrictionSpeedMatchesTheScan) {
  Rng r(15);
  for (int round = 0; round < kTables * 2; ++round) {
    if (r.Chance(5)) Clear();
    const auto recs = RandomRecords<LinshiRecord>(r, 40, RandomRestriction);
    SetLinshiTable(recs.data(), LastOf(r, recs.size()));
    for (int q = 0; q < kQueries; ++q) ASSERT_NO_FATAL_FAILURE(CheckRestriction(r, round));
  }
}

TEST_F(TablesIndex, RestrictionScanEndsAfter32767Records) {
  Rng r(16);
  for (int round = 0; round < 6; ++round) {
    // Restrictions around the counter's end, a few end markers late or none.
    std::vector<LinshiRecord> recs(32767 + 40, LinshiRecord{7, 2, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0});
    for (std::size_t i = 32767 - 40; i < recs.size(); ++i) {
      recs[i] = RandomRestriction(r);
      if (recs[i].start_pos == 0 && recs[i].line == 0 && round % 2 == 0) recs[i].line = 1;
    }
    SetLinshiTable(recs.data(), static_cast<int32_t>(recs.size()) - 1);
    for (int q = 0; q < 200; ++q) ASSERT_NO_FATAL_FAILURE(CheckRestriction(r, round));
  }
}

TEST_F(TablesIndex, DirectChangesOfTheTablesAreSeenByTheNextLookup) {
  StationRecord two[] = {{3, 7, "OLD", 5, 0, 0, 0}, {0, 0, "0", 0, 0, 0, 0}};
  SetStationTable(two, 1);
  EXPECT_EQ(StationName(3, 7), "OLD");
  Tables().StationTable[0].station = 8;
  Tables().StationTable.push_back(StationEntry{4, 1, "AFTER", 0, 0, 0, 0});
  EXPECT_EQ(StationName(3, 7), "3-7");
  EXPECT_EQ(StationName(3, 8), "OLD");
  EXPECT_EQ(StationName(4, 1), "4-1");  // behind the end marker
  Tables().StationTable.clear();
  Tables().StationTable.push_back(StationEntry{4, 1, "NEW", 0, 0, 0, 0});
  EXPECT_EQ(StationName(4, 1), "NEW");
  EXPECT_EQ(StationNameByCode(4, "x", "CZBM04", "", 0, 2, -1), "NEW");

  DriverEntry d;
  d.number = 42;
  d.name = "ZHANG";
  Tables().DriverTable.push_back(d);
  EXPECT_EQ(DriverName(42), "ZHANG");
  Tables().LinshiTable.push_back(LinshiEntry{5, 2, 0, 0, 100, 200, 101, 0, 1231, 86399, 40, 1});
  EXPECT_EQ(RestrictionSpeed(0, 150, 601, 3600, 5, 0), 40);
}

// ------------------------------------------------------------ hand-written

TEST_F(TablesIndex, FirstOfDuplicatesAndNothingBehindTheEndMarker) {
  StationRecord s[] = {{1, 2, "FIRST", 10, 20, 30, 40}, {1, 2, "SECOND", 10, 20, 31, 41},
                       {0, 0, "0", 0, 0, 0, 0}, {1, 3, "HIDDEN", 11, 21, 31, 41}};
  SetStationTable(s, 3);
  EXPECT_EQ(StationName(1, 2), "FIRST");
  EXPECT_EQ(StationName(1, 3), "1-3");
  EXPECT_EQ(Lookups().StationAttribute, 199);
  EXPECT_EQ(StationNameByCode(1, "in", "CZBM04", "", 10, 0, 31), "SECOND");
  EXPECT_EQ(StationNameByCode(1, "in", "CZBM04", "", 11, 0, -1), "in11");
  EXPECT_EQ(Lookups().StationAttribute, 255);
  // The first record passing any test wins, whichever test it is.
  EXPECT_EQ(StationNameByCode(1, "in", "CZBM05", "czbm07", 41, 2, -1), "SECOND");
  EXPECT_EQ(StationNameByCode(1, "in", "CZBM07", "czbm05", 20, 2, -1), "FIRST");
  EXPECT_EQ(StationNameByCode(1, "in", "CZBM07", "czbm05", 20, 0, -1), "in20");

  JwdRecord j[] = {{5, "five"}, {5, "again"}, {0, ""}, {6, "six"}};
  SetJwdTable(j, 3);
  EXPECT_EQ(JwdName(5), "five");
  EXPECT_EQ(JwdName(6), "6");

  // The scan counter: a restriction at record 32767 is never reached.
  std::vector<LinshiRecord> l(32768, LinshiRecord{7, 2, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0});
  l[32767] = LinshiRecord{5, 2, 0, 0, 100, 200, 101, 0, 1231, 86399, 40, 1, 0};
  SetLinshiTable(l.data(), 32767);
  EXPECT_EQ(RestrictionSpeed(0, 150, 601, 3600, 5, 0), 30000);
  l[32766] = l[32767];
  SetLinshiTable(l.data(), 32767);
  EXPECT_EQ(RestrictionSpeed(0, 150, 601, 3600, 5, 0), 40);
}

}  // namespace
