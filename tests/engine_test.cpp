// The event engine: header and start-up records, signal-mode probe, main
// loop and dispatch, the A0xx / F0 / F1 / F2 records, the class choice and
// the independence of conversions from each other.
#include <gtest/gtest.h>

#include <stdexcept>

#include "engine/newtofmt.h"
#include "handlers/families.h"
#include "platform/platform.h"
#include "support/testkit.h"

using namespace railfmt;
using namespace railfmt::test;

namespace {

// A header with recognisable values in every field start-up reads (135 and
// 139..140 lie behind the first record: nothing may read them).
RawHeader SampleHeader() {
  RawHeader h;
  h.Put(2, {0x24, 0x03, 0x15}).Put(9, {0x07}).Put(10, {0x11, 0x22, 0x33, 0x44}).Put(14, {0x12, 0x34, 0x56});
  h.Put(17, {0x05}).Put(18, {0x01, 0x23}).Put(20, {0x00, 0x42}).Put(22, {0x00, 0x12, 0x34}).Put(25, {0x10});
  h.Put(26, {0x00, 0x40}).Put(28, {0x09, 0x00}).Put(54, {0x12, 0x34}).Put(56, {0x01, 0x23}).Put(78, {0x01});
  h.Put(79, {0x01}).Put(86, {0x03}).Put(135, {0x12, 0x34}).Put(139, {0x00, 0x01}).Put(144, {0x00, 0x12, 0x00});
  h.Put(147, {0x00, 0x20, 0x00}).Put(196, {0x00, 0x80, 0x01, 0x20, 0x00, 0x16}).Put(204, {0x05, 0x80, 0x01, 0x23});
  return h;
}

// A two-byte-code record: code, time 09:15:30, 12345678, 123456, extra bytes.
Bytes Std2(uint8_t c0, uint8_t c1, const Bytes& extra = {}) {
  return Rec({{c0, c1, 0x09, 0x15, 0x30}, Bcd(12345678, 4), Bcd(123456, 3), extra});
}
Bytes F0Short(int v13, int v14, int v17) { return Rec({{0xF0}, Bcd(v13, 2), Bcd(v14, 2), Bcd(v17, 2)}); }
Bytes F0Long(int v19, int v21, int v13, int v14, int v17) {
  return Rec({{0xF0}, Bcd(v19, 2), Bcd(v21, 2), Bcd(v13, 2), Bcd(v14, 2), Bcd(v17, 2)});
}

// Record bytes 2..9 of Std2 and the running state after SampleHeader's start-up (bytes 10..23).
const std::string kAt = "09 0F 1E 4E 61 BC 40 E2 ";
const std::string kState = " 00 00 00 3A 0C 04 00 00 00 50 00 78 00 00 ";
std::string A(const char* code, const std::string& state = kState, const char* mask = "07 00") {
  return std::string(code) + " " + kAt + state + mask;
}

}  // namespace

TEST(StartUp, GoldenHeaderAndStartupRecords) {
  const Bytes out = Convert(SampleHeader().bytes());
  EXPECT_EQ(Hex(out.data(), 52),
            "A6 6A 31 32 33 34 20 20 20 20 20 20 31 32 33 20 20 20 20 20 2A 00 32 4B 00 00 00 03 40 E2 "
            "18 03 0F 00 00 00 00 00 00 00 00 3A 05 01 00 01 00 02 01 01 01 51");
  EXPECT_EQ(HexRecords(AllRecords(out)),
            Golden({"B0 F0 01 01 01 00 00 00 00 00 00 00 00 0C 22 11 22 33 44 00 00 00 00 03 01 01",
                    "B0 01 18 03 0F 08 1E 00", "81 24 08 1E 00 07", "81 25 08 1E 00 A0 5B 00 11 22 33 44",
                    "81 15 08 1E 00 05", "81 05 08 1E 00 36 01", "81 06 08 1E 00 7B 00 35 2D 31 32 33 20 20 20",
                    "81 11 08 1E 00 12 47 31 30 30 31 32 33 34 20 00 00 00 00 00 00 00 00 00 0F 00",
                    "81 04 08 1E 00 00 00 30 20 20 20 20 20 20 20", "81 0F", "81 10", "81 09", "81 0A", "81 0B",
                    "81 0C", "81 0D", "81 0E", "81 03", "81 22 00 00 00 2A 00", "81 21 00 00 00 7B 00", "81 23",
                    "91 01", "91 02", "81 07 00 00 00 B0 04", "81 08 00 00 00 D0 07",
                    "B0 02 00 00 00 00 50 00 78 00 10 00 00 00 44 02 7B 00", "B0 03", "B0 04"}));
}

