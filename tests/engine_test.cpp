// The event engine: start-up records, header, signal-mode probe, dispatch,
// the general A0xx records, F0/F1/F2, the class choice, and independence of
// conversions from each other.
#include <gtest/gtest.h>

#include <fstream>
#include <stdexcept>
#include <tuple>

#include "engine/newtofmt.h"
#include "handlers/families.h"
#include "platform/platform.h"
#include "support/testkit.h"
#include "texts/gbk.h"

using namespace railfmt;
using namespace railfmt::test;

namespace {

// A header with recognisable values in every field start-up reads.
RawHeader SampleHeader() {
  RawHeader h;
  h.Put(2, {0x24, 0x03, 0x15})
      .Put(9, {0x07})
      .Put(10, {0x11, 0x22, 0x33, 0x44})
      .Put(14, {0x12, 0x34, 0x56})
      .Put(17, {0x05})
      .Put(18, {0x01, 0x23})
      .Put(20, {0x00, 0x42})
      .Put(22, {0x00, 0x12, 0x34})
      .Put(25, {0x10})
      .Put(26, {0x00, 0x40})
      .Put(28, {0x09, 0x00})
      .Put(54, {0x12, 0x34})
      .Put(56, {0x01, 0x23})
      .Put(78, {0x01})
      .Put(79, {0x01})
      .Put(86, {0x03})
      .Put(144, {0x00, 0x12, 0x00})
      .Put(147, {0x00, 0x20, 0x00})
      .Put(196, {0x00, 0x80})
      .Put(198, {0x01, 0x20})
      .Put(200, {0x00, 0x16})
      .Put(204, {0x05, 0x80})
      .Put(206, {0x01, 0x23});
  return h;
}

Bytes Header52(const Bytes& out) { return Bytes(out.begin(), out.begin() + 52); }

// A two-byte-code record: code, time 09:15:30, 12345678, 123456, extra bytes.
Bytes Std2(uint8_t c0, uint8_t c1, const Bytes& extra = {}) {
  return Rec({{c0, c1, 0x09, 0x15, 0x30}, Bcd(12345678, 4), Bcd(123456, 3), extra});
}

// Short-form F0 (vendor Q, format 1.1): Val13, Val14, Val17.
Bytes F0Short(int v13, int v14, int v17) {
  return Rec({{0xF0}, Bcd(v13, 2), Bcd(v14, 2), Bcd(v17, 2)});
}

// The running state after SampleHeader's start-up, bytes 10..23.
constexpr const char* kState = "00 00 00 3A 0C 04 00 00 00 50 00 78 00 00";

}  // namespace

TEST(StartUp, HeaderOnlyInputGivesHeaderAndStartupRecordsOnly) {
  RawHeader h;
  EXPECT_EQ(Convert(h.bytes()).size(), 52u + 28 * 26);
  h.h[78] = 0x40;
  EXPECT_EQ(Convert(h.bytes()).size(), 52u + 31 * 26);
}

TEST(StartUp, GoldenHeader) {
  Bytes out = Convert(SampleHeader().bytes());
  Bytes expect = {0xA6, 0x6A, '1', '2', '3', '4', ' ', ' ', ' ', ' ', ' ', ' ',   // 0..11
                  '1', '2', '3', ' ', ' ', ' ', ' ', ' ',                         // 12..19
                  0x2A, 0x00, '2', 'K', 0x00, 0x00, 0x00, 0x03, 0x40, 0xE2,       // 20..29
                  0x18, 0x03, 0x0F, 0, 0, 0, 0, 0, 0, 0, 0,                        // 30..40
                  0x3A, 0x05, 0x01, 0x00, 0x01, 0x00, 0x02, 0x01, 0x01, 0x01, 'Q'};  // 41..51
  EXPECT_EQ(Hex(Header52(out)), Hex(expect));
}

