// Build-time generator of the record reference: runs the event converters on
// their own handler tables and writes, as JSON, every record code they write
// with the events that produce it, the record kind, the presence mask and
// the record bytes the event fills. `railfmt codes` embeds its output.
//
// Each handler row runs alone on one valid raw record of its length (time
// 10:20:30, header numbers 12345678 and 123456, every further byte a BCD
// digit pair) after a raw header; the start-up records come from a raw
// header whose bytes are all set. The kinds follow from the bytes written:
//   running-state record  bytes 24..25 hold the row's presence mask, or a
//                         mask with the time bit over the event's time or
//                         the running state's time
//   header record         bytes 2..9 are the time and the two header numbers
//   bare record           any other record of an event
//   supplementary record  21 F0 right after an event's record
//   unit of two records   a record that a supplementary record follows
//   start-up record       written from the raw header (date record: bytes
//                         2..4 are the header's date; set-up record: no time)
#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <map>
#include <tuple>
#include <set>
#include <string>
#include <vector>

#include "engine/newtofmt.h"
#include "format/layout.h"
#include "format/stream.h"
#include "interface/drivers.h"
#include "sample/sample.h"
#include "handlers/families.h"
#include "legacy/code_tables.h"

using namespace railfmt;
using Bytes = std::vector<uint8_t>;

