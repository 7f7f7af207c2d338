#include "tables.h"

#include <charconv>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <algorithm>
#include <climits>
#include <cstdio>
#include <sstream>
#include <stdexcept>

#include "encoding.h"
#include "railfmt/railfmt.h"
#include "railfmt/table_fields.h"

namespace railfmt::cli {
namespace fs = std::filesystem;

std::vector<CsvRow> ParseCsv(const std::string& text, const std::string& fileName) {
  std::vector<CsvRow> rows;
  std::size_t i = 0;
  if (text.compare(0, 3, "\xEF\xBB\xBF") == 0) i = 3;
  int line = 1;
  while (i < text.size()) {
    CsvRow row;
    row.line = line;
    std::string field;
    bool quotedField = false;
    bool endOfRow = false;
    // a comment line or a blank line
    std::size_t eol = text.find('\n', i);
    std::string_view rest(text.data() + i, (eol == std::string::npos ? text.size() : eol) - i);
    std::size_t firstNonBlank = rest.find_first_not_of(" \t\r");
    if (firstNonBlank == std::string_view::npos || rest[firstNonBlank] == '#') {
      i = eol == std::string::npos ? text.size() : eol + 1;
      ++line;
      continue;
    }
    auto finishField = [&]() {
      if (!quotedField) {
        std::size_t a = field.find_first_not_of(" \t\r");
        std::size_t b = field.find_last_not_of(" \t\r");
        field = a == std::string::npos ? std::string() : field.substr(a, b - a + 1);
      }
      row.fields.push_back(field);
      field.clear();
      quotedField = false;
    };
    while (!endOfRow) {
      if (i >= text.size()) {
        finishField();
        break;
      }
      char c = text[i];
      if (c == '"' && field.find_first_not_of(" \t") == std::string::npos) {
        // quoted field
        field.clear();
        quotedField = true;
        ++i;
        for (;;) {
          if (i >= text.size())
            throw TableError(fileName + ":" + std::to_string(row.line) + ": unterminated quoted field");
          if (text[i] == '"') {
            if (i + 1 < text.size() && text[i + 1] == '"') {
              field += '"';
              i += 2;
              continue;
            }
            ++i;
            break;
          }
          if (text[i] == '\n') ++line;
          field += text[i++];
        }
        // blanks up to the separator
        while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\r')) ++i;
        if (i < text.size() && text[i] != ',' && text[i] != '\n')
          throw TableError(fileName + ":" + std::to_string(line) + ": text after a closing quote");
        continue;
      }
      if (c == ',') {
        finishField();
        ++i;
      } else if (c == '\n') {
        finishField();
        ++i;
        ++line;
        endOfRow = true;
      } else {
        field += c;
        ++i;
      }
    }
    rows.push_back(std::move(row));
  }
  return rows;
}

namespace {

// One table file: column names, which are required, and a row builder.
class Sheet {
 public:
  Sheet(std::string file, std::vector<CsvRow> rows, std::vector<std::string> columns,
        std::vector<std::string> required)
      : file_(std::move(file)), rows_(std::move(rows)), columns_(columns) {
    if (rows_.empty()) throw TableError(file_ + ":1: missing header row");
    const CsvRow& head = rows_.front();
    for (std::size_t k = 0; k < head.fields.size(); ++k) {
      const std::string& n = head.fields[k];
      if (std::find(columns.begin(), columns.end(), n) == columns.end())
        throw TableError(file_ + ":" + std::to_string(head.line) + ": unknown column '" + n + "'");
      if (index_.count(n))
        throw TableError(file_ + ":" + std::to_string(head.line) + ": column '" + n + "' named twice");
      index_[n] = k;
    }
    for (const auto& r : required)
      if (!index_.count(r))
        throw TableError(file_ + ":" + std::to_string(head.line) + ": missing column '" + r + "'");
  }

  std::size_t size() const { return rows_.size() - 1; }

  // Runs fn for every data row with the row selected.
  void ForEach(const std::function<void()>& fn) {
    std::size_t width = rows_.front().fields.size();
    for (std::size_t r = 1; r < rows_.size(); ++r) {
      cur_ = &rows_[r];
      if (cur_->fields.size() != width)
        Fail("expected " + std::to_string(width) + " fields, found " + std::to_string(cur_->fields.size()));
      fn();
    }
  }

