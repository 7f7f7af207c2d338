#include "engine/newtofmt.h"

#include "texts/gbk.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <exception>
#include <map>
#include <mutex>

namespace railfmt {

namespace {

int HexDigit(char ch) {
  if (ch >= '0' && ch <= '9') return ch - '0';
  ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
  if (ch >= 'A' && ch <= 'F') return ch - 'A' + 10;
  return -1;
}

// "C5" -> 0xC5 (len 1), "A008" -> 0xA008 (len 2); -1 for anything else.
int ParseName(std::string_view name, int& bytes) {
  if (name.size() != 2 && name.size() != 4) return -1;
  int v = 0;
  for (char ch : name) {
    int h = HexDigit(ch);
    if (h < 0) return -1;
    v = v * 16 + h;
  }
  bytes = static_cast<int>(name.size() / 2);
  return v;
}

void Publish(const ConverterClass& cls, std::map<std::string, const HandlerRow*>& rows) {
  if (cls.parent) Publish(*cls.parent, rows);
  for (HandlerFamily fam : cls.families) {
    for (const HandlerRow& r : fam()) {
      std::string key(r.name);
      for (char& ch : key) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
      rows[key] = &r;  // a subclass replaces its ancestor's handler of that name
    }
  }
}

}  // namespace

const ResolvedHandlers& Resolve(const ConverterClass& cls) {
  static std::mutex mu;
  static std::map<const ConverterClass*, std::unique_ptr<ResolvedHandlers>> cache;
  std::lock_guard<std::mutex> lock(mu);
  auto it = cache.find(&cls);
  if (it != cache.end()) return *it->second;
  auto t = std::make_unique<ResolvedHandlers>();
  t->two.assign(65536, nullptr);
  std::map<std::string, const HandlerRow*> rows;
  Publish(cls, rows);
  for (auto& [name, row] : rows) {
    int bytes = 0;
    int v = ParseName(name, bytes);
    if (v < 0) continue;
    if (bytes == 1) t->one[v] = row;
    else t->two[v] = row;
    t->names.push_back(name);
  }
  const ResolvedHandlers& ref = *t;
  cache.emplace(&cls, std::move(t));
  return ref;
}

RunState& Run() {
  static RunState* s = new RunState();
  return *s;
}

TNewToFmt::TNewToFmt(TFmtData& data, const ConverterClass& cls, int version)
    : d(data), Version(version), cls_(&cls), table_(&Resolve(cls)) {}

const HandlerRow* TNewToFmt::FindHandler(std::string_view name) const {
  int bytes = 0;
  int v = ParseName(name, bytes);
  if (v < 0) return nullptr;
  return bytes == 1 ? table_->one[v] : table_->two[v];
}

void TNewToFmt::RunHandler(const HandlerRow* row) {
  try {
    row->step(*this, *row);
  } catch (...) {
    // An error inside a handler is dropped; the loop goes on.
  }
}

bool TNewToFmt::Call(std::string_view name) {
  const HandlerRow* row = FindHandler(name);
  if (!row) return false;
  row->step(*this, *row);
  return true;
}

void TNewToFmt::PeekAttached() {
  std::memcpy(d.RawSave, d.Raw, sizeof d.Raw);
  MemStream& in = *d.InStream;
  // At the end of the input nothing is read and nothing is stepped back.
  if (!in.AtEnd()) {
    d.ReadRaw(1, 0);
    if (d.Raw[0] == 0xF0 || d.Raw[0] == 0xF1) {
      const HandlerRow* row = table_->one[d.Raw[0]];
      if (row) row->step(*this, *row);
    } else {
      in.SeekBy(-1);
    }
  }
  std::memcpy(d.Raw, d.RawSave, sizeof d.Raw);
}

namespace {
void NoteUnhandled(std::string& names, const std::string& name) {
  std::string entry = name + ";";
  if (names.find(entry) == std::string::npos) names += entry;
}

std::string Trim(const std::string& s) {
  std::size_t b = 0, e = s.size();
  while (b < e && static_cast<unsigned char>(s[b]) <= ' ') ++b;
  while (e > b && static_cast<unsigned char>(s[e - 1]) <= ' ') --e;
  return s.substr(b, e - b);
}
}  // namespace

int TNewToFmt::RunConversion() {
  d.HandlerByteB = 0;
  d.HandlerByteC = 0;
  Run().FirstValueFlag = false;
  Run().StartRecordFlag = false;
  Run().LastStartTime = -1;

  StartConversion(*this);
  UnhandledNames.clear();

  MemStream& in = *d.InStream;
  while (in.Position() < in.Size()) {
    d.ReadRaw(1, 0);
    const uint8_t code = d.Raw[0];
    if (code == 0xF0 || code == 0xF1) {
      // An attached record met on its own.
      std::memcpy(d.RawSave, d.Raw, sizeof d.Raw);
      if (const HandlerRow* row = table_->one[code]) RunHandler(row);
      std::memcpy(d.Raw, d.RawSave, sizeof d.Raw);
      continue;
    }
    if (code >= 0xA0 && code <= 0xF2) {
      if (const HandlerRow* row = table_->one[code]) {
        RunHandler(row);
      } else {
        d.ReadRaw(1, 1);
        if (const HandlerRow* row2 = table_->two[(code << 8) | d.Raw[1]]) {
          RunHandler(row2);
        } else {
          NoteUnhandled(UnhandledNames, TPubFunc::Hex2(code) + TPubFunc::Hex2(d.Raw[1]));
        }
      }
    } else if (code == 0xFE) {
      d.ReadRaw(1, 1);
      if (const HandlerRow* row2 = table_->two[(code << 8) | d.Raw[1]]) {
        RunHandler(row2);
      } else {
        NoteUnhandled(UnhandledNames, TPubFunc::Hex2(code) + TPubFunc::Hex2(d.Raw[1]));
      }
    }
    // Any other byte is skipped silently.
    d.ClearRecord();
  }

  CloseConversion(d);

  std::string names = Trim(UnhandledNames);
  if (!names.empty()) {
    std::string tag = Vendor() == 'Q' ? "(QX)" : "(ZZ)";
    WriteLog(d.SourceName + tag + std::string(GBK("未处理:")) + names);
  }
  return 1;
}

}  // namespace railfmt
