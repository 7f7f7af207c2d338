// Invariants of every converter on seeded random and mutated input:
//  - the same input gives byte-identical output, also after a different
//    file was converted in between;
//  - the conversion of any input finishes (every loop step consumes input:
//    a step that does not would hang here, under the test timeout);
//  - the output stays within a bound proportional to the input:
//      header + start-up records + kPerByte records of 26 bytes per input byte
//    (earlier L2000: 52 + 27 * 26 + 4 * 26 * n; LKJ93 and JK2H: 52 + 8 * 26 +
//    4 * 26 * n; the engine: MostEventOutput, the same plus the data blocks
//    cut at the input end).
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <random>

#include "handlers/families.h"
#include "tables/bridge.h"
#include "interface/drivers.h"
#include "legacy/workarea.h"
#include "sample/sample.h"
#include "support/testkit.h"

using namespace railfmt;
using namespace railfmt::test;

namespace {

constexpr std::size_t kHeader = 52;
constexpr std::size_t kRecord = 26;
constexpr std::size_t kPerByte = 4;

using Converter = std::function<Bytes(const Bytes&)>;

struct Case {
  const char* name;
  Converter convert;
  std::size_t (*bound)(std::size_t n);  // the most output bytes for n input bytes
  sample::Kind kind;    // the kind of valid file the mutations start from
};

Bytes Engine(const Bytes& raw, int version, const char* vendor) {
  int result = 0;
  Bytes out = ConvertEventBytes(raw, version, vendor, &result);
  EXPECT_EQ(result, 1);
  return out;
}

// The earlier L2000 loop: a protocol version below 101 in the header.
Bytes L2000Old(Bytes raw) {
  if (raw.size() > 88) {
    raw[kRawProtocolPos] = 0x01;
    raw[kRawProtocolPos + 1] = 0x00;
  }
  // The folder workflow's reset: the values these converters carry from
  // file to file start from the same state.
  legacy::ResetCarriedValues();
  MemStream in(raw), out;
  ConvertL2000(in, out, "invariants");
  return out.Data();
}

Bytes Lkj93(const Bytes& raw, uint8_t option) {
  legacy::ResetCarriedValues();
  MemStream in(raw), out;
  ConvertLKJ93(in, out, option);
  return out.Data();
}

Bytes Jk2h(const Bytes& raw) {
  legacy::ResetCarriedValues();
  MemStream in(raw), out;
  ConvertJK2H(in, out);
  return out.Data();
}

// An event file of the given vendor and version.
Bytes EventSample(uint32_t seed, char vendor, int version) {
  Bytes s = sample::GenerateSample(sample::Kind::L2000, seed, 60);
  s[kRawVendorPos] = static_cast<uint8_t>(vendor);
  s[kRawProtocolPos] = 0x01;
  s[kRawProtocolPos + 1] = static_cast<uint8_t>(version == 102 ? 0x02 : 0x01);
  return s;
}

// Header, start-up records, then at most kPerByte records per input byte.
template <std::size_t kStartup>
std::size_t Linear(std::size_t n) {
  return kHeader + kStartup * kRecord + kPerByte * kRecord * n;
}

const Case kCases[] = {
    {"engine Q 101", [](const Bytes& b) { return Engine(b, 101, "Q"); }, MostEventOutput, sample::Kind::L2000},
    {"engine Q 102", [](const Bytes& b) { return Engine(b, 102, "Q"); }, MostEventOutput, sample::Kind::L2000},
    {"engine Z 101", [](const Bytes& b) { return Engine(b, 101, "Z"); }, MostEventOutput, sample::Kind::L2000},
    {"engine Z 102", [](const Bytes& b) { return Engine(b, 102, "Z"); }, MostEventOutput, sample::Kind::L2000},
    {"earlier L2000", L2000Old, Linear<27>, sample::Kind::L2000Old},
    {"LKJ93 option 0", [](const Bytes& b) { return Lkj93(b, 0); }, Linear<8>, sample::Kind::LKJ93},
    {"LKJ93 option 1", [](const Bytes& b) { return Lkj93(b, 1); }, Linear<8>, sample::Kind::LKJ93},
    {"JK2H", Jk2h, Linear<8>, sample::Kind::JK2H},
};

Bytes ValidFile(const Case& c, uint32_t seed) {
  const std::string n = c.name;
  if (n.rfind("engine", 0) == 0) return EventSample(seed, n[7], n.find("102") != std::string::npos ? 102 : 101);
  return sample::GenerateSample(c.kind, seed, 40);
}

// One mutation of a valid file, chosen by the generator.
Bytes Mutate(Bytes b, std::mt19937& rng) {
  auto at = [&](std::size_t n) { return n == 0 ? 0 : rng() % n; };
  switch (rng() % 7) {
    case 0:  // bit flips
      for (int k = 0, n = 1 + static_cast<int>(rng() % 16); k < n && !b.empty(); ++k)
        b[at(b.size())] ^= static_cast<uint8_t>(1u << (rng() % 8));
      break;
    case 1:  // truncated anywhere, the header included
      b.resize(at(b.size() + 1));
      break;
    case 2: {  // a block of random bytes inserted
      Bytes junk(1 + rng() % 64);
      for (auto& x : junk) x = static_cast<uint8_t>(rng());
      b.insert(b.begin() + static_cast<std::ptrdiff_t>(at(b.size() + 1)), junk.begin(), junk.end());
      break;
    }
    case 3:  // code bytes written over data
      for (int k = 0, n = 1 + static_cast<int>(rng() % 24); k < n && !b.empty(); ++k)
        b[at(b.size())] = static_cast<uint8_t>(0x9A + rng() % 0x66);
      break;
    case 4: {  // a region repeated
      if (b.empty()) break;
      const std::size_t from = at(b.size()), len = std::min<std::size_t>(1 + rng() % 200, b.size() - from);
      Bytes part(b.begin() + static_cast<std::ptrdiff_t>(from), b.begin() + static_cast<std::ptrdiff_t>(from + len));
      b.insert(b.begin() + static_cast<std::ptrdiff_t>(at(b.size() + 1)), part.begin(), part.end());
      break;
    }
    case 5:  // a region erased
      if (!b.empty()) {
        const std::size_t from = at(b.size()), len = std::min<std::size_t>(1 + rng() % 100, b.size() - from);
        b.erase(b.begin() + static_cast<std::ptrdiff_t>(from), b.begin() + static_cast<std::ptrdiff_t>(from + len));
      }
      break;
    default:  // the body after the first 256 bytes replaced by random bytes
      b.resize(std::min<std::size_t>(b.size(), 256));
      for (int k = 0, n = static_cast<int>(rng() % 2000); k < n; ++k) b.push_back(static_cast<uint8_t>(rng()));
      break;
  }
  return b;
}

class Invariants : public ::testing::TestWithParam<std::size_t> {
 protected:
  void SetUp() override {
    Tables() = ReferenceTables();
    Lookups() = LookupState();
    legacy::ResetCarriedValues();
  }
  void TearDown() override { legacy::ResetCarriedValues(); }

