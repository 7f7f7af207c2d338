// Invariants of every converter on valid, mutated and degenerate input: the
// same input gives byte-identical output, also after another file was
// converted in between; every conversion finishes (a loop step that consumed
// no input would hang here, under the test timeout); the output stays within
// a bound proportional to the input: header + start-up records + four
// records per input byte (the engine: MostEventOutput, which also allows for
// the data blocks FE01 cut at the input end, written as records of zeros).
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <random>

#include "handlers/families.h"
#include "interface/drivers.h"
#include "legacy/workarea.h"
#include "sample/sample.h"
#include "support/testkit.h"
#include "tables/bridge.h"

using namespace railfmt;
using namespace railfmt::test;

namespace {

template <std::size_t kStartup>
std::size_t Linear(std::size_t n) {
  return 52 + kStartup * 26 + 4 * 26 * n;
}

Bytes Engine(const Bytes& raw, int version, const char* vendor) {
  int result = 0;
  Bytes out = ConvertEventBytes(raw, version, vendor, &result);
  EXPECT_EQ(result, 1);
  return out;
}

// The earlier converters after the folder workflow's reset of their carried values.
template <class F>
Bytes Legacy(F convert) {
  legacy::ResetCarriedValues();
  MemStream out;
  convert(out);
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

struct Case {
  const char* name;
  std::function<Bytes(const Bytes&)> convert;
  std::size_t (*bound)(std::size_t n);
  std::function<Bytes(uint32_t seed)> valid;
};

Bytes Sample(sample::Kind kind, uint32_t seed) { return sample::GenerateSample(kind, seed, 40); }

const Case kCases[] = {
    {"engine_Q_101", [](const Bytes& b) { return Engine(b, 101, "Q"); }, MostEventOutput,
     [](uint32_t s) { return EventSample(s, 'Q', 101); }},
    {"engine_Z_102", [](const Bytes& b) { return Engine(b, 102, "Z"); }, MostEventOutput,
     [](uint32_t s) { return EventSample(s, 'Z', 102); }},
    {"earlier_L2000",
     [](const Bytes& raw) {
       Bytes b = raw;
       if (b.size() > 88) b[kRawProtocolPos + 1] = 0x00, b[kRawProtocolPos] = 0x01;  // version below 101
       return Legacy([&](MemStream& out) { MemStream in(b); ConvertL2000(in, out, "invariants"); });
     },
     Linear<27>, [](uint32_t s) { return Sample(sample::Kind::L2000Old, s); }},
    {"LKJ93", [](const Bytes& b) { return Legacy([&](MemStream& out) { MemStream in(b); ConvertLKJ93(in, out, 1); }); },
     Linear<8>, [](uint32_t s) { return Sample(sample::Kind::LKJ93, s); }},
    {"JK2H", [](const Bytes& b) { return Legacy([&](MemStream& out) { MemStream in(b); ConvertJK2H(in, out); }); },
     Linear<8>, [](uint32_t s) { return Sample(sample::Kind::JK2H, s); }},
};

// One mutation of a valid file: bit flips, a cut anywhere (the header too),
// random bytes inserted, code bytes written over data.
Bytes Mutate(Bytes b, std::mt19937& rng) {
  auto at = [&](std::size_t n) { return n == 0 ? 0 : rng() % n; };
  const unsigned kind = rng() % 4;
  if (kind == 1) b.resize(at(b.size() + 1));
  for (int k = 0, n = 1 + static_cast<int>(rng() % 24); kind != 1 && k < n && !b.empty(); ++k) {
    if (kind == 0) b[at(b.size())] ^= static_cast<uint8_t>(1u << (rng() % 8));
    if (kind == 2) b.insert(b.begin() + static_cast<std::ptrdiff_t>(at(b.size() + 1)), static_cast<uint8_t>(rng()));
    if (kind == 3) b[at(b.size())] = static_cast<uint8_t>(0x9A + rng() % 0x66);
  }
  return b;
}

class Invariants : public ::testing::TestWithParam<std::size_t> {
 protected:
  void SetUp() override {
    Tables() = ReferenceTables();
    Lookups() = LookupState();
  }
  void TearDown() override { legacy::ResetCarriedValues(); }
  const Case& C() const { return kCases[GetParam()]; }
  // `other` is converted between the first and the second conversion.
  void Check(const Bytes& input, const Bytes& other, const std::string& what) {
    const Bytes first = C().convert(input);
    EXPECT_LE(first.size(), C().bound(input.size())) << what << " (" << input.size() << " bytes in)";
    C().convert(other);
    EXPECT_TRUE(first == C().convert(input)) << what << ": differs after converting another file";
  }
};

TEST_P(Invariants, ValidMutatedAndDegenerateInputs) {
  std::mt19937 rng(static_cast<uint32_t>(1000 + GetParam()));
  const Bytes other = C().valid(77);
  for (uint32_t s = 1; s <= 3; ++s) Check(C().valid(s), C().valid(s + 100), "valid " + std::to_string(s));
  for (int i = 0; i < 150; ++i) {
    Bytes b = C().valid(1 + i % 5);
    for (int m = 0, n = 1 + static_cast<int>(rng() % 3); m < n; ++m) b = Mutate(std::move(b), rng);
    Check(b, other, "mutation " + std::to_string(i));
  }
  for (std::size_t n : {0u, 1u, 2u, 51u, 52u, 127u, 128u, 255u, 256u, 257u})
    for (uint8_t fill : {0x00, 0xFF, 0xA0}) Check(Bytes(n, fill), other, std::to_string(n) + " bytes " + std::to_string(fill));
  // A large input of code bytes only: each step still consumes input.
  Bytes codes = C().valid(3);
  codes.resize(std::min<std::size_t>(codes.size(), 256));
  for (int k = 0; k < 200000; ++k) codes.push_back(static_cast<uint8_t>(0x9A + rng() % 0x66));
  EXPECT_LE(C().convert(codes).size(), C().bound(codes.size()));
}

INSTANTIATE_TEST_SUITE_P(AllConverters, Invariants, ::testing::Range<std::size_t>(0, std::size(kCases)),
                         [](const ::testing::TestParamInfo<std::size_t>& i) { return kCases[i.param].name; });

}  // namespace
