// General records: families A0, A4, A5, A7 and A9.
#include "handlers/common.h"
#include "handlers/families.h"
#include "texts/gbk.h"
#include "texts/texts.h"

namespace railfmt {

// Channel description of the channel-test records (A018..A031, A034, A035,
// A060 and A418..A431, A434, A435), chosen by the second code byte; the
// value is the BCD byte at raw 12:
//   x18, x19, 60  analog channel      x26, x27  board
//   x20, x21      lamp input          x28, x29  self-check item
//   x22, x23      handle position     x30, x31  CAN fault
//   x24, x25      brake state         x34, x35  axle
// Other second codes name the raw value in hexadecimal.
static std::string ChannelDescription(int value, uint8_t code0, uint8_t code1) {
  switch (code1) {
    case 0x18: case 0x19: case 0x60: return texts::AnalogChannelText(value);
    case 0x20: case 0x21: return texts::SignalInputText(value);
    case 0x22: case 0x23: return texts::HandlePositionText(value);
    case 0x24: case 0x25: return texts::BrakeStateText(value);
    case 0x26: case 0x27: return texts::NumberedBoardText(value);
    case 0x28: case 0x29: return texts::ChipText(value);
    case 0x30: case 0x31: return texts::CanErrorText(value);
    case 0x34: case 0x35: return texts::AxleText(value);
    default: return TPubFunc::Hex2(code0) + TPubFunc::Hex2(code1) + "-" + TPubFunc::Hex2(value) + "H";
  }
}

namespace {

using namespace hs;

// A008, A009, A012: sub-code selection by BCD(raw 12). aux packs the codes
// for values 1 and 2 (0 = not listed); A012 (bit 16 of aux) selects for
// every vendor and writes no supplementary record.
constexpr int kSelectAllVendors = 0x10000;

void SubCodeEvent(TNewToFmt& c, const HandlerRow& r) {
  TFmtData& d = c.d;
  RawValues v;
  if (!Read2(c, r, v)) return;
  Header2(d, v);
  const int s = B(d, 12);
  const bool select = c.VendorQ() || (r.aux & kSelectAllVendors);
  if (select) {
    const int one = r.aux & 0xFF, two = (r.aux >> 8) & 0xFF;
    if (s == 0) {
    } else if (s == 1 && one) {
      d.Sub = static_cast<uint8_t>(one);
    } else if (s == 2 && two) {
      d.Sub = static_cast<uint8_t>(two);
    } else {
      d.Code = 0;
      d.Sub = 0;
    }
  }
  Finish(c);
  if (!select) {
    BeginSupplementary(d);
    d.Out[2] = static_cast<uint8_t>(s);
    d.WriteRecord();
  }
}

void A013(TNewToFmt& c, const HandlerRow& r) {
  TFmtData& d = c.d;
  if (!HeaderRecord(c, r)) return;
  d.Out[8] = static_cast<uint8_t>(B(d, 12));
  d.Out[9] = static_cast<uint8_t>(B(d, 13));
  c.PeekAttached();
  d.WriteRecord();
}

void ChannelTextEvent(TNewToFmt& c, const HandlerRow& r) {
  TFmtData& d = c.d;
  if (!HeaderRecord(c, r)) return;
  const int v = B(d, 12);
  d.Out[10] = static_cast<uint8_t>(v);
  d.Note = ChannelDescription(v, d.Raw[0], d.Raw[1]);
  d.PutNote();
  d.WriteRecord();
  c.PeekAttached();
}

void BoardFaultTextEvent(TNewToFmt& c, const HandlerRow& r) {
  TFmtData& d = c.d;
  if (!HeaderRecord(c, r)) return;
  const std::string t1 = texts::EventBoardText(B(d, 12)).substr(0, 8);
  d.Out[2] = static_cast<uint8_t>(t1.size());
  TPubFunc::PutTextRaw(d.Out, t1, 3);
  // The multiplication by 10000 is applied as stated.
  const std::string t2 = texts::FaultValueText(B(d, 13) * 10000).substr(0, 14);
  d.Out[11] = static_cast<uint8_t>(t2.size());
  TPubFunc::PutTextRaw(d.Out, t2, 12);
  c.PeekAttached();
  d.WriteRecord();
}

void A038(TNewToFmt& c, const HandlerRow& r) {
  TFmtData& d = c.d;
  if (!HeaderRecord(c, r)) return;
  Put16(d.Out, 10, W(d, 12));
  ClearFrom(d, 12);
  d.WriteRecord();
  c.PeekAttached();
}

void A040(TNewToFmt& c, const HandlerRow& r) {
  TFmtData& d = c.d;
  SetParams(d, r);
  if (!d.SkipRecord(2)) return;
  Header2(d);
  Finish(c);
  BeginSupplementary(d);
  d.Out[2] = static_cast<uint8_t>(B(d, 12));
  d.WriteRecord();
}

void A501(TNewToFmt& c, const HandlerRow& r) {
  TFmtData& d = c.d;
  if (!HeaderRecord(c, r)) return;
  d.Out[8] = static_cast<uint8_t>(B(d, 12));
  Put16(d.Out, 9, W(d, 13));
  ClearFrom(d, 11);
  d.WriteRecord();
}

void A799(TNewToFmt& c, const HandlerRow& r) {
  TFmtData& d = c.d;
  if (!HeaderRecord(c, r)) return;
  Put16(d.Out, 5, W(d, 5));
  Put16(d.Out, 7, W(d, 7));
  ClearFrom(d, 9);
  d.WriteRecord();
}

#define CHANNEL(name, code, sub) {name, 14, ChannelTextEvent, code, sub, 0}
#define BOARD(name, code, sub) {name, 17, BoardFaultTextEvent, code, sub, 0}

constexpr HandlerRow kRows[] = {
    {"A001", 0, Empty, 0, 0, 0},
    {"A008", 14, SubCodeEvent, 0x80, 0x08, 0x0007, 0x63},
    {"A009", 14, SubCodeEvent, 0x80, 0x09, 0x0007, 0x64},
    {"A010", 13, StandardEvent, 0x80, 0x0A, 0x0007},
    {"A011", 13, StandardEvent, 0x80, 0x0B, 0x0007},
    {"A012", 14, SubCodeEvent, 0x80, 0x0C, 0x0007, kSelectAllVendors | 0x3C00 | 0x3B},
    {"A013", 15, A013, 0xF0, 0x3D, 0},
    {"A014", 7, hs::A014, 0xF0, 0x50, 0x0001},
    CHANNEL("A018", 0xF0, 0x3E), CHANNEL("A019", 0xF0, 0x3F), CHANNEL("A020", 0xF0, 0x40),
    CHANNEL("A021", 0xF0, 0x41), CHANNEL("A022", 0xF0, 0x42), CHANNEL("A023", 0xF0, 0x43),
    CHANNEL("A024", 0xF0, 0x44), CHANNEL("A025", 0xF0, 0x45), CHANNEL("A026", 0xF0, 0x46),
    CHANNEL("A027", 0xF0, 0x47), CHANNEL("A028", 0xF0, 0x48), CHANNEL("A029", 0xF0, 0x49),
    CHANNEL("A030", 0xF0, 0x4A), CHANNEL("A031", 0xF0, 0x4B),
    {"A032", 13, StandardEvent, 0xF0, 0x4C, 0x0007},
    {"A033", 13, StandardEvent, 0xF0, 0x4D, 0x0007},
    CHANNEL("A034", 0xF0, 0x32), CHANNEL("A035", 0xF0, 0x33),
    BOARD("A036", 0xF0, 0x4E), BOARD("A037", 0xF0, 0x4F),
    {"A038", 15, A038, 0x80, 0x59, 0},
    {"A039", 15, hs::A039, 0x80, 0x65, 0x0007},
    {"A040", 14, A040, 0x80, 0x66, 0x0007},
    {"A059", 15, hs::A039, 0x80, 0x65, 0x0007},
    CHANNEL("A060", 0x80, 0x60),
    CHANNEL("A418", 0xF0, 0x1E), CHANNEL("A419", 0xF0, 0x1F), CHANNEL("A420", 0xF0, 0x20),
    CHANNEL("A421", 0xF0, 0x21), CHANNEL("A422", 0xF0, 0x22), CHANNEL("A423", 0xF0, 0x23),
    CHANNEL("A424", 0xF0, 0x24), CHANNEL("A425", 0xF0, 0x25), CHANNEL("A426", 0xF0, 0x26),
    CHANNEL("A427", 0xF0, 0x27), CHANNEL("A428", 0xF0, 0x28), CHANNEL("A429", 0xF0, 0x29),
    CHANNEL("A430", 0xF0, 0x2A), CHANNEL("A431", 0xF0, 0x2B),
    {"A432", 13, StandardEvent, 0xF0, 0x2C, 0x0003},
    {"A433", 13, StandardEvent, 0xF0, 0x2D, 0x0003},
    CHANNEL("A434", 0xF0, 0x30), CHANNEL("A435", 0xF0, 0x31),
    BOARD("A436", 0xF0, 0x2E), BOARD("A437", 0xF0, 0x2F),
    {"A501", 16, A501, 0x80, 0x61, 0},
    {"A799", 10, A799, 0x80, 0x62, 0},
    {"A901", 11, SkipBytes, 0, 0, 0, 9},
};

#undef CHANNEL
#undef BOARD

}  // namespace

void hs::A014(TNewToFmt& c, const HandlerRow& r) {
  TFmtData& d = c.d;
  if (!Read2(c, r)) return;
  const int v = B(d, 5);
  if (v >= 3) return;
  d.Code = 0xF0;
  d.Sub = 0x50;
  d.SetTime(d.HmsAt(2));
  if (d.Time == RunValues.LastStartTime) return;
  d.Val5 = d.GetValue8();
  d.PresenceMask = 0x0001;
  c.PeekAttached();
  d.AssembleRecord();
  d.WriteRecord();
  BeginSupplementary(d);
  d.Out[2] = static_cast<uint8_t>(v);
  d.WriteRecord();
}

void hs::A039(TNewToFmt& c, const HandlerRow& r) {
  TFmtData& d = c.d;
  SetParams(d, r);
  if (!d.SkipRecord(2)) return;
  Header2(d);
  Finish(c);
  BeginSupplementary(d);
  d.Out[2] = static_cast<uint8_t>(B(d, 12));
  d.Out[3] = static_cast<uint8_t>(B(d, 13));
  d.WriteRecord();
}

std::span<const HandlerRow> FamilyA0() { return kRows; }

}  // namespace railfmt
