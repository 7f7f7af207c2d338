#include "format/layout.h"

namespace railfmt {

void PlaceName(uint8_t* rec, std::string_view name, NameField field) {
  const int len = static_cast<int>(name.size());
  for (int i = 0; i < field.spaced; ++i)
    rec[field.at + i] = i < len ? static_cast<uint8_t>(name[i]) : ' ';
  for (int i = field.spaced; field.at + i <= field.last && i < len; ++i)
    rec[field.at + i] = static_cast<uint8_t>(name[i]);
}

void PlaceDriverRecord(uint8_t* rec, int64_t number, std::string_view name, NameField field,
                       DriverNumber form) {
  Put16(rec, 5, number);
  if (form == DriverNumber::kSpread32) {
    rec[24] = ByteOf(number, 2);
    rec[25] = ByteOf(number, 3);
  }
  PlaceName(rec, name, field);
}

void PlaceStationRecord(uint8_t* rec, int64_t station, std::string_view name, NameField field) {
  Put16(rec, 5, station);
  PlaceName(rec, name, field);
}

}  // namespace railfmt
