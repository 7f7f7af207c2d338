#include "legacy/records.h"

#include <cstring>

#include "tables/bridge.h"
#include "texts/gbk.h"

namespace railfmt::legacy {

void PlaceTime(uint8_t* rec, int32_t time) {
  if (time < 0) time = 0;
  rec[2] = static_cast<uint8_t>(time / 3600);
  rec[3] = static_cast<uint8_t>((time / 60) % 60);
  rec[4] = static_cast<uint8_t>(time % 60);
}

void WriteDriverRecord(WorkArea& w, uint8_t sub, int64_t number) {
  uint8_t* r = w.second;
  r[0] = 0x81;
  r[1] = sub;
  PlaceTime(r, w.run.Time);
  PlaceDriverRecord(r, number, DriverName(0, static_cast<int32_t>(number)));
  w.WriteSecond();
}

void WriteStationRecord(WorkArea& w, uint8_t route, int32_t station) {
  uint8_t* r = w.second;
  r[0] = 0x81;
  r[1] = 0x06;
  PlaceStationRecord(r, station, StationName(route, static_cast<int16_t>(station)));
  w.WriteSecond();
}

StationText StationByCode(uint8_t route, uint8_t kind, int32_t code) {
  constexpr uint8_t kBothSystems = 2;
  StationText t;
  if (kind == 2)
    t.name = StationNameByCode(route, GBK("出站"), "CZBM06", "CZBM07", code, kBothSystems, -1);
  else
    t.name = StationNameByCode(route, GBK("进站"), "CZBM04", "CZBM05", code, kBothSystems, -1);
  t.attribute = Lookups().StationAttribute;
  return t;
}

void WriteTextRecord(WorkArea& w, const StationText& t, uint16_t mask) {
  uint8_t* r = w.second;
  r[0] = 0x20;
  r[1] = 0xF0;
  PlaceName(r, t.name, NameField{2, 10, 11});
  r[12] = t.attribute;
  PlaceName(r, t.name, NameField{13, 10, 22});
  r[23] = t.attribute;
  r[24] = ByteOf(mask, 0);
  r[25] = ByteOf(mask, 1);
  w.WriteSecond();
}

}  // namespace railfmt::legacy
