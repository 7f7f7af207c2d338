#include "legacy/records.h"

#include <cstring>

#include "tables/bridge.h"
#include "texts/gbk.h"

namespace railfmt::legacy {

void PlaceName(uint8_t* rec, std::string_view text, int first, int firstCount, int rest,
               int restCount) {
  for (int i = 0; i < firstCount; ++i)
    rec[first + i] = i < static_cast<int>(text.size()) ? static_cast<uint8_t>(text[i]) : ' ';
  for (int i = 0; i < restCount; ++i) {
    const std::size_t k = static_cast<std::size_t>(firstCount + i);
    if (k < text.size()) rec[rest + i] = static_cast<uint8_t>(text[k]);
  }
}

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
  r[5] = ByteOf(number, 0);
  r[6] = ByteOf(number, 1);
  r[24] = ByteOf(number, 2);
  r[25] = ByteOf(number, 3);
  PlaceName(r, DriverName(0, static_cast<int32_t>(number)), 7, 8, 15, 4);
  w.WriteSecond();
}

void WriteStationRecord(WorkArea& w, uint8_t route, int32_t station) {
  uint8_t* r = w.second;
  r[0] = 0x81;
  r[1] = 0x06;
  r[5] = ByteOf(station, 0);
  r[6] = ByteOf(station, 1);
  PlaceName(r, StationName(route, static_cast<int16_t>(station)), 7, 9, 16, 3);
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
  PlaceName(r, t.name, 2, 10, 0, 0);
  r[12] = t.attribute;
  PlaceName(r, t.name, 13, 10, 0, 0);
  r[23] = t.attribute;
  r[24] = ByteOf(mask, 0);
  r[25] = ByteOf(mask, 1);
  w.WriteSecond();
}

}  // namespace railfmt::legacy
