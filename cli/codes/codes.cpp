// railfmt codes: the record reference as a table, JSON or Markdown.
#include "codes/codes.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdio>
#include <map>
#include <sstream>

#include "commands.h"
#include "fmtfile.h"
#include "outfile.h"

namespace railfmt::cli {
namespace {

const char* kCodesJson =
#include "record_codes.inc"
    ;

std::string StateLayout() {
  std::string s = "0-1 code; 2-4 time";
  for (const auto& f : StateFields())
    s += "; " + (f.width == 1 ? std::to_string(f.offset) : std::to_string(f.offset) + "-" + std::to_string(f.offset + f.width - 1)) +
         " " + f.name;
  return s + "; 24-25 mask";
}

std::string Layout(const RecordInfo& r);

// Runs of consecutive bytes as data fields.
std::vector<RecordField> DataFields(const std::vector<int>& bytes) {
  std::vector<RecordField> v;
  for (std::size_t i = 0; i < bytes.size();) {
    std::size_t j = i;
    while (j + 1 < bytes.size() && bytes[j + 1] == bytes[j] + 1) ++j;
    v.push_back({std::vector<int>(bytes.begin() + i, bytes.begin() + j + 1), "data", "data"});
    i = j + 1;
  }
  return v;
}

std::string FieldsText(const std::vector<RecordField>& fields) {
  std::string s;
  for (const auto& f : fields)
    s += "; " + ByteRanges(f.bytes) + " " + f.name + (f.type == "text" ? " (GBK)" : "");
  return s;
}

std::string Layout(const RecordInfo& r, const std::string& note) {
  const std::string tail = note.empty() ? "" : "; " + note;
  if (r.continued)
    return "0-1 code" + FieldsText(r.fields) + "; then a continuation record:" + FieldsText(r.continuation).substr(1) +
           " (its bytes 0-1 are data, not a code)" + tail;
  if (!r.fields.empty() && r.kind != "running-state record") return "0-1 code" + FieldsText(r.fields) + tail;
  return Layout(r) + tail;
}

std::string Layout(const RecordInfo& r) {
  const std::string own = r.bytes.empty() ? "" : "; data " + ByteRanges(r.bytes);
  if (r.kind == "text record") {
    const std::vector<int> text = TextBytes(r.code);
    const bool overTime = !text.empty() && text.front() <= 4;
    return std::string("0-1 code; ") + (overTime ? "" : "2-4 time; ") + TextLayoutText(r.code);
  }
  if (r.kind == "running-state record") return StateLayout();
  if (r.kind == "unit of two records") return StateLayout() + "; then a supplementary record 21F0";
  if (r.kind == "header record") return "0-1 code; 2-4 time; 5-7 Val5; 8-9 Val8" + own;
  if (r.kind == "date record") return "0-1 code; 2-4 date (year, month, day); 5-7 time" + own;
  if (r.kind == "start-up record") return "0-1 code; 2-4 time" + own;
  if (r.kind == "supplementary record") return "0-1 code 21F0" + own + " (values of the record before)";
  if (r.kind == "earlier-format record") return "0-1 code; the rest as its earlier-format converter writes it";
  return "0-1 code" + own;  // bare and set-up records
}

std::vector<RecordInfo> Load() {
  std::vector<RecordInfo> out;
  for (const auto& j : nlohmann::json::parse(kCodesJson)) {
    RecordInfo r;
    r.code = static_cast<unsigned>(std::stoul(j["code"].get<std::string>(), nullptr, 16));
    r.kind = j["kind"].get<std::string>();
    r.events = j["events"].get<std::vector<std::string>>();
    r.converters = j["converters"].get<std::vector<std::string>>();
    if (!j["mask"].is_null()) r.mask = j["mask"].get<std::string>();
    r.bytes = j["bytes"].get<std::vector<int>>();
    r.stateEvents = j["state_events"].get<bool>();
    r.continued = j["continued"].get<bool>();
    r.time = j["time"].get<bool>() || r.kind == "header record" || r.kind == "start-up record";
    for (const auto& f : j["fields"])
      r.fields.push_back({f["bytes"].get<std::vector<int>>(), f["type"].get<std::string>(), f["name"].get<std::string>()});
    for (const auto& f : r.fields) r.time = r.time || f.type == "time";
    if (r.continued) r.continuation = DataFields(j["continuation_bytes"].get<std::vector<int>>());
    // a record that carries text is a text record, whatever wrote it
    if (!TextLayoutText(r.code).empty() && r.kind != "running-state record" && r.kind != "unit of two records")
      r.kind = "text record";
    // fields the bytes written tell: the time, the rest as data (and the text
    // of a text record as text)
    if (r.fields.empty() && r.kind != "running-state record" && (r.kind != "unit of two records" || r.continued) &&
        r.kind != "earlier-format record") {
      const std::vector<int> text = TextBytes(r.code);
      const bool overTime = !text.empty() && text.front() <= 4;
      if (r.kind == "header record") {
        r.fields = {{{2, 3, 4}, "time", "time"}, {{5, 6, 7}, "number", "Val5"}, {{8, 9}, "number", "Val8"}};
      } else if (r.time && !overTime) {
        r.fields = {{{2, 3, 4}, "time", "time"}};
      }
      std::vector<int> rest;
      for (int b : r.bytes)
        if (b > (r.fields.empty() ? 1 : r.fields.back().bytes.back()) && std::find(text.begin(), text.end(), b) == text.end())
          rest.push_back(b);
      for (const auto& f : DataFields(rest)) r.fields.push_back(f);
      if (!text.empty()) r.fields.push_back({text, "text", "text"});
      std::sort(r.fields.begin(), r.fields.end(),
                [](const RecordField& a, const RecordField& b) { return a.bytes.front() < b.bytes.front(); });
    }
    const std::string note = j["note"].get<std::string>();
    // a text record whose fields the bytes told keeps its text layout
    r.layout = (r.kind == "text record" && j["fields"].empty()) || r.kind == "supplementary record" ? Layout(r) + (note.empty() ? "" : "; " + note) : Layout(r, note);
    out.push_back(r);
  }
  return out;
}

std::string Join(const std::vector<std::string>& v, const char* sep) {
  std::string s;
  for (const auto& x : v) s += (s.empty() ? "" : sep) + x;
  return s;
}

std::string Bytes01(unsigned code) {
  char b[16];
  std::snprintf(b, sizeof b, "%02X %02X", code >> 8 & 0xFF, code & 0xFF);
  return b;
}

}  // namespace

const std::vector<RecordInfo>& RecordReference() {
  static const std::vector<RecordInfo> all = Load();
  return all;
}

const RecordInfo* FindRecord(unsigned code, bool startup, bool earlier) {
  using Index = std::map<unsigned, const RecordInfo*>;
  struct Indexes {
    Index events, start, earlierStart;
  };
  static const Indexes index = [] {
    Indexes x;
    for (const auto& r : RecordReference()) {
      auto has = [&](const char* e) { return std::find(r.events.begin(), r.events.end(), e) != r.events.end(); };
      if (has("L2000 start-up") && !x.earlierStart.count(r.code)) x.earlierStart[r.code] = &r;
      Index& m = has("start-up") ? x.start : x.events;
      if (!has("start-up") && has("L2000 start-up")) continue;
      if (!m.count(r.code)) m[r.code] = &r;
    }
    return x;
  }();
  auto find = [&](const Index& m) -> const RecordInfo* {
    auto it = m.find(code);
    return it == m.end() ? nullptr : it->second;
  };
  if (startup) {
    const RecordInfo* r = earlier ? find(index.earlierStart) : nullptr;
    return r ? r : find(index.start);
  }
  const RecordInfo* r = find(index.events);
  return r ? r : find(index.start);
}

bool EarlierStartup(unsigned firstCode) { return firstCode != 0xB0F0; }

std::string ByteRanges(const std::vector<int>& bytes) {
  std::string s;
  for (std::size_t i = 0; i < bytes.size();) {
    std::size_t j = i;
    while (j + 1 < bytes.size() && bytes[j + 1] == bytes[j] + 1) ++j;
    s += (s.empty() ? "" : ", ") + std::to_string(bytes[i]) + (j > i ? "-" + std::to_string(bytes[j]) : "");
    i = j + 1;
  }
  return s;
}

int CmdCodes(const CodesOptions& o) {
  std::ostringstream out;
  const auto& all = RecordReference();
  if (o.format == "json") {
    nlohmann::ordered_json a = nlohmann::ordered_json::array();
    for (const auto& r : all) {
      nlohmann::ordered_json j;
      j["code"] = CodeHex(r.code);
      j["byte0"] = r.code >> 8;
      j["byte1"] = r.code & 0xFF;
      j["kind"] = r.kind;
      j["events"] = r.events;
      j["converters"] = r.converters;
      j["mask"] = r.mask.empty() ? nlohmann::ordered_json() : nlohmann::ordered_json(r.mask);
      j["layout"] = r.layout;
      // the layout's fields for programs: record bytes, type, name
      auto fields = [](const std::vector<RecordField>& v) {
        nlohmann::ordered_json f = nlohmann::ordered_json::array();
        for (const auto& x : v) f.push_back({{"bytes", x.bytes}, {"type", x.type}, {"name", x.name}});
        return f;
      };
      j["fields"] = fields(r.fields);
      if (r.continued) j["continuation"] = fields(r.continuation);
      a.push_back(j);
    }
    out << a.dump(2) << "\n";
  } else if (o.format == "md") {
    out << "# Record codes\n\n"
           "Generated by `railfmt codes --format md` (build target `records_doc`) from the handler tables the\n"
           "converters run on; do not edit by hand. Each row is one record code (bytes 0 and 1 of a 26-byte\n"
           "record) with the events that write it, its kind, its presence mask where fixed, and where its\n"
           "bytes are. \"start-up\" records are written from the raw header before the first event.\n\n"
           "Kinds: running-state record (the state fields and a presence mask), header record (time and the\n"
           "two header numbers, then the event's own bytes), bare record (only the bytes the event writes),\n"
           "text record (GBK text), supplementary record (21 F0, further values of the record before it),\n"
           "unit of two records (a running-state record followed by a supplementary record, or a record\n"
           "followed by its continuation, whose first two bytes are data and no code), start-up, date and\n"
           "set-up records (written from the raw header), earlier-format record (a record only an\n"
           "earlier-format converter writes, by a step of its own). \"LKJ93 8A\", \"JK2H DB01\", \"L2000 A8 61\":\n"
           "the code (and sub-code) of an earlier format that its converter turns into this record.\n\n"
           "Layouts name the fields where the record's builder or table names them (time, date, station and\n"
           "driver numbers and names, limits, values); \"data\" is a run of bytes that the record holds as its\n"
           "producer copied or decoded them, without a meaning of their own.\n\n"
           "| Code | Bytes 0, 1 | Kind | Mask | Written by | Layout |\n|---|---|---|---|---|---|\n";
    for (const auto& r : all)
      out << "| " << CodeHex(r.code) << " | " << Bytes01(r.code) << " | " << r.kind << " | " << (r.mask.empty() ? "" : r.mask)
          << " | " << Join(r.events, ", ") << " | " << r.layout << " |\n";
  } else {
    char buf[96];
    std::snprintf(buf, sizeof buf, "%-4s  %-22s %-4s  %s\n", "code", "kind", "mask", "written by / layout");
    out << buf;
    for (const auto& r : all) {
      std::snprintf(buf, sizeof buf, "%-4s  %-22s %-4s  ", CodeHex(r.code).c_str(), r.kind.c_str(),
                    r.mask.empty() ? "-" : r.mask.c_str());
      out << buf << Join(r.events, ",") << "\n" << std::string(34, ' ') << r.layout << "\n";
    }
  }
  return WriteOutput(o.output, out.str()) ? kExitOk : kExitFailed;
}

}  // namespace railfmt::cli