TEST(StartUp, GoldenStartupRecords) {
  auto recs = AllRecords(Convert(SampleHeader().bytes()));
  ASSERT_EQ(recs.size(), 28u);
  const std::vector<std::string> expect = {
      "B0 F0 01 01 01 00 00 00 00 00 00 00 00 0C 22 11 22 33 44 00 00 00 00 03 01 01",
      "B0 01 18 03 0F 08 1E 00",
      "81 24 08 1E 00 07",
      "81 25 08 1E 00 A0 5B 00 11 22 33 44",
      "81 15 08 1E 00 05",
      "81 05 08 1E 00 36 01",
      "81 06 08 1E 00 7B 00 35 2D 31 32 33 20 20 20",
      "81 11 08 1E 00 12 47 31 30 30 31 32 33 34 20 00 00 00 00 00 00 00 00 00 0F 00",
      "81 04 08 1E 00 00 00 30 20 20 20 20 20 20 20",
      "81 0F", "81 10", "81 09", "81 0A", "81 0B", "81 0C", "81 0D", "81 0E",
      "81 03",
      "81 22 00 00 00 2A 00",
      "81 21 00 00 00 7B 00",
      "81 23",
      "91 01",
      "91 02",
      "81 07 00 00 00 B0 04",
      "81 08 00 00 00 D0 07",
      "B0 02 00 00 00 00 50 00 78 00 10 00 00 00 44 02 7B 00",
      "B0 03",
      "B0 04",
  };
  for (std::size_t i = 0; i < expect.size(); ++i)
    EXPECT_EQ(Hex(recs[i]), Hex(R(expect[i]))) << "start-up record " << i + 1;
}

// 91 01 takes the 4-byte slot h[94] mod 5 of h[96..115], 91 02 the slot
// h[95] mod 3 of h[116..127], each byte as BCD.
TEST(StartUp, TimeSlotRecordsTakeTheSlotsTheHeaderNames) {
  RawHeader h;
  h.Put(94, {0x07}).Put(95, {0x04}).Put(104, {0x05, 0x17, 0x08, 0x30}).Put(120, {0x06, 0x18, 0x09, 0x45});
  auto recs = AllRecords(Convert(h.bytes()));
  ASSERT_EQ(recs.size(), 28u);
  EXPECT_EQ(Hex(recs[21]), Hex(R("91 01 05 11 08 1E")));
  EXPECT_EQ(Hex(recs[22]), Hex(R("91 02 06 12 09 2D")));
}

// B0 03 carries the six BCD words of h[212..223], B0 04 the raw bytes h[224..227].
TEST(StartUp, LastRunningRecordsTakeTheirHeaderBytes) {
  RawHeader h;
  h.Put(212, {0x00, 0x01, 0x00, 0x02, 0x00, 0x03, 0x00, 0x04, 0x00, 0x05, 0x12, 0x34})
      .Put(224, {0x56, 0x78, 0x9A, 0xBC});
  auto recs = AllRecords(Convert(h.bytes()));
  ASSERT_EQ(recs.size(), 28u);
  EXPECT_EQ(Hex(recs[26]), Hex(R("B0 03 01 00 02 00 03 00 04 00 05 00 D2 04")));
  EXPECT_EQ(Hex(recs[27]), Hex(R("B0 04 56 78 9A BC")));
}

TEST(StartUp, ExtraDriverRecordsWithBit6) {
  RawHeader h = SampleHeader();
  h.h[78] = 0x41;
  auto recs = AllRecords(Convert(h.bytes()));
  ASSERT_EQ(recs.size(), 31u);
  // v = BCD(h[196..199]) = 800120, the driver's number as its name.
  EXPECT_EQ(Hex(recs[25]),
            Hex(R("81 57 00 00 00 78 35 38 30 30 31 32 30 20 20 00 00 00 00 00 00 00 00 00 0C 00")));
  EXPECT_EQ(recs[26][1], 0x58);
  EXPECT_EQ(recs[27][1], 0x59);
  EXPECT_EQ(recs[28][1], 0x02);
}

TEST(StartUp, SignalModeProbe) {
  struct Case {
    char vendor;
    Bytes first;  // the first event record (or nothing)
    uint8_t mode;
  } cases[] = {
      {'Q', {}, 1},
      {'Z', {}, 0},
      {'Z', Cat({{0xED}, Bytes(14, 0x00), {0x12, 0x34}}), 1},
      {'Q', Cat({{0xED}, Bytes(14, 0x00), {0x40, 0x96}}), 2},
  };
  for (const Case& c : cases) {
    RawHeader h;
    h.Vendor(c.vendor);
    Bytes out = Convert(EventFile(h, {c.first}));
    EXPECT_EQ(out[48], c.mode) << c.vendor << " " << Hex(c.first);
  }
}

