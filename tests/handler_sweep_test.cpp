// Every published handler of every converter class runs on a valid record
// of its row's length and on seeded random bodies: no crash, the same input
// gives the same output, the output stays proportional to the input.
//
// The bound: start-up plus at most 2002 output bytes per input byte. The
// largest factor comes from an FE01 block, whose 4-digit length (up to 9999
// bytes, 385 records) is honoured even when the input ends inside it.
#include <gtest/gtest.h>

#include <random>

#include "handlers/families.h"
#include "support/testkit.h"

using namespace railfmt;
using namespace railfmt::test;

namespace {

Bytes CodeBytes(const std::string& name) {
  Bytes b;
  for (std::size_t i = 0; i + 1 < name.size() + 1; i += 2) b.push_back(static_cast<uint8_t>(std::stoi(name.substr(i, 2), nullptr, 16)));
  return b;
}

// A record of the row's length: code bytes, BCD body (time 10:20:30), check byte.
Bytes ValidRecord(const std::string& name, int len, std::mt19937& rng) {
  Bytes r = CodeBytes(name);
  const std::size_t body = len > static_cast<int>(r.size()) ? len - r.size() - 1 : 0;
  const Bytes time = {0x10, 0x20, 0x30};
  for (std::size_t i = 0; i < body; ++i) {
    if (i < 3) r.push_back(time[i]);
    else r.push_back(static_cast<uint8_t>((rng() % 10) << 4 | (rng() % 10)));
  }
  return len > 0 ? Rec(r) : r;
}

std::size_t kBound(std::size_t in) { return 52 + 31 * 26 + in * 2002; }

struct ClassCase {
  const char* name;
  const ConverterClass& (*cls)();
  const char* vendor;
  int version;
};

const ClassCase kClasses[] = {
    {"TNewToFmt", ClassTNewToFmt, "Q", 101},
    {"T102NewToFmt", ClassT102NewToFmt, "Q", 102},
    {"TZhuZhouNewOrgToFmt", ClassTZhuZhouNewOrgToFmt, "Z", 101},
};

}  // namespace

TEST(HandlerSweep, EveryHandlerRunsOnAValidRecordAndDeterministically) {
  std::mt19937 rng(1234);
  for (const ClassCase& k : kClasses) {
    const ResolvedHandlers& t = Resolve(k.cls());
    ASSERT_FALSE(t.names.empty());
    RawHeader h;
    h.Vendor(k.vendor[0]).Version(k.version);
    for (const std::string& name : t.names) {
      int len = 0;
      const HandlerRow* row = name.size() == 2 ? t.one[std::stoi(name, nullptr, 16)]
                                               : t.two[std::stoi(name, nullptr, 16)];
      ASSERT_NE(row, nullptr) << name;
      len = row->len;
      Bytes rec = ValidRecord(name, len, rng);
      Bytes file = EventFile(h, {rec, rec});
      Bytes a = Convert(file, k.version, k.vendor);
      Bytes b = Convert(file, k.version, k.vendor);
      EXPECT_EQ(a, b) << k.name << " " << name;
      EXPECT_LE(a.size(), kBound(file.size())) << k.name << " " << name;
    }
  }
}

TEST(HandlerSweep, RandomBodiesAfterEveryCode) {
  std::mt19937 rng(99);
  for (const ClassCase& k : kClasses) {
    const ResolvedHandlers& t = Resolve(k.cls());
    RawHeader h;
    h.Vendor(k.vendor[0]).Version(k.version);
    for (const std::string& name : t.names) {
      Bytes body = CodeBytes(name);
      const int n = static_cast<int>(rng() % 80);
      for (int i = 0; i < n; ++i) body.push_back(static_cast<uint8_t>(rng()));
      Bytes file = EventFile(h, body);
      int result = 0;
      Bytes out = ConvertEventBytes(file, k.version, k.vendor, &result);
      EXPECT_EQ(result, 1) << name;
      EXPECT_LE(out.size(), kBound(file.size())) << k.name << " " << name;
    }
  }
}