  [[noreturn]] void Fail(const std::string& msg) const {
    throw TableError(file_ + ":" + std::to_string(cur_->line) + ": " + msg);
  }
  bool Has(const std::string& col) const { return index_.count(col) != 0; }
  std::string Raw(const std::string& col) const {
    if (std::find(columns_.begin(), columns_.end(), col) == columns_.end())
      throw std::logic_error(file_ + ": column '" + col + "' is not in the table's field list");
    auto it = index_.find(col);
    return it == index_.end() ? std::string() : cur_->fields[it->second];
  }

  // An integer in [lo, hi]; an absent column or an empty optional field
  // gives def.
  int64_t Int(const std::string& col, int64_t lo, int64_t hi, int64_t def = 0, bool required = false) const {
    std::string s = Raw(col);
    if (s.empty()) {
      if (required) Fail(col + ": value missing");
      return def;
    }
    int64_t v = 0;
    const char* b = s.data();
    const char* e = s.data() + s.size();
    if (*b == '+') ++b;
    auto res = std::from_chars(b, e, v);
    if (res.ec != std::errc() || res.ptr != e) Fail(col + ": '" + s + "' is not an integer");
    if (v < lo || v > hi)
      Fail(col + ": " + s + " is out of range " + std::to_string(lo) + ".." + std::to_string(hi));
    return v;
  }
  // Seconds of the day from "HH:MM", "HH:MM:SS" or a number of seconds.
  int64_t TimeOfDay(const std::string& col) const {
    std::string s = Raw(col);
    if (s.find(':') == std::string::npos) return Int(col, 0, 86399, 0, true);
    int h = 0, m = 0, sec = 0;
    char extra = 0;
    int n = std::sscanf(s.c_str(), "%d:%d:%d%c", &h, &m, &sec, &extra);
    if (n < 2 || n > 3 || h < 0 || h > 23 || m < 0 || m > 59 || sec < 0 || sec > 59)
      Fail(col + ": '" + s + "' is not a time of day (HH:MM or HH:MM:SS)");
    return h * 3600 + m * 60 + sec;
  }
  // A text converted to GBK.
  std::string Text(const std::string& col, bool required = false) const {
    std::string s = Raw(col);
    if (required && s.empty()) Fail(col + ": value missing");
    auto g = Utf8ToGbk(s);
    if (!g) Fail(col + ": '" + s + "' is not UTF-8 text with a GBK form");
    return *g;
  }