TEST(StartUp, SignalMode2MakesSignalsPassThrough) {
  // With mode 2 (SignalMode 0x20) the signal code of an E4 record passes unchanged.
  RawHeader h;
  Bytes ed = Cat({{0xED}, Bytes(14, 0x00), {0x40, 0x96}});
  Bytes out = Convert(EventFile(h, {ed}));
  EXPECT_EQ(out[48], 2);
}

TEST(Close, HeaderRewrittenAndLengthKept) {
  // A CE-less run: header byte 41 comes from start-up; the output length is
  // the header plus the records, nothing more.
  Bytes out = Convert(EventFile(SampleHeader(), {Std2(0xA0, 0x10)}));
  EXPECT_EQ(out.size(), 52u + 29 * 26);
  EXPECT_EQ(out[41], 0x3A);
}

// ---------------------------------------------------------------- dispatch

TEST(Dispatch, BytesOutsideTheCodeRangeAreSkippedSilently) {
  TempDir tmp;
  platform::Hooks().executable_dir = tmp.path;
  Bytes body = {0x42, 0x00, 0x9F, 0xF3, 0xF7, 0xFD, 0xFF};
  Bytes out = Convert(EventFile(SampleHeader(), body));
  EXPECT_EQ(out.size(), 52u + 28 * 26);
  EXPECT_FALSE(platform::FileExists(LogFilePath()));
  platform::Hooks().executable_dir.clear();
}

TEST(Dispatch, UnhandledCodesAreLoggedOnceEach) {
  TempDir tmp;
  platform::Hooks().executable_dir = tmp.path;
  platform::Hooks().today = {2026, 3, 5};
  Bytes body = {0xB2, 0xA1, 0x00, 0xB2, 0xA1, 0xFE, 0x77};
  Convert(EventFile(SampleHeader(), body));
  const std::string path = tmp.path + "/log/OrgErrorOrNotDeal0305.txt";
  Bytes log = ReadFile(path);
  std::string expect = "memory(QX)" + std::string(GBK("未处理:")) + "B2A1;FE77;\r\n";
  EXPECT_EQ(std::string(log.begin(), log.end()), expect);

  RawHeader zz = SampleHeader();
  zz.Vendor('Z');
  Convert(EventFile(zz, Bytes{0xB2, 0xA1}));
  log = ReadFile(path);
  EXPECT_NE(std::string(log.begin(), log.end()).find("memory(ZZ)"), std::string::npos);
  platform::Hooks() = platform::TestHooks();
}

TEST(Dispatch, OneByteNameIsTriedFirstAndA001IsEmpty) {
  // A001 consumes only its code pair: the A0 10 that follows converts.
  Bytes out = Convert(EventFile(SampleHeader(), {Bytes{0xA0, 0x01}, Std2(0xA0, 0x10)}));
  auto recs = EventRecords(out);
  ASSERT_EQ(recs.size(), 1u);
  EXPECT_EQ(recs[0][1], 0x0A);
}

namespace {
void Throwing(TNewToFmt& c, const HandlerRow&) {
  c.d.ReadRaw(3, 2);
  throw std::runtime_error("handler failure");
}
constexpr HandlerRow kThrowRows[] = {{"A0FF", 5, Throwing, 0, 0, 0}};
std::span<const HandlerRow> ThrowFamily() { return kThrowRows; }
}  // namespace

TEST(Dispatch, AnErrorInsideAHandlerIsDropped) {
  static const ConverterClass cls{"TThrowing", &ClassTNewToFmt(), {ThrowFamily}};
  Bytes raw = EventFile(SampleHeader(), {Std2(0xA0, 0x10), Bytes{0xA0, 0xFF, 1, 2, 3}, Std2(0xA0, 0x11)});
  EngineRun run(raw);
  TNewToFmt c(run.d, cls, 101);
  EXPECT_EQ(c.RunConversion(), 1);
  auto recs = EventRecords(run.out.Data());
  ASSERT_EQ(recs.size(), 2u);
  EXPECT_EQ(recs[0][1], 0x0A);
  EXPECT_EQ(recs[1][1], 0x0B);
}

TEST(Dispatch, BadCheckByteWritesNothingAndCutRecordResynchronises) {
  Bytes good = Std2(0xA0, 0x10);
  Bytes bad = good;
  bad.back() = static_cast<uint8_t>(bad.back() == 0x99 ? 0x98 : bad.back() + 1);
  Bytes cut(good.begin(), good.begin() + 7);  // cut short by the next record's code
  Bytes out = Convert(EventFile(SampleHeader(), {bad, cut, Std2(0xA0, 0x11)}));
  auto recs = EventRecords(out);
  ASSERT_EQ(recs.size(), 1u);
  EXPECT_EQ(recs[0][1], 0x0B);
}

