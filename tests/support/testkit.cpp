#include "support/testkit.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "handlers/families.h"
#include "platform/platform.h"

namespace railfmt::test {

Bytes Bcd(uint64_t value, int n) {
  Bytes b(n);
  for (int i = n - 1; i >= 0; --i) {
    int two = static_cast<int>(value % 100);
    value /= 100;
    b[i] = static_cast<uint8_t>((two / 10) << 4 | (two % 10));
  }
  return b;
}

uint8_t CheckByte(const Bytes& r) {
  int s = 0;
  for (std::size_t i = 0; i < r.size(); ++i)
    s += i == 0 ? r[i] % 100 : (r[i] >> 4) * 10 + (r[i] & 15);
  int c = (100 - s % 100) % 100;
  return static_cast<uint8_t>((c / 10) << 4 | (c % 10));
}

Bytes Rec(const Bytes& r) {
  Bytes out = r;
  out.push_back(CheckByte(r));
  return out;
}

Bytes Cat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

Bytes Rec(std::initializer_list<Bytes> parts) { return Rec(Cat(parts)); }

RawHeader::RawHeader() {
  h[0] = 0xB0;
  h[1] = 0xF0;
  h[5] = 0x08;
  h[6] = 0x30;
  h[7] = 0x00;
  h[kRawVendorPos] = 'Q';
  Version(101);
}

RawHeader& RawHeader::Vendor(char v) {
  h[kRawVendorPos] = static_cast<uint8_t>(v);
  return *this;
}

RawHeader& RawHeader::Version(int v) { return PutBcd(kRawProtocolPos, static_cast<uint64_t>(v), 2); }

RawHeader& RawHeader::Put(int pos, const Bytes& b) {
  for (std::size_t i = 0; i < b.size(); ++i) h.at(pos + i) = b[i];
  return *this;
}

Bytes EventFile(const RawHeader& h, std::initializer_list<Bytes> records) {
  Bytes out = h.bytes();
  for (const Bytes& r : records) out.insert(out.end(), r.begin(), r.end());
  return out;
}

Bytes EventFile(const RawHeader& h, const Bytes& body) {
  Bytes out = h.bytes();
  out.insert(out.end(), body.begin(), body.end());
  return out;
}

Bytes Convert(const Bytes& file, int version, std::string_view vendor) {
  int result = 0;
  Bytes out = ConvertEventBytes(file, version, vendor, &result);
  if (result != 1) throw std::runtime_error("ConvertEvents failed");
  return out;
}

int StartupCount(const Bytes& file) { return file.size() > 78 && (file[78] & 0x40) ? 31 : 28; }

std::vector<Rec26> AllRecords(const Bytes& out) {
  std::vector<Rec26> recs;
  for (std::size_t p = 52; p + 26 <= out.size(); p += 26) {
    Rec26 r;
    std::copy(out.begin() + p, out.begin() + p + 26, r.begin());
    recs.push_back(r);
  }
  return recs;
}

std::vector<Rec26> EventRecords(const Bytes& out, int startupCount) {
  auto all = AllRecords(out);
  if (static_cast<int>(all.size()) <= startupCount) return {};
  return std::vector<Rec26>(all.begin() + startupCount, all.end());
}

Bytes HexBytes(std::string_view hex) {
  Bytes b;
  int n = 0, v = 0;
  for (char ch : hex) {
    int d = -1;
    if (ch >= '0' && ch <= '9') d = ch - '0';
    else if (ch >= 'a' && ch <= 'f') d = ch - 'a' + 10;
    else if (ch >= 'A' && ch <= 'F') d = ch - 'A' + 10;
    if (d < 0) continue;
    v = v * 16 + d;
    if (++n == 2) {
      b.push_back(static_cast<uint8_t>(v));
      n = v = 0;
    }
  }
  return b;
}

Rec26 R(std::string_view hex) {
  const Bytes b = HexBytes(hex);
  if (b.size() > 26) throw std::runtime_error("R(): more than 26 bytes");
  Rec26 r{};
  std::copy(b.begin(), b.end(), r.begin());
  return r;
}

Bytes Concat(std::initializer_list<Rec26> recs) {
  Bytes b;
  for (const Rec26& r : recs) b.insert(b.end(), r.begin(), r.end());
  return b;
}

std::string Hex(const uint8_t* p, std::size_t n) {
  std::string s;
  char b[4];
  for (std::size_t i = 0; i < n; ++i) {
    std::snprintf(b, sizeof b, i ? " %02X" : "%02X", p[i]);
    s += b;
  }
  return s;
}

TempDir::TempDir() {
  char tmpl[] = "/tmp/railfmt-test-XXXXXX";
  char* p = ::mkdtemp(tmpl);
  if (!p) throw std::runtime_error("mkdtemp failed");
  path = p;
}

TempDir::~TempDir() {
  std::error_code ec;
  // Restore write permission so read-only test files can be removed.
  for (auto& e : std::filesystem::recursive_directory_iterator(path, ec))
    std::filesystem::permissions(e.path(), std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ec);
  std::filesystem::remove_all(path, ec);
}

void WriteFile(const std::string& path, const Bytes& b) {
  std::ofstream f(path, std::ios::binary);
  f.write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
}

Bytes ReadFile(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

Bytes Fill(int from, int to) {
  Bytes b;
  for (int k = from; k <= to; ++k) b.push_back(static_cast<uint8_t>((k / 10) << 4 | (k % 10)));
  return b;
}

std::vector<std::string> HexRecords(const std::vector<Rec26>& recs) {
  std::vector<std::string> out;
  for (const Rec26& r : recs) out.push_back(Hex(r));
  return out;
}

std::vector<std::string> Golden(std::initializer_list<std::string_view> recs) {
  std::vector<std::string> lines;
  for (std::string_view r : recs) lines.push_back(Hex(R(r)));
  return lines;
}

std::vector<std::string> Golden(const std::vector<std::string>& recs) {
  std::vector<std::string> lines;
  for (const std::string& r : recs) lines.push_back(Hex(R(r)));
  return lines;
}

std::vector<std::string> Out(const Bytes& body, const RawHeader& h, int version, std::string_view vendor) {
  const Bytes file = EventFile(h, body);
  return HexRecords(EventRecords(Convert(file, version, vendor), StartupCount(file)));
}

std::vector<std::string> Records(const RawHeader& h, std::initializer_list<Bytes> recs) {
  return HexRecords(EventRecords(Convert(EventFile(h, recs))));
}

EngineRun::EngineRun(const Bytes& input) : d(FmtData()), in(input) {
  d.Reset();
  Run() = RunState();
  d.InStream = &in;
  d.OutStream = &out;
}

EngineRun::~EngineRun() {
  d.InStream = nullptr;
  d.OutStream = nullptr;
  d.Reset();
}

std::size_t Consumed(const Bytes& raw, const ConverterClass& cls) {
  EngineRun run(raw);
  TFmtData& d = run.d;
  TNewToFmt c(d, cls, 101);
  d.ReadRaw(1, 0);
  const HandlerRow* row = c.FindHandler(d.Raw[0]);
  if (!row) {
    d.ReadRaw(1, 1);
    row = c.FindHandler2(d.Raw[0], d.Raw[1]);
  }
  if (row) c.RunHandler(row);
  return run.in.Position();
}

std::string Unhandled(const Bytes& file, const ConverterClass& cls) {
  TempDir dir;
  auto& hooks = platform::Hooks();
  const std::string saved = hooks.executable_dir;
  hooks.executable_dir = dir.path + "/";
  std::string names;
  {
    EngineRun run(file);
    run.d.SourceName = "memory";
    TNewToFmt c(run.d, cls, 101);
    c.RunConversion();
    names = c.UnhandledNames;
  }
  hooks.executable_dir = saved;
  return names;
}

void RunCases(const std::vector<Case>& cases, const RawHeader& h, const ConverterClass& cls) {
  for (const Case& k : cases) {
    SCOPED_TRACE(k.name);
    EXPECT_EQ(Consumed(k.raw, cls), k.raw.size());
    std::vector<std::string> want = Golden(k.expected);
    want.push_back(Hex(R(kSentinelOut)));
    // Right before the end of the input, and with 16 bytes that start no
    // record after the sentinel: a short record is then read 16 bytes at once.
    for (const Bytes& tail : {Bytes{}, Bytes(16, 0x00)}) {
      const Bytes out = Convert(EventFile(h, {k.raw, Sentinel(), tail}));
      EXPECT_EQ(HexRecords(EventRecords(out)), want) << (tail.empty() ? "at the end" : "16 bytes ahead");
    }
  }
}

void ExpectCovers(std::span<const HandlerRow> family, const std::vector<Case>& cases) {
  for (const HandlerRow& row : family) {
    bool found = false;
    for (const Case& k : cases) found = found || k.name == row.name;
    EXPECT_TRUE(found) << "no case for " << row.name;
  }
}

std::string StdOut(const std::string& codes, const std::string& mask, const std::string& state) {
  return codes + " 0A 14 1E 39 30 00 C8 00" + state + mask;
}

Case StdCase(uint8_t c0, uint8_t c1, const Bytes& own, std::vector<std::string> expected) {
  char name[8];
  std::snprintf(name, sizeof name, "%02X%02X", c0, c1);
  return {name, Std(c0, c1, own), std::move(expected)};
}

}  // namespace railfmt::test

// ---------------------------------------------------------------- threads
namespace railfmt::test {
namespace {
void Noop(void*) {}
}  // namespace
int ThreadCount() {
  static const bool warmed = [] {
    platform::Thread t;
    if (t.Start(Noop, nullptr)) t.Join();
    return true;
  }();
  (void)warmed;
  const std::filesystem::directory_iterator tasks("/proc/self/task");
  return static_cast<int>(std::distance(begin(tasks), end(tasks)));
}
}  // namespace railfmt::test