// 91 01 takes the slot h[94] mod 5 of h[96..115], 91 02 the slot h[95] mod 3
// of h[116..127]; B0 03 the BCD words of h[212..223], B0 04 h[224..227] as
// they are; bit 6 of h[78] adds the drivers of h[196..207] (81 57/58/59).
TEST(StartUp, SlotsLastRunningRecordsAndFurtherDrivers) {
  RawHeader h = SampleHeader();
  h.Put(78, {0x41}).Put(94, {0x07}).Put(95, {0x04}).Put(104, {0x05, 0x17, 0x08, 0x30}).Put(120, {0x06, 0x18, 0x09, 0x45});
  h.Put(212, {0x00, 0x01, 0x00, 0x02, 0x00, 0x03, 0x00, 0x04, 0x00, 0x05, 0x12, 0x34}).Put(224, {0x56, 0x78, 0x9A, 0xBC});
  const auto recs = HexRecords(AllRecords(Convert(h.bytes())));
  ASSERT_EQ(recs.size(), 31u);
  EXPECT_EQ(std::vector<std::string>(recs.begin() + 21, recs.begin() + 23),
            Golden({"91 01 05 11 08 1E", "91 02 06 12 09 2D"}));
  EXPECT_EQ(std::vector<std::string>(recs.begin() + 25, recs.end()),
            Golden({"81 57 00 00 00 78 35 38 30 30 31 32 30 20 20 00 00 00 00 00 00 00 00 00 0C 00",
                    "81 58 00 00 00 00 71 31 36 30 30 30 30 20 20 00 00 00 00 00 00 00 00 00 02 00",
                    "81 59 00 00 00 BB 80 35 38 30 30 31 32 33 20 00 00 00 00 00 00 00 00 00 58 00",
                    "B0 02 00 00 00 00 50 00 78 00 10 00 00 00 44 02 7B 00",
                    "B0 03 01 00 02 00 03 00 04 00 05 00 D2 04", "B0 04 56 78 9A BC"}));
}

// Header byte 48: 1 for Q, 0 for others; a first record ED with 0x10 in the
// high byte of its 4-digit number at 15..16 makes it 2, otherwise 1.
TEST(StartUp, SignalModeProbe) {
  const struct {
    char vendor;
    Bytes first;
    uint8_t mode;
  } cases[] = {{'Q', {}, 1}, {'Z', {}, 0}, {'Z', Cat({{0xED}, Bytes(14, 0x00), {0x12, 0x34}}), 1},
               {'Q', Cat({{0xED}, Bytes(14, 0x00), {0x40, 0x96}}), 2}};
  for (const auto& c : cases)
    EXPECT_EQ(Convert(EventFile(RawHeader().Vendor(c.vendor), {c.first}))[48], c.mode) << c.vendor << Hex(c.first);
}

// ---------------------------------------------------------------- main loop

// Bytes outside the code range between records leave no trace but the input
// size in the header, and no log; codes without handler are logged once each.
TEST(MainLoop, StrayBytesAreSkippedAndUnhandledCodesLoggedOnce) {
  TempDir tmp;
  platform::Hooks().executable_dir = tmp.path + "/";
  platform::Hooks().today = {2026, 3, 7};
  Bytes a014 = Rec({{0xA0, 0x14, 0x09, 0x15, 0x31, 0x01}});  // reads past its end into cleared bytes
  Bytes plain = Convert(EventFile(SampleHeader(), {Std2(0xA0, 0x10), a014}));
  Bytes junk = Convert(EventFile(SampleHeader(), {{0x00, 0x45, 0x99, 0xF3, 0xFF}, Std2(0xA0, 0x10),
                                                  {0x12, 0xFD, 0x9F, 0xF7}, a014, {0x01, 0x02}}));
  EXPECT_FALSE(platform::FileExists(LogFilePath()));
  ASSERT_EQ(junk.size(), plain.size());
  EXPECT_EQ(Hex(junk.data() + 47, junk.size() - 47), Hex(plain.data() + 47, plain.size() - 47));
  EXPECT_EQ(Hex(junk.data(), 44), Hex(plain.data(), 44));

  Bytes body = {0xA2, 0x33, 0x00, 0xA2, 0x33, 0xFE, 0x77, 0x01, 0xA2, 0x34, 0xFE, 0x77};
  MemStream in(EventFile(SampleHeader(), body)), out;
  EXPECT_EQ(ConvertEvents(in, out, "run1", 101, "Q"), 1);
  RawHeader zz = SampleHeader();
  zz.Vendor('Z');
  Convert(EventFile(zz, Bytes{0xB2, 0xA1}));
  Bytes log = ReadFile(tmp.path + "/log/OrgErrorOrNotDeal0307.txt");
  platform::Hooks() = platform::TestHooks();
  const std::string unhandled = "\xCE\xB4\xB4\xA6\xC0\xED:";  // "未处理:" in GBK
  EXPECT_EQ(std::string(log.begin(), log.end()),
            "run1(QX)" + unhandled + "A233;FE77;A234;\r\nmemory(ZZ)" + unhandled + "B2A1;\r\n");
}

