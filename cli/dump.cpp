// railfmt dump: the header and every record of a formatted file as a table,
// CSV or JSON.
#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <iostream>
#include <sstream>

#include "codes/codes.h"
#include "commands.h"
#include "encoding.h"
#include "fmtfile.h"

namespace railfmt::cli {
namespace {

std::string Hex(const uint8_t* b, std::size_t n) {
  std::string s;
  char x[4];
  for (std::size_t i = 0; i < n; ++i) {
    std::snprintf(x, sizeof x, i ? " %02X" : "%02X", b[i]);
    s += x;
  }
  return s;
}

std::string Join(const std::vector<std::string>& v, const char* sep) {
  std::string s;
  for (const auto& x : v) s += (s.empty() ? "" : sep) + x;
  return s;
}

template <std::size_t N>
nlohmann::json Arr(const std::array<unsigned, N>& a) {
  nlohmann::json j = nlohmann::json::array();
  for (unsigned v : a) j.push_back(v);
  return j;
}

// The header as (name, value) pairs in header order, texts already encoded.
using Pairs = std::vector<std::pair<std::string, nlohmann::json>>;
Pairs HeaderPairs(const FmtHeader& h, const std::function<std::string(const std::string&)>& text) {
  std::string vendor(1, h.vendor >= 0x20 && h.vendor < 0x7F ? h.vendor : '?');
  return {
      {"Magic", h.magic},         {"Number", text(h.number)}, {"TypeName", text(h.typeName)},
      {"Word20", h.word20},       {"ShortText", text(h.shortText)}, {"B24", h.b24},
      {"B27", h.b27},             {"Word28", h.word28},       {"Date", Arr(h.date)},
      {"B33", Arr(h.b33)},        {"B37", Arr(h.b37)},        {"B41", h.b41},
      {"B42", h.b42},             {"B43", h.b43},             {"Size", h.size},
      {"B47", h.b47},             {"B48", h.b48},             {"B49", h.b49},
      {"B50", h.b50},             {"Vendor", vendor},
  };
}

std::string Scalar(const nlohmann::json& v) {
  if (v.is_string()) return v.get<std::string>();
  if (v.is_array()) {
    std::string s;
    for (const auto& x : v) s += (s.empty() ? "" : " ") + Scalar(x);
    return s;
  }
  return v.dump();
}

std::string CsvField(const std::string& s, char sep) {
  if (s.find_first_of(std::string("\"\r\n") + sep) == std::string::npos) return s;
  std::string q = "\"";
  for (char c : s) q += c == '"' ? std::string("\"\"") : std::string(1, c);
  return q + "\"";
}

// In the table, the record kind decides what a record shows: running-state
// records their state fields; start-up, date, set-up, header, bare, text and
// supplementary records the fields of their layout, each once. CSV and JSON
// keep one column set for every record (the fields as the bytes lie).
bool ShowsState(const RecordInfo* info) {
  // a record of unknown layout shows its bytes as the state fields lie
  return !info || info->kind == "running-state record" || (info->kind == "unit of two records" && !info->continued) ||
         info->kind == "earlier-format record";
}

// The time column: the record's time field wherever its layout puts it (a
// date record's follows its date), empty for a record without one.
std::string RecordTime(const FmtRecord& r, const RecordInfo* info) {
  if (ShowsState(info)) return TimeText(r);
  char b[16];
  for (const auto& f : info->fields)
    if (f.type == "time" && f.bytes.size() == 3) {
      std::snprintf(b, sizeof b, "%02d:%02d:%02d", r.bytes[f.bytes[0]], r.bytes[f.bytes[1]], r.bytes[f.bytes[2]]);
      return b;
    }
  return info->time ? TimeText(r) : std::string();
}

bool Generic(const std::string& name) { return name == "value" || name == "data" || name.find("value") == 0; }

// The fields of a record's layout as "name value", "; "-separated; the time
// (shown in the time column) left out.
std::string FieldsText(const uint8_t* bytes, const std::vector<RecordField>& fields, const std::string& recordText,
                       const std::function<std::string(const std::string&)>& text) {
  std::string s;
  char b[32];
  for (const auto& f : fields) {
    if (f.type == "time") continue;
    std::string v;
    if (f.type == "date") {
      std::snprintf(b, sizeof b, "%02d-%02d-%02d", bytes[f.bytes[0]], bytes[f.bytes[1]], bytes[f.bytes[2]]);
      v = b;
    } else if (f.type == "number" || f.type == "signed") {
      unsigned long x = 0;
      for (std::size_t k = f.bytes.size(); k-- > 0;) x = x << 8 | bytes[f.bytes[k]];
      if (f.type == "signed" && f.bytes.size() == 2) v = std::to_string(static_cast<int16_t>(x));
      else v = std::to_string(x);
    } else if (f.type == "text") {
      std::string t;
      if (f.name == "text") t = recordText;  // the record's own text, as its code lays it out
      else {
        for (int k : f.bytes) t += static_cast<char>(bytes[k]);
        while (!t.empty() && (t.back() == '\0' || t.back() == ' ')) t.pop_back();
      }
      v = "\"" + text(t) + "\"";
    } else {
      v = Hex(bytes + f.bytes.front(), f.bytes.size());
    }
    s += (s.empty() ? "" : "; ") + (Generic(f.name) ? ByteRanges(f.bytes) + " " + f.name : f.name) + " " + v;
  }
  return s;
}

}  // namespace

int CmdDump(const DumpOptions& o) {
  std::string encoding = o.encoding.empty() ? (o.format == "csv" ? "utf-8-bom" : "utf-8") : o.encoding;
  if (o.format == "json" && encoding != "utf-8") {
    Error("--encoding: JSON output is always UTF-8 without a byte-order mark");
    return kExitUsage;
  }
  char sep = ',';
  if (o.sep == "tab" || o.sep == "\\t") sep = '\t';
  else if (o.sep.size() == 1 && o.sep[0] != '"' && o.sep[0] != '\n' && o.sep[0] != '\r') sep = o.sep[0];
  else {
    Error("--sep: give one character (or 'tab') other than a quote or a line break");
    return kExitUsage;
  }

  FmtFile file;
  if (!LoadFmtFile(o.file, file)) return kExitFailed;
  const bool gbk = encoding == "gbk";
  auto text = [&](const std::string& s) { return gbk ? s : GbkToUtf8(s); };
  const auto& fields = StateFields();
  // the start-up records lead the file: they show as start-up records
  int startupEnd = 0;
  const bool earlier = !file.records.empty() && EarlierStartup(file.records[0].code);
  while (startupEnd < static_cast<int>(file.records.size()) &&
         FindRecord(file.records[startupEnd].code, true))
    ++startupEnd;
  std::ostringstream out;
  if (encoding == "utf-8-bom") out << "\xEF\xBB\xBF";

  if (o.format == "json") {
    nlohmann::ordered_json j;
    j["file"] = o.file;
    nlohmann::ordered_json hj;
    for (auto& [k, v] : HeaderPairs(file.header, text)) hj[k] = v;
    if (o.raw) hj["raw"] = Hex(file.header.bytes.data(), file.header.bytes.size());
    j["header"] = hj;
    nlohmann::ordered_json recs = nlohmann::ordered_json::array();
    for (const auto& r : file.records) {
      nlohmann::ordered_json rj;
      rj["index"] = r.index;
      rj["code"] = CodeHex(r.code);
      rj["time"] = TimeText(r);
      for (std::size_t k = 0; k < fields.size(); ++k) rj[fields[k].name] = r.values[k];
      rj["mask"] = CodeHex(r.mask);
      rj["present"] = r.present;
      rj["text"] = text(r.text);
      if (o.raw) rj["raw"] = Hex(r.bytes.data(), r.bytes.size());
      recs.push_back(rj);
    }
    j["records"] = recs;
    j["trailing_bytes"] = file.trailingBytes;
    // GBK texts that iconv could not decode are escaped, so the dump is valid UTF-8
    out << j.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) << "\n";
  } else if (o.format == "csv") {
    std::vector<std::string> head = {"index", "code", "time"};
    for (const auto& f : fields) head.push_back(f.name);
    for (const char* c : {"mask", "present", "text"}) head.push_back(c);
    if (o.raw) head.push_back("raw");
    for (std::size_t k = 0; k < head.size(); ++k) out << (k ? std::string(1, sep) : "") << head[k];
    out << "\r\n";
    for (const auto& r : file.records) {
      std::vector<std::string> row = {std::to_string(r.index), CodeHex(r.code), TimeText(r)};
      for (long v : r.values) row.push_back(std::to_string(v));
      row.push_back(CodeHex(r.mask));
      row.push_back(Join(r.present, " "));
      row.push_back(text(r.text));
      if (o.raw) row.push_back(Hex(r.bytes.data(), r.bytes.size()));
      for (std::size_t k = 0; k < row.size(); ++k) out << (k ? std::string(1, sep) : "") << CsvField(row[k], sep);
      out << "\r\n";
    }
  } else {  // table
    for (auto& [k, v] : HeaderPairs(file.header, text)) {
      char name[16];
      std::snprintf(name, sizeof name, "%-10s", k.c_str());
      out << name << " " << Scalar(v) << "\n";
    }
    if (o.raw) out << "raw        " << Hex(file.header.bytes.data(), file.header.bytes.size()) << "\n";
    out << "records    " << file.records.size();
    if (file.trailingBytes) out << " (+" << file.trailingBytes << " trailing bytes)";
    out << "\n\n";
    static const int kWidths[] = {8, 5, 5, 5, 3, 3, 3, 3, 3, 5, 5, 5, 3};
    char buf[64];
    std::snprintf(buf, sizeof buf, "%6s %-4s %-8s", "#", "code", "time");
    out << buf;
    for (std::size_t k = 0; k < fields.size(); ++k) {
      std::snprintf(buf, sizeof buf, " %*s", std::max(kWidths[k], static_cast<int>(std::strlen(fields[k].name))), fields[k].name);
      out << buf;
    }
    out << "  mask present / text\n";
    const RecordInfo* unit = nullptr;  // the unit whose continuation comes next
    for (const auto& r : file.records) {
      if (unit) {
        // the second half of a unit: its first two bytes are data, not a code
        std::snprintf(buf, sizeof buf, "%6d %-4s %-8s", r.index, "+", "");
        out << buf << "  continuation of " << CodeHex(unit->code) << ": "
            << FieldsText(r.bytes.data(), unit->continuation, r.text, text);
        if (o.raw) out << "  [" << Hex(r.bytes.data(), r.bytes.size()) << "]";
        out << "\n";
        unit = nullptr;
        continue;
      }
      const RecordInfo* info = FindRecord(r.code, r.index < startupEnd, earlier);
      std::snprintf(buf, sizeof buf, "%6d %-4s %-8s", r.index, CodeHex(r.code).c_str(), RecordTime(r, info).c_str());
      out << buf;
      if (!ShowsState(info)) {
        if (info->continued) unit = info;
        const std::string fields = FieldsText(r.bytes.data(), info->fields, r.text, text);
        out << "  " << info->kind << ":" << (fields.empty() ? "" : " " + fields);
        if (o.raw) out << "  [" << Hex(r.bytes.data(), r.bytes.size()) << "]";
        out << "\n";
        continue;
      }
      for (std::size_t k = 0; k < fields.size(); ++k) {
        std::snprintf(buf, sizeof buf, " %*ld", std::max(kWidths[k], static_cast<int>(std::strlen(fields[k].name))),
                      r.values[k]);
        out << buf;
      }
      out << "  " << CodeHex(r.mask) << " " << Join(r.present, ",");
      if (!r.text.empty()) out << "  \"" << text(r.text) << "\"";
      if (o.raw) out << "  [" << Hex(r.bytes.data(), r.bytes.size()) << "]";
      out << "\n";
    }
  }
  std::string s = out.str();
  std::fwrite(s.data(), 1, s.size(), stdout);
  if (std::fflush(stdout) != 0) {
    Error("cannot write the output");
    return kExitFailed;
  }
  return kExitOk;
}

}  // namespace railfmt::cli
