// The host's reference tables: storage, setters, lookups and TBridge.
#include <algorithm>
#include <cstring>

#include "interface/bridge.h"
#include "legacy/workarea.h"
#include "texts/texts.h"

namespace railfmt {

ReferenceTables& Tables() {
  static ReferenceTables tables;
  return tables;
}

LookupState& Lookups() {
  static LookupState state;
  return state;
}

namespace {

std::string CopyText(const char* p) { return p ? std::string(p) : std::string(); }

// The offset-16 driver value is kept as the remainder of its division by
// 32767, with the sign of the value (32767 -> 0, -32768 -> -1).
int16_t DriverFlag(int16_t v) { return static_cast<int16_t>(v % 32767); }

// ------------------------------------------------------------- reset values
DriverEntry DriverReset() {
  DriverEntry e;
  e.number = -1;
  e.name = "0";
  return e;
}
StationEntry StationReset() { return {}; }
JcTypeEntry JcTypeReset() { return {}; }
JwdEntry JwdReset() { return {}; }
LinshiEntry LinshiReset() { return {}; }

// ------------------------------------------------------------- record copies
void CopyRecord(DriverEntry& e, const DriverRecord& r) {
  e.number = r.number;
  e.text1 = CopyText(r.text1);
  e.name = CopyText(r.name);
  e.value12 = r.value12;
  e.flag16 = DriverFlag(r.flag16);
  e.value20 = r.value20;
  e.text3 = CopyText(r.text3);
  e.value28 = r.value28;
}
void CopyRecord(StationEntry& e, const StationRecord& r) {
  e.line = r.line;
  e.station = r.station;
  e.name = CopyText(r.name);
  e.czbm04 = r.czbm04;
  e.czbm05 = r.czbm05;
  e.czbm06 = r.czbm06;
  e.czbm07 = r.czbm07;
}
void CopyRecord(JcTypeEntry& e, const JcTypeRecord& r) {
  e.code = r.code;
  e.text1 = CopyText(r.text1);
  e.name = CopyText(r.name);
}
void CopyRecord(JwdEntry& e, const JwdRecord& r) {
  e.key = r.key;
  e.text = CopyText(r.text);
}
void CopyRecord(LinshiEntry& e, const LinshiRecord& r) {
  e.line = r.line;
  e.direction = r.direction;
  e.value4 = r.value4;
  e.level = r.level;
  e.start_pos = r.start_pos;
  e.end_pos = r.end_pos;
  e.start_date = r.start_date;
  e.start_time = r.start_time;
  e.end_date = r.end_date;
  e.end_time = r.end_time;
  e.speed = r.speed;
  e.kind = r.kind;
}

// The storage rule of the five "get" setters: the table grows to N + 1
// records and never shrinks; a table of two or more records is set back to
// its reset values; records 0..N are copied only when N >= 1. A null array
// is an empty array (N = -1).
template <class Entry, class Record>
void StoreTable(std::vector<Entry>& table, const Record* recs, int32_t last, Entry (*reset)()) {
  if (last < -1) return;
  if (recs == nullptr) last = -1;
  // Build the new contents aside so that a failed allocation leaves the
  // table as it was.
  std::vector<Entry> next;
  const std::size_t size = std::max(table.size(), static_cast<std::size_t>(last) + 1);
  if (size >= 2) {
    next.assign(size, reset());
  } else {
    next = table;
    next.resize(size);
  }
  if (last >= 1)
    for (int32_t i = 0; i <= last; ++i) CopyRecord(next[static_cast<std::size_t>(i)], recs[i]);
  table.swap(next);
}

// ------------------------------------------------------------- end markers
bool IsEnd(const StationEntry& e) {
  return e.line == 0 && e.station == 0 && e.name == "0" && e.czbm04 == 0;
}
bool IsEnd(const JwdEntry& e) { return e.key == 0 && e.text.empty(); }
bool IsEnd(const LinshiEntry& e) {
  return e.line == 0 && e.direction == 0 && e.value4 == 0 && e.level == 0 && e.start_pos == 0;
}

// Code-system names: "czbm04".."czbm07" -> 0..3 (any case), else -1.
int CodeSystem(std::string_view name) {
  static constexpr std::string_view kNames[] = {"czbm04", "czbm05", "czbm06", "czbm07"};
  for (int i = 0; i < 4; ++i) {
    const auto& n = kNames[i];
    if (name.size() != n.size()) continue;
    bool same = true;
    for (std::size_t j = 0; j < n.size() && same; ++j) {
      char c = name[j];
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
      same = c == n[j];
    }
    if (same) return i;
  }
  return -1;
}

int32_t CodeOf(const StationEntry& e, int system) {
  switch (system) {
    case 0: return e.czbm04;
    case 1: return e.czbm05;
    case 2: return e.czbm06;
    default: return e.czbm07;
  }
}

// The first code-system name: czbm04 and czbm05 also compare the second code
// (with czbm06 and czbm07) unless it is -1.
bool FirstNameMatches(const StationEntry& e, int system, int32_t k, int32_t k2) {
  switch (system) {
    case 0: return e.czbm04 == k && (k2 == -1 || e.czbm06 == k2);
    case 1: return e.czbm05 == k && (k2 == -1 || e.czbm07 == k2);
    case 2: case 3: return CodeOf(e, system) == k;
    default: return false;
  }
}

bool IsBlankOrControl(char c) { return static_cast<unsigned char>(c) <= 0x20; }

uint8_t* g_driverFillTarget = nullptr;

// Keys of the position test and the continuous period: month-day * 10000 +
// minute of the day.
int64_t PeriodKey(int32_t date, int32_t seconds) {
  return static_cast<int64_t>(date % 10000) * 10000 + seconds / 60;
}

constexpr int32_t kNoRestriction = 30000;
constexpr uint16_t kAnyLine = 99;
constexpr uint16_t kKindContinuous = 9;
constexpr uint16_t kKindDaily = 1;
constexpr std::size_t kMaxRestrictionScan = 32767;

}  // namespace

// ------------------------------------------------------------------ setters

void SetDriverTable(const DriverRecord* recs, int32_t last) {
  StoreTable(Tables().DriverTable, recs, last, &DriverReset);
}
void SetStationTable(const StationRecord* recs, int32_t last) {
  StoreTable(Tables().StationTable, recs, last, &StationReset);
}
void SetJcTypeTable(const JcTypeRecord* recs, int32_t last) {
  StoreTable(Tables().JcTypeTable, recs, last, &JcTypeReset);
}
void SetJwdTable(const JwdRecord* recs, int32_t last) {
  StoreTable(Tables().JwdTable, recs, last, &JwdReset);
}
void SetLinshiTable(const LinshiRecord* recs, int32_t last) {
  StoreTable(Tables().LinshiTable, recs, last, &LinshiReset);
}

void SetZhuDuanTable(const ZhuDuanRecord* recs, int32_t last) {
  if (last < 0 || recs == nullptr) return;
  std::vector<ZhuDuanEntry> next(static_cast<std::size_t>(last) + 1);
  static_assert(sizeof(ZhuDuanRecord) == sizeof(ZhuDuanEntry));
  for (int32_t i = 0; i <= last; ++i)
    std::memcpy(next[static_cast<std::size_t>(i)].data(), &recs[i], sizeof(ZhuDuanEntry));
  Tables().ZhuDuanTable.swap(next);
}

void SetMaskedCodes(const uint16_t* codes, int32_t last) {
  if (last < -1) return;
  if (codes == nullptr) last = -1;
  std::vector<uint16_t> next;
  if (last >= 0) next.assign(codes, codes + (static_cast<std::size_t>(last) + 1));
  Tables().MaskedCodeList.swap(next);
}

// ------------------------------------------------------------------ lookups

std::string StationName(uint8_t line, int16_t station) {
  LookupState& st = Lookups();
  st.StationAttribute = 199;
  const auto s = static_cast<uint16_t>(station);
  for (const StationEntry& e : Tables().StationTable) {
    if (IsEnd(e)) break;
    if (e.line == line && e.station == s) {
      st.StationAttribute = static_cast<uint8_t>(e.station);
      return e.name;
    }
  }
  std::string r = std::to_string(line);
  r += '-';
  r += std::to_string(station);
  return r;
}

std::string StationNameByCode(uint8_t line, std::string_view prefix, std::string_view name1,
                              std::string_view name2, int32_t k, uint8_t selector, int32_t k2) {
  LookupState& st = Lookups();
  st.StationAttribute = 255;
  const int sys1 = selector == 1 ? -1 : CodeSystem(name1);
  const int sys2 = selector == 0 ? -1 : CodeSystem(name2);
  for (const StationEntry& e : Tables().StationTable) {
    if (IsEnd(e)) break;
    if (e.line != line) continue;
    if (FirstNameMatches(e, sys1, k, k2) || (sys2 >= 0 && CodeOf(e, sys2) == k)) {
      st.StationAttribute = static_cast<uint8_t>(e.station);
      return e.name;
    }
  }
  std::string r(prefix);
  r += std::to_string(k);
  return r;
}

std::string JcTypeName(int32_t code) {
  for (const JcTypeEntry& e : Tables().JcTypeTable) {
    if (e.code == 0 && e.text1.empty() && e.name.empty()) continue;
    if (static_cast<int16_t>(e.code) == code) return e.name;
  }
  return std::to_string(code);
}

std::string JwdName(int32_t key) {
  for (const JwdEntry& e : Tables().JwdTable) {
    if (IsEnd(e)) break;
    if (static_cast<int16_t>(e.key) == key) return e.text;
  }
  return std::to_string(key);
}

uint8_t* DriverFillTarget() {
  return g_driverFillTarget ? g_driverFillTarget : legacy::Work().headerImage;
}

void SetDriverFillTarget(uint8_t* header52) { g_driverFillTarget = header52; }

std::string DriverName(uint8_t fill, int32_t number) {
  for (const DriverEntry& e : Tables().DriverTable) {
    if (e.number != number) continue;
    if (fill != 0) {
      uint8_t* h = DriverFillTarget();
      h[47] = e.flag16 == 1 ? 1 : 0;
      h[48] = static_cast<uint8_t>(e.value20);
      h[49] = static_cast<uint8_t>(e.value28);
    }
    return e.name;
  }
  return std::to_string(number);
}

ZhuDuanEntry ZhuDuanLookup(int32_t typeCode, int32_t locoNumber) {
  for (const ZhuDuanEntry& e : Tables().ZhuDuanTable) {
    int16_t t = 0, n = 0;
    std::memcpy(&t, e.data(), 2);
    std::memcpy(&n, e.data() + 2, 2);
    if (t == typeCode && n == locoNumber) return e;
  }
  return ZhuDuanEntry{};
}

int32_t RestrictionSpeed(int32_t level, int32_t position, int32_t day, int32_t timeOfDay,
                         uint8_t line, uint8_t direction) {
  LookupState& st = Lookups();
  const auto& table = Tables().LinshiTable;
  // The tolerance widens the far end in the direction of travel.
  int64_t t = 0;
  if (position > st.LastRestrictionPosition) t = st.RestrictionTolerance;
  else if (position < st.LastRestrictionPosition) t = -static_cast<int64_t>(st.RestrictionTolerance);

  int32_t result = -1;
  int32_t best = 0;
  if (table.empty()) return -1;

  const int64_t p = position;
  const int64_t now = static_cast<int64_t>(day) * 10000 + timeOfDay / 60;
  const std::size_t count = std::min(table.size(), kMaxRestrictionScan);
  for (std::size_t i = 0; i < count; ++i) {
    const LinshiEntry& e = table[i];
    if (IsEnd(e)) return result;
    if (e.line != line && e.line != kAnyLine) continue;
    const auto dir = static_cast<int16_t>(e.direction);
    if (dir <= 1 && dir != direction) continue;
    if (e.level > level || (best > 0 && e.level < best)) continue;

    const int64_t a = e.start_pos;
    const int64_t b = e.end_pos + t;
    const bool inside = (a < p && p < b) || (b < p && p < a);
    if (!inside) continue;

    const bool continuous = e.kind == kKindContinuous && PeriodKey(e.start_date, e.start_time) <= now &&
                            now <= PeriodKey(e.end_date, e.end_time);
    const bool daily = !continuous && e.kind == kKindDaily && e.start_date % 10000 <= day &&
                       day <= e.end_date % 10000 && e.start_time <= timeOfDay && timeOfDay <= e.end_time;
    if (!continuous && !daily) continue;

    result = e.speed;
    st.LastRestrictionPosition = position;
    if (e.level <= 0) return result;
    best = e.level;
  }
  if (best > 0) return result;
  st.LastRestrictionPosition = position;
  return kNoRestriction;
}

// ------------------------------------------------------------------ TBridge

std::string TBridge::StationName(int line, int station) {
  return railfmt::StationName(static_cast<uint8_t>(line), static_cast<int16_t>(station));
}

std::string TBridge::StationNameTrimmed(int line, int station) {
  std::string s = StationName(line, station);
  std::size_t b = 0, e = s.size();
  while (b < e && IsBlankOrControl(s[b])) ++b;
  while (e > b && IsBlankOrControl(s[e - 1])) --e;
  if (b == 0 && e == s.size()) return s;
  return s.substr(b, e - b);
}

std::string TBridge::LocoType(int code) { return JcTypeName(code); }

std::string TBridge::Driver(uint8_t fill, int32_t number) { return DriverName(fill, number); }

int32_t TBridge::SignalAspect(int32_t code, uint16_t modeWord) {
  return texts::SignalAspect(code, (modeWord & 0x20) != 0);
}

std::string TBridge::Machine(uint8_t code) { return texts::MachineName(code); }

bool TBridge::SignalBitsTest(uint8_t code) { return (code & 0xC0) == 0xC0 && (code & 0x08) == 0; }

std::string TBridge::StationByCode(int line, std::string_view prefix, int32_t code, int32_t code2,
                                   uint8_t selector, std::string_view name1, std::string_view name2,
                                   uint8_t& attribute) {
  std::string r = StationNameByCode(static_cast<uint8_t>(line), prefix, name1, name2, code, selector, code2);
  attribute = Lookups().StationAttribute;
  return r;
}

}  // namespace railfmt
