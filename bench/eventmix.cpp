#include "eventmix.h"

#include <array>

#include "format/layout.h"

namespace railfmt::bench {

namespace {

struct Kind {
  uint8_t code0;
  int code1;       // -1 for one-byte codes
  int len;         // whole record, code and check byte included
  int weight;
  bool attaches;   // an F0/F1 record may follow
};

// Proportions of a typical run: state and speed records dominate.
constexpr std::array<Kind, 19> kMix = {{
    {0xA0, 0x10, 13, 6, true}, {0xA0, 0x11, 13, 2, true}, {0xA0, 0x12, 14, 2, true},
    {0xA0, 0x38, 15, 1, false}, {0xC7, -1, 16, 10, true}, {0xE7, -1, 14, 10, true},
    {0xD0, -1, 24, 4, true},    {0xC3, -1, 5, 3, true},   {0xC2, -1, 12, 3, true},
    {0xE3, -1, 18, 6, true},    {0xE8, -1, 14, 4, true},  {0xE0, -1, 18, 4, true},
    {0xEB, -1, 16, 8, false},   {0xED, -1, 40, 2, true},  {0xB8, 0x01, 21, 3, true},
    {0xB8, 0x10, 21, 2, true},  {0xB8, 0x25, 23, 2, true}, {0xB8, 0x43, 11, 2, false},
    {0xF2, -1, 5, 3, false},
}};

struct Rng {
  uint32_t s;
  uint32_t Next() {
    s ^= s << 13;
    s ^= s >> 17;
    s ^= s << 5;
    return s;
  }
  int Below(int n) { return static_cast<int>(Next() % static_cast<uint32_t>(n)); }
};

uint8_t Bcd2(int v) { return static_cast<uint8_t>((v / 10 % 10) << 4 | v % 10); }

// Appends the record with its check byte (decimal sum 0 mod 100, the code
// byte counted by its plain value).
void Emit(std::vector<uint8_t>& f, std::vector<uint8_t>& r) {
  int s = r[0] % 100;
  for (std::size_t i = 1; i < r.size(); ++i) s += (r[i] >> 4) * 10 + (r[i] & 15);
  r.push_back(Bcd2((100 - s % 100) % 100));
  f.insert(f.end(), r.begin(), r.end());
}

}  // namespace

std::vector<uint8_t> MakeEventFile(std::size_t size, Mix mix, int version, char vendor,
                                   uint32_t seed) {
  std::vector<uint8_t> f(256, 0);
  f[0] = 0xB0;
  f[1] = 0xF0;
  f[2] = 0x26;
  f[3] = 0x12;
  f[4] = 0x06;
  f[5] = 0x06;
  f[17] = 0x05;
  f[54] = 0x12;
  f[55] = 0x34;
  f[kRawVendorPos] = static_cast<uint8_t>(vendor);
  f[kRawProtocolPos] = Bcd2(version / 100);
  f[kRawProtocolPos + 1] = Bcd2(version % 100);
  f[198] = 0x01;  // Val21 = 100
  f.reserve(size + 64);

  const int fmtVersion = (version / 100 % 100) * 10 + version % 100;
  const bool longState = vendor != 'Q' || fmtVersion > 31;
  auto weight = [mix](const Kind& k) {
    return mix == Mix::General && !(k.code0 == 0xA0 || k.code0 == 0xF2) ? 0 : k.weight;
  };
  int total = 0;
  for (const Kind& k : kMix) total += weight(k);

  Rng rng{seed ? seed : 1};
  int t = 6 * 3600;
  uint32_t pos = 1000000;
  int speed = 0;
  std::vector<uint8_t> r;
  while (f.size() < size) {
    int pick = rng.Below(total);
    const Kind* k = &kMix[0];
    for (const Kind& c : kMix) {
      if (pick < weight(c)) {
        k = &c;
        break;
      }
      pick -= weight(c);
    }
    t = (t + 1 + rng.Below(3)) % 86400;
    pos += static_cast<uint32_t>(rng.Below(40));
    r.clear();
    r.push_back(k->code0);
    if (k->code1 >= 0) r.push_back(static_cast<uint8_t>(k->code1));
    int len = k->len;
    if (k->code0 == 0xEB && version >= 102 && vendor == 'Q') len = 14;
    if (len > 5) {
      r.push_back(Bcd2(t / 3600));
      r.push_back(Bcd2(t / 60 % 60));
      r.push_back(Bcd2(t % 60));
      const uint32_t p = pos % 100000000;
      r.push_back(Bcd2(static_cast<int>(p / 1000000)));
      r.push_back(Bcd2(static_cast<int>(p / 10000 % 100)));
      r.push_back(Bcd2(static_cast<int>(p / 100 % 100)));
      r.push_back(Bcd2(static_cast<int>(p % 100)));
    }
    while (static_cast<int>(r.size()) < len - 1) r.push_back(Bcd2(rng.Below(100)));
    Emit(f, r);

    if (k->attaches && rng.Below(10) < 8) {
      // Speed changes now and then; the state record follows its event.
      if (rng.Below(4) == 0) speed = (speed + 95 + rng.Below(11)) % 1200;
      r.clear();
      const bool f1 = rng.Below(4) == 0;
      r.push_back(f1 ? 0xF1 : 0xF0);
      if (longState) {
        r.push_back(Bcd2(rng.Below(100)));  // Val19
        r.push_back(Bcd2(rng.Below(100)));
        r.push_back(0x01);                  // Val21
        r.push_back(0x00);
      }
      r.push_back(Bcd2(speed / 100));       // Val13
      r.push_back(Bcd2(speed % 100));
      r.push_back(Bcd2(rng.Below(100)));    // Val14
      r.push_back(Bcd2(rng.Below(100)));
      r.push_back(0x05);                    // Val17 / pressure
      r.push_back(Bcd2(rng.Below(100)));
      if (f1) {
        r.push_back(Bcd2(rng.Below(100)));
        r.push_back(Bcd2(rng.Below(100)));
      }
      Emit(f, r);
    }
  }
  return f;
}

}  // namespace railfmt::bench
