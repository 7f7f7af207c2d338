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

#include <cstdio>
#include <iostream>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "engine/newtofmt.h"
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
  h[77] = static_cast<uint8_t>(vendor);
  h[78] = allSet ? 0x40 : 0;  // bit 6: the three further driver records
  h[87] = Bcd2(version / 100);
  h[88] = Bcd2(version % 100);
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

struct Entry {
  std::string kind;
  std::set<std::string> events;
  std::set<std::string> converters;
  std::set<unsigned> masks;
  std::set<int> bytes;  // record bytes the producer filled (beyond the code)
  std::set<std::string> earlier;  // earlier formats that write this record too
};
std::map<std::pair<unsigned, std::string>, Entry> entries;

void Add(const Rec& r, const std::string& kind, const std::string& event, const std::string& conv,
         int fixedUpTo) {
  const unsigned code = r[0] << 8 | r[1];
  Entry& e = entries[{code, kind}];
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
      for (std::size_t k = 0; k < out.size(); ++k) {
        const Rec& r = out[k];
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
      }
    }
  }
}

void StartupRecords() {
  const Bytes head = RawHeader('Q', 101, true);
  const std::vector<Rec> out = Records(ConvertEventBytes(head, 101, "Q"), 0);
  for (const Rec& r : out) {
    std::string kind = "set-up record";
    int fixed = 1;
    if (r[2] == 8 && r[3] == 30 && r[4] == 0) kind = "start-up record", fixed = 4;
    if (r[2] == 57 && r[3] == 8 && r[4] == 12) kind = "date record", fixed = 7;
    Add(r, kind, "start-up", "start-up", fixed);
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
      Entry& x = entries[{e.out, "running-state record"}];
      x.kind = "running-state record";
      x.events.insert(name);
      x.converters.insert(format);
      x.masks.insert(e.mask ? e.mask : 0x10000u);  // 0x10000: a mask that varies
      continue;
    }
    bool joined = false;
    for (auto& [key, x] : entries)
      if (key.first == e.out && x.kind != "earlier-format record") {
        x.events.insert(name);
        x.earlier.insert(format);
        joined = true;
      }
    if (!joined) {
      Entry& x = entries[{e.out, "earlier-format record"}];
      x.kind = "earlier-format record";
      x.events.insert(name);
      x.converters.insert(format);
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
  nlohmann::ordered_json all = nlohmann::ordered_json::array();
  // the running-state events (F0, F1, F2): their records are the state
  // over time, every other event record is an event of the run
  std::set<std::string> stateEvents;
  for (const HandlerRow& r : FamilyState()) stateEvents.insert(r.name);
  for (const auto& [key, e] : entries) {
    nlohmann::ordered_json j;
    bool state = true;
    for (const auto& ev : e.events) state = state && stateEvents.count(ev);
    j["code"] = Hex4(key.first);
    j["kind"] = e.kind;
    j["events"] = e.events;
    std::set<std::string> conv = e.converters;
    conv.insert(e.earlier.begin(), e.earlier.end());
    j["converters"] = conv;
    if (e.masks.size() == 1 && *e.masks.begin() <= 0xFFFF) j["mask"] = Hex4(*e.masks.begin());
    else j["mask"] = nullptr;
    j["bytes"] = e.bytes;
    j["state_events"] = state;
    all.push_back(j);
  }
  if (inc) std::cout << "R\"railfmt_codes(" << all.dump(1) << ")railfmt_codes\"\n";
  else std::cout << all.dump(1) << "\n";
  return 0;
}
