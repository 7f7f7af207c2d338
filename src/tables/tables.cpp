// The host's reference tables: storage, setters, the indexes behind the
// lookups, the lookups and TBridge.
#include <algorithm>
#include <cstddef>
#include <cstring>
#include <type_traits>

#include "tables/bridge.h"
#include "texts/texts.h"

namespace railfmt {

namespace {

// Initialised before anything runs, so Store has no first-use check (the
// restriction lookup asks for it with every state record).
constinit ReferenceTables gTables;

ReferenceTables& Store() { return gTables; }

// One bit per indexed table: its index no longer describes its contents.
enum : unsigned {
  kDriverBit = 1u << 0,
  kStationBit = 1u << 1,
  kJcTypeBit = 1u << 2,
  kJwdBit = 1u << 3,
  kLinshiBit = 1u << 4,
  kZhuDuanBit = 1u << 5,
  kAllBits = (1u << 6) - 1,
};
unsigned g_stale = 0;

}  // namespace

// Whoever holds the mutable tables may change them behind the setters' back:
// every index is rebuilt before its next use.
ReferenceTables& Tables() {
  g_stale = kAllBits;
  return Store();
}

const ReferenceTables& ReadTables() { return Store(); }

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
// and record copies, generated from the field lists (railfmt/table_fields.h).
#define RAILFMT_RESET_INT(f, reset) e.f = reset;
#define RAILFMT_RESET_FLAG(f, reset) e.f = reset;
#define RAILFMT_RESET_TEXT(f, reset) e.f = reset;
#define RAILFMT_RESET_NONE(f, reset)
#define RAILFMT_RESET(f, type, store, csv, reset) RAILFMT_RESET_##store(f, reset)
#define RAILFMT_COPY_INT(f) e.f = r.f;
#define RAILFMT_COPY_FLAG(f) e.f = DriverFlag(r.f);
#define RAILFMT_COPY_TEXT(f) e.f = CopyText(r.f);
#define RAILFMT_COPY_NONE(f)
#define RAILFMT_COPY(f, type, store, csv, reset) RAILFMT_COPY_##store(f)
// Name##Reset() and CopyRecord(Name##Entry&, const Name##Record&).
#define RAILFMT_RESET_AND_COPY(Name, FIELDS)                          \
  Name##Entry Name##Reset() {                                          \
    Name##Entry e;                                                     \
    FIELDS(RAILFMT_RESET)                                              \
    return e;                                                          \
  }                                                                    \
  void CopyRecord(Name##Entry& e, const Name##Record& r) { FIELDS(RAILFMT_COPY) }

RAILFMT_RESET_AND_COPY(Driver, RAILFMT_DRIVER_FIELDS)
RAILFMT_RESET_AND_COPY(Station, RAILFMT_STATION_FIELDS)
RAILFMT_RESET_AND_COPY(JcType, RAILFMT_JCTYPE_FIELDS)
RAILFMT_RESET_AND_COPY(Jwd, RAILFMT_JWD_FIELDS)
RAILFMT_RESET_AND_COPY(Linshi, RAILFMT_LINSHI_FIELDS)

// The records of railfmt/railfmt.h are their field lists: every listed
// field has the listed type, and the fields in list order fill the record
// with nothing but natural padding between them, so no field is missing.
struct FieldSpan {
  std::size_t offset, size, align;
};
template <std::size_t N>
constexpr bool FillsTheRecord(const FieldSpan (&fields)[N], std::size_t size, std::size_t align) {
  std::size_t end = 0;
  for (const FieldSpan& f : fields) {
    const std::size_t at = (end + f.align - 1) / f.align * f.align;
    if (f.offset != at) return false;
    end = at + f.size;
  }
  return (end + align - 1) / align * align == size;
}
#define RAILFMT_FIELD_SPAN(f, type, store, csv, reset) FieldSpan{offsetof(Rec, f), sizeof(type), alignof(type)},
#define RAILFMT_FIELD_TYPE(f, type, store, csv, reset) \
  static_assert(std::is_same_v<decltype(Rec::f), type>, "field type differs from its field list");
#define RAILFMT_CHECK_RECORD(csv, Record, setter, FIELDS)                                    \
  namespace check_##csv {                                                                    \
  using Rec = Record;                                                                        \
  constexpr FieldSpan kFields[] = {FIELDS(RAILFMT_FIELD_SPAN)};                              \
  static_assert(FillsTheRecord(kFields, sizeof(Rec), alignof(Rec)), #Record " is not its field list"); \
  FIELDS(RAILFMT_FIELD_TYPE)                                                                 \
  }
RAILFMT_TABLES(RAILFMT_CHECK_RECORD)

// The storage rule of the five "get" setters: the table grows to N + 1
// records and never shrinks; a table of two or more records is set back to
// its reset values; records 0..N are copied only when N >= 1. A null array
// is an empty array (N = -1).
// The new contents are built aside (returned in `next`) so that a failed
// allocation leaves the table and its index as they were; false when the
// call changes nothing.
template <class Entry, class Record>
bool StoreTable(const std::vector<Entry>& table, std::vector<Entry>& next, const Record* recs, int32_t last,
                Entry (*reset)()) {
  if (last < -1) return false;
  if (recs == nullptr) last = -1;
  const std::size_t size = std::max(table.size(), static_cast<std::size_t>(last) + 1);
  if (size >= 2) {
    next.assign(size, reset());
  } else {
    next = table;
    next.resize(size);
  }
  if (last >= 1)
    for (int32_t i = 0; i <= last; ++i) CopyRecord(next[static_cast<std::size_t>(i)], recs[i]);
  return true;
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

bool IsBlankOrControl(char c) { return static_cast<unsigned char>(c) <= 0x20; }

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

// ------------------------------------------------------------- indexes
// Every lookup gives the first record in table order that matches, and most
// stop at an end marker. The indexes keep exactly that: the records a scan
// could reach, sorted by their key, and of each key only the first record.

constexpr uint32_t kNone = UINT32_MAX;

// Positions of a table's records, sorted by key; of equal keys only the first
// in table order is kept. The keys are read back from the table, so the index
// costs four bytes a record.
class FirstIndex {
 public:
  // Indexes the records [0, end) of `t` that `keep` accepts.
  template <class Entry, class KeyOf, class Keep>
  void Build(const std::vector<Entry>& t, std::size_t end, KeyOf keyOf, Keep keep) {
    using Key = decltype(keyOf(t.front()));
    std::vector<std::pair<Key, uint32_t>> keyed;
    keyed.reserve(end);
    for (std::size_t i = 0; i < end; ++i)
      if (keep(t[i])) keyed.emplace_back(keyOf(t[i]), static_cast<uint32_t>(i));
    std::sort(keyed.begin(), keyed.end());
    std::vector<uint32_t> pos;
    pos.reserve(keyed.size());
    for (std::size_t i = 0; i < keyed.size(); ++i)
      if (i == 0 || keyed[i - 1].first != keyed[i].first) pos.push_back(keyed[i].second);
    pos.shrink_to_fit();
    pos_.swap(pos);
  }

  // The first record whose key is `k`, or kNone.
  template <class Entry, class KeyOf, class Key>
  uint32_t Find(const std::vector<Entry>& t, KeyOf keyOf, const Key& k) const {
    auto it = std::lower_bound(pos_.begin(), pos_.end(), k,
                               [&](uint32_t p, const Key& key) { return keyOf(t[p]) < key; });
    if (it == pos_.end() || !(keyOf(t[*it]) == k)) return kNone;
    return *it;
  }

 private:
  std::vector<uint32_t> pos_;
};

template <class Entry>
std::size_t FirstEnd(const std::vector<Entry>& t, std::size_t limit) {
  for (std::size_t i = 0; i < limit; ++i)
    if (IsEnd(t[i])) return i;
  return limit;
}

// Keys. Line numbers above 255 never equal the 8-bit line asked for, so those
// records are left out of the station and restriction indexes.
constexpr uint16_t kLines = 256;
bool OnAskableLine(const StationEntry& e) { return e.line < kLines; }

uint32_t StationKey(uint16_t line, uint16_t station) { return static_cast<uint32_t>(line) << 16 | station; }
uint64_t CodeKey(uint16_t line, int32_t code) {
  return static_cast<uint64_t>(line) << 32 | static_cast<uint32_t>(code);
}
using PairKey = std::pair<uint64_t, uint32_t>;
PairKey CodePairKey(uint16_t line, int32_t code, int32_t code2) {
  return {CodeKey(line, code), static_cast<uint32_t>(code2)};
}
// Any two 32-bit values; the table's 16-bit fields are widened with their sign.
uint64_t TwoKey(int32_t a, int32_t b) {
  return static_cast<uint64_t>(static_cast<uint32_t>(a)) << 32 | static_cast<uint32_t>(b);
}

struct StationIndex {
  FirstIndex byNumber;   // line, station
  FirstIndex byCode[4];  // line, code of one code system
  FirstIndex byPair[2];  // line, czbm04 + czbm06 / czbm05 + czbm07
};

// The code system paired with czbm04 and czbm05 when a second code is given.
constexpr int kPairedSystem[2] = {2, 3};

auto StationNumberOf = [](const StationEntry& e) { return StationKey(e.line, e.station); };
auto CodeOfSystem(int system) {
  return [system](const StationEntry& e) { return CodeKey(e.line, CodeOf(e, system)); };
}
auto PairOfSystem(int system) {
  return [system](const StationEntry& e) {
    return CodePairKey(e.line, CodeOf(e, system), CodeOf(e, kPairedSystem[system]));
  };
}

void Build(StationIndex& ix, const std::vector<StationEntry>& t) {
  const std::size_t end = FirstEnd(t, t.size());
  StationIndex next;
  next.byNumber.Build(t, end, StationNumberOf, OnAskableLine);
  for (int s = 0; s < 4; ++s) next.byCode[s].Build(t, end, CodeOfSystem(s), OnAskableLine);
  for (int s = 0; s < 2; ++s) next.byPair[s].Build(t, end, PairOfSystem(s), OnAskableLine);
  ix = std::move(next);
}

bool IsSkippedType(const JcTypeEntry& e) { return e.code == 0 && e.text1.empty() && e.name.empty(); }
auto JcTypeKeyOf = [](const JcTypeEntry& e) { return static_cast<int32_t>(static_cast<int16_t>(e.code)); };
auto JwdKeyOf = [](const JwdEntry& e) { return static_cast<int32_t>(static_cast<int16_t>(e.key)); };
auto DriverKeyOf = [](const DriverEntry& e) { return e.number; };
auto ZhuDuanKeyOf = [](const ZhuDuanEntry& e) {
  int16_t t = 0, n = 0;
  std::memcpy(&t, e.data(), 2);
  std::memcpy(&n, e.data() + 2, 2);
  return TwoKey(t, n);
};
auto Always = [](const auto&) { return true; };

void Build(FirstIndex& ix, const std::vector<JcTypeEntry>& t) {
  ix.Build(t, t.size(), JcTypeKeyOf, [](const JcTypeEntry& e) { return !IsSkippedType(e); });
}
void Build(FirstIndex& ix, const std::vector<JwdEntry>& t) {
  ix.Build(t, FirstEnd(t, t.size()), JwdKeyOf, Always);
}
void Build(FirstIndex& ix, const std::vector<DriverEntry>& t) { ix.Build(t, t.size(), DriverKeyOf, Always); }
void Build(FirstIndex& ix, const std::vector<ZhuDuanEntry>& t) {
  ix.Build(t, t.size(), ZhuDuanKeyOf, Always);
}

// The restrictions a scan reaches (at most 32767 records, up to the first end
// marker), bucketed by line in table order; a lookup merges its line's bucket
// with the bucket of line 99.
struct LinshiIndex {
  bool endsAtMarker = false;        // the scan stops at an end marker
  std::vector<uint32_t> start;      // bucket of line L: pos[start[L] .. start[L + 1])
  std::vector<uint32_t> pos;
};

void Build(LinshiIndex& ix, const std::vector<LinshiEntry>& t) {
  const std::size_t count = std::min(t.size(), kMaxRestrictionScan);
  const std::size_t end = FirstEnd(t, count);
  LinshiIndex next;
  next.endsAtMarker = end < count;
  next.start.assign(kLines + 1, 0);
  for (std::size_t i = 0; i < end; ++i)
    if (t[i].line < kLines) ++next.start[t[i].line + 1u];
  for (uint16_t l = 0; l < kLines; ++l) next.start[l + 1u] += next.start[l];
  next.pos.resize(next.start[kLines]);
  std::vector<uint32_t> fill(next.start.begin(), next.start.end() - 1);
  for (std::size_t i = 0; i < end; ++i)
    if (t[i].line < kLines) next.pos[fill[t[i].line]++] = static_cast<uint32_t>(i);
  ix = std::move(next);
}

struct Indexes {
  FirstIndex driver, jcType, jwd, zhuDuan;
  StationIndex station;
  LinshiIndex linshi;
};

Indexes& TableIndexes() {
  static Indexes ix;
  return ix;
}

// The index of one table, rebuilt first when the tables were handed out for
// change since it was built.
template <class Ix, class Entry>
const Ix& Fresh(Ix& ix, const std::vector<Entry>& t, unsigned bit) {
  if (g_stale & bit) {
    Build(ix, t);
    g_stale &= ~bit;
  }
  return ix;
}

// Stores a setter's table together with its new index.
template <class Entry, class Record, class Ix>
void StoreIndexed(std::vector<Entry>& table, Ix& ix, unsigned bit, const Record* recs, int32_t last,
                  Entry (*reset)()) {
  std::vector<Entry> next;
  if (!StoreTable(table, next, recs, last, reset)) return;
  Ix nextIx;
  Build(nextIx, next);
  table.swap(next);
  std::swap(ix, nextIx);
  g_stale &= ~bit;
}

}  // namespace

// ------------------------------------------------------------------ setters

void SetDriverTable(const DriverRecord* recs, int32_t last) {
  StoreIndexed(Store().DriverTable, TableIndexes().driver, kDriverBit, recs, last, &DriverReset);
}
void SetStationTable(const StationRecord* recs, int32_t last) {
  StoreIndexed(Store().StationTable, TableIndexes().station, kStationBit, recs, last, &StationReset);
}
void SetJcTypeTable(const JcTypeRecord* recs, int32_t last) {
  StoreIndexed(Store().JcTypeTable, TableIndexes().jcType, kJcTypeBit, recs, last, &JcTypeReset);
}
void SetJwdTable(const JwdRecord* recs, int32_t last) {
  StoreIndexed(Store().JwdTable, TableIndexes().jwd, kJwdBit, recs, last, &JwdReset);
}
void SetLinshiTable(const LinshiRecord* recs, int32_t last) {
  StoreIndexed(Store().LinshiTable, TableIndexes().linshi, kLinshiBit, recs, last, &LinshiReset);
}

void SetZhuDuanTable(const ZhuDuanRecord* recs, int32_t last) {
  if (last < 0 || recs == nullptr) return;
  std::vector<ZhuDuanEntry> next(static_cast<std::size_t>(last) + 1);
  static_assert(sizeof(ZhuDuanRecord) == sizeof(ZhuDuanEntry));
  for (int32_t i = 0; i <= last; ++i)
    std::memcpy(next[static_cast<std::size_t>(i)].data(), &recs[i], sizeof(ZhuDuanEntry));
  FirstIndex nextIx;
  Build(nextIx, next);
  Store().ZhuDuanTable.swap(next);
  std::swap(TableIndexes().zhuDuan, nextIx);
  g_stale &= ~kZhuDuanBit;
}

void SetMaskedCodes(const uint16_t* codes, int32_t last) {
  if (last < -1) return;
  if (codes == nullptr) last = -1;
  std::vector<uint16_t> next;
  if (last >= 0) next.assign(codes, codes + (static_cast<std::size_t>(last) + 1));
  Store().MaskedCodeList.swap(next);
}

// ------------------------------------------------------------------ lookups

std::string StationName(uint8_t line, int16_t station) {
  LookupState& st = Lookups();
  st.StationAttribute = 199;
  const auto& table = Store().StationTable;
  const StationIndex& ix = Fresh(TableIndexes().station, table, kStationBit);
  const uint32_t at = ix.byNumber.Find(table, StationNumberOf, StationKey(line, static_cast<uint16_t>(station)));
  if (at != kNone) {
    const StationEntry& e = table[at];
    st.StationAttribute = static_cast<uint8_t>(e.station);
    return e.name;
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
  const auto& table = Store().StationTable;
  const StationIndex& ix = Fresh(TableIndexes().station, table, kStationBit);
  // The first record for which any of the tests holds is the earliest of the
  // first records of each test.
  uint32_t at = kNone;
  if (sys1 >= 0) {
    // czbm04 and czbm05 also compare the second code (with czbm06 and
    // czbm07) unless it is -1.
    if (sys1 < 2 && k2 != -1)
      at = ix.byPair[sys1].Find(table, PairOfSystem(sys1), CodePairKey(line, k, k2));
    else
      at = ix.byCode[sys1].Find(table, CodeOfSystem(sys1), CodeKey(line, k));
  }
  if (sys2 >= 0) at = std::min(at, ix.byCode[sys2].Find(table, CodeOfSystem(sys2), CodeKey(line, k)));
  if (at != kNone) {
    const StationEntry& e = table[at];
    st.StationAttribute = static_cast<uint8_t>(e.station);
    return e.name;
  }
  std::string r(prefix);
  r += std::to_string(k);
  return r;
}

std::string JcTypeName(int32_t code) {
  const auto& table = Store().JcTypeTable;
  const uint32_t at = Fresh(TableIndexes().jcType, table, kJcTypeBit).Find(table, JcTypeKeyOf, code);
  if (at != kNone) return table[at].name;
  return std::to_string(code);
}

std::string JwdName(int32_t key) {
  const auto& table = Store().JwdTable;
  const uint32_t at = Fresh(TableIndexes().jwd, table, kJwdBit).Find(table, JwdKeyOf, key);
  if (at != kNone) return table[at].text;
  return std::to_string(key);
}

DriverFound FindDriver(int32_t number) {
  const auto& table = Store().DriverTable;
  const uint32_t at = Fresh(TableIndexes().driver, table, kDriverBit).Find(table, DriverKeyOf, number);
  if (at == kNone) return DriverFound{false, std::to_string(number), {}};
  const DriverEntry& e = table[at];
  return DriverFound{true, e.name,
                     {static_cast<uint8_t>(e.flag16 == 1 ? 1 : 0), static_cast<uint8_t>(e.value20),
                      static_cast<uint8_t>(e.value28)}};
}

std::string DriverName(int32_t number) { return FindDriver(number).name; }

ZhuDuanEntry ZhuDuanLookup(int32_t typeCode, int32_t locoNumber) {
  const auto& table = Store().ZhuDuanTable;
  const uint32_t at =
      Fresh(TableIndexes().zhuDuan, table, kZhuDuanBit).Find(table, ZhuDuanKeyOf, TwoKey(typeCode, locoNumber));
  if (at != kNone) return table[at];
  return ZhuDuanEntry{};
}

namespace {

// RestrictionSpeed over a table that has records (kept out of line: without
// a table, as most conversions run, the lookup is a test and a return).
[[gnu::noinline]] int32_t RestrictionSpeedIn(const std::vector<LinshiEntry>& table, int32_t level,
                                             int32_t position, int32_t day, int32_t timeOfDay, uint8_t line,
                                             uint8_t direction) {
  LookupState& st = Lookups();
  // The tolerance widens the far end in the direction of travel.
  int64_t t = 0;
  if (position > st.LastRestrictionPosition) t = st.RestrictionTolerance;
  else if (position < st.LastRestrictionPosition) t = -static_cast<int64_t>(st.RestrictionTolerance);

  int32_t result = -1;
  int32_t best = 0;
  const LinshiIndex& ix = Fresh(TableIndexes().linshi, table, kLinshiBit);

  const int64_t p = position;
  const int64_t now = static_cast<int64_t>(day) * 10000 + timeOfDay / 60;
  // The records of this line and of any line, merged back into table order.
  const uint32_t* a = ix.pos.data() + ix.start[line];
  const uint32_t* const aEnd = ix.pos.data() + ix.start[line + 1u];
  const uint32_t* b = ix.pos.data() + ix.start[kAnyLine];
  const uint32_t* const bEnd = line == kAnyLine ? b : ix.pos.data() + ix.start[kAnyLine + 1u];
  while (a != aEnd || b != bEnd) {
    const uint32_t i = (b == bEnd || (a != aEnd && *a < *b)) ? *a++ : *b++;
    const LinshiEntry& e = table[i];
    const auto dir = static_cast<int16_t>(e.direction);
    if (dir <= 1 && dir != direction) continue;
    if (e.level > level || (best > 0 && e.level < best)) continue;

    const int64_t from = e.start_pos;
    const int64_t to = e.end_pos + t;
    const bool inside = (from < p && p < to) || (to < p && p < from);
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
  // An end marker ends the scan with the result as it stands.
  if (ix.endsAtMarker) return result;
  if (best > 0) return result;
  st.LastRestrictionPosition = position;
  return kNoRestriction;
}

}  // namespace

int32_t RestrictionSpeed(int32_t level, int32_t position, int32_t day, int32_t timeOfDay,
                         uint8_t line, uint8_t direction) {
  const auto& table = Store().LinshiTable;
  if (table.empty()) return -1;
  return RestrictionSpeedIn(table, level, position, day, timeOfDay, line, direction);
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

std::string TBridge::Driver(int32_t number) { return DriverName(number); }

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
