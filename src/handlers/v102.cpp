// Protocol version 102 and later: EB and EE carry one two-byte value each and
// are two bytes shorter than the base records.
#include "handlers/common.h"
#include "handlers/families.h"

namespace railfmt {
namespace {

using namespace hs;

void EB(TNewToFmt& c, const HandlerRow& r) {
  TFmtData& d = c.d;
  if (!Read1(c, r)) return;
  Header1(d);
  d.Val13 = static_cast<uint16_t>(W(d, 11));
  Finish(c);
}

void EE(TNewToFmt& c, const HandlerRow& r) {
  TFmtData& d = c.d;
  if (!Read1(c, r)) return;
  Header1(d);
  d.Val14 = static_cast<uint16_t>(W(d, 11) / 10);
  Finish(c);
}

constexpr HandlerRow kRows[] = {
    {"EB", 14, EB, 0x8B, 0x06, 0x0047},
    {"EE", 14, EE, 0x8B, 0x10, 0x1007},
};

}  // namespace

std::span<const HandlerRow> Family102() { return kRows; }

}  // namespace railfmt
