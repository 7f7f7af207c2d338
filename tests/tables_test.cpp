// Host reference tables: the setters' storage rule and every lookup.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "tables/bridge.h"
#include "legacy/workarea.h"

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

TEST_F(TablesTest, FreshTableWithLastZeroStoresNothing) {
  StationRecord r[] = {Station(3, 7, "A")};
  SetStationTable(r, 0);
  ASSERT_EQ(Tables().StationTable.size(), 1u);
  EXPECT_EQ(Tables().StationTable[0].name, "");
  EXPECT_EQ(Tables().StationTable[0].line, 0);
  EXPECT_EQ(StationName(3, 7), "3-7");
  EXPECT_EQ(Lookups().StationAttribute, 199);
}

TEST_F(TablesTest, TableNeverShrinksAndRecordsBeyondLastAreReset) {
  StationRecord five[] = {Station(1, 1, "a"), Station(1, 2, "b"), Station(1, 3, "c"), Station(1, 4, "d"),
                          Station(1, 5, "e")};
  SetStationTable(five, 4);
  StationRecord three[] = {Station(2, 1, "x"), Station(2, 2, "y"), Station(2, 3, "z")};
  SetStationTable(three, 2);
  const auto& t = Tables().StationTable;
  ASSERT_EQ(t.size(), 5u);
  EXPECT_EQ(t[2].name, "z");
  EXPECT_EQ(t[3].name, "");
  EXPECT_EQ(t[3].line, 0);
  EXPECT_EQ(t[4].station, 0);
  // Reset records are no end markers (their name is empty, not "0"): they
  // are scanned and line 0 / station 0 finds record 3.
  EXPECT_EQ(StationName(0, 0), "");
  EXPECT_EQ(Lookups().StationAttribute, 0);
  EXPECT_EQ(StationName(1, 1), "1-1");
}

TEST_F(TablesTest, LastMinusOneOnlyResetsTablesOfTwoOrMore) {
  DriverRecord d[] = {Driver(5, "Li"), Driver(6, "Wang")};
  SetDriverTable(d, 1);
  SetDriverTable(d, -1);
  const auto& t = Tables().DriverTable;
  ASSERT_EQ(t.size(), 2u);
  for (const auto& e : t) {
    EXPECT_EQ(e.number, -1);
    EXPECT_EQ(e.name, "0");
    EXPECT_EQ(e.text1, "");
    EXPECT_EQ(e.text3, "");
    EXPECT_EQ(e.value12, 0);
    EXPECT_EQ(e.value20, 0);
    EXPECT_EQ(e.value28, 0);
  }
  EXPECT_EQ(DriverName(5), "5");
  EXPECT_EQ(DriverName(-1), "0");

  // A single record (left by N = 0 on an empty table) is kept by N = -1 and N = 0.
  Tables().JwdTable.clear();
  JwdRecord j[] = {{4, "p"}};
  SetJwdTable(j, 0);
  Tables().JwdTable[0].text = "kept";
  SetJwdTable(j, -1);
  SetJwdTable(j, 0);
  ASSERT_EQ(Tables().JwdTable.size(), 1u);
  EXPECT_EQ(Tables().JwdTable[0].text, "kept");
}

TEST_F(TablesTest, LastZeroOnLargerTableOnlyResets) {
  JcTypeRecord r[] = {{10, "x", "SS4"}, {11, "y", "SS8"}};
  SetJcTypeTable(r, 1);
  SetJcTypeTable(r, 0);
  ASSERT_EQ(Tables().JcTypeTable.size(), 2u);
  EXPECT_EQ(Tables().JcTypeTable[0].name, "");
  EXPECT_EQ(JcTypeName(10), "10");
}

TEST_F(TablesTest, LastBelowMinusOneAndNullArrayChangeNothingOrOnlyReset) {
  JcTypeRecord r[] = {{10, "x", "SS4"}, {11, "y", "SS8"}};
  SetJcTypeTable(r, 1);
  SetJcTypeTable(r, -2);
  SetJcTypeTable(r, INT32_MIN);
  EXPECT_EQ(JcTypeName(11), "SS8");
  // A null array is an empty array: no growth, no copy, only the reset.
  SetJcTypeTable(nullptr, 7);
  ASSERT_EQ(Tables().JcTypeTable.size(), 2u);
  EXPECT_EQ(JcTypeName(11), "11");
}

