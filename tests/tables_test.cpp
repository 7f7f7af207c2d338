// Host reference tables: the setters' storage rule and every lookup.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "legacy/workarea.h"
#include "tables/bridge.h"

namespace {

using namespace railfmt;

class TablesTest : public ::testing::Test {
 protected:
  void SetUp() override { Clear(); }
  void TearDown() override { Clear(); }
  static void Clear() {
    Tables() = ReferenceTables{};
    Lookups() = LookupState{};
  }
};

StationRecord Station(uint16_t line, uint16_t station, const char* name, int32_t c4 = 0, int32_t c5 = 0,
                      int32_t c6 = 0, int32_t c7 = 0) {
  return StationRecord{line, station, name, c4, c5, c6, c7};
}

DriverRecord Driver(int32_t number, const char* name, int16_t flag = 0, int32_t v20 = 0, int32_t v28 = 0) {
  return DriverRecord{number, "t1", name, 12, flag, v20, "t3", v28};
}

// ------------------------------------------------------------ storage rule

// Last index N: records 0..N are copied, the table grows to N + 1 and never
// shrinks, records beyond N are reset; N = 0 on a fresh table stores nothing
// (one reset record), N = -1 only resets tables of two or more, below -1
// nothing happens; a null array is an empty one.
TEST_F(TablesTest, StorageRule) {
  StationRecord one[] = {Station(3, 7, "A")};
  SetStationTable(one, 0);
  ASSERT_EQ(Tables().StationTable.size(), 1u);
  EXPECT_EQ(StationName(3, 7), "3-7");
  EXPECT_EQ(Lookups().StationAttribute, 199);

  StationRecord five[] = {Station(1, 1, "a"), Station(1, 2, "b"), Station(1, 3, "c"), Station(1, 4, "d"), Station(1, 5, "e")};
  SetStationTable(five, 4);
  StationRecord three[] = {Station(2, 1, "x"), Station(2, 2, "y"), Station(2, 3, "z")};
  SetStationTable(three, 2);
  const auto& t = Tables().StationTable;
  ASSERT_EQ(t.size(), 5u);
  EXPECT_EQ((std::vector<std::string>{t[2].name, t[3].name, std::to_string(t[4].line), std::to_string(t[4].station)}),
            (std::vector<std::string>{"z", "", "0", "0"}));
  // Reset records are no end markers (their name is empty, not "0"): line 0 / station 0 finds record 3.
  EXPECT_EQ(StationName(0, 0), "");
  EXPECT_EQ(Lookups().StationAttribute, 0);
  EXPECT_EQ(StationName(1, 1), "1-1");

  DriverRecord d[] = {Driver(5, "Li"), Driver(6, "Wang")};
  SetDriverTable(d, 1);
  SetDriverTable(d, -1);
  ASSERT_EQ(Tables().DriverTable.size(), 2u);
  const DriverEntry& r1 = Tables().DriverTable[1];
  EXPECT_TRUE(r1.number == -1 && r1.name == "0" && r1.text1.empty() && r1.text3.empty() && r1.value28 == 0);
  EXPECT_EQ(DriverName(5), "5");
  EXPECT_EQ(DriverName(-1), "0");

  JwdRecord j[] = {{4, "p"}};
  SetJwdTable(j, 0);
  Tables().JwdTable[0].text = "kept";
  SetJwdTable(j, -1);
  SetJwdTable(j, 0);
  ASSERT_EQ(Tables().JwdTable.size(), 1u);
  EXPECT_EQ(Tables().JwdTable[0].text, "kept");

  JcTypeRecord r[] = {{10, "x", "SS4"}, {11, "y", "SS8"}};
  SetJcTypeTable(r, 1);
  SetJcTypeTable(r, -2);
  SetJcTypeTable(r, INT32_MIN);
  EXPECT_EQ(JcTypeName(11), "SS8");
  SetJcTypeTable(r, 0);
  EXPECT_EQ(JcTypeName(10), "10");
  SetJcTypeTable(r, 1);
  SetJcTypeTable(nullptr, 7);
  EXPECT_EQ(JcTypeName(11), "11");
  EXPECT_EQ(Tables().JcTypeTable.size(), 2u);
}

TEST_F(TablesTest, CopiedValues) {
  char name[] = "Zhang";
  DriverRecord d[] = {Driver(1, name), {2, nullptr, nullptr, 0, 0, 0, nullptr, 0}};
  SetDriverTable(d, 1);
  std::strcpy(name, "XXXXX");
  EXPECT_EQ(DriverName(1), "Zhang");
  EXPECT_EQ(DriverName(2), "");
  const DriverEntry& e = Tables().DriverTable[0];
  EXPECT_TRUE(e.text1 == "t1" && e.text3 == "t3" && e.value12 == 12);

  // The driver flag is kept modulo 32767 with the sign of the value.
  const int16_t in[] = {32767, -32768, 1, -32767, 32766, -1, 0};
  const int16_t out[] = {0, -1, 1, 0, 32766, -1, 0};
  std::vector<DriverRecord> f;
  for (int16_t v : in) f.push_back(Driver(1, "n", v));
  SetDriverTable(f.data(), static_cast<int32_t>(f.size()) - 1);
  for (std::size_t i = 0; i < f.size(); ++i) EXPECT_EQ(Tables().DriverTable[i].flag16, out[i]) << in[i];
}

// ZhuDuan records and masked codes are set exactly (they shrink too); a
// negative last index keeps them (-1 empties the masked codes).
TEST_F(TablesTest, ZhuDuanAndMaskedCodesAreSetExactly) {
  ZhuDuanRecord z[] = {{1, 2, {1, 2, 3, 4, 5, 6}}, {-3, 400, {9, 8, 7, 6, 5, 4}}, {1, 2, {7}}};
  SetZhuDuanTable(z, 2);
  SetZhuDuanTable(z, -1);
  SetZhuDuanTable(z, -7);
  EXPECT_EQ(Tables().ZhuDuanTable.size(), 3u);
  EXPECT_EQ(ZhuDuanLookup(1, 2)[4], 1);  // the first match
  SetZhuDuanTable(z, 1);
  EXPECT_EQ(Tables().ZhuDuanTable.size(), 2u);
  EXPECT_EQ(ZhuDuanLookup(-3, 400), (ZhuDuanEntry{0xFD, 0xFF, 0x90, 0x01, 9, 8, 7, 6, 5, 4}));
  EXPECT_EQ(ZhuDuanLookup(65533, 400), ZhuDuanEntry{});  // compared as signed 16-bit
  SetZhuDuanTable(z, 0);
  EXPECT_EQ(Tables().ZhuDuanTable.size(), 1u);

  const uint16_t c[] = {0x8001, 0x8B00, 0x0102};
  SetMaskedCodes(c, 2);
  EXPECT_EQ(Tables().MaskedCodeList, (std::vector<uint16_t>{0x8001, 0x8B00, 0x0102}));
  SetMaskedCodes(c, 0);
  SetMaskedCodes(c, -2);
  EXPECT_EQ(Tables().MaskedCodeList, (std::vector<uint16_t>{0x8001}));
  SetMaskedCodes(c, -1);
  EXPECT_TRUE(Tables().MaskedCodeList.empty());
  SetMaskedCodes(c, 1);
  SetMaskedCodes(nullptr, 5);
  EXPECT_TRUE(Tables().MaskedCodeList.empty());
}

// ------------------------------------------------------------ lookups

TEST_F(TablesTest, StationNameFirstMatchAttributeAndEndMarker) {
  StationRecord r[] = {Station(1, 0x0105, "North"), Station(1, 0x0105, "Second"), Station(1, 0xFFFF, "Minus"),
                       Station(0, 0, "0"), Station(2, 9, "AfterEnd")};
  SetStationTable(r, 4);
  EXPECT_EQ(StationName(1, 0x0105), "North");
  EXPECT_EQ(Lookups().StationAttribute, 0x05);
  EXPECT_EQ(StationName(1, -1), "Minus");
  EXPECT_EQ(Lookups().StationAttribute, 0xFF);
  EXPECT_EQ(StationName(2, 9), "2-9");
  EXPECT_EQ(Lookups().StationAttribute, 199);
  EXPECT_EQ(StationName(4, -3), "4--3");
  // The end marker needs the CZBM04 code 0.
  StationRecord m[] = {Station(0, 0, "0", 5), Station(2, 9, "Found")};
  SetStationTable(m, 1);
  EXPECT_EQ(StationName(2, 9), "Found");
}

// name 1 only with selector 0, name 2 only with selector 1, both with any
// other; any case; czbm06 and czbm07 compare k only; the line must match;
// a second code pairs czbm04 with czbm06 and czbm05 with czbm07.
TEST_F(TablesTest, StationByCode) {
  StationRecord r[] = {
      Station(1, 0x0201, "S04", 100, 200, 300, 400), Station(1, 0x0302, "S05", 101, 201, 301, 401),
      Station(1, 0x0403, "S06", 102, 202, 302, 402), Station(2, 0x0504, "Other", 103, 203, 303, 403),
      Station(3, 1, "A", 100, 0, 300, 0),            Station(3, 2, "B", 100, 0, 301, 0),
      Station(3, 3, "C", 0, 500, 0, 700),            Station(3, 4, "D", 0, 500, 0, 701),
  };
  SetStationTable(r, 7);
  const std::string in = "\xBD\xF8\xD5\xBE";  // 进站
  const struct {
    int line;
    std::string prefix;
    const char *name1, *name2;
    int32_t k, selector, second;
    std::string expect;
    int attribute;  // -1: not checked
  } cases[] = {
      {1, in, "CZBM04", "CZBM05", 100, 0, -1, "S04", 0x01},
      {1, in, "CZBM04", "CZBM05", 201, 0, -1, in + "201", 255},
      {1, in, "CZBM04", "CZBM05", 100, 1, -1, in + "100", -1},
      {1, in, "CZBM04", "CZBM05", 201, 1, -1, "S05", 0x02},
      {1, in, "CZBM04", "CZBM05", 201, 2, -1, "S05", -1},
      {1, in, "CZBM04", "CZBM05", 102, 7, -1, "S06", -1},
      {1, "", "czbm06", "", 302, 2, 999, "S06", -1},
      {1, "", "Czbm07", "", 401, 2, 999, "S05", -1},
      {1, "", "CZBM04", "", 103, 2, -1, "103", -1},
      {2, "", "CZBM04", "", 103, 2, -1, "Other", -1},
      {1, "P", "CZBM08", "x", 100, 2, -1, "P100", -1},
      {3, "", "CZBM04", "", 100, 2, -1, "A", -1},
      {3, "", "CZBM04", "", 100, 2, 301, "B", -1},
      {3, "", "CZBM05", "", 500, 2, 701, "D", -1},
      {3, "", "CZBM04", "", 100, 2, 999, "100", -1},
      {3, "", "", "CZBM04", 100, 2, 301, "A", -1},  // name 2 ignores the second code
  };
  for (const auto& c : cases) {
    EXPECT_EQ(StationNameByCode(c.line, c.prefix, c.name1, c.name2, c.k, c.selector, c.second), c.expect)
        << c.name1 << "/" << c.name2 << " " << c.k << " " << c.selector;
    if (c.attribute >= 0) {
      EXPECT_EQ(Lookups().StationAttribute, c.attribute) << c.k;
    }
  }
  StationRecord e[] = {Station(0, 0, "0"), Station(1, 1, "A", 100)};
  SetStationTable(e, 1);
  EXPECT_EQ(StationNameByCode(1, "X", "CZBM04", "", 100, 2, -1), "X100");  // stops at the end marker
}

TEST_F(TablesTest, JcTypeAndJwdNames) {
  JcTypeRecord r[] = {{0, "", ""}, {0, "", "Zero"}, {0xFFFF, "", "Minus"}, {30, "a", "SS3"}, {30, "b", "SS3B"}};
  SetJcTypeTable(r, 4);
  EXPECT_EQ(JcTypeName(0), "Zero");  // blank records are skipped
  EXPECT_EQ(JcTypeName(-1), "Minus");
  EXPECT_EQ(JcTypeName(65535), "65535");
  EXPECT_EQ(JcTypeName(30), "SS3");
  EXPECT_EQ(JcTypeName(31), "31");
  JwdRecord j[] = {{5, "five"}, {5, "again"}, {0, "zero"}, {0, ""}, {6, "six"}};
  SetJwdTable(j, 4);
  EXPECT_EQ(JwdName(5), "five");
  EXPECT_EQ(JwdName(0), "zero");
  EXPECT_EQ(JwdName(6), "6");
  EXPECT_EQ(JwdName(-12), "-12");
}

// The primary driver lookup copies the attribute bytes (flag 1 or not, low
// bytes of value20 and value28) into the header image; FindDriver and the
// plain lookup answer them and write nothing.
TEST_F(TablesTest, DriverAttributes) {
  DriverRecord d[] = {Driver(0, ""), Driver(1234, "Zhang", 1, 0x1FF, 0x2AB), Driver(77, "Li", 2, 3, 4),
                      Driver(5, "a", 32767)};
  SetDriverTable(d, 3);
  uint8_t* h = legacy::Work().headerImage;
  auto image = [h] { return std::vector<int>{h[47], h[48], h[49]}; };
  h[47] = h[48] = h[49] = 0xEE;
  EXPECT_EQ(legacy::DriverName(0, 1234), "Zhang");
  EXPECT_EQ(image(), (std::vector<int>{0xEE, 0xEE, 0xEE}));
  EXPECT_EQ(TBridge::Driver(1234), "Zhang");
  EXPECT_EQ(FindDriver(77).attributes, (std::array<uint8_t, 3>{0, 3, 4}));
  const DriverFound none = FindDriver(99);
  EXPECT_TRUE(!none.found && none.name == "99");
  EXPECT_EQ(image(), (std::vector<int>{0xEE, 0xEE, 0xEE}));
  EXPECT_EQ(legacy::DriverName(1, 1234), "Zhang");
  EXPECT_EQ(image(), (std::vector<int>{1, 0xFF, 0xAB}));
  EXPECT_EQ(legacy::DriverName(1, 77), "Li");
  EXPECT_EQ(image(), (std::vector<int>{0, 3, 4}));
  EXPECT_EQ(legacy::DriverName(1, 5), "a");  // the stored maximum 32767 became 0: no mark
  EXPECT_EQ(h[47], 0);
  EXPECT_EQ(legacy::DriverName(1, 99), "99");
  EXPECT_EQ(h[47], 0);
}

// ------------------------------------------------------------ restrictions

LinshiRecord Restriction(int16_t speed, int32_t from, int32_t to, uint16_t kind = 9, int16_t level = 0,
                         uint16_t line = 99, uint16_t direction = 2) {
  // 03-01 00:00 to 03-31 23:59
  return LinshiRecord{line, direction, 1, level, from, to, 20260301, 0, 20260331, 86399, speed, kind, 0};
}
LinshiRecord Period(int16_t speed, uint16_t kind, int32_t d0, int32_t t0, int32_t d1, int32_t t1) {
  LinshiRecord r = Restriction(speed, 1000, 2000, kind);
  r.start_date = d0;
  r.start_time = t0;
  r.end_date = d1;
  r.end_time = t1;
  return r;
}

// Each row: the records, then queries (position, answer; level 5, day 315,
// 12:00, line 1, direction 0 unless given; last position and tolerance 0).
TEST_F(TablesTest, RestrictionSpeed) {
  struct Q {
    int32_t pos, expect, level = 5, day = 315, time = 43200;
    uint8_t line = 1, dir = 0;
    int32_t last = 0, tolerance = 0;
  };
  const LinshiRecord other = Restriction(1, 1, 2, 9, 0, 250);  // another line: N = 0 would store nothing
  const auto up = Restriction(45, 1000, 2000), down = Restriction(25, 9000, 8000);
  const struct {
    const char* what;
    std::vector<LinshiRecord> recs;
    std::vector<Q> queries;
  } cases[] = {
      {"empty table", {}, {{.pos = 1500, .expect = -1, .last = 7}}},
      {"nothing applicable, no end marker", {up, Restriction(45, 5000, 6000)}, {{3000, 30000}}},
      {"the end marker ends the scan", {Restriction(45, 5000, 6000), LinshiRecord{}, Restriction(30, 1000, 2000)},
       {{1500, -1}}},
      {"strictly between, either order", {up, down}, {{1500, 45}, {1000, 30000}, {2000, 30000}, {8500, 25}, {9000, 30000}}},
      {"tolerance in the direction of travel",
       {up, down},
       {{.pos = 2040, .expect = 45, .last = 1900, .tolerance = 50}, {.pos = 2060, .expect = 30000, .last = 1900, .tolerance = 50},
        {.pos = 7960, .expect = 25, .last = 8100, .tolerance = 50}, {.pos = 7960, .expect = 30000, .last = 7960, .tolerance = 50}}},
      {"line and direction",
       {Restriction(10, 1000, 2000, 9, 0, 2), Restriction(20, 1000, 2000, 9, 0, 1, 1),
        Restriction(30, 1000, 2000, 9, 0, 1, 0xFFFF), Restriction(40, 1000, 2000, 9, 0, 1, 0)},
       {{.pos = 1500, .expect = 40}, {.pos = 1500, .expect = 20, .dir = 1}, {.pos = 1500, .expect = 10, .line = 2, .dir = 7},
        {.pos = 1500, .expect = 30000, .line = 3}}},
      {"line 99 is any line", {Restriction(50, 1000, 2000, 9, 0, 99, 5), other}, {{.pos = 1500, .expect = 50, .line = 200, .dir = 9}}},
      {"the highest applicable level, the later of equal ones",
       {Restriction(50, 1000, 2000, 9, 1), Restriction(30, 1000, 2000, 9, 3), Restriction(40, 1000, 2000, 9, 2),
        Restriction(35, 1000, 2000, 9, 3), Restriction(20, 1000, 2000, 9, 6)},
       {{1500, 35}, {1500, 40, 2}, {1500, 20, 6}, {1500, 30000, 0}}},
      {"level 0 or less answers at once", {Restriction(30, 1000, 2000, 9, -1), Restriction(20, 1000, 2000, 9, 4)}, {{1500, 30}}},
      {"then lower levels are skipped",
       {Restriction(50, 1000, 2000, 9, 2), Restriction(30, 1000, 2000, 9, -1), Restriction(20, 1000, 2000, 9, 4)},
       {{1500, 20}, {1500, 50, 3}}},
      {"continuous 03-10 08:00 .. 03-12 18:30", {Period(45, 9, 20260310, 28800, 20260312, 66600), other},
       {{1500, 45, 5, 310, 28800}, {1500, 30000, 5, 310, 28740}, {1500, 45, 5, 311, 7200}, {1500, 45, 5, 312, 66659},
        {1500, 30000, 5, 312, 66660}}},
      {"daily 08:00 .. 18:00, 03-10 to 03-12", {Period(45, 1, 310, 28800, 312, 64800), other},
       {{1500, 45, 5, 311, 43200}, {1500, 30000, 5, 311, 7200}, {1500, 45, 5, 312, 64800}, {1500, 30000, 5, 313, 43200},
        {2500, 30000, 5, 311, 43200}}},
      {"other kinds never apply", {Restriction(45, 1000, 2000, 0), Restriction(45, 1000, 2000, 2)}, {{1500, 30000}}},
  };
  for (const auto& c : cases) {
    Clear();
    std::vector<LinshiRecord> r = c.recs;
    if (!r.empty()) SetLinshiTable(r.data(), static_cast<int32_t>(r.size()) - 1);
    for (const Q& q : c.queries) {
      Lookups().LastRestrictionPosition = q.last;
      Lookups().RestrictionTolerance = q.tolerance;
      EXPECT_EQ(RestrictionSpeed(q.level, q.pos, q.day, q.time, q.line, q.dir), q.expect) << c.what << " at " << q.pos;
      EXPECT_EQ(Lookups().LastRestrictionPosition, q.expect == -1 ? q.last : q.pos) << c.what;  // kept by -1
    }
  }
  // At most 32767 records are scanned.
  std::vector<LinshiRecord> many(32768, Restriction(45, 5000, 6000));
  many.back() = Restriction(20, 1000, 2000);
  SetLinshiTable(many.data(), 32767);
  EXPECT_EQ(RestrictionSpeed(5, 1500, 315, 43200, 1, 0), 30000);
  many[32766] = Restriction(20, 1000, 2000);
  SetLinshiTable(many.data(), 32767);
  EXPECT_EQ(RestrictionSpeed(5, 1500, 315, 43200, 1, 0), 20);
}

// ------------------------------------------------------------ TBridge

TEST_F(TablesTest, Bridge) {
  StationRecord r[] = {Station(1, 2, " \t\x01Nan Jing\r\n "), Station(1, 3, "   "), Station(1, 4, "\xC4\xCF"),
                       Station(1, 5, "Xi An  "), Station(1, 0x0207, "A", 100), Station(1, 0x0208, "B", 101)};
  SetStationTable(r, 5);
  EXPECT_EQ(TBridge::StationNameTrimmed(1, 2), "Nan Jing");
  EXPECT_EQ(TBridge::StationNameTrimmed(1, 3), "");
  EXPECT_EQ(TBridge::StationNameTrimmed(1, 4), "\xC4\xCF");  // GBK bytes are kept
  EXPECT_EQ(TBridge::StationNameTrimmed(1, 5), "Xi An");     // trailing blanks only
  EXPECT_EQ(TBridge::StationNameTrimmed(1, 6), "1-6");
  EXPECT_EQ(TBridge::StationName(0x101, 0x10002), " \t\x01Nan Jing\r\n ");  // 8-bit line, 16-bit station
  uint8_t attr = 0;
  EXPECT_EQ(TBridge::StationByCode(1, "P", 101, -1, 2, "CZBM04", "CZBM05", attr), "B");
  EXPECT_EQ(attr, 0x08);
  EXPECT_EQ(TBridge::StationByCode(1, "P", 102, -1, 2, "CZBM04", "CZBM05", attr), "P102");
  EXPECT_EQ(attr, 255);

  JcTypeRecord j[] = {{30, "", "SS3"}, {31, "", "SS4"}};
  SetJcTypeTable(j, 1);
  EXPECT_EQ(TBridge::LocoType(31), "SS4");
  EXPECT_EQ(TBridge::Machine(1), "B\xBB\xFA");
  EXPECT_EQ(TBridge::SignalAspect(0x0110, 0x0000), 14);
  EXPECT_EQ(TBridge::SignalAspect(0x0110, 0x0020), 0x0110);
  EXPECT_EQ(TBridge::SignalAspect(0x0110, 0xFFDF), 14);
  for (auto [bits, set] : {std::pair{0xC0, true}, {0xF7, true}, {0xC8, false}, {0x80, false}, {0x40, false}})
    EXPECT_EQ(TBridge::SignalBitsTest(static_cast<uint8_t>(bits)), set) << bits;
}

// ------------------------------------------------------------ indexes

// Lookups see direct changes of the tables; nothing behind an end marker is
// found; the first record passing any test wins.
TEST_F(TablesTest, DirectChangesOfTheTablesAreSeenByTheNextLookup) {
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
  ZhuDuanRecord z[] = {{7, 8, {1}}, {3, 3, {}}};
  SetZhuDuanTable(z, 1);
  Tables().ZhuDuanTable.push_back(ZhuDuanEntry{5, 0, 5, 0, 2});
  EXPECT_EQ(ZhuDuanLookup(5, 5)[4], 2);

  StationRecord s[] = {{1, 2, "FIRST", 10, 20, 30, 40}, {1, 2, "SECOND", 10, 20, 31, 41}};
  SetStationTable(s, 1);
  EXPECT_EQ(StationName(1, 2), "FIRST");
  EXPECT_EQ(StationNameByCode(1, "in", "CZBM04", "", 10, 0, 31), "SECOND");
  EXPECT_EQ(StationNameByCode(1, "in", "CZBM05", "czbm07", 41, 2, -1), "SECOND");
  EXPECT_EQ(StationNameByCode(1, "in", "CZBM07", "czbm05", 20, 2, -1), "FIRST");
  EXPECT_EQ(StationNameByCode(1, "in", "CZBM07", "czbm05", 20, 0, -1), "in20");
}

}  // namespace
