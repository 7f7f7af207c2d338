#include "engine/newtofmt.h"

#include "texts/gbk.h"

#include <algorithm>
#include <bitset>
#include <cctype>
#include <cstring>
#include <exception>
#include <map>
#include <new>
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
    : d(data), Version(version), cls_(&cls), table_(&Resolve(cls)) {
  for (int i = 0; i < kAttachedCodes; ++i) {
    const HandlerRow* row = table_->one[kFirstAttached + i];
    // a row without a step of its own runs on a saved Raw
    const AttachedStep onSavedRaw = [](TNewToFmt& c, const HandlerRow& r, uint8_t code) { c.RunOnSavedRaw(r, code); };
    attached_[i] = {row, row && row->attached ? row->attached : onSavedRaw};
  }
}

const HandlerRow* TNewToFmt::FindHandler(std::string_view name) const {
  int bytes = 0;
  int v = ParseName(name, bytes);
  if (v < 0) return nullptr;
  return bytes == 1 ? table_->one[v] : table_->two[v];
}

void TNewToFmt::RunHandler(const HandlerRow* row) {
  try {
    row->step(*this, *row);
  } catch (const std::bad_alloc&) {
    // No memory is no record's error: going on would drop records from an
    // output that would then look finished.
    throw;
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

void TNewToFmt::RunOnSavedRaw(const HandlerRow& row, uint8_t code) {
  const int saved = d.SaveRaw();
  d.Raw[0] = code;
  row.step(*this, row);
  d.RestoreRaw(saved);
}

void TNewToFmt::PeekLastByte() {
  const MemStream& in = *d.InStream;
  if (in.Size() < 2) {
    PeekAttachedOneByte();
    return;
  }
  const std::size_t pos = in.Position();
  const uint8_t next = in.Data()[pos];
  if (IsAttachedCode(next)) RunAttached(pos, next);
}

void TNewToFmt::PeekAttachedOneByte() {
  MemStream& in = *d.InStream;
  // At the end of the input nothing is read and nothing is stepped back.
  if (in.AtEnd()) return;
  // Raw is saved to RawSave only when an attached record's handler runs;
  // otherwise the byte read over Raw[0] is all there is to put back.
  const uint8_t own = d.Raw[0];
  d.ReadRaw(1, 0);
  const uint8_t next = d.Raw[0];
  const HandlerRow* row = IsAttachedCode(next) ? table_->one[next] : nullptr;
  if (!IsAttachedCode(next)) in.SeekBy(-1);
  if (!row) {
    d.Raw[0] = own;
    return;
  }
  d.Raw[0] = own;
  RunOnSavedRaw(*row, next);
}

namespace {
// Notes a two-byte code without a handler in names, the first time it is met
// (noted: the codes met before). Out of line: the main loop stays small.
[[gnu::noinline]] void NoteUnhandled(std::bitset<65536>& noted, std::string& names, uint8_t code0,
                                     uint8_t code1) {
  const int key = code0 << 8 | code1;
  if (noted.test(key)) return;
  noted.set(key);
  const std::string entry = TPubFunc::Hex2(code0) + TPubFunc::Hex2(code1) + ";";
  if (names.find(entry) == std::string::npos) names += entry;
}

// What the main loop makes of a byte: a code A0..F2 (its one-byte handler,
// else the first byte of a two-byte code), an F0/F1 met on its own, the
// first byte FE of a two-byte code, or nothing (skipped).
enum class Start : uint8_t { None, Code, State, TwoByte };
constexpr std::array<Start, 256> kStart = [] {
  std::array<Start, 256> t{};
  for (int b = 0xA0; b <= 0xF2; ++b)
    t[b] = TNewToFmt::IsAttachedCode(static_cast<uint8_t>(b)) ? Start::State : Start::Code;
  t[0xFE] = Start::TwoByte;
  return t;
}();

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
  LongState = LongStateForms(d.Hdr);
  UnhandledNames.clear();
  // The records of the main loop are gathered a block at a time (FlushBlock
  // before the header is written back).
  struct GatherScope {
    TFmtData& d;
    explicit GatherScope(TFmtData& data) : d(data) { d.Gather = true; }
    ~GatherScope() { d.Gather = false; }
  } gather(d);

  // The context under a local name: the loop's lambda reaches it without
  // going through this.
  TFmtData& fd = d;
  MemStream& in = *fd.InStream;
  // Codes already in UnhandledNames (the text itself is searched only when
  // a code is met for the first time).
  auto noted = std::make_unique<std::bitset<65536>>();
  // Out and Raw are all zero after ClearRecord (RawUsed 0). While they are,
  // a skipped byte or an unhandled code dirties Raw[0..1] only, and clearing
  // those two bytes is the whole of ClearRecord.
  bool clean = false;
  const uint8_t* data = in.Data().data();
  const std::size_t size = in.Size();
  // The record whose code byte was just read into Raw[0].
  auto dispatch = [&](uint8_t code) {
    bool handled = false;
    switch (kStart[code]) {
      case Start::State:
        // An attached record met on its own.
        if (const HandlerRow* row = table_->one[code]) {
          const int saved = fd.SaveRaw();
          RunHandler(row);
          fd.RestoreRaw(saved);
        }
        clean = false;
        return;
      [[likely]] case Start::Code:
        if (const HandlerRow* row = table_->one[code]) {
          RunHandler(row);
          handled = true;
          break;
        }
        [[fallthrough]];
      case Start::TwoByte: {
        // The second code byte (ReadRaw(1, 1)).
        const std::size_t p = in.Position();
        if (size >= 2 && p < size) {
          fd.Raw[1] = data[p];
          in.Seek(p + 1);
          if (fd.RawUsed < 2) fd.RawUsed = 2;
        } else {
          fd.ReadRaw(1, 1);
        }
        const uint8_t code1 = fd.Raw[1];
        if (const HandlerRow* row2 = table_->two[(code << 8) | code1]) {
          RunHandler(row2);
          handled = true;
        } else {
          NoteUnhandled(*noted, UnhandledNames, code, code1);
        }
        break;
      }
      case Start::None:
        // Any other byte is skipped silently.
        break;
    }
    if (clean && !handled) {
      fd.Raw[0] = 0;
      fd.Raw[1] = 0;
      fd.RawUsed = 0;
      return;
    }
    fd.ClearRecord();
    clean = true;
  };
  if (size < 2) {
    // An input of one byte (ReadRaw consumes it without storing it).
    while (in.Position() < size) {
      fd.ReadRaw(1, 0);
      dispatch(fd.Raw[0]);
    }
  } else {
    for (std::size_t p = in.Position(); p < size; p = in.Position()) {
      // The code byte (ReadRaw(1, 0)).
      uint8_t code = data[p];
      if (clean) {
        // Bytes that start no record leave nothing behind: step over them.
        while (kStart[code] == Start::None) {
          if (++p == size) break;
          code = data[p];
        }
        if (p == size) {
          in.Seek(p);
          break;
        }
        fd.RawUsed = 1;
      } else if (fd.RawUsed < 1) {
        fd.RawUsed = 1;
      }
      fd.Raw[0] = code;
      in.Seek(p + 1);
      dispatch(code);
    }
  }

  d.FlushBlock();
  d.Gather = false;
  CloseConversion(d);

  std::string names = Trim(UnhandledNames);
  if (!names.empty()) {
    std::string tag = Vendor() == 'Q' ? "(QX)" : "(ZZ)";
    WriteLog(d.SourceName + tag + std::string(GBK("未处理:")) + names);
  }
  return 1;
}

}  // namespace railfmt