TEST_F(TablesTest, TextsAreCopiedAndNullTextsAreEmpty) {
  char name[] = "Zhang";
  DriverRecord d[] = {Driver(1, name), {2, nullptr, nullptr, 0, 0, 0, nullptr, 0}};
  SetDriverTable(d, 1);
  std::strcpy(name, "XXXXX");
  EXPECT_EQ(DriverName(1), "Zhang");
  EXPECT_EQ(DriverName(2), "");
  EXPECT_EQ(Tables().DriverTable[0].text1, "t1");
  EXPECT_EQ(Tables().DriverTable[0].text3, "t3");
  EXPECT_EQ(Tables().DriverTable[0].value12, 12);
}

TEST_F(TablesTest, DriverFlagIsStoredModulo32767WithTheSignOfTheValue) {
  const int16_t in[] = {32767, -32768, 1, -32767, 32766, -1, 0};
  const int16_t out[] = {0, -1, 1, 0, 32766, -1, 0};
  std::vector<DriverRecord> d;
  for (int16_t v : in) d.push_back(Driver(1, "n", v));
  SetDriverTable(d.data(), static_cast<int32_t>(d.size()) - 1);
  for (std::size_t i = 0; i < d.size(); ++i) EXPECT_EQ(Tables().DriverTable[i].flag16, out[i]) << in[i];
}

TEST_F(TablesTest, LinshiRecordsAreCopiedFieldByField) {
  LinshiRecord r[2] = {};
  r[1] = LinshiRecord{7, 1, 3, -2, 100, 200, 20260315, 3600, 20260316, 7200, 45, 9, 1234};
  SetLinshiTable(r, 1);
  const LinshiEntry& e = Tables().LinshiTable[1];
  EXPECT_EQ(e.line, 7);
  EXPECT_EQ(e.direction, 1);
  EXPECT_EQ(e.value4, 3);
  EXPECT_EQ(e.level, -2);
  EXPECT_EQ(e.start_pos, 100);
  EXPECT_EQ(e.end_pos, 200);
  EXPECT_EQ(e.start_date, 20260315);
  EXPECT_EQ(e.start_time, 3600);
  EXPECT_EQ(e.end_date, 20260316);
  EXPECT_EQ(e.end_time, 7200);
  EXPECT_EQ(e.speed, 45);
  EXPECT_EQ(e.kind, 9);
}

TEST_F(TablesTest, ZhuDuanIsSetExactlyAndKeptOnNegativeLast) {
  ZhuDuanRecord z[] = {{1, 2, {1, 2, 3, 4, 5, 6}}, {-3, 400, {9, 8, 7, 6, 5, 4}}, {5, 5, {}}};
  SetZhuDuanTable(z, 2);
  EXPECT_EQ(Tables().ZhuDuanTable.size(), 3u);
  SetZhuDuanTable(z, -1);
  SetZhuDuanTable(z, -7);
  EXPECT_EQ(Tables().ZhuDuanTable.size(), 3u);
  SetZhuDuanTable(z, 1);  // shrinks
  EXPECT_EQ(Tables().ZhuDuanTable.size(), 2u);
  ZhuDuanEntry want = {0xFD, 0xFF, 0x90, 0x01, 9, 8, 7, 6, 5, 4};
  EXPECT_EQ(ZhuDuanLookup(-3, 400), want);
  EXPECT_EQ(ZhuDuanLookup(5, 5), ZhuDuanEntry{});
  EXPECT_EQ(ZhuDuanLookup(65533, 400), ZhuDuanEntry{});  // compared as signed 16-bit
  SetZhuDuanTable(z, 0);
  EXPECT_EQ(Tables().ZhuDuanTable.size(), 1u);
}

TEST_F(TablesTest, ZhuDuanFirstMatchWins) {
  ZhuDuanRecord z[] = {{1, 2, {1}}, {1, 2, {2}}};
  SetZhuDuanTable(z, 1);
  EXPECT_EQ(ZhuDuanLookup(1, 2)[4], 1);
}