  const Case& C() const { return kCases[GetParam()]; }

  std::size_t Bound(std::size_t n) const { return C().bound(n); }

  // The three invariants on one input; `other` is converted in between.
  void Check(const Bytes& input, const Bytes& other, const std::string& what) {
    const Bytes first = C().convert(input);
    EXPECT_LE(first.size(), Bound(input.size())) << C().name << " " << what << " (" << input.size() << " bytes in)";
    const Bytes again = C().convert(input);
    EXPECT_TRUE(first == again) << C().name << " " << what << ": second conversion differs";
    C().convert(other);
    const Bytes after = C().convert(input);
    EXPECT_TRUE(first == after) << C().name << " " << what << ": differs after converting another file";
  }
};

TEST_P(Invariants, ValidFiles) {
  for (uint32_t s = 1; s <= 4; ++s) Check(ValidFile(C(), s), ValidFile(C(), s + 100), "valid " + std::to_string(s));
}

TEST_P(Invariants, MutatedFiles) {
  std::mt19937 rng(static_cast<uint32_t>(1000 + GetParam()));
  const Bytes other = ValidFile(C(), 77);
  for (int i = 0; i < 150; ++i) {
    Bytes b = ValidFile(C(), 1 + i % 5);
    for (int m = 0, n = 1 + static_cast<int>(rng() % 3); m < n; ++m) b = Mutate(std::move(b), rng);
    Check(b, other, "mutation " + std::to_string(i));
  }
}

TEST_P(Invariants, RandomBytes) {
  std::mt19937 rng(static_cast<uint32_t>(2000 + GetParam()));
  const Bytes other = ValidFile(C(), 78);
  for (int i = 0; i < 60; ++i) {
    Bytes b(rng() % 3000);
    // Half of them from the byte range of code bytes and BCD data only.
    for (auto& x : b) x = static_cast<uint8_t>(i % 2 ? rng() : (rng() % 2 ? 0x9A + rng() % 0x66 : rng() % 0x9A));
    Check(b, other, "random " + std::to_string(i));
  }
}

TEST_P(Invariants, EmptyAndTinyInputs) {
  const Bytes other = ValidFile(C(), 79);
  for (std::size_t n : {0u, 1u, 2u, 51u, 52u, 127u, 128u, 255u, 256u, 257u}) {
    Check(Bytes(n, 0x00), other, "zeros " + std::to_string(n));
    Check(Bytes(n, 0xFF), other, "FFh " + std::to_string(n));
    Check(Bytes(n, 0xA0), other, "A0h " + std::to_string(n));
  }
}

// A large input of code bytes only: each step still consumes input, so this
// finishes well within the test timeout.
TEST_P(Invariants, LargeInputOfCodeBytesFinishes) {
  std::mt19937 rng(static_cast<uint32_t>(3000 + GetParam()));
  Bytes b = ValidFile(C(), 3);
  b.resize(std::min<std::size_t>(b.size(), 256));
  for (int k = 0; k < 200000; ++k) b.push_back(static_cast<uint8_t>(0x9A + rng() % 0x66));
  const Bytes out = C().convert(b);
  EXPECT_LE(out.size(), Bound(b.size()));
}

INSTANTIATE_TEST_SUITE_P(AllConverters, Invariants, ::testing::Range<std::size_t>(0, std::size(kCases)),
                         [](const ::testing::TestParamInfo<std::size_t>& i) {
                           std::string n = kCases[i.param].name;
                           for (char& ch : n)
                             if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
                           return n;
                         });

}  // namespace

// Data blocks FE01 cut at the input end write their declared payload as
// records of zeros: far more than four records per byte of the tail, but
// within the engine's bound however many of them the tail holds.
TEST(EngineOutputBound, DataBlocksCutAtTheEnd) {
  const Bytes sample = EventSample(1, 'Q', 101);
  const std::size_t alone = Engine(sample, 101, "Q").size();
  for (std::size_t gap : {2u, 3u, 4u, 7u}) {
    Bytes b = sample;
    // FE 01, length 9999, then the next block after `gap` bytes, to the end.
    for (std::size_t k = 0; k < 60; k += gap) {
      const uint8_t block[] = {0xFE, 0x01, 0x99, 0x99, 0x00, 0x00, 0x00};
      for (std::size_t i = 0; i < gap; ++i) b.push_back(i < sizeof block ? block[i] : 0x00);
    }
    const Bytes out = Engine(b, 101, "Q");
    EXPECT_GT(out.size() - alone, kPerByte * kRecord * (b.size() - sample.size())) << gap;
    EXPECT_LE(out.size(), MostEventOutput(b.size())) << gap;
  }
}