 private:
  std::string file_;
  std::vector<CsvRow> rows_;
  std::vector<std::string> columns_;
  std::map<std::string, std::size_t> index_;
  const CsvRow* cur_ = nullptr;
};

// GBK texts live here while the setter copies them.
using TextStore = std::vector<std::unique_ptr<std::string>>;
// A checked table: its row count and the call that hands it over.
struct Prepared {
  std::size_t rows;
  std::function<void()> handOver;
};
const char* Keep(TextStore& store, std::string s) {
  store.push_back(std::make_unique<std::string>(std::move(s)));
  return store.back()->c_str();
}

// The table setters store nothing when handed a single record (a last index
// of 0), so a one-row table goes over with a neutral second record.
template <typename Rec, typename Setter>
void HandOver(std::vector<Rec> recs, const Rec& neutral, Setter setter) {
  if (recs.size() == 1) recs.push_back(neutral);
  setter(recs.data(), static_cast<int32_t>(recs.size()) - 1);
}

constexpr int64_t kI32Min = INT32_MIN, kI32Max = INT32_MAX;

Prepared LoadDrivers(Sheet& s) {
  auto texts = std::make_shared<TextStore>();
  std::vector<DriverRecord> recs;
  s.ForEach([&] {
    DriverRecord r{};
    r.number = static_cast<int32_t>(s.Int("number", kI32Min, kI32Max, 0, true));
    r.name = Keep(*texts, s.Text("name", true));
    r.text1 = Keep(*texts, s.Text("text1"));
    r.text3 = Keep(*texts, s.Text("text3"));
    r.value12 = static_cast<int32_t>(s.Int("value12", kI32Min, kI32Max));
    r.flag16 = static_cast<int16_t>(s.Int("flag16", INT16_MIN, INT16_MAX));
    r.value20 = static_cast<int32_t>(s.Int("value20", kI32Min, kI32Max));
    r.value28 = static_cast<int32_t>(s.Int("value28", kI32Min, kI32Max));
    recs.push_back(r);
  });
  DriverRecord neutral{};
  neutral.number = -1;
  return {recs.size(), [texts, recs, neutral]() { HandOver(recs, neutral, getDriverInfo); }};
}

Prepared LoadStations(Sheet& s) {
  auto texts = std::make_shared<TextStore>();
  std::vector<StationRecord> recs;
  s.ForEach([&] {
    StationRecord r{};
    r.line = static_cast<uint16_t>(s.Int("line", 0, 65535, 0, true));
    r.station = static_cast<uint16_t>(s.Int("station", 0, 65535, 0, true));
    r.name = Keep(*texts, s.Text("name", true));
    r.czbm04 = static_cast<int32_t>(s.Int("czbm04", kI32Min, kI32Max));
    r.czbm05 = static_cast<int32_t>(s.Int("czbm05", kI32Min, kI32Max));
    r.czbm06 = static_cast<int32_t>(s.Int("czbm06", kI32Min, kI32Max));
    r.czbm07 = static_cast<int32_t>(s.Int("czbm07", kI32Min, kI32Max));
    recs.push_back(r);
  });
  return {recs.size(), [texts, recs, n = StationRecord{}]() { HandOver(recs, n, getStationInfo); }};
}

Prepared LoadLocoTypes(Sheet& s) {
  auto texts = std::make_shared<TextStore>();
  std::vector<JcTypeRecord> recs;
  s.ForEach([&] {
    JcTypeRecord r{};
    r.code = static_cast<uint16_t>(s.Int("code", 0, 65535, 0, true));
    r.name = Keep(*texts, s.Text("name", true));
    r.text1 = Keep(*texts, s.Text("text1"));
    recs.push_back(r);
  });
  return {recs.size(), [texts, recs, n = JcTypeRecord{}]() { HandOver(recs, n, getJcTypeInfo); }};
}

Prepared LoadPositions(Sheet& s) {
  auto texts = std::make_shared<TextStore>();
  std::vector<JwdRecord> recs;
  s.ForEach([&] {
    JwdRecord r{};
    r.key = static_cast<uint16_t>(s.Int("key", 0, 65535, 0, true));
    r.text = Keep(*texts, s.Text("text", true));
    recs.push_back(r);
  });
  return {recs.size(), [texts, recs, n = JwdRecord{}]() { HandOver(recs, n, getJwdInfo); }};
}

Prepared LoadRestrictions(Sheet& s) {
  std::vector<LinshiRecord> recs;
  auto texts = std::make_shared<TextStore>();
  s.ForEach([&] {
    LinshiRecord r{};
    r.line = static_cast<uint16_t>(s.Int("line", 0, 65535, 0, true));
    r.direction = static_cast<uint16_t>(s.Int("direction", 0, 65535, 0, true));
    r.value4 = static_cast<uint16_t>(s.Int("value4", 0, 65535));
    r.level = static_cast<int16_t>(s.Int("level", INT16_MIN, INT16_MAX));
    r.start_pos = static_cast<int32_t>(s.Int("start_pos", kI32Min, kI32Max, 0, true));
    r.end_pos = static_cast<int32_t>(s.Int("end_pos", kI32Min, kI32Max, 0, true));
    r.start_date = static_cast<int32_t>(s.Int("start_date", 0, kI32Max, 0, true));
    r.start_time = static_cast<int32_t>(s.TimeOfDay("start_time"));
    r.end_date = static_cast<int32_t>(s.Int("end_date", 0, kI32Max, 0, true));
    r.end_time = static_cast<int32_t>(s.TimeOfDay("end_time"));
    r.speed = static_cast<int16_t>(s.Int("speed", INT16_MIN, INT16_MAX, 0, true));
    r.kind = static_cast<uint16_t>(s.Int("kind", 0, 65535, 0, true));
    recs.push_back(r);
  });
  return {recs.size(), [texts, recs, n = LinshiRecord{}]() { HandOver(recs, n, getLinshiInfo); }};
}

Prepared LoadDepots(Sheet& s) {
  std::vector<ZhuDuanRecord> recs;
  s.ForEach([&] {
    ZhuDuanRecord r{};
    r.type_code = static_cast<int16_t>(s.Int("type_code", INT16_MIN, INT16_MAX, 0, true));
    r.loco_number = static_cast<int16_t>(s.Int("loco_number", INT16_MIN, INT16_MAX, 0, true));
    std::string hex = s.Raw("depot");
    if (hex.size() != 12 || hex.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
      s.Fail("depot: '" + hex + "' is not 12 hexadecimal digits (6 bytes)");
    for (int k = 0; k < 6; ++k) r.depot[k] = static_cast<uint8_t>(std::stoi(hex.substr(2 * k, 2), nullptr, 16));
    recs.push_back(r);
  });
  // the depot setter copies exactly what it is given
  return {recs.size(), [recs]() { SetZhuDuan(recs.data(), static_cast<int32_t>(recs.size()) - 1); }};
}

struct TableFile {
  const char* name;
  std::vector<std::string> columns;
  std::vector<std::string> required;
  Prepared (*load)(Sheet&);
};

const std::vector<TableFile>& TableFiles() {
  // The columns of each file are those of its field list (railfmt/table_fields.h).
#define RAILFMT_CSV_COLUMNS(FIELDS) {FIELDS(RAILFMT_CSV_COLUMN)}, {FIELDS(RAILFMT_CSV_REQUIRED)}
  static const std::vector<TableFile> files = {
      {"drivers.csv", RAILFMT_CSV_COLUMNS(RAILFMT_DRIVER_FIELDS), LoadDrivers},
      {"stations.csv", RAILFMT_CSV_COLUMNS(RAILFMT_STATION_FIELDS), LoadStations},
      {"loco_types.csv", RAILFMT_CSV_COLUMNS(RAILFMT_JCTYPE_FIELDS), LoadLocoTypes},
      {"positions.csv", RAILFMT_CSV_COLUMNS(RAILFMT_JWD_FIELDS), LoadPositions},
      {"restrictions.csv", RAILFMT_CSV_COLUMNS(RAILFMT_LINSHI_FIELDS), LoadRestrictions},
      {"depots.csv", RAILFMT_CSV_COLUMNS(RAILFMT_ZHUDUAN_FIELDS), LoadDepots},
  };
#undef RAILFMT_CSV_COLUMNS
  return files;
}

}  // namespace

std::vector<TableSummary> LoadTables(const std::string& dir) {
  std::error_code ec;
  if (!fs::is_directory(dir, ec))
    throw TableError(dir + (fs::exists(dir, ec) ? ": is a file, not a folder (--tables names the folder of the CSV files)"
                                                : ": no such folder"));
  // Parse and check every file first, so that a malformed file leaves the
  // library's tables untouched.
  std::vector<std::pair<const TableFile*, Sheet>> sheets;
  for (const auto& tf : TableFiles()) {
    fs::path p = fs::path(dir) / tf.name;
    if (!fs::exists(p, ec)) continue;
    std::ifstream f(p, std::ios::binary);
    if (!f) throw TableError(p.string() + ": cannot be read");
    std::stringstream ss;
    ss << f.rdbuf();
    sheets.emplace_back(&tf, Sheet(p.string(), ParseCsv(ss.str(), p.string()), tf.columns, tf.required));
  }
  if (sheets.empty()) throw TableError(dir + ": holds none of the table files (drivers.csv, stations.csv, ...)");
  // Building the records checks every field; the setters are called only
  // after every file passed.
  std::vector<Prepared> prepared;
  std::vector<TableSummary> out;
  for (auto& [tf, sheet] : sheets) {
    prepared.push_back(tf->load(sheet));
    out.push_back({tf->name, prepared.back().rows});
  }
  for (auto& p : prepared) p.handOver();
  return out;
}

std::vector<uint16_t> ParseCodeList(const std::string& text) {
  std::vector<uint16_t> codes;
  std::string tok;
  auto flush = [&]() {
    if (tok.empty()) return;
    std::string t = tok;
    if (t.size() > 2 && (t.compare(0, 2, "0x") == 0 || t.compare(0, 2, "0X") == 0)) t = t.substr(2);
    if (t.empty() || t.size() > 4 || t.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
      throw std::invalid_argument("'" + tok + "' is not a hexadecimal record code (e.g. 8B06)");
    codes.push_back(static_cast<uint16_t>(std::stoul(t, nullptr, 16)));
    tok.clear();
  };
  for (char c : text) {
    if (c == ',' || c == ' ' || c == ';' || c == '\t') flush();
    else tok += c;
  }
  flush();
  return codes;
}

void SetMaskedCodes(const std::vector<uint16_t>& codes) {
  SetPBEvtCode(codes.data(), static_cast<int32_t>(codes.size()) - 1);
}

}  // namespace railfmt::cli