TEST_F(TablesTest, MaskedCodesSetExactly) {
  const uint16_t c[] = {0x8001, 0x8B00, 0x0102};
  SetMaskedCodes(c, 2);
  EXPECT_EQ(Tables().MaskedCodeList, (std::vector<uint16_t>{0x8001, 0x8B00, 0x0102}));
  SetMaskedCodes(c, 0);
  EXPECT_EQ(Tables().MaskedCodeList, (std::vector<uint16_t>{0x8001}));
  SetMaskedCodes(c, -2);
  EXPECT_EQ(Tables().MaskedCodeList.size(), 1u);
  SetMaskedCodes(c, -1);
  EXPECT_TRUE(Tables().MaskedCodeList.empty());
  SetMaskedCodes(c, 1);
  SetMaskedCodes(nullptr, 5);
  EXPECT_TRUE(Tables().MaskedCodeList.empty());
}

// ------------------------------------------------------------ station lookups

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
  EXPECT_EQ(StationName(255, 300), "255-300");
}

TEST_F(TablesTest, StationEndMarkerNeedsTheCzbm04CodeZero) {
  StationRecord r[] = {Station(0, 0, "0", 5), Station(2, 9, "Found")};
  SetStationTable(r, 1);
  EXPECT_EQ(StationName(2, 9), "Found");
}

TEST_F(TablesTest, StationByCodeSelectorsAndCodeSystems) {
  StationRecord r[] = {
      Station(1, 0x0201, "S04", 100, 200, 300, 400),
      Station(1, 0x0302, "S05", 101, 201, 301, 401),
      Station(1, 0x0403, "S06", 102, 202, 302, 402),
      Station(2, 0x0504, "Other", 103, 203, 303, 403),
  };
  SetStationTable(r, 3);
  const std::string prefix = "\xBD\xF8\xD5\xBE";  // 进站
  // name 1 only with selector 0.
  EXPECT_EQ(StationNameByCode(1, prefix, "CZBM04", "CZBM05", 100, 0, -1), "S04");
  EXPECT_EQ(Lookups().StationAttribute, 0x01);
  EXPECT_EQ(StationNameByCode(1, prefix, "CZBM04", "CZBM05", 201, 0, -1), prefix + "201");
  EXPECT_EQ(Lookups().StationAttribute, 255);
  // name 2 only with selector 1.
  EXPECT_EQ(StationNameByCode(1, prefix, "CZBM04", "CZBM05", 100, 1, -1), prefix + "100");
  EXPECT_EQ(StationNameByCode(1, prefix, "CZBM04", "CZBM05", 201, 1, -1), "S05");
  // both with any other selector.
  EXPECT_EQ(StationNameByCode(1, prefix, "CZBM04", "CZBM05", 201, 2, -1), "S05");
  EXPECT_EQ(StationNameByCode(1, prefix, "CZBM04", "CZBM05", 102, 7, -1), "S06");
  // case does not matter; czbm06 and czbm07 compare k only.
  EXPECT_EQ(StationNameByCode(1, "", "czbm06", "", 302, 2, 999), "S06");
  EXPECT_EQ(StationNameByCode(1, "", "Czbm07", "", 401, 2, 999), "S05");
  // the line must match.
  EXPECT_EQ(StationNameByCode(1, "", "CZBM04", "", 103, 2, -1), "103");
  EXPECT_EQ(StationNameByCode(2, "", "CZBM04", "", 103, 2, -1), "Other");
  // unknown code-system names never match.
  EXPECT_EQ(StationNameByCode(1, "P", "CZBM08", "x", 100, 2, -1), "P100");
}