// ---------------------------------------------------------------- A0 family

TEST(A0Family, GoldenRecords) {
  struct Case {
    const char* what;
    char vendor;
    Bytes record;
    std::vector<std::string> expect;
  } cases[] = {
      {"A008 Q sub 1", 'Q', Std2(0xA0, 0x08, {0x01}),
       {std::string("80 63 09 0F 1E 4E 61 BC 40 E2 ") + kState + " 07 00"}},
      {"A008 Q sub 0", 'Q', Std2(0xA0, 0x08, {0x00}),
       {std::string("80 08 09 0F 1E 4E 61 BC 40 E2 ") + kState + " 07 00"}},
      {"A008 Q sub 2 unlisted", 'Q', Std2(0xA0, 0x08, {0x02}),
       {std::string("00 00 09 0F 1E 4E 61 BC 40 E2 ") + kState + " 07 00"}},
      {"A009 Q sub 1", 'Q', Std2(0xA0, 0x09, {0x01}),
       {std::string("80 64 09 0F 1E 4E 61 BC 40 E2 ") + kState + " 07 00"}},
      {"A012 Q sub 2", 'Q', Std2(0xA0, 0x12, {0x02}),
       {std::string("80 3C 09 0F 1E 4E 61 BC 40 E2 ") + kState + " 07 00"}},
      {"A010", 'Q', Std2(0xA0, 0x10),
       {std::string("80 0A 09 0F 1E 4E 61 BC 40 E2 ") + kState + " 07 00"}},
      {"A432 mask 3", 'Q', Std2(0xA4, 0x32),
       {std::string("F0 2C 09 0F 1E 4E 61 BC 40 E2 ") + kState + " 03 00"}},
      {"A013", 'Q', Std2(0xA0, 0x13, {0x12, 0x34}), {"F0 3D 09 0F 1E 4E 61 BC 0C 22"}},
      {"A038", 'Q', Std2(0xA0, 0x38, {0x12, 0x34}), {"80 59 09 0F 1E 4E 61 BC 40 E2 D2 04"}},
      {"A039", 'Q', Std2(0xA0, 0x39, {0x12, 0x34}),
       {std::string("80 65 09 0F 1E 4E 61 BC 40 E2 ") + kState + " 07 00", "21 F0 0C 22"}},
      {"A059 = A039", 'Q', Std2(0xA0, 0x59, {0x12, 0x34}),
       {std::string("80 65 09 0F 1E 4E 61 BC 40 E2 ") + kState + " 07 00", "21 F0 0C 22"}},
      {"A040", 'Q', Std2(0xA0, 0x40, {0x12}),
       {std::string("80 66 09 0F 1E 4E 61 BC 40 E2 ") + kState + " 07 00", "21 F0 0C"}},
      {"A501", 'Q', Std2(0xA5, 0x01, {0x12, 0x34, 0x56}), {"80 61 09 0F 1E 4E 61 BC 0C 80 0D"}},
      {"A799", 'Q', Rec({{0xA7, 0x99, 0x09, 0x15, 0x30}, Bcd(1234, 2), Bcd(5678, 2)}),
       {"80 62 09 0F 1E D2 04 2E 16"}},
  };
  for (const Case& c : cases) {
    RawHeader h = SampleHeader();
    h.Vendor(c.vendor);
    auto recs = EventRecords(Convert(EventFile(h, {c.record})));
    ASSERT_EQ(recs.size(), c.expect.size()) << c.what;
    for (std::size_t i = 0; i < recs.size(); ++i) EXPECT_EQ(Hex(recs[i]), Hex(R(c.expect[i]))) << c.what;
  }
}

TEST(A0Family, A008ForOtherVendorsKeepsCodeAndAddsSupplementary) {
  RawHeader h = SampleHeader();
  h.Vendor('Z');
  auto recs = EventRecords(Convert(EventFile(h, {Std2(0xA0, 0x08, {0x01})})));
  ASSERT_EQ(recs.size(), 2u);
  EXPECT_EQ(recs[0][0], 0x80);
  EXPECT_EQ(recs[0][1], 0x08);
  EXPECT_EQ(Hex(recs[1]), Hex(R("21 F0 01")));
}

