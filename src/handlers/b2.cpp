// Large measurement records B201..B295. Each writes one full record 0x8C xx
// with the running-state part of the event and, for most codes, a
// supplementary record 0x21 0xF0 that carries the remaining fields as
// little-endian numbers placed one after the other from byte 2. The whole
// family is one step driven by the layout table below.
#include <array>
#include <cstring>
#include <string_view>

#include "handlers/common.h"
#include "handlers/families.h"

namespace railfmt {
namespace {

using namespace hs;

// A field of the supplementary record: kind 'B', 'W', 'T' or 'Q' is the BCD
// number of 1, 2, 3 or 4 bytes at raw `pos`, written in as many bytes.
struct Field {
  char kind = 0;  // 0 ends the list
  uint8_t pos = 0;
};

constexpr int Width(char kind) {
  return kind == 'B' ? 1 : kind == 'W' ? 2 : kind == 'T' ? 3 : kind == 'Q' ? 4 : 0;
}

// Running-state fields taken from the record; 0 = not taken.
struct StateFields {
  uint8_t pair = 0;    // Val19 := W(pair), Val21 := W(pair + 2)
  uint8_t val10 = 0;   // Val10 := T(val10)
  uint8_t val12 = 0;   // Val12 := B(val12)
  uint8_t signal = 0;  // G(signal)
};

// Which header numbers a record loads: both, or the 8-digit one only (Val8
// keeps its value).
enum class Head : uint8_t { Both, Val5Only };

struct Measurement {
  const char* name;
  uint8_t len;
  uint8_t sub;  // output code byte 1; byte 0 is 0x8C
  uint16_t mask;
  Head head;
  StateFields state;
  std::array<Field, 14> supp;  // empty: no supplementary record
};

constexpr Head kBoth = Head::Both;
constexpr Head kVal5 = Head::Val5Only;

constexpr Measurement kMeasurements[] = {
    {"B201", 32, 0x1C, 0x0317, kBoth, {12, 0, 0, 16},
     {{{'B', 18}, {'T', 19}, {'T', 22}, {'B', 25}, {'B', 26}, {'B', 27}, {'B', 28}, {'W', 29}}}},
    {"B202", 35, 0x1D, 0x031F, kBoth, {12, 16, 19, 20},
     {{{'T', 22}, {'T', 25}, {'B', 28}, {'B', 29}, {'B', 30}, {'B', 31}, {'W', 32}}}},
    {"B203", 22, 0x1E, 0x030F, kBoth, {12, 16, 19, 0}, {{{'B', 20}}}},
    {"B204", 8, 0x1F, 0x0003, kVal5, {}, {{{'B', 5}, {'B', 6}}}},
    {"B205", 8, 0x20, 0x0003, kVal5, {}, {{{'B', 5}, {'B', 6}}}},
    {"B206", 10, 0x21, 0x0003, kVal5, {}, {}},
    {"B207", 32, 0x22, 0x0317, kBoth, {12, 0, 0, 16},
     {{{'B', 18}, {'T', 19}, {'T', 22}, {'B', 25}, {'B', 26}, {'B', 27}, {'B', 28}, {'W', 29}}}},
    {"B208", 7, 0x23, 0x0001, kVal5, {}, {{{'B', 5}}}},
    {"B209", 19, 0x24, 0x0007, kBoth, {}, {{{'T', 12}, {'T', 15}}}},
    {"B210", 22, 0x25, 0x0007, kBoth, {},
     {{{'T', 12}, {'T', 15}, {'B', 18}, {'B', 19}, {'B', 20}}}},
    {"B211", 21, 0x26, 0x0007, kBoth, {}, {{{'W', 12}, {'T', 14}, {'T', 17}}}},
    {"B219", 14, 0x10, 0x0003, kVal5, {}, {{{'Q', 9}}}},
    {"B283", 19, 0x35, 0x0007, kBoth, {}, {{{'W', 12}, {'T', 14}, {'B', 17}}}},
    {"B285", 10, 0x34, 0x0003, kVal5, {}, {}},
    {"B287", 26, 0x33, 0x030F, kBoth, {12, 19, 0, 0}, {{{'T', 16}, {'B', 22}, {'W', 23}}}},
    {"B289", 18, 0x37, 0x0007, kBoth, {}, {{{'W', 12}, {'B', 14}, {'W', 15}}}},
    {"B291", 15, 0x36, 0x0007, kBoth, {}, {{{'W', 12}}}},
    {"B293", 13, 0x38, 0x0007, kBoth, {}, {}},
    {"B295", 31, 0x32, 0x0307, kBoth, {12, 0, 0, 0},
     {{{'B', 16}, {'B', 17}, {'B', 18}, {'B', 19}, {'B', 20}, {'B', 21}, {'B', 22},
       {'B', 23}, {'B', 24}, {'B', 25}, {'B', 26}, {'B', 27}, {'B', 28}, {'B', 29}}}},
};

// The full record from the state fields, then the supplementary record.
void MeasurementEvent(TNewToFmt& c, const HandlerRow& r) {
  TFmtData& d = c.d;
  const Measurement& m = kMeasurements[r.aux];
  if (!Read2(c, r)) return;
  if (m.head == Head::Both) {
    Header2(d);
  } else {
    TimeOnly2(d);
    d.Val5 = d.GetValue8();
  }
  if (m.state.pair) {
    d.Val19 = static_cast<uint16_t>(W(d, m.state.pair));
    d.Val21 = static_cast<uint16_t>(W(d, m.state.pair + 2));
  }
  if (m.state.val10) d.Val10 = T(d, m.state.val10);
  if (m.state.val12) d.Val12 = static_cast<uint8_t>(B(d, m.state.val12));
  if (m.state.signal) G(d, m.state.signal);
  Finish(c);
  if (m.supp[0].kind == 0) return;
  BeginSupplementary(d);
  int at = 2;
  for (const Field& f : m.supp) {
    const int width = Width(f.kind);
    if (width == 0) break;
    const int32_t v = d.BcdNumber(f.pos, width);
    for (int k = 0; k < width; ++k) d.Out[at + k] = ByteOf(v, k);
    at += width;
  }
  d.WriteRecord();
}

constexpr int IndexOf(std::string_view name) {
  for (std::size_t i = 0; i < std::size(kMeasurements); ++i)
    if (name == kMeasurements[i].name) return static_cast<int>(i);
  return -1;
}

constexpr HandlerRow RowOf(int i, HandlerStep step) {
  const Measurement& m = kMeasurements[i];
  return {m.name, m.len, step, 0x8C, m.sub, m.mask, i};
}

constexpr auto kRows = [] {
  std::array<HandlerRow, std::size(kMeasurements)> rows{};
  for (std::size_t i = 0; i < rows.size(); ++i) rows[i] = RowOf(static_cast<int>(i), MeasurementEvent);
  return rows;
}();

// ZhuZhou B201: the base record followed by an 11-byte tail that is checked
// as a 13-byte record starting with the same two code bytes, and gives one
// more record 0x8C 0x39.
constexpr HandlerRow kB201Tail{"B201", 13, nullptr, 0x8C, 0x39, 0x0007};

// The tail is read and checked even when the base record failed its check
// (a code byte inside it moves the input back onto that byte again).
void B201(TNewToFmt& c, const HandlerRow& r) {
  TFmtData& d = c.d;
  MeasurementEvent(c, r);
  if (!Read2(c, kB201Tail)) return;
  Header2(d);
  Finish(c);
}

constexpr HandlerRow kZhuZhouRows[] = {
    RowOf(IndexOf("B201"), B201),
    // ZhuZhou B289 and B297 records are checked and carry nothing converted.
    {"B289", 18, ReadAndCheck, 0, 0, 0},
    {"B297", 35, ReadAndCheck, 0, 0, 0},
};

}  // namespace

std::span<const HandlerRow> FamilyB2() { return kRows; }
std::span<const HandlerRow> FamilyZhuZhouB2() { return kZhuZhouRows; }

}  // namespace railfmt