TEST_F(TablesTest, StationByCodeSecondCode) {
  StationRecord r[] = {
      Station(1, 1, "A", 100, 0, 300, 0),
      Station(1, 2, "B", 100, 0, 301, 0),
      Station(1, 3, "C", 0, 500, 0, 700),
      Station(1, 4, "D", 0, 500, 0, 701),
  };
  SetStationTable(r, 3);
  EXPECT_EQ(StationNameByCode(1, "", "CZBM04", "", 100, 2, -1), "A");
  EXPECT_EQ(StationNameByCode(1, "", "CZBM04", "", 100, 2, 301), "B");
  EXPECT_EQ(StationNameByCode(1, "", "CZBM05", "", 500, 2, 701), "D");
  EXPECT_EQ(StationNameByCode(1, "", "CZBM04", "", 100, 2, 999), "100");
  // name 2 ignores the second code.
  EXPECT_EQ(StationNameByCode(1, "", "", "CZBM04", 100, 2, 301), "A");
}

TEST_F(TablesTest, StationByCodeStopsAtTheEndMarker) {
  StationRecord r[] = {Station(0, 0, "0"), Station(1, 1, "A", 100)};
  SetStationTable(r, 1);
  EXPECT_EQ(StationNameByCode(1, "X", "CZBM04", "", 100, 2, -1), "X100");
  EXPECT_EQ(Lookups().StationAttribute, 255);
}

// ------------------------------------------------------------ other lookups

TEST_F(TablesTest, JcTypeNameSkipsBlankRecordsAndComparesSigned) {
  JcTypeRecord r[] = {{0, "", ""}, {0, "", "Zero"}, {0xFFFF, "", "Minus"}, {30, "a", "SS3"}, {30, "b", "SS3B"}};
  SetJcTypeTable(r, 4);
  EXPECT_EQ(JcTypeName(0), "Zero");
  EXPECT_EQ(JcTypeName(-1), "Minus");
  EXPECT_EQ(JcTypeName(65535), "65535");
  EXPECT_EQ(JcTypeName(30), "SS3");
  EXPECT_EQ(JcTypeName(31), "31");
}

TEST_F(TablesTest, JwdNameEndMarkerAndFallback) {
  JwdRecord r[] = {{5, "five"}, {5, "again"}, {0, "zero"}, {0, ""}, {6, "six"}};
  SetJwdTable(r, 4);
  EXPECT_EQ(JwdName(5), "five");
  EXPECT_EQ(JwdName(0), "zero");
  EXPECT_EQ(JwdName(6), "6");
  EXPECT_EQ(JwdName(-12), "-12");
}

TEST_F(TablesTest, DriverNameFillsTheHeaderImage) {
  DriverRecord d[] = {Driver(0, ""), Driver(1234, "Zhang", 1, 0x1FF, 0x2AB), Driver(77, "Li", 2, 3, 4)};
  SetDriverTable(d, 2);
  uint8_t* h = legacy::Work().headerImage;
  using legacy::DriverName;
  h[47] = h[48] = h[49] = 0xEE;
  EXPECT_EQ(DriverName(0, 1234), "Zhang");
  EXPECT_EQ(h[47], 0xEE);
  EXPECT_EQ(DriverName(1, 1234), "Zhang");
  EXPECT_EQ(h[47], 1);
  EXPECT_EQ(h[48], 0xFF);
  EXPECT_EQ(h[49], 0xAB);
  EXPECT_EQ(DriverName(1, 77), "Li");
  EXPECT_EQ(h[47], 0);
  EXPECT_EQ(h[48], 3);
  EXPECT_EQ(h[49], 4);
  h[47] = h[48] = h[49] = 0xEE;
  EXPECT_EQ(DriverName(1, 99), "99");
  EXPECT_EQ(h[47], 0xEE);
  EXPECT_EQ(h[48], 0xEE);
  EXPECT_EQ(h[49], 0xEE);
}