TEST(A0Family, A014AfterA010AtTheSameTimeWritesNothing) {
  Bytes a014 = Rec({{0xA0, 0x14, 0x09, 0x15, 0x30, 0x02}});
  auto recs = EventRecords(Convert(EventFile(SampleHeader(), {Std2(0xA0, 0x10), a014})));
  ASSERT_EQ(recs.size(), 1u);
  // At another time: record F0 50 with Val5 made of v, the check byte and zeros.
  Bytes later = Rec({{0xA0, 0x14, 0x09, 0x15, 0x31, 0x02}});
  recs = EventRecords(Convert(EventFile(SampleHeader(), {Std2(0xA0, 0x10), later})));
  ASSERT_EQ(recs.size(), 3u);
  // Val5 = BCD 02 <check> 00 00: the check byte makes 60+14+9+15+31+2 = 131 -> 69: 2690000.
  EXPECT_EQ(Hex(recs[1]), Hex(R(std::string("F0 50 09 0F 1F D0 0B 29 40 E2 ") + kState + " 01 00")));
  EXPECT_EQ(Hex(recs[2]), Hex(R("21 F0 02")));
  // v >= 3: nothing.
  Bytes big = Rec({{0xA0, 0x14, 0x09, 0x15, 0x31, 0x03}});
  EXPECT_EQ(EventRecords(Convert(EventFile(SampleHeader(), {big}))).size(), 0u);
}

TEST(A0Family, A014AsFirstRecordReadsZerosPastItsEnd) {
  // The raw header's second half does not reach the first record: Val5 is
  // v, the check byte and two zero bytes even when h[135..136] are set.
  RawHeader h = SampleHeader();
  h.Put(135, {0x12, 0x34});
  Bytes a014 = Rec({{0xA0, 0x14, 0x09, 0x15, 0x31, 0x02}});
  auto recs = EventRecords(Convert(EventFile(h, {a014})));
  ASSERT_EQ(recs.size(), 2u);
  EXPECT_EQ(Hex(recs[0]), Hex(R(std::string("F0 50 09 0F 1F D0 0B 29 00 00 ") + kState + " 01 00")));
  EXPECT_EQ(Hex(recs[1]), Hex(R("21 F0 02")));
}

TEST(Classes, ZhuZhouB829AsFirstRecordCarries2A) {
  // An 11-byte ZhuZhou B829 has no byte 12; h[140] of the raw header does
  // not stand in for it.
  RawHeader h = SampleHeader();
  h.Vendor('Z').Put(139, {0x00, 0x01});
  Bytes b829 = Rec({{0xB8, 0x29, 0x09, 0x15, 0x30}, Bcd(12345678, 4), {0x00}});
  ASSERT_EQ(b829.size(), 11u);
  auto recs = EventRecords(Convert(EventFile(h, {b829})));
  ASSERT_EQ(recs.size(), 1u);
  EXPECT_EQ(Hex(recs[0]), Hex(R(std::string("86 2A 09 0F 1E 4E 61 BC B4 14 ") + kState + " 07 00")));
}

TEST(A0Family, ChannelTextOf15CharactersKeeps14) {
  // Board list entry 10 is "10-无线数传": 3 + 8 = 11 bytes.
  auto recs = EventRecords(Convert(EventFile(SampleHeader(), {Std2(0xA0, 0x26, {0x10})})));
  ASSERT_EQ(recs.size(), 1u);
  EXPECT_EQ(recs[0][10], 10);
  std::string t(GBK("10-无线数传"));
  EXPECT_EQ(recs[0][11], t.size());
  EXPECT_EQ(std::string(recs[0].begin() + 12, recs[0].begin() + 12 + t.size()), t);
}

TEST(A0Family, BoardFaultText) {
  // Board 3 "通讯板B" (7 bytes) over the time bytes; fault 1 * 10000 is no
  // single bit: "多重故障" + "2710".
  auto recs = EventRecords(Convert(EventFile(SampleHeader(), {Std2(0xA0, 0x36, {0x03, 0x01, 0x00})})));
  ASSERT_EQ(recs.size(), 1u);
  std::string t1(GBK("通讯板B")), t2 = std::string(GBK("多重故障")) + "2710";
  EXPECT_EQ(recs[0][2], t1.size());
  EXPECT_EQ(std::string(recs[0].begin() + 3, recs[0].begin() + 3 + t1.size()), t1);
  EXPECT_EQ(recs[0][11], t2.size());
  EXPECT_EQ(std::string(recs[0].begin() + 12, recs[0].begin() + 12 + t2.size()), t2);
}