namespace {
void Throwing(TNewToFmt& c, const HandlerRow&) {
  c.d.ReadRaw(3, 2);
  throw std::runtime_error("handler failure");
}
constexpr HandlerRow kThrowRows[] = {{"A0FF", 5, Throwing, 0, 0, 0}};
std::span<const HandlerRow> ThrowFamily() { return kThrowRows; }
}  // namespace

TEST(MainLoop, AnErrorInsideAHandlerIsDropped) {
  static const ConverterClass cls{"TThrowing", &ClassTNewToFmt(), {ThrowFamily}};
  Bytes raw = EventFile(SampleHeader(), {Std2(0xA0, 0x10), Bytes{0xA0, 0xFF, 1, 2, 3}, Std2(0xA0, 0x11)});
  EngineRun run(raw);
  TNewToFmt c(run.d, cls, 101);
  EXPECT_EQ(c.RunConversion(), 1);
  EXPECT_EQ(HexRecords(EventRecords(run.out.Data())), Golden({A("80 0A"), A("80 0B")}));
}

// ---------------------------------------------------------------- event records

// Whole event bodies after SampleHeader's start-up, every record they write.
TEST(EventRecords, Golden) {
  const Bytes a014 = Rec({{0xA0, 0x14, 0x09, 0x15, 0x30, 0x02}}), a014Later = Rec({{0xA0, 0x14, 0x09, 0x15, 0x31, 0x02}});
  const Bytes good = Std2(0xA0, 0x10), cut(good.begin(), good.begin() + 7);
  Bytes bad = good;
  bad.back() = static_cast<uint8_t>(bad.back() == 0x99 ? 0x98 : bad.back() + 1);
  // A014's Val5 is v, its check byte (60 + 14 + 9 + 15 + 31 + 2 = 131 -> 69) and two
  // bytes past its end, read as zeros: 2690000.
  const std::string a014Out = "F0 50 09 0F 1F D0 0B 29 ";
  const std::string f0State = " 00 00 00 3C 19 04 00 21 00 50 00 78 00 00 ";
  const std::string longState = " 00 00 00 46 19 04 00 21 00 5A 00 6E 00 00 ";
  const struct {
    const char* what;
    char vendor;
    int version;  // of the raw header: Q up to 3.1 reads the short state records
    Bytes body;
    std::vector<std::string> expect;
  } cases[] = {
      {"A008 Q sub 1", 'Q', 101, Std2(0xA0, 0x08, {0x01}), {A("80 63")}},
      {"A008 Q sub 0", 'Q', 101, Std2(0xA0, 0x08, {0x00}), {A("80 08")}},
      {"A008 Q sub 2 unlisted", 'Q', 101, Std2(0xA0, 0x08, {0x02}), {A("00 00")}},
      {"A008 Z", 'Z', 101, Std2(0xA0, 0x08, {0x01}), {A("80 08"), "21 F0 01"}},
      {"A009 Q sub 1", 'Q', 101, Std2(0xA0, 0x09, {0x01}), {A("80 64")}},
      {"A012 Q sub 2", 'Q', 101, Std2(0xA0, 0x12, {0x02}), {A("80 3C")}},
      {"A432 mask 3", 'Q', 101, Std2(0xA4, 0x32), {A("F0 2C", kState, "03 00")}},
      {"A013", 'Q', 101, Std2(0xA0, 0x13, {0x12, 0x34}), {"F0 3D 09 0F 1E 4E 61 BC 0C 22"}},
      {"A038", 'Q', 101, Std2(0xA0, 0x38, {0x12, 0x34}), {"80 59 09 0F 1E 4E 61 BC 40 E2 D2 04"}},
      {"A039", 'Q', 101, Std2(0xA0, 0x39, {0x12, 0x34}), {A("80 65"), "21 F0 0C 22"}},
      {"A059 = A039", 'Q', 101, Std2(0xA0, 0x59, {0x12, 0x34}), {A("80 65"), "21 F0 0C 22"}},
      {"A040", 'Q', 101, Std2(0xA0, 0x40, {0x12}), {A("80 66"), "21 F0 0C"}},
      {"A501", 'Q', 101, Std2(0xA5, 0x01, {0x12, 0x34, 0x56}), {"80 61 09 0F 1E 4E 61 BC 0C 80 0D"}},
      {"A799", 'Q', 101, Rec({{0xA7, 0x99, 0x09, 0x15, 0x30}, Bcd(1234, 2), Bcd(5678, 2)}), {"80 62 09 0F 1E D2 04 2E 16"}},
      {"A001 is its code pair only", 'Q', 101, Cat({{0xA0, 0x01}, Std2(0xA0, 0x10)}), {A("80 0A")}},
      {"A901 skips nine bytes", 'Q', 101, Cat({{0xA9, 0x01, 0xA0, 0x10, 0xA0, 0x10, 0xA0, 0x10, 0xA0, 0x10, 0xA0}, Std2(0xA0, 0x11)}),
       {A("80 0B")}},
      {"bad check byte, record cut by the next code", 'Q', 101,
       Cat({bad, cut, Std2(0xA0, 0x11)}), {A("80 0B")}},
      {"A014 after A010 at the same time", 'Q', 101, Cat({Std2(0xA0, 0x10), a014}), {A("80 0A")}},
      {"A014 later", 'Q', 101, Cat({Std2(0xA0, 0x10), a014Later}),
       {A("80 0A"), a014Out + "40 E2" + kState + "01 00", "21 F0 02"}},
      {"A014 first reads zeros, not the raw header", 'Q', 101, a014Later, {a014Out + "00 00" + kState + "01 00", "21 F0 02"}},
      {"A014 v 3", 'Q', 101, Rec({{0xA0, 0x14, 0x09, 0x15, 0x31, 0x03}}), {}},
      {"B829 Z of 11 bytes first", 'Z', 101, Rec({{0xB8, 0x29, 0x09, 0x15, 0x30}, Bcd(12345678, 4), {0x00}}),
       {"86 2A 09 0F 1E 4E 61 BC B4 14" + kState + "07 00"}},
      {"attached F0 changes Val13", 'Q', 101, Cat({Std2(0xA0, 0x10), F0Short(600, 250, 33)}),
       {A("8B 06", f0State, "47 10"), A("80 0A", f0State, "C7 10")}},
      {"attached F0, same Val13", 'Q', 101, Cat({Std2(0xA0, 0x10), F0Short(580, 250, 33)}),
       {A("80 0A", " 00 00 00 3A 19 04 00 21 00 50 00 78 00 00 ", "C7 10")}},
      {"lone F0 sets the state, not the mask", 'Q', 101, Cat({F0Short(580, 300, 0), Std2(0xA0, 0x10)}),
       {A("80 0A", " 00 00 00 3A 1E 04 00 00 00 50 00 78 00 00 ")}},
      {"Q 3.1 short F0", 'Q', 301, Cat({Std2(0xA0, 0x10), F0Short(700, 250, 33)}),
       {A("8B 06", " 00 00 00 46 19 04 00 21 00 50 00 78 00 00 ", "47 10"),
        A("80 0A", " 00 00 00 46 19 04 00 21 00 50 00 78 00 00 ", "C7 10")}},
      {"Q 3.2 long F0", 'Q', 302, Cat({Std2(0xA0, 0x10), F0Long(90, 110, 700, 250, 33)}),
       {A("8B 06", longState, "47 10"), A("80 0A", longState, "C7 13")}},
      {"Z long F0, Val21 999 kept", 'Z', 101, Cat({Std2(0xA0, 0x10), F0Long(90, 999, 700, 250, 33)}),
       {A("8B 06", " 00 00 00 46 19 04 00 21 00 5A 00 E7 03 00 ", "47 10"),
        A("80 0A", " 00 00 00 46 19 04 00 21 00 5A 00 E7 03 00 ", "C7 13")}},
      {"Z long F0, Val21 1000 takes the default", 'Z', 101, Cat({Std2(0xA0, 0x10), F0Long(90, 1000, 700, 250, 33)}),
       {A("8B 06", " 00 00 00 46 19 04 00 21 00 5A 00 00 00 00 ", "47 10"),
        A("80 0A", " 00 00 00 46 19 04 00 21 00 5A 00 00 00 00 ", "C7 13")}},
      {"Q short F1", 'Q', 101, Cat({Std2(0xA0, 0x10), Rec({{0xF1}, Bcd(700, 2), Bcd(250, 2), Bcd(1234, 4)})}),
       {A("8B 06", " 00 00 00 46 19 04 00 00 00 50 00 78 00 00 ", "47 10"),
        A("80 0A", " 00 00 00 46 19 04 00 00 00 50 00 78 00 00 ", "47 10")}},
      {"Z long F1", 'Z', 101,
       Cat({Std2(0xA0, 0x10), Rec({{0xF1}, Bcd(90, 2), Bcd(110, 2), Bcd(700, 2), Bcd(250, 2), Bcd(1234, 4)})}),
       {A("8B 06", " 00 00 00 46 19 04 00 00 00 5A 00 6E 00 00 ", "47 10"),
        A("80 0A", " 00 00 00 46 19 04 00 00 00 5A 00 6E 00 00 ", "47 13")}},
      {"F2", 'Q', 101, Rec({{0xF2}, Bcd(1234, 2), {0x00}}), {"87 63 D2 04 0C"}},
      {"D0 m 1, mode 128, no station named before", 'Q', 101,
       Rec({{0xD0, 0x09, 0x15, 0x30}, Bcd(12345678, 4), Bcd(123456, 3), Bytes(3, 0), {0x01}, Bytes(6, 0), {0x01, 0x28}}),
       {"87 19 " + kAt + "00 00 01 00 00 08 00 00 00 00 00 78 00 00 5F 10"}},
  };
  for (const auto& c : cases) {
    RawHeader h = SampleHeader();
    h.Vendor(c.vendor).Version(c.version);
    EXPECT_EQ(Out(c.body, h), Golden(c.expect)) << c.what;
  }
}