namespace {

constexpr int kRawHeader = 256;
const uint8_t kDate[3] = {0x57, 0x08, 0x12};  // raw header date (BCD)
const uint8_t kTime[3] = {0x08, 0x30, 0x00};  // raw header time (BCD)

uint8_t Bcd2(int v) { return static_cast<uint8_t>((v / 10) << 4 | (v % 10)); }

uint8_t CheckByte(const Bytes& r) {
  int s = 0;
  for (std::size_t i = 0; i < r.size(); ++i) s += i == 0 ? r[i] % 100 : (r[i] >> 4) * 10 + (r[i] & 15);
  return Bcd2((100 - s % 100) % 100);
}

Bytes RawHeader(char vendor, int version, bool allSet) {
  Bytes h(kRawHeader, 0);
  if (allSet)
    for (int i = 8; i < kRawHeader; ++i) h[i] = Bcd2(10 + i % 89);
  h[0] = 0xB0;
  h[1] = 0xF0;
  for (int i = 0; i < 3; ++i) h[2 + i] = allSet ? kDate[i] : 0, h[5 + i] = kTime[i];
  h[kRawVendorPos] = static_cast<uint8_t>(vendor);
  h[78] = allSet ? 0x40 : 0;  // bit 6: the three further driver records
  h[kRawProtocolPos] = Bcd2(version / 100);
  h[kRawProtocolPos + 1] = Bcd2(version % 100);
  return h;
}

// One valid raw record of the row: code bytes, time, header numbers, then
// every further byte `fill` (0xFF: a BCD digit pair of its position). The
// fills 0, 1 and 2 reach the records that a small state value selects.
Bytes RawRecord(const std::string& name, int len, int fill, std::size_t* codeBytes) {
  Bytes r;
  for (std::size_t i = 0; i < name.size(); i += 2) r.push_back(static_cast<uint8_t>(std::stoi(name.substr(i, 2), nullptr, 16)));
  *codeBytes = r.size();
  const Bytes fixed = {0x10, 0x20, 0x30, 0x12, 0x34, 0x56, 0x78, 0x12, 0x34, 0x56};
  for (int k = static_cast<int>(r.size()), i = 0; k < len - 1; ++k, ++i)
    r.push_back(i < 3 || (fill == 0xFF && i < static_cast<int>(fixed.size())) ? fixed[i]
                : fill == 0xFF                                               ? Bcd2(k % 100)
                                                                             : static_cast<uint8_t>(fill));
  if (len > 0) r.push_back(CheckByte(r));
  return r;
}

using Rec = std::vector<uint8_t>;
std::vector<Rec> Records(const Bytes& out, std::size_t from) {
  std::vector<Rec> v;
  for (std::size_t p = kHeaderSize + from * kRecordSize; p + kRecordSize <= out.size(); p += kRecordSize)
    v.emplace_back(out.begin() + p, out.begin() + p + kRecordSize);
  return v;
}

std::string Hex4(unsigned v) {
  char b[8];
  std::snprintf(b, sizeof b, "%04X", v & 0xFFFF);
  return b;
}

// A named field: its record bytes, type ("time", "date", "number",
// "signed", "text", "data") and name.
struct Field {
  std::vector<int> bytes;
  std::string type, name;
};

struct Entry {
  std::string kind;
  std::vector<Field> fields;  // named fields, where the producer's layout names them
  bool continued = false;     // a continuation record follows (a unit of two records)
  std::set<int> bytes2;       // the continuation's bytes that its producer fills
  bool time = true;           // bare record: bytes 2..4 are the event's time
  std::string note;
  std::set<std::string> events;
  std::set<std::string> converters;
  std::set<unsigned> masks;
  std::set<int> bytes;  // record bytes the producer filled (beyond the code)
  std::set<std::string> earlier;  // earlier formats that write this record too
};
// Keyed by code, kind and the named layout ("" where the bytes written tell it).
using Key = std::tuple<unsigned, std::string, std::string>;
std::map<Key, Entry> entries;

std::string FieldsKey(const std::vector<Field>& f) {
  std::string k;
  for (const Field& x : f) {
    for (int b : x.bytes) k += std::to_string(b) + ",";
    k += x.type + ":" + x.name + ";";
  }
  return k;
}

void Add(const Rec& r, const std::string& kind, const std::string& event, const std::string& conv,
         int fixedUpTo) {
  const unsigned code = r[0] << 8 | r[1];
  Entry& e = entries[{code, kind, ""}];
  e.kind = kind;
  e.events.insert(event);
  e.converters.insert(conv);
  if (kind == "running-state record" || kind == "unit of two records") e.masks.insert(r[24] | r[25] << 8);
  for (int i = fixedUpTo + 1; i < kRecordSize; ++i)
    if (r[i]) e.bytes.insert(i);
}

int BcdValue(const Bytes& raw, std::size_t at, int n) {
  int v = 0;
  for (int i = 0; i < n; ++i) {
    const uint8_t b = at + i < raw.size() ? raw[at + i] : 0;
    v = v * 100 + (b >> 4) * 10 + (b & 15);
  }
  return v;
}

// Bytes 2..4 are the raw record's time.
bool IsTimeOf(const Rec& r, const Bytes& raw, std::size_t codeBytes) {
  for (int i = 0; i < 3; ++i)
    if (r[2 + i] != BcdValue(raw, codeBytes + i, 1)) return false;
  return true;
}

// Bytes 2..4 are the time of the raw header (the running state's time
// before any event set it).
bool IsStartTime(const Rec& r) {
  for (int i = 0; i < 3; ++i)
    if (r[2 + i] != (kTime[i] >> 4) * 10 + (kTime[i] & 15)) return false;
  return true;
}

// Bytes 2..9 are the raw record's time and its two header numbers.
bool IsHeaderPart(const Rec& r, const Bytes& raw, std::size_t codeBytes) {
  const std::size_t t = codeBytes;
  for (int i = 0; i < 3; ++i)
    if (r[2 + i] != BcdValue(raw, t + i, 1)) return false;
  const int n8 = BcdValue(raw, t + 3, 4), n6 = BcdValue(raw, t + 7, 3);
  const int got8 = r[5] | r[6] << 8 | r[7] << 16, got6 = r[8] | r[9] << 8;
  return got8 == (n8 & 0xFFFFFF) && got6 == (n6 & 0xFFFF);
}

void EventRows(const char* conv, const ConverterClass& cls, char vendor, int version) {
  const ResolvedHandlers& t = Resolve(cls);
  const Bytes head = RawHeader(vendor, version, false);
  const std::size_t startup = Records(ConvertEventBytes(head, version, std::string(1, vendor)), 0).size();
  for (const std::string& name : t.names) {
    const HandlerRow* row = name.size() == 2 ? t.one[std::stoi(name, nullptr, 16)] : t.two[std::stoi(name, nullptr, 16)];
    if (!row) continue;
    std::set<unsigned> seen;
    for (int fill : {0xFF, 0, 1, 2}) {
      std::size_t codeBytes = 0;
      Bytes file = head;
      const Bytes rec = RawRecord(name, row->len, fill, &codeBytes);
      file.insert(file.end(), rec.begin(), rec.end());
      const std::vector<Rec> out = Records(ConvertEventBytes(file, version, std::string(1, vendor)), startup);
      const bool unit = WritesContinuation(*row);
      for (std::size_t k = 0; k < out.size(); ++k) {
        const Rec& r = out[k];
        if (unit && k == 0 && out.size() >= 2) {
          // the record and its continuation: one unit, the continuation's
          // first two bytes are data, not a code
          const unsigned code = r[0] << 8 | r[1];
          if (fill != 0xFF && seen.count(code)) break;
          if (fill == 0xFF) seen.insert(code);
          Add(r, "unit of two records", name, conv, 1);
          Entry& e = entries[{code, "unit of two records", ""}];
          e.continued = true;
          e.masks.clear();  // bytes 24..25 are data here
          e.time = e.time && IsTimeOf(r, rec, codeBytes);
          for (int i = 0; i < kRecordSize; ++i)
            if (out[1][i]) e.bytes2.insert(i);
          ++k;
          continue;
        }
        const unsigned code = r[0] << 8 | r[1];
        // the further fills only add records the first did not show
        if (fill != 0xFF && seen.count(code)) continue;
        if (fill == 0xFF) seen.insert(code);
        const bool suppl = r[0] == 0x21 && r[1] == 0xF0;
        const bool followed = k + 1 < out.size() && out[k + 1][0] == 0x21 && out[k + 1][1] == 0xF0;
        const unsigned mask = r[24] | r[25] << 8;
        std::string kind;
        int fixed = 1;
        if (suppl) kind = "supplementary record";
        else if ((row->mask != 0 && mask == row->mask) || ((mask & 1) && (IsTimeOf(r, rec, codeBytes) || IsStartTime(r)))) kind = followed ? "unit of two records" : "running-state record", fixed = 25;
        else if (IsHeaderPart(r, rec, codeBytes)) kind = "header record", fixed = 9;
        else kind = "bare record";
        Add(r, kind, name, conv, fixed);
        Entry& e = entries[{code, kind, ""}];
        if (kind == "bare record") e.time = e.time && IsTimeOf(r, rec, codeBytes);
        if (code == 0) e.note = "written when the selector is not listed";
      }
    }
  }
}

// The fields of the start-up records as their builder lays them out.
// Checked against the records it writes: a byte it fills outside these
// fields stops the build.
std::vector<int> Span(int from, int to) {
  std::vector<int> v;
  for (int i = from; i <= to; ++i) v.push_back(i);
  return v;
}
Field F(int from, int to, const char* type, const char* name) { return {Span(from, to), type, name}; }
std::vector<Field> Values16(int from, int count) {
  std::vector<Field> v;
  for (int i = 0; i < count; ++i) v.push_back(F(from + 2 * i, from + 2 * i + 1, "number", "value"));
  return v;
}
std::vector<Field> StartupFields(unsigned code) {
  const Field time = F(2, 4, "time", "time"), v56 = F(5, 6, "number", "value");
  const std::vector<Field> driver = {time, {{5, 6, 24, 25}, "number", "driver number"}, F(7, 18, "text", "driver name")};
  switch (code) {
    case 0xB0F0:
      return {F(2, 2, "number", "value"), F(3, 4, "data", "protocol version"), F(5, 10, "data", "data"),
              F(11, 14, "data", "data"), F(15, 18, "data", "data"), F(23, 25, "data", "data")};
    case 0xB001: return {F(2, 4, "date", "date"), F(5, 7, "time", "time")};
    case 0x8124:
    case 0x8115: return {time, F(5, 5, "number", "value")};
    case 0x8125: return {time, F(5, 7, "number", "value"), F(8, 11, "data", "data")};
    case 0x8105: return {time, v56};
    case 0x8106: return {time, F(5, 6, "number", "station number"), F(7, 18, "text", "station name")};
    case 0x8111:
    case 0x8104: return driver;
    case 0x8157:
    case 0x8158:
    case 0x8159: return {driver[1], driver[2]};
    case 0x8103: return {F(7, 8, "number", "value"), F(9, 10, "number", "value")};
    case 0x8122: return {v56, F(10, 10, "data", "data")};
    case 0x8107:
    case 0x8108: return {F(5, 6, "number", "limit")};
    case 0x9101:
    case 0x9102:
    case 0xB004: return {F(2, 5, "data", "data")};
    case 0xB002: {
      std::vector<Field> v = {F(2, 5, "data", "data")};
      for (const Field& f : Values16(6, 8)) v.push_back(f);
      return v;
    }
    case 0xB003: return Values16(2, 6);
    default: return {v56};  // 0x81 0x09 .. 0x0F, 0x10, 0x21, 0x23
  }
}

void StartupRecords() {
  const Bytes head = RawHeader('Q', 101, true);
  const std::vector<Rec> out = Records(ConvertEventBytes(head, 101, "Q"), 0);
  for (const Rec& r : out) {
    const unsigned code = r[0] << 8 | r[1];
    const std::vector<Field> fields = StartupFields(code);
    std::string kind = "set-up record";
    for (const Field& f : fields)
      if (f.type == "time" && kind == "set-up record") kind = "start-up record";
    for (const Field& f : fields)
      if (f.type == "date") kind = "date record";
    std::set<int> named;
    for (const Field& f : fields) named.insert(f.bytes.begin(), f.bytes.end());
    for (int i = 2; i < kRecordSize; ++i)
      if (r[i] && !named.count(i)) {
        std::fprintf(stderr, "railfmt_codes_gen: start-up record %04X fills byte %d outside its fields\n", code, i);
        std::exit(1);
      }
    Entry& e = entries[{code, kind, FieldsKey(fields)}];
    e.kind = kind;
    e.events.insert("start-up");
    e.converters.insert("start-up");
    e.fields = fields;
    for (int i = 2; i < kRecordSize; ++i)
      if (r[i]) e.bytes.insert(i);
  }
}

// The earlier L2000 converter (protocol below 101) writes start-up records of
// its own: the leading records of a converted file of that protocol. Each
// takes the fields of the start-up record of its code that it fills: where
// it leaves the time out or fills further bytes (as data), it is an entry of
// its own, else it joins that record's entry.
void L2000StartupRecords() {
  MemStream in(sample::GenerateSample(sample::Kind::L2000Old, 1, 1)), out;
  ConvertL2000(in, out, "codes");
  Bytes all(out.Size());
  out.Seek(0);
  out.Read(all.data(), all.size());
  for (const Rec& r : Records(all, 0)) {
    const unsigned code = r[0] << 8 | r[1];
    std::vector<Field> fields;
    bool found = false;
    for (auto& [key, e] : entries)
      if (std::get<0>(key) == code && e.events.count("start-up")) fields = e.fields, found = true;
    if (!found) break;  // the first event record
    std::set<int> named;
    std::vector<Field> own;
    for (Field f : fields) {
      named.insert(f.bytes.begin(), f.bytes.end());
      // a field in two pieces keeps the pieces this converter fills
      std::vector<int> kept;
      for (std::size_t i = 0; i < f.bytes.size();) {
        std::size_t j = i;
        while (j + 1 < f.bytes.size() && f.bytes[j + 1] == f.bytes[j] + 1) ++j;
        bool filled = false;
        for (std::size_t k = i; k <= j; ++k) filled = filled || r[f.bytes[k]];
        if (filled || i == 0) kept.insert(kept.end(), f.bytes.begin() + i, f.bytes.begin() + j + 1);
        i = j + 1;
      }
      f.bytes = kept;
      bool filled = false;
      for (int b : f.bytes) filled = filled || r[b];
      if (f.type != "time" || filled) own.push_back(f);
    }
    for (int i = 2; i < kRecordSize; ++i)
      if (r[i] && !named.count(i)) own.push_back({{i}, "data", "data"});
    std::sort(own.begin(), own.end(), [](const Field& a, const Field& b) { return a.bytes.front() < b.bytes.front(); });
    std::string kind = "set-up record";
    for (const Field& f : own)
      if (f.type == "time" && kind == "set-up record") kind = "start-up record";
    for (const Field& f : own)
      if (f.type == "date") kind = "date record";
    Entry& x = entries[{code, kind, FieldsKey(own)}];
    x.kind = kind;
    x.fields = own;
    x.events.insert("L2000 start-up");
    x.converters.insert("L2000");
    for (int i = 2; i < kRecordSize; ++i)
      if (r[i]) x.bytes.insert(i);
  }
}

// The earlier-format converters are table-driven: each code names the
// record it is turned into. A running-state record joins the running-state
// entry of its code; any other record joins the entries the event
// converters and start-up give its code, or, where they write no such code,
// an entry of its own ("earlier-format record").
void EarlierRows(const std::string& format, const std::vector<EarlierCode>& rows) {
  for (const EarlierCode& e : rows) {
    char name[24];
    std::snprintf(name, sizeof name, e.sub ? "%s %04X" : "%s %02X", format.c_str(), e.in);
    if (e.state) {
      Entry& x = entries[{e.out, "running-state record", ""}];
      x.kind = "running-state record";
      x.events.insert(name);
      x.converters.insert(format);
      x.masks.insert(e.mask ? e.mask : 0x10000u);  // 0x10000: a mask that varies
      continue;
    }
    bool joined = false;
    for (auto& [key, x] : entries)
      if (std::get<0>(key) == e.out && x.kind != "earlier-format record") {
        x.events.insert(name);
        x.earlier.insert(format);
        joined = true;
      }
    if (!joined) {
      Entry& x = entries[{e.out, "earlier-format record", ""}];
      x.kind = "earlier-format record";
      x.events.insert(name);
      x.converters.insert(format);
    }
  }
}

// The earlier L2000 table: running-state records join the running-state
// entry of their code, a unit the unit entry, records of a step of their own
// the entries of their code; records written byte by byte by a layout of
// the table are entries of their own with the layout's fields.
void L2000Rows() {
  std::vector<EarlierRecord> rows = L2000CodeTable();
  for (const EarlierRecord& e : L2000B6Records()) rows.push_back(e);
  for (const EarlierRecord& e : rows) {
    char name[40];
    std::snprintf(name, sizeof name, e.sub ? "L2000 %02X %02X" : "L2000 %02X", e.sub ? e.in >> 8 : e.in, e.in & 0xFF);
    if (e.kind >= 0) std::snprintf(name + std::strlen(name), sizeof name - std::strlen(name), " kind %d", e.kind);
    std::vector<Field> fields;
    bool text = false;
    for (const EarlierField& f : e.fields) {
      fields.push_back({Span(f.from, f.to), f.type, f.name});
      text = text || f.type == "text";
    }
    if (!fields.empty()) {
      const std::string kind = text ? "text record" : "bare record";
      Entry& x = entries[{e.out, kind, FieldsKey(fields)}];
      x.kind = kind;
      x.fields = fields;
      x.events.insert(name);
      x.converters.insert("L2000");
      for (const Field& f : fields) x.bytes.insert(f.bytes.begin(), f.bytes.end());
      continue;
    }
    if (e.state || e.unit) {
      const std::string kind = e.unit ? "unit of two records" : "running-state record";
      Entry& x = entries[{e.out, kind, ""}];
      x.kind = kind;
      x.events.insert(name);
      x.converters.insert("L2000");
      if (e.unit) x.continued = true;
      else x.masks.insert(e.mask ? e.mask : 0x10000u);
      continue;
    }
    bool joined = false;
    for (auto& [key, x] : entries)
      if (std::get<0>(key) == e.out && x.kind != "earlier-format record" && std::get<2>(key).empty()) {
        x.events.insert(name);
        x.earlier.insert("L2000");
        joined = true;
      }
    if (!joined) {
      Entry& x = entries[{e.out, "earlier-format record", ""}];
      x.kind = "earlier-format record";
      x.events.insert(name);
      x.converters.insert("L2000");
    }
  }
}

}  // namespace