TEST_F(TablesTest, FindDriverAnswersTheAttributeBytesAndWritesNothing) {
  DriverRecord d[] = {Driver(1234, "Zhang", 1, 0x1FF, 0x2AB), Driver(77, "Li", 2, 3, 4)};
  SetDriverTable(d, 1);
  uint8_t* h = legacy::Work().headerImage;
  h[47] = h[48] = h[49] = 0xEE;
  const DriverFound zhang = FindDriver(1234);
  EXPECT_TRUE(zhang.found);
  EXPECT_EQ(zhang.name, "Zhang");
  EXPECT_EQ(zhang.attributes, (std::array<uint8_t, 3>{1, 0xFF, 0xAB}));
  EXPECT_EQ(FindDriver(77).attributes, (std::array<uint8_t, 3>{0, 3, 4}));
  const DriverFound none = FindDriver(99);
  EXPECT_FALSE(none.found);
  EXPECT_EQ(none.name, "99");
  EXPECT_EQ(h[47], 0xEE);
  EXPECT_EQ(TBridge::Driver(1234), "Zhang");
  EXPECT_EQ(h[47], 0xEE);
}

TEST_F(TablesTest, DriverFlagOfStoredMaximumIsNoMark) {
  DriverRecord d[] = {Driver(1, "a", 32767), Driver(2, "b", 1)};
  SetDriverTable(d, 1);
  const uint8_t* header = legacy::Work().headerImage;
  legacy::DriverName(1, 1);
  EXPECT_EQ(header[47], 0);
  legacy::DriverName(1, 2);
  EXPECT_EQ(header[47], 1);
}

// ------------------------------------------------------------ restrictions

LinshiRecord Restriction(int16_t speed, int32_t from, int32_t to, uint16_t kind = 9, int16_t level = 0,
                         uint16_t line = 99, uint16_t direction = 2) {
  // 03-01 00:00 to 03-31 23:59
  return LinshiRecord{line, direction, 1, level, from, to, 20260301, 0, 20260331, 86399, speed, kind, 0};
}

class RestrictionTest : public TablesTest {
 protected:
  // A single record is padded with one for another line: a setter given
  // last index 0 stores nothing.
  void Set(std::vector<LinshiRecord> r) {
    if (r.size() == 1) r.push_back(Restriction(1, 1000, 2000, 9, 0, 250));
    SetLinshiTable(r.data(), static_cast<int32_t>(r.size()) - 1);
  }
  // Level 5, 03-15 12:00, line 1, direction 0.
  int32_t At(int32_t pos, int32_t level = 5, int32_t day = 315, int32_t time = 43200, uint8_t line = 1,
             uint8_t dir = 0) {
    return RestrictionSpeed(level, pos, day, time, line, dir);
  }
};

TEST_F(RestrictionTest, EmptyTableGivesMinusOne) {
  Lookups().LastRestrictionPosition = 7;
  EXPECT_EQ(At(1500), -1);
  EXPECT_EQ(Lookups().LastRestrictionPosition, 7);
}

TEST_F(RestrictionTest, NothingApplicableWithoutEndMarkerGives30000) {
  Set({Restriction(45, 1000, 2000), Restriction(45, 5000, 6000)});
  EXPECT_EQ(At(3000), 30000);
  EXPECT_EQ(Lookups().LastRestrictionPosition, 3000);
}

TEST_F(RestrictionTest, EndMarkerEndsTheScanWithTheCurrentResult) {
  LinshiRecord end{};
  Set({Restriction(45, 5000, 6000), end, Restriction(30, 1000, 2000)});
  EXPECT_EQ(At(1500), -1);
}

TEST_F(RestrictionTest, PositionLiesStrictlyBetweenEitherOrder) {
  Set({Restriction(45, 1000, 2000), Restriction(25, 9000, 8000)});
  EXPECT_EQ(At(1500), 45);
  EXPECT_EQ(At(1000), 30000);
  EXPECT_EQ(At(2000), 30000);
  EXPECT_EQ(At(8500), 25);
  EXPECT_EQ(At(9000), 30000);
}

TEST_F(RestrictionTest, ToleranceFollowsTheDirectionOfTravel) {
  Set({Restriction(45, 1000, 2000), Restriction(25, 9000, 8000)});
  Lookups().RestrictionTolerance = 50;
  Lookups().LastRestrictionPosition = 1900;
  EXPECT_EQ(At(2040), 45);  // moving up: end + 50
  EXPECT_EQ(Lookups().LastRestrictionPosition, 2040);
  EXPECT_EQ(At(2060), 30000);
  Lookups().LastRestrictionPosition = 8100;
  EXPECT_EQ(At(7960), 25);  // moving down: end - 50
  Lookups().LastRestrictionPosition = 7960;
  EXPECT_EQ(At(7960), 30000);  // standing: no tolerance
}

