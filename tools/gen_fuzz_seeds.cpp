// Writes the committed seed corpora of the fuzz targets (fuzz/seeds/<target>/):
// a few small valid inputs per target, made with the sample generator and the
// test kit's record builder. The output depends only on this program, so a
// second run rewrites the same files.
//   gen_fuzz_seeds <repository root>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "engine/newtofmt.h"
#include "sample/sample.h"
#include "support/testkit.h"

using namespace railfmt;
using namespace railfmt::test;
namespace fs = std::filesystem;

namespace {

fs::path gRoot;
int gFiles = 0;

void Seed(const std::string& target, const std::string& name, const Bytes& data) {
  const fs::path dir = gRoot / "fuzz" / "seeds" / target;
  fs::create_directories(dir);
  WriteFile((dir / name).string(), data);
  ++gFiles;
}

Bytes Prefixed(uint8_t first, const Bytes& rest) {
  Bytes b{first};
  b.insert(b.end(), rest.begin(), rest.end());
  return b;
}

Bytes CodeBytes(const std::string& name) {
  Bytes b;
  for (std::size_t i = 0; i + 1 < name.size(); i += 2)
    b.push_back(static_cast<uint8_t>(std::stoi(name.substr(i, 2), nullptr, 16)));
  return b;
}

// One valid record per published handler of the class, in chunks of `per`
// handlers: every handler is reached from some seed.
std::vector<Bytes> HandlerFiles(const ConverterClass& cls, char vendor, int version, std::size_t per) {
  std::mt19937 rng(7);
  const ResolvedHandlers& t = Resolve(cls);
  RawHeader h;
  h.Vendor(vendor).Version(version);
  std::vector<Bytes> files;
  Bytes body;
  std::size_t inChunk = 0;
  for (const std::string& name : t.names) {
    const HandlerRow* row = name.size() == 2 ? t.one[std::stoi(name, nullptr, 16)]
                                             : t.two[std::stoi(name, nullptr, 16)];
    if (!row) continue;
    Bytes r = CodeBytes(name);
    const int len = row->len;
    const std::size_t n = len > static_cast<int>(r.size()) ? len - r.size() - 1 : 0;
    const Bytes time = {0x10, 0x20, 0x30};
    for (std::size_t i = 0; i < n; ++i)
      r.push_back(i < 3 ? time[i] : static_cast<uint8_t>((rng() % 10) << 4 | (rng() % 10)));
    if (len > 0) r = Rec(r);
    body.insert(body.end(), r.begin(), r.end());
    if (++inChunk == per) {
      files.push_back(EventFile(h, body));
      body.clear();
      inChunk = 0;
    }
  }
  if (!body.empty()) files.push_back(EventFile(h, body));
  return files;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: gen_fuzz_seeds <repository root>\n");
    return 2;
  }
  gRoot = argv[1];
  using sample::GenerateSample;
  using sample::Kind;

  // The engine: first byte = bit 0 vendor Z/Q, bit 1 version 101/102.
  for (uint8_t sel = 0; sel < 4; ++sel) {
    Bytes s = GenerateSample(Kind::L2000, 11 + sel, 40);
    s[kRawVendorPos] = (sel & 1) ? 'Q' : 'Z';
    s[kRawProtocolPos] = 0x01;
    s[kRawProtocolPos + 1] = (sel & 2) ? 0x02 : 0x01;
    Seed("fuzz_engine", "sample-" + std::to_string(sel), Prefixed(sel, s));
  }
  struct {
    const ConverterClass& (*cls)();
    char vendor;
    int version;
    uint8_t sel;
  } const classes[] = {{ClassTNewToFmt, 'Q', 101, 1}, {ClassT102NewToFmt, 'Q', 102, 3},
                       {ClassTZhuZhouNewOrgToFmt, 'Z', 101, 0}};
  for (const auto& k : classes) {
    std::vector<Bytes> files = HandlerFiles(k.cls(), k.vendor, k.version, 40);
    for (std::size_t i = 0; i < files.size(); ++i)
      Seed("fuzz_engine", std::string("handlers-") + k.vendor + std::to_string(k.version) + "-" + std::to_string(i),
           Prefixed(k.sel, files[i]));
  }

