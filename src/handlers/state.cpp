// Running-state records F0 and F1 (attached or alone) and F2.
#include "handlers/common.h"
#include "handlers/families.h"

namespace railfmt {
namespace {

using namespace hs;

// Long forms for ZhuZhou files and for record-format versions above 3.1.
bool LongForm(const TFmtData& d) {
  return d.Hdr.Vendor != 'Q' || d.Hdr.B49 * 10 + d.Hdr.B50 > 31;
}

// 0x8B 0x06 with the running state, built apart from Out.
void WriteStateChange(TFmtData& d) {
  uint8_t r[kRecordSize] = {};
  r[0] = 0x8B;
  r[1] = 0x06;
  r[2] = static_cast<uint8_t>(d.Time / 3600);
  r[3] = static_cast<uint8_t>((d.Time / 60) % 60);
  r[4] = static_cast<uint8_t>(d.Time % 60);
  Put24(r, 5, d.Val5);
  Put16(r, 8, d.Val8);
  Put16(r, 10, d.Val10);
  r[12] = d.Val12;
  r[13] = static_cast<uint8_t>(d.Val13 / 10);
  r[14] = static_cast<uint8_t>(d.Val14);
  r[15] = d.Val15;
  r[16] = d.Val16;
  Put16(r, 17, d.Val17);
  Put16(r, 19, d.Val19);
  if (d.UseVal21Default) d.Val21 = d.Val21Default;
  if (d.Val21 > 999) d.Val21 = d.Val21Default;
  Put16(r, 21, d.Val21);
  r[23] = static_cast<uint8_t>(d.Val23);
  r[24] = 0x47;
  r[25] = 0x10;
  d.WriteBytes(r);
}

void F0(TNewToFmt& c, const HandlerRow&) {
  TFmtData& d = c.d;
  const bool lng = LongForm(d);
  d.RecLen = lng ? 12 : 8;
  const uint16_t old = d.Val13;
  d.ReadRaw(d.RecLen - 1, 1);
  if (!d.CheckRecord(d.RecLen)) return;
  if (lng) {
    d.Val19 = static_cast<uint16_t>(W(d, 1));
    d.Val21 = static_cast<uint16_t>(W(d, 3));
    d.Val13 = static_cast<uint16_t>(W(d, 5));
    d.Val14 = static_cast<uint16_t>(W(d, 7) / 10);
    d.Val17 = static_cast<uint16_t>(W(d, 9));
    d.PresenceMask |= 0x13C0;
  } else {
    d.Val13 = static_cast<uint16_t>(W(d, 1));
    d.Val14 = static_cast<uint16_t>(W(d, 3) / 10);
    d.Val17 = static_cast<uint16_t>(W(d, 5));
    d.PresenceMask |= 0x10C0;
  }
  if (d.Val13 != old) WriteStateChange(d);
}

void F1(TNewToFmt& c, const HandlerRow&) {
  TFmtData& d = c.d;
  const bool lng = LongForm(d);
  d.RecLen = lng ? 14 : 10;
  const uint16_t old = d.Val13;
  d.ReadRaw(d.RecLen - 1, 1);
  if (!d.CheckRecord(d.RecLen)) return;
  if (lng) {
    d.Val19 = static_cast<uint16_t>(W(d, 1));
    d.Val21 = static_cast<uint16_t>(W(d, 3));
    d.Val13 = static_cast<uint16_t>(W(d, 5));
    d.Val14 = static_cast<uint16_t>(W(d, 7) / 10);
    d.PresenceMask |= 0x1340;
  } else {
    d.Val13 = static_cast<uint16_t>(W(d, 1));
    d.Val14 = static_cast<uint16_t>(W(d, 3) / 10);
    d.PresenceMask |= 0x1040;
  }
  if (d.Val13 != old) WriteStateChange(d);
}

void F2(TNewToFmt& c, const HandlerRow&) {
  TFmtData& d = c.d;
  d.RecLen = 5;
  d.ReadRaw(4, 1);
  if (!d.CheckRecord(5)) return;
  BeginRecord(d, 0x87, 0x63);
  Put16(d.Out, 2, W(d, 1));
  d.Out[4] = static_cast<uint8_t>(B(d, 1));
  d.WriteRecord();
}

constexpr HandlerRow kRows[] = {
    {"F0", 12, F0, 0, 0, 0x13C0},
    {"F1", 14, F1, 0, 0, 0x1340},
    {"F2", 5, F2, 0x87, 0x63, 0},
};

}  // namespace

std::span<const HandlerRow> FamilyState() { return kRows; }

}  // namespace railfmt