TEST_F(RestrictionTest, LineAndDirectionFilters) {
  Set({Restriction(10, 1000, 2000, 9, 0, 2), Restriction(20, 1000, 2000, 9, 0, 1, 1),
       Restriction(30, 1000, 2000, 9, 0, 1, 0xFFFF), Restriction(40, 1000, 2000, 9, 0, 1, 0)});
  EXPECT_EQ(At(1500, 5, 315, 43200, 1, 0), 40);
  EXPECT_EQ(At(1500, 5, 315, 43200, 1, 1), 20);
  EXPECT_EQ(At(1500, 5, 315, 43200, 2, 7), 10);
  EXPECT_EQ(At(1500, 5, 315, 43200, 3, 0), 30000);
  Set({Restriction(50, 1000, 2000, 9, 0, 99, 5)});
  EXPECT_EQ(At(1500, 5, 315, 43200, 200, 9), 50);
}

TEST_F(RestrictionTest, LevelsHighestApplicableWins) {
  Set({Restriction(50, 1000, 2000, 9, 1), Restriction(30, 1000, 2000, 9, 3), Restriction(40, 1000, 2000, 9, 2),
       Restriction(35, 1000, 2000, 9, 3), Restriction(20, 1000, 2000, 9, 6)});
  EXPECT_EQ(At(1500, 5), 35);  // level 6 is above the asked level; the later level 3 replaces
  EXPECT_EQ(At(1500, 2), 40);
  EXPECT_EQ(At(1500, 6), 20);
  EXPECT_EQ(At(1500, 0), 30000);
}

TEST_F(RestrictionTest, LevelZeroOrLessReturnsAtOnce) {
  Set({Restriction(30, 1000, 2000, 9, -1), Restriction(20, 1000, 2000, 9, 4)});
  EXPECT_EQ(At(1500, 5), 30);
  // Once a positive level is in force, lower levels (0 or less too) are skipped.
  Set({Restriction(50, 1000, 2000, 9, 2), Restriction(30, 1000, 2000, 9, -1), Restriction(20, 1000, 2000, 9, 4)});
  EXPECT_EQ(At(1500, 5), 20);
  EXPECT_EQ(At(1500, 3), 50);
}

TEST_F(RestrictionTest, ContinuousPeriod) {
  // 03-10 08:00 to 03-12 18:30, kind 9.
  LinshiRecord r = Restriction(45, 1000, 2000, 9);
  r.start_date = 20260310;
  r.start_time = 8 * 3600;
  r.end_date = 20260312;
  r.end_time = 18 * 3600 + 30 * 60;
  Set({r});
  EXPECT_EQ(At(1500, 5, 310, 8 * 3600), 45);
  EXPECT_EQ(At(1500, 5, 310, 8 * 3600 - 60), 30000);
  EXPECT_EQ(At(1500, 5, 311, 2 * 3600), 45);  // overnight inside the period
  EXPECT_EQ(At(1500, 5, 312, 18 * 3600 + 30 * 60 + 59), 45);  // same minute
  EXPECT_EQ(At(1500, 5, 312, 18 * 3600 + 31 * 60), 30000);
}

TEST_F(RestrictionTest, DailyWindow) {
  // Every day from 03-10 to 03-12, 08:00 to 18:00, kind 1.
  LinshiRecord r = Restriction(45, 1000, 2000, 1);
  r.start_date = 310;
  r.start_time = 8 * 3600;
  r.end_date = 312;
  r.end_time = 18 * 3600;
  Set({r});
  EXPECT_EQ(At(1500, 5, 311, 12 * 3600), 45);
  EXPECT_EQ(At(1500, 5, 311, 2 * 3600), 30000);  // outside the daily window
  EXPECT_EQ(At(1500, 5, 312, 18 * 3600), 45);
  EXPECT_EQ(At(1500, 5, 313, 12 * 3600), 30000);
  EXPECT_EQ(At(2500, 5, 311, 12 * 3600), 30000);
}