  for (uint32_t s = 1; s <= 3; ++s) {
    Seed("fuzz_l2000_old", "sample-" + std::to_string(s), GenerateSample(Kind::L2000Old, s, 30 * s));
    Seed("fuzz_jk2h", "sample-" + std::to_string(s), GenerateSample(Kind::JK2H, s, 30 * s));
    Seed("fuzz_lkj93", "sample-" + std::to_string(s),
         Prefixed(static_cast<uint8_t>(s - 1), GenerateSample(Kind::LKJ93, s, 30 * s)));
    Seed("fuzz_tax3", "sample-" + std::to_string(s), GenerateSample(Kind::TAX3, s, static_cast<int>(s)));
  }

  // File types: one of each kind the detector knows.
  const Bytes l2000 = GenerateSample(Kind::L2000, 5, 10);
  Seed("fuzz_filetype", "l2000", l2000);
  Seed("fuzz_filetype", "l2000-old", GenerateSample(Kind::L2000Old, 5, 10));
  Seed("fuzz_filetype", "lkj93", GenerateSample(Kind::LKJ93, 5, 10));
  Seed("fuzz_filetype", "jk2h", GenerateSample(Kind::JK2H, 5, 10));
  Seed("fuzz_filetype", "tax3", GenerateSample(Kind::TAX3, 5, 1));
  const Bytes formatted = Convert(l2000);
  Seed("fuzz_filetype", "formatted", formatted);

  // The single-file drivers: a file of each kind.
  Seed("fuzz_driver", "l2000", l2000);
  Seed("fuzz_driver", "l2000-old", GenerateSample(Kind::L2000Old, 6, 10));
  Seed("fuzz_driver", "lkj93", GenerateSample(Kind::LKJ93, 6, 10));
  Seed("fuzz_driver", "jk2h", GenerateSample(Kind::JK2H, 6, 10));
  Seed("fuzz_driver", "tax3", GenerateSample(Kind::TAX3, 6, 2));
  Seed("fuzz_driver", "formatted", formatted);

  // The folder workflow: name length, name, option byte, content.
  auto named = [](const std::string& name, uint8_t option, const Bytes& content) {
    Bytes b{static_cast<uint8_t>(name.size())};
    b.insert(b.end(), name.begin(), name.end());
    b.push_back(option);
    b.insert(b.end(), content.begin(), content.end());
    return b;
  };
  Seed("fuzz_workflow", "l2000-short", named("X.37", 0, l2000));
  Seed("fuzz_workflow", "l2000-long", named("RAW-1.1225", 0, l2000));
  Seed("fuzz_workflow", "lkj93", named("T.CV", 1, GenerateSample(Kind::LKJ93, 7, 10)));
  Seed("fuzz_workflow", "jk2h", named("J.9A", 0, GenerateSample(Kind::JK2H, 7, 10)));
  Seed("fuzz_workflow", "formatted", named("FMT.11", 0, formatted));
  Seed("fuzz_workflow", "undated", named("X.D1", 0, l2000));

  // Ring files: a 64-byte header whose bytes 8..10 give the write position.
  for (int p : {0, 100, 700}) {
    Bytes ring(64 + 1024);
    for (std::size_t i = 0; i < ring.size(); ++i) ring[i] = static_cast<uint8_t>(i * 7);
    ring[8] = static_cast<uint8_t>(p & 0xFF);
    ring[9] = static_cast<uint8_t>(p >> 8);
    ring[10] = 0;
    Seed("fuzz_ring", "ring-" + std::to_string(p), ring);
  }

  // The filtered save: mask count, the masked codes, then a formatted stream.
  Seed("fuzz_save", "nomask", Prefixed(0, formatted));
  {
    Bytes b = {3, 0x80, 0x0A, 0x81, 0x00, 0x86, 0x01};
    b.insert(b.end(), formatted.begin(), formatted.end());
    Seed("fuzz_save", "masks", b);
    const std::vector<Rec26> recs = AllRecords(formatted);
    if (!recs.empty()) {
      Bytes c = {1, recs.back()[0], recs.back()[1]};
      c.insert(c.end(), formatted.begin(), formatted.end());
      Seed("fuzz_save", "mask-last", c);
    }
  }

  // Tables: counts and records straight from bytes.
  for (uint32_t s = 1; s <= 3; ++s) {
    std::mt19937 rng(s);
    Bytes b{static_cast<uint8_t>(3 * s)};
    for (int i = 0; i < 600; ++i) b.push_back(static_cast<uint8_t>(rng() % (s == 1 ? 10 : 256)));
    Seed("fuzz_tables", "tables-" + std::to_string(s), b);
  }

  std::printf("wrote %d seed files\n", gFiles);
  return 0;
}
