// Shared pieces of the event-handler family tests: standard raw field
// values, the golden record parts they give, and a runner that converts one
// record per case and checks every record written and the input consumed.
#pragma once

#include <gtest/gtest.h>

#include <span>
#include <string>
#include <vector>

#include "handlers/families.h"
#include "support/testkit.h"

namespace railfmt::test::handlers {

// Raw fields used throughout: time 10:20:30, 8-digit number 12345678,
// 6-digit number 123456.
inline const Bytes kTime = {0x10, 0x20, 0x30};
inline const Bytes kNum8 = {0x12, 0x34, 0x56, 0x78};
inline const Bytes kNum6 = {0x12, 0x34, 0x56};
inline Bytes Prefix() { return Cat({kTime, kNum8, kNum6}); }

// Record bytes 2..9 for that time and those numbers.
inline const std::string kHead = " 0A 14 1E 4E 61 BC 40 E2 ";
// Record bytes 2..9 for that time when Val5 and Val8 are still 0.
inline const std::string kTimeHead = " 0A 14 1E 00 00 00 00 00 ";
// Record bytes 10..23 of the running state right after start-up (signal
// code 0 gives aspect 8).
inline const std::string kState0 = " 00 00 00 00 00 08 00 00 00 00 00 00 00 00 ";

// Raw bytes k = from..to holding the BCD digits of k (raw 12 = 0x12 ...).
inline Bytes Fill(int from, int to) {
  Bytes b;
  for (int k = from; k <= to; ++k) b.push_back(static_cast<uint8_t>((k / 10) << 4 | (k % 10)));
  return b;
}

// A bare record D7 after every case: it shows that the case consumed exactly
// its own bytes.
inline Bytes Sentinel() { return Rec({{0xD7}, {0x12, 0x34, 0x56}}); }
inline const char* kSentinelOut = "87 62 40 E2 01";

struct Case {
  std::string name;
  Bytes raw;                          // one whole raw record
  std::vector<std::string> expected;  // every record it writes
};

// Bytes of the input that the handler of `raw` consumes, run alone on a
// fresh context under the given converter class.
inline std::size_t Consumed(const Bytes& raw, const ConverterClass& cls) {
  TFmtData& d = FmtData();
  d.Reset();
  Run() = RunState();
  MemStream in(raw), out;
  d.InStream = &in;
  d.OutStream = &out;
  TNewToFmt c(d, cls, 101);
  d.ReadRaw(1, 0);
  const HandlerRow* row = c.FindHandler(d.Raw[0]);
  if (!row) {
    d.ReadRaw(1, 1);
    row = c.FindHandler2(d.Raw[0], d.Raw[1]);
  }
  if (row) c.RunHandler(row);
  const std::size_t used = in.Position();
  d.Reset();
  return used;
}

inline std::vector<std::string> HexRecords(const std::vector<Rec26>& recs) {
  std::vector<std::string> out;
  for (const Rec26& r : recs) out.push_back(Hex(r));
  return out;
}

inline std::vector<std::string> Golden(const std::vector<std::string>& hex) {
  std::vector<std::string> out;
  for (const std::string& h : hex) out.push_back(Hex(R(h)));
  return out;
}

// Converts each case followed by the sentinel and compares all records.
inline void RunCases(const std::vector<Case>& cases, const RawHeader& h = RawHeader(),
                     const ConverterClass& cls = ClassTNewToFmt()) {
  for (const Case& k : cases) {
    SCOPED_TRACE(k.name);
    EXPECT_EQ(Consumed(k.raw, cls), k.raw.size());
    const Bytes out = Convert(EventFile(h, {k.raw, Sentinel()}));
    std::vector<std::string> want = Golden(k.expected);
    want.push_back(Hex(R(kSentinelOut)));
    EXPECT_EQ(HexRecords(EventRecords(out)), want);
  }
}

// Every row of a family has a case.
inline void ExpectCovers(std::span<const HandlerRow> family, const std::vector<Case>& cases) {
  for (const HandlerRow& row : family) {
    bool found = false;
    for (const Case& k : cases) found = found || k.name == row.name;
    EXPECT_TRUE(found) << "no case for " << row.name;
  }
}

// Records written for a whole event body.
inline std::vector<std::string> Records(const RawHeader& h, std::initializer_list<Bytes> recs) {
  return HexRecords(EventRecords(Convert(EventFile(h, recs))));
}

}  // namespace railfmt::test::handlers