TEST_F(RestrictionTest, OtherKindsNeverApply) {
  Set({Restriction(45, 1000, 2000, 0), Restriction(45, 1000, 2000, 2)});
  EXPECT_EQ(At(1500), 30000);
}

TEST_F(RestrictionTest, AtMost32767RecordsAreScanned) {
  std::vector<LinshiRecord> r(32768, Restriction(45, 5000, 6000));
  r.back() = Restriction(20, 1000, 2000);
  Set(r);
  EXPECT_EQ(At(1500), 30000);
  r[32766] = Restriction(20, 1000, 2000);
  Set(r);
  EXPECT_EQ(At(1500), 20);
}

// ------------------------------------------------------------ TBridge

TEST_F(TablesTest, BridgeTrimmedStationName) {
  StationRecord r[] = {Station(1, 2, " \t\x01Nan Jing\r\n "), Station(1, 3, "   "), Station(1, 4, "\xC4\xCF")};
  SetStationTable(r, 2);
  EXPECT_EQ(TBridge::StationNameTrimmed(1, 2), "Nan Jing");
  EXPECT_EQ(TBridge::StationNameTrimmed(1, 3), "");
  EXPECT_EQ(TBridge::StationNameTrimmed(1, 4), "\xC4\xCF");  // GBK bytes are kept
  EXPECT_EQ(TBridge::StationNameTrimmed(1, 5), "1-5");
  EXPECT_EQ(TBridge::StationName(1, 2), " \t\x01Nan Jing\r\n ");
  EXPECT_EQ(TBridge::StationName(0x101, 0x10002), " \t\x01Nan Jing\r\n ");  // 8-bit line, 16-bit station
}

TEST_F(TablesTest, BridgeForwards) {
  JcTypeRecord j[] = {{30, "", "SS3"}, {31, "", "SS4"}};
  SetJcTypeTable(j, 1);
  EXPECT_EQ(TBridge::LocoType(31), "SS4");
  DriverRecord d[] = {Driver(8, "Zhao", 1, 2, 3), Driver(9, "Qian")};
  SetDriverTable(d, 1);
  EXPECT_EQ(TBridge::Driver(8), "Zhao");
  EXPECT_EQ(TBridge::Machine(1), "B\xBB\xFA");
  EXPECT_EQ(TBridge::SignalAspect(0x0110, 0x0000), 14);
  EXPECT_EQ(TBridge::SignalAspect(0x0110, 0x0020), 0x0110);
  EXPECT_EQ(TBridge::SignalAspect(0x0110, 0xFFDF), 14);
}

TEST_F(TablesTest, BridgeSignalBitsTest) {
  EXPECT_TRUE(TBridge::SignalBitsTest(0xC0));
  EXPECT_TRUE(TBridge::SignalBitsTest(0xF7));
  EXPECT_FALSE(TBridge::SignalBitsTest(0xC8));
  EXPECT_FALSE(TBridge::SignalBitsTest(0x80));
  EXPECT_FALSE(TBridge::SignalBitsTest(0x40));
}

TEST_F(TablesTest, BridgeStationByCodeGivesTheAttributeBack) {
  StationRecord r[] = {Station(1, 0x0207, "A", 100)};
  SetStationTable(r, 0);  // N = 0 stores nothing
  uint8_t attr = 0;
  EXPECT_EQ(TBridge::StationByCode(1, "P", 100, -1, 2, "CZBM04", "CZBM05", attr), "P100");
  EXPECT_EQ(attr, 255);
  StationRecord r2[] = {Station(1, 0x0207, "A", 100), Station(1, 0x0208, "B", 101)};
  SetStationTable(r2, 1);
  EXPECT_EQ(TBridge::StationByCode(1, "P", 101, -1, 2, "CZBM04", "CZBM05", attr), "B");
  EXPECT_EQ(attr, 0x08);
}

// ------------------------------------------------------------ indexes
// Lookups see direct changes of the tables; the first of duplicate keys wins
// and nothing behind an end marker is found.

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
}

TEST_F(TablesTest, FirstOfDuplicatesAndNothingBehindTheEndMarker) {
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