// Board list entry 10 "10-无线数传" (11 bytes) and board 3 "通讯板B" with the
// fault 1 * 10000, which is no single bit: "多重故障2710".
TEST(EventRecords, BoardTexts) {
  auto channel = AllRecords(Convert(EventFile(SampleHeader(), {Std2(0xA0, 0x26, {0x10})})));
  EXPECT_EQ(Hex(channel.back().data() + 10, 14), "0A 0B 31 30 2D CE DE CF DF CA FD B4 AB 00");
  auto fault = AllRecords(Convert(EventFile(SampleHeader(), {Std2(0xA0, 0x36, {0x03, 0x01, 0x00})})));
  EXPECT_EQ(Hex(fault.back().data() + 2, 8), "07 CD A8 D1 B6 B0 E5 42");
  EXPECT_EQ(Hex(fault.back().data() + 11, 13), "0C B6 E0 D6 D8 B9 CA D5 CF 32 37 31 30");
}

// A version-102 EB record (14 bytes): only T102NewToFmt and the ZhuZhou
// class read it whole; the two bytes after it fail the base class's check.
TEST(Classes, ChoiceByVendorTextAndVersion) {
  Bytes eb102 = Rec({{0xEB, 0x09, 0x15, 0x30}, Bcd(12345678, 4), Bcd(123456, 3), Bcd(600, 2)});
  const struct {
    const char* vendor;
    int version;
    bool converted;
  } cases[] = {{"Q", 101, false}, {"Q", 102, true}, {"Q", 150, true}, {"q", 101, true}, {"QQ", 101, true}, {"Z", 0, true}};
  for (const auto& c : cases) {
    auto recs = EventRecords(Convert(EventFile(SampleHeader(), {eb102, Bytes{0x12, 0x34}}), c.version, c.vendor));
    bool found = false;
    for (auto& r : recs) found |= r[0] == 0x8B && r[1] == 0x06 && r[13] == 60;
    EXPECT_EQ(found, c.converted) << c.vendor << " " << c.version;
  }
}

TEST(Independence, LeftoverContextDoesNotReachTheNextConversion) {
  Bytes file = EventFile(SampleHeader(), {Std2(0xA0, 0x10)});
  Bytes first = Convert(file);
  TFmtData& d = FmtData();
  d.KeepSignal = 1;
  d.Val23 = 77;
  d.UseVal21Default = true;
  d.SignalMode = 0x20;
  d.HandlerByteA = 1;
  d.Note = "leftover";
  EXPECT_EQ(Convert(file), first);
}