TEST(A0Family, A901SkipsNineBytesWithoutCheck) {
  Bytes skip = {0xA9, 0x01, 0xA0, 0x10, 0xA0, 0x10, 0xA0, 0x10, 0xA0, 0x10, 0xA0};
  auto recs = EventRecords(Convert(EventFile(SampleHeader(), {skip, Std2(0xA0, 0x11)})));
  ASSERT_EQ(recs.size(), 1u);
  EXPECT_EQ(recs[0][1], 0x0B);
}

// ---------------------------------------------------------------- F0 / F1 / F2

TEST(StateRecords, AttachedF0CompletesTheRecordAndWritesStateChangeFirst) {
  auto recs = EventRecords(Convert(EventFile(SampleHeader(), {Std2(0xA0, 0x10), F0Short(600, 250, 33)})));
  ASSERT_EQ(recs.size(), 2u);
  EXPECT_EQ(Hex(recs[0]), Hex(R("8B 06 09 0F 1E 4E 61 BC 40 E2 00 00 00 3C 19 04 00 21 00 50 00 78 00 00 47 10")));
  EXPECT_EQ(Hex(recs[1]), Hex(R("80 0A 09 0F 1E 4E 61 BC 40 E2 00 00 00 3C 19 04 00 21 00 50 00 78 00 00 C7 10")));
}

TEST(StateRecords, SameVal13WritesNoStateChange) {
  auto recs = EventRecords(Convert(EventFile(SampleHeader(), {Std2(0xA0, 0x10), F0Short(580, 250, 33)})));
  ASSERT_EQ(recs.size(), 1u);
  EXPECT_EQ(recs[0][25], 0x10);
  EXPECT_EQ(recs[0][24], 0xC7);
}

TEST(StateRecords, FormsByVendorAndFormatVersion) {
  // Q with format 3.1: short; 3.2: long; any other vendor: long.
  Bytes longF0 = Rec({{0xF0}, Bcd(90, 2), Bcd(110, 2), Bcd(700, 2), Bcd(250, 2), Bcd(33, 2)});
  Bytes shortF0 = F0Short(700, 250, 33);
  struct Case {
    char vendor;
    int version;
    Bytes f0;
  } cases[] = {{'Q', 301, shortF0}, {'Q', 302, longF0}, {'Z', 101, longF0}};
  for (const Case& c : cases) {
    RawHeader h = SampleHeader();
    h.Vendor(c.vendor).Version(c.version);
    auto recs = EventRecords(Convert(EventFile(h, {Std2(0xA0, 0x10), c.f0}), 101, c.vendor == 'Q' ? "Q" : "Z"));
    ASSERT_EQ(recs.size(), 2u) << c.vendor << c.version;
    EXPECT_EQ(recs[1][13], 70) << c.vendor << c.version;
    EXPECT_EQ(recs[1][14], 25) << c.vendor << c.version;
  }
}

TEST(StateRecords, F1ShortAndLong) {
  Bytes f1 = Rec({{0xF1}, Bcd(700, 2), Bcd(250, 2), Bcd(1234, 4)});
  auto recs = EventRecords(Convert(EventFile(SampleHeader(), {Std2(0xA0, 0x10), f1})));
  ASSERT_EQ(recs.size(), 2u);
  EXPECT_EQ(recs[0][0], 0x8B);
  EXPECT_EQ(recs[1][24], 0x47);
  EXPECT_EQ(recs[1][25], 0x10);
  RawHeader zz = SampleHeader();
  zz.Vendor('Z');
  Bytes f1l = Rec({{0xF1}, Bcd(90, 2), Bcd(110, 2), Bcd(700, 2), Bcd(250, 2), Bcd(1234, 4)});
  recs = EventRecords(Convert(EventFile(zz, {Std2(0xA0, 0x10), f1l})));
  ASSERT_EQ(recs.size(), 2u);
  EXPECT_EQ(recs[1][19], 90);
  EXPECT_EQ(recs[1][21], 110);
  EXPECT_EQ(recs[1][24], 0x47);
  EXPECT_EQ(recs[1][25], 0x13);
}