// With --inc the JSON comes as a C++ raw string literal, for an #include.
int main(int argc, char** argv) {
  const bool inc = argc > 1 && std::string(argv[1]) == "--inc";
  StartupRecords();
  EventRows("TNewToFmt", ClassTNewToFmt(), 'Q', 101);
  EventRows("TNewToFmt", ClassTNewToFmt(), 'A', 101);
  EventRows("T102NewToFmt", ClassT102NewToFmt(), 'Q', 102);
  EventRows("TZhuZhouNewOrgToFmt", ClassTZhuZhouNewOrgToFmt(), 'Z', 101);
  EarlierRows("LKJ93", Lkj93CodeTable());
  EarlierRows("JK2H", Jk2hCodeTable());
  L2000Rows();
  L2000StartupRecords();
  nlohmann::ordered_json all = nlohmann::ordered_json::array();
  // the running-state events (F0, F1, F2): their records are the state
  // over time, every other event record is an event of the run
  std::set<std::string> stateEvents;
  for (const HandlerRow& r : FamilyState()) stateEvents.insert(r.name);
  for (const auto& [key, e] : entries) {
    nlohmann::ordered_json j;
    bool state = true;
    for (const auto& ev : e.events) state = state && stateEvents.count(ev);
    j["code"] = Hex4(std::get<0>(key));
    j["kind"] = e.kind;
    j["events"] = e.events;
    std::set<std::string> conv = e.converters;
    conv.insert(e.earlier.begin(), e.earlier.end());
    j["converters"] = conv;
    if (e.masks.size() == 1 && *e.masks.begin() <= 0xFFFF) j["mask"] = Hex4(*e.masks.begin());
    else j["mask"] = nullptr;
    j["bytes"] = e.bytes;
    nlohmann::ordered_json fields = nlohmann::ordered_json::array();
    for (const Field& f : e.fields) fields.push_back({{"bytes", f.bytes}, {"type", f.type}, {"name", f.name}});
    j["fields"] = fields;
    j["continued"] = e.continued;
    j["continuation_bytes"] = e.bytes2;
    j["time"] = (e.kind == "bare record" || e.continued) && e.time && e.fields.empty();
    j["note"] = e.note;
    j["state_events"] = state;
    all.push_back(j);
  }
  if (inc) std::cout << "R\"railfmt_codes(" << all.dump(1) << ")railfmt_codes\"\n";
  else std::cout << all.dump(1) << "\n";
  return 0;
}
