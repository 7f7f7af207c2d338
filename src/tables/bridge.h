// The host's reference tables, their setters and lookups, and TBridge, the
// class through which the event handlers reach them.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "railfmt/railfmt.h"
#include "railfmt/table_fields.h"

namespace railfmt {

// The stored form of each host record, generated from its field list in
// railfmt/table_fields.h: a text becomes a std::string, a number keeps its
// C type, a field that is not read is left out.
#define RAILFMT_ENTRY_MEMBER_INT(f, type) type f = 0;
#define RAILFMT_ENTRY_MEMBER_FLAG(f, type) type f = 0;
#define RAILFMT_ENTRY_MEMBER_TEXT(f, type) std::string f;
#define RAILFMT_ENTRY_MEMBER_NONE(f, type)
#define RAILFMT_ENTRY_MEMBER(f, type, store, csv, reset) RAILFMT_ENTRY_MEMBER_##store(f, type)

struct DriverEntry {
  RAILFMT_DRIVER_FIELDS(RAILFMT_ENTRY_MEMBER)
};

struct StationEntry {
  RAILFMT_STATION_FIELDS(RAILFMT_ENTRY_MEMBER)
};

struct JcTypeEntry {
  RAILFMT_JCTYPE_FIELDS(RAILFMT_ENTRY_MEMBER)
};

struct JwdEntry {
  RAILFMT_JWD_FIELDS(RAILFMT_ENTRY_MEMBER)
};

struct LinshiEntry {
  RAILFMT_LINSHI_FIELDS(RAILFMT_ENTRY_MEMBER)
};

// ZhuDuan records are kept as their ten bytes.
using ZhuDuanEntry = std::array<uint8_t, 10>;

// The library's reference tables (empty at load). The lookups answer through
// indexes that the setters build; Tables() hands the tables out for change
// (tests), so every index is rebuilt before its next use after a call of it.
// ReadTables() is the read-only view and leaves the indexes alone.
struct ReferenceTables {
  std::vector<DriverEntry> DriverTable;
  std::vector<StationEntry> StationTable;
  std::vector<JcTypeEntry> JcTypeTable;
  std::vector<JwdEntry> JwdTable;
  std::vector<LinshiEntry> LinshiTable;
  std::vector<ZhuDuanEntry> ZhuDuanTable;
  std::vector<uint16_t> MaskedCodeList;
};
ReferenceTables& Tables();
const ReferenceTables& ReadTables();

// Library-wide lookup state (all 0 at load).
struct LookupState {
  uint8_t StationAttribute = 0;
  int32_t LastRestrictionPosition = 0;
  int16_t RestrictionTolerance = 0;
};
LookupState& Lookups();

// Setters (the exports forward here); last = index of the last record.
void SetDriverTable(const DriverRecord* recs, int32_t last);
void SetStationTable(const StationRecord* recs, int32_t last);
void SetJcTypeTable(const JcTypeRecord* recs, int32_t last);
void SetJwdTable(const JwdRecord* recs, int32_t last);
void SetLinshiTable(const LinshiRecord* recs, int32_t last);
void SetZhuDuanTable(const ZhuDuanRecord* recs, int32_t last);
void SetMaskedCodes(const uint16_t* codes, int32_t last);

// Lookups. Texts are GBK; none fails.
std::string StationName(uint8_t line, int16_t station);
std::string StationNameByCode(uint8_t line, std::string_view prefix, std::string_view name1,
                              std::string_view name2, int32_t k, uint8_t selector, int32_t k2);
std::string JcTypeName(int32_t code);
std::string JwdName(int32_t key);
// A driver as found: its name and its three attribute bytes (the mark, 1
// when the flag is 1, then the low bytes of value20 and value28), which the
// earlier-format converters store at bytes 47..49 of their header image.
struct DriverFound {
  bool found = false;
  std::string name;
  std::array<uint8_t, 3> attributes{};
};
DriverFound FindDriver(int32_t number);
// The driver's name, or the number as text.
std::string DriverName(int32_t number);
ZhuDuanEntry ZhuDuanLookup(int32_t typeCode, int32_t locoNumber);
int32_t RestrictionSpeed(int32_t level, int32_t position, int32_t day, int32_t timeOfDay,
                         uint8_t line, uint8_t direction);

// Class-level operations for the event handlers.
struct TBridge {
  static std::string StationName(int line, int station);
  static std::string StationNameTrimmed(int line, int station);
  static std::string LocoType(int code);
  static std::string Driver(int32_t number);
  // SignalAspect with the pass-through flag = bit 5 (0x20) of the mode word.
  static int32_t SignalAspect(int32_t code, uint16_t modeWord);
  static std::string Machine(uint8_t code);
  // True when bits 7 and 6 are set and bit 3 is clear.
  static bool SignalBitsTest(uint8_t code);
  static std::string StationByCode(int line, std::string_view prefix, int32_t code, int32_t code2,
                                   uint8_t selector, std::string_view name1, std::string_view name2,
                                   uint8_t& attribute);
};

}  // namespace railfmt