TEST(StateRecords, F0AloneUpdatesStateForLaterRecords) {
  auto recs = EventRecords(Convert(EventFile(SampleHeader(), {F0Short(580, 300, 0), Std2(0xA0, 0x10)})));
  ASSERT_EQ(recs.size(), 1u);
  EXPECT_EQ(recs[0][14], 30);
  // The mask bits of a lone F0 do not reach the next record's mask.
  EXPECT_EQ(recs[0][24], 0x07);
}

TEST(StateRecords, Val21AboveLimitTakesTheDefault) {
  RawHeader zz = SampleHeader();
  zz.Vendor('Z');
  // Val21 1200 and 1000 take the default 0; 999 (03E7h) is kept.
  for (auto [v21, lo, hi] : {std::tuple{1200, 0x00, 0x00}, {1000, 0x00, 0x00}, {999, 0xE7, 0x03}}) {
    Bytes f0 = Rec({{0xF0}, Bcd(90, 2), Bcd(v21, 2), Bcd(700, 2), Bcd(250, 2), Bcd(33, 2)});
    auto recs = EventRecords(Convert(EventFile(zz, {Std2(0xA0, 0x10), f0})));
    ASSERT_EQ(recs.size(), 2u);
    EXPECT_EQ(recs[0][21], lo) << v21;
    EXPECT_EQ(recs[0][22], hi) << v21;
  }
}

TEST(StateRecords, F2) {
  Bytes f2 = Rec({{0xF2}, Bcd(1234, 2), {0x00}});
  auto recs = EventRecords(Convert(EventFile(SampleHeader(), {f2})));
  ASSERT_EQ(recs.size(), 1u);
  EXPECT_EQ(Hex(recs[0]), Hex(R("87 63 D2 04 0C")));
}

// ---------------------------------------------------------------- classes

TEST(Classes, ChoiceByVendorTextAndVersion) {
  // A version-102 EB record (14 bytes): only T102NewToFmt and the ZhuZhou
  // class read it whole.
  Bytes eb102 = Rec({{0xEB, 0x09, 0x15, 0x30}, Bcd(12345678, 4), Bcd(123456, 3), Bcd(600, 2)});
  struct Case {
    const char* vendor;
    int version;
    bool converted;
  } cases[] = {{"Q", 101, false}, {"Q", 102, true}, {"Q", 150, true},
               {"q", 101, true},  {"QQ", 101, true}, {"Z", 0, true}};
  for (const Case& c : cases) {
    // The two bytes after it make the base class's 16-byte read fail its check.
    auto recs = EventRecords(Convert(EventFile(SampleHeader(), {eb102, Bytes{0x12, 0x34}}), c.version, c.vendor));
    bool found = false;
    for (auto& r : recs) found |= r[0] == 0x8B && r[1] == 0x06 && r[13] == 60;
    EXPECT_EQ(found, c.converted) << c.vendor << " " << c.version;
  }
}

TEST(Classes, ConvertEventsAnswersOneEvenWhenEveryRecordFails) {
  Bytes bad = Std2(0xA0, 0x10);
  bad.back() ^= 0x01;
  int result = 0;
  ConvertEventBytes(EventFile(SampleHeader(), {bad, bad}), 101, "Q", &result);
  EXPECT_EQ(result, 1);
}

TEST(Independence, LeftoverContextDoesNotReachTheNextConversion) {
  Bytes file = EventFile(SampleHeader(), {Std2(0xA0, 0x10)});
  Bytes first = Convert(file);
  TFmtData& d = FmtData();
  d.KeepSignal = 1;
  d.Val23 = 77;
  d.UseVal21Default = true;
  d.SignalMode = 0x20;
  d.Note = "leftover";
  EXPECT_EQ(Convert(file), first);
}

TEST(Robustness, TruncatedAndShortInputs) {
  Bytes full = EventFile(SampleHeader(), {Std2(0xA0, 0x10), F0Short(600, 250, 33)});
  for (std::size_t n = 0; n <= full.size(); n += 7) {
    Bytes part(full.begin(), full.begin() + n);
    int result = 0;
    Bytes out = ConvertEventBytes(part, 101, "Q", &result);
    EXPECT_EQ(result, 1);
    EXPECT_GE(out.size(), 52u);
  }
}
