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
// records their state fields; start-up, date, set-up, header, bare and
// supplementary records the bytes their producer fills. CSV and JSON keep
// one column set for every record (the fields as the bytes lie).
bool ShowsState(const RecordInfo* info) {
  // a record of unknown layout shows its bytes as the state fields lie
  return !info || info->kind == "running-state record" || info->kind == "unit of two records" ||
         info->kind == "earlier-format record";
}
bool HasTime(const RecordInfo* info) {
  return ShowsState(info) || info->kind == "header record" || info->kind == "text record" ||
         info->kind == "start-up record";
}
bool IsDate(const RecordInfo* info) { return info && info->kind == "date record"; }

// "57-08-12" of a date record's bytes 2..4; its time of day is at 5..7.
std::string DateText(const FmtRecord& r) {
  char b[16];
  std::snprintf(b, sizeof b, "%02d-%02d-%02d", r.bytes[2], r.bytes[3], r.bytes[4]);
  return b;
}
std::string DateTimeText(const FmtRecord& r) {
  char b[16];
  std::snprintf(b, sizeof b, "%02d:%02d:%02d", r.bytes[5], r.bytes[6], r.bytes[7]);
  return b;
}
std::string RecordTime(const FmtRecord& r, const RecordInfo* info) {
  if (IsDate(info)) return DateTimeText(r);
  return HasTime(info) ? TimeText(r) : std::string();
}

// The producer's own bytes: (range, little-endian value) per run of bytes.
std::vector<std::pair<std::string, unsigned long>> OwnFields(const FmtRecord& r, const RecordInfo& info) {
  std::vector<std::pair<std::string, unsigned long>> out;
  // the text of a text record shows as text, not as numbers
  const std::vector<int> text = TextBytes(info.code);
  std::vector<int> b;
  for (int k : info.bytes)
    if (std::find(text.begin(), text.end(), k) == text.end()) b.push_back(k);
  for (std::size_t i = 0; i < b.size();) {
    std::size_t j = i;
    while (j + 1 < b.size() && b[j + 1] == b[j] + 1 && j - i < 1) ++j;
    unsigned long v = 0;
    for (std::size_t k = j + 1; k-- > i;) v = v << 8 | r.bytes[b[k]];
    if (!(IsDate(&info) && b[i] <= 7))
      out.push_back({std::to_string(b[i]) + (j > i ? "-" + std::to_string(b[j]) : ""), v});
    i = j + 1;
  }
  return out;
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
  try {
    file = ReadFmtFile(o.file);
  } catch (const std::exception& e) {
    Error(e.what());
    return kExitFailed;
  }
  const bool gbk = encoding == "gbk";
  auto text = [&](const std::string& s) { return gbk ? s : GbkToUtf8(s); };
  const auto& fields = StateFields();
  // the start-up records lead the file: they show as start-up records
  int startupEnd = 0;
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
    for (const auto& r : file.records) {
      const RecordInfo* info = FindRecord(r.code, r.index < startupEnd);
      std::snprintf(buf, sizeof buf, "%6d %-4s %-8s", r.index, CodeHex(r.code).c_str(), RecordTime(r, info).c_str());
      out << buf;
      if (!ShowsState(info)) {
        out << "  " << info->kind << ":";
        if (IsDate(info)) out << " date " << DateText(r);
        for (const auto& [range, v] : OwnFields(r, *info)) out << " " << range << "=" << v;
        if (!r.text.empty()) out << "  \"" << text(r.text) << "\"";
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
