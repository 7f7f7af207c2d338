#include "sample/sample.h"

#include "format/layout.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>
#include <string>

namespace railfmt::sample {
namespace {

using Bytes = std::vector<uint8_t>;

// splitmix64: the same sequence on every platform and standard library.
class Rng {
 public:
  explicit Rng(uint32_t seed) : s_(0x9E3779B97F4A7C15ull ^ seed) {}
  uint64_t Next() {
    uint64_t z = (s_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  // Uniform in [lo, hi].
  int Range(int lo, int hi) { return lo + static_cast<int>(Next() % static_cast<uint64_t>(hi - lo + 1)); }
  bool Chance(int percent) { return Range(0, 99) < percent; }

 private:
  uint64_t s_;
};

uint8_t BcdDigit2(int v) { return static_cast<uint8_t>(((v / 10) % 10) << 4 | (v % 10)); }

// value as n packed-BCD bytes, most significant first.
void PutBcd(Bytes& b, uint64_t value, int n) {
  for (int i = n - 1; i >= 0; --i) {
    uint64_t p = 1;
    for (int k = 0; k < i; ++k) p *= 100;
    b.push_back(BcdDigit2(static_cast<int>((value / p) % 100)));
  }
}
void SetBcd(uint8_t* at, uint64_t value, int n) {
  Bytes t;
  PutBcd(t, value, n);
  std::memcpy(at, t.data(), t.size());
}
void PutTime(Bytes& b, int t) {
  t %= 86400;
  b.push_back(BcdDigit2(t / 3600));
  b.push_back(BcdDigit2(t / 60 % 60));
  b.push_back(BcdDigit2(t % 60));
}
int BcdValue(uint8_t b) { return (b >> 4) * 10 + (b & 0x0F); }

// Appends the check byte that brings the record's decimal sum (first byte
// by its plain value, the others as BCD) to a multiple of 100.
void Seal(Bytes& rec) {
  int s = rec[0] % 100;
  for (std::size_t i = 1; i < rec.size(); ++i) s += BcdValue(rec[i]);
  rec.push_back(BcdDigit2((100 - s % 100) % 100));
}
void Append(Bytes& out, const Bytes& rec) { out.insert(out.end(), rec.begin(), rec.end()); }

// ------------------------------------------------------------------ the run
// One train run: dwell at a station, accelerate, cruise, brake for the next
// station; signals every 1.1 to 1.9 km. Units: seconds, metres, km/h, kPa.
struct Run {
  Rng& rng;
  int time;            // seconds of the day
  double position;     // metres (kilometre post)
  double speed = 0;    // km/h
  int limit = 80;      // km/h
  int phase = 0;       // 0 dwell, 1 accelerate, 2 cruise, 3 brake
  int phaseLeft = 0;   // seconds of dwell / metres to the next station
  int cruise = 70;
  double nextSignal;   // position of the next signal
  int aspect = 1;      // aspect code of the next signal (1 green .. 6)
  int pipe = 600;      // brake pipe pressure
  int cylinder = 300;  // brake cylinder pressure
  int rpm = 0;
  bool passedSignal = false;
  bool pressureChanged = false;
  int stationCode = 0;  // station code of the start station (LKJ93 Val10)

  Run(Rng& r, int startTime, int startPos)
      : rng(r), time(startTime), position(startPos), nextSignal(startPos + r.Range(600, 1200)) {
    phaseLeft = rng.Range(40, 120);
  }

  int Distance() const { return std::max(0, static_cast<int>(nextSignal - position)); }

  // Advances by dt seconds.
  void Step(int dt) {
    time = (time + dt) % 86400;
    int oldPipe = pipe;
    switch (phase) {
      case 0:  // dwell, brakes applied
        speed = 0;
        pipe = 600;
        cylinder = 300;
        phaseLeft -= dt;
        if (phaseLeft <= 0) {
          phase = 1;
          limit = 5 * rng.Range(14, 24);
          cruise = limit - 5 * rng.Range(1, 4);
          phaseLeft = rng.Range(6000, 15000);
        }
        break;
      case 1:  // accelerate
        cylinder = 0;
        pipe = 600;
        speed = std::min<double>(cruise, speed + 0.45 * dt);
        if (speed >= cruise) phase = 2;
        break;
      case 2:  // cruise with small variations
        speed = std::clamp(speed + rng.Range(-2, 2), cruise - 6.0, static_cast<double>(limit - 1));
        break;
      case 3:  // service braking
        pipe = 520 - rng.Range(0, 4) * 10;
        cylinder = 180 + rng.Range(0, 8) * 10;
        speed = std::max(0.0, speed - 0.6 * dt);
        if (speed <= 0) {
          phase = 0;
          phaseLeft = rng.Range(60, 180);
        }
        break;
    }
    double moved = speed / 3.6 * dt;
    position += moved;
    if (phase == 1 || phase == 2) {
      phaseLeft -= static_cast<int>(moved);
      // braking distance at 0.6 km/h/s is about v^2 / 4.3 metres
      if (phaseLeft <= speed * speed / 4.3) phase = 3;
    }
    passedSignal = false;
    while (position >= nextSignal) {
      passedSignal = true;
      nextSignal += rng.Range(1100, 1900);
      aspect = phase == 3 ? rng.Range(2, 3) : 1;
    }
    rpm = static_cast<int>(speed * 9.5);
    pressureChanged = pipe != oldPipe;
  }
  int Pos() const { return static_cast<int>(position); }
  int Speed() const { return static_cast<int>(speed + 0.5); }
};

struct Identity {
  int year, month, day, hour, minute, second;
  int line, station, locoType, locoNumber, driver, driver2, train, jwd;
};

Identity MakeIdentity(Rng& rng) {
  Identity id{};
  id.year = 26;
  id.month = rng.Range(1, 12);
  id.day = rng.Range(1, 28);
  id.hour = rng.Range(5, 20);
  id.minute = rng.Range(0, 59);
  id.second = rng.Range(0, 59);
  id.line = rng.Range(1, 3);                        // lines 1..3 of the example tables
  id.station = rng.Range(1, 4);
  static constexpr int kLocoTypes[] = {106, 131, 240, 203};  // below 256 for LKJ93
  id.locoType = kLocoTypes[rng.Range(0, 3)];
  id.locoNumber = rng.Range(1, 999);
  static constexpr int kDrivers[] = {2345, 2346, 5511, 7027};  // fit every generation's field
  id.driver = kDrivers[rng.Range(0, 3)];
  id.driver2 = kDrivers[rng.Range(0, 3)];
  id.train = rng.Range(1000, 89999);
  id.jwd = rng.Range(1, 3);
  return id;
}

// ------------------------------------------------------------------ L2000
// The 256-byte raw header shared by both L2000 generations.
Bytes L2000Header(const Identity& id, int version, const Run& run) {
  Bytes h(256, 0);
  h[0] = 0xB0;
  h[1] = 0xF0;
  h[2] = BcdDigit2(id.year);
  h[3] = BcdDigit2(id.month);
  h[4] = BcdDigit2(id.day);
  h[5] = BcdDigit2(id.hour);
  h[6] = BcdDigit2(id.minute);
  h[7] = BcdDigit2(id.second);
  h[9] = BcdDigit2(1);
  h[10] = 'K';  // train number prefix, copied unchanged
  h[11] = h[12] = h[13] = ' ';
  SetBcd(&h[14], id.train, 3);
  h[17] = BcdDigit2(id.line);
  SetBcd(&h[18], id.station, 2);
  SetBcd(&h[20], id.locoNumber, 2);
  SetBcd(&h[22], id.driver, 3);
  h[25] = BcdDigit2(10);
  SetBcd(&h[26], 120, 2);  // limits
  SetBcd(&h[28], 80, 2);
  for (int i = 0; i < 8; ++i) SetBcd(&h[30 + 2 * i], 100 + 25 * i, 2);
  SetBcd(&h[46], 2400, 3);  // train weight
  SetBcd(&h[49], 45, 3);    // number of vehicles
  SetBcd(&h[54], id.jwd, 2);
  SetBcd(&h[56], id.locoType, 2);
  for (int i = 66; i < 74; ++i) h[i] = BcdDigit2(i - 60);
  SetBcd(&h[74], id.driver2, 3);
  h[kRawVendorPos] = 'Q';
  h[kRawProtocolPos] = BcdDigit2(version / 100);
  h[kRawProtocolPos + 1] = BcdDigit2(version % 100);
  h[94] = BcdDigit2(0);
  h[95] = BcdDigit2(0);
  const int slots[] = {id.month, id.day, id.hour, id.minute};
  for (int k = 0; k < 8; ++k)
    for (int i = 0; i < 4; ++i) h[96 + 4 * k + i] = BcdDigit2(slots[i]);
  SetBcd(&h[144], 0, 3);
  SetBcd(&h[147], 0, 3);
  SetBcd(&h[196], 0, 2);               // speed
  SetBcd(&h[198], run.limit, 2);       // limit
  SetBcd(&h[200], run.aspect, 2);      // signal
  SetBcd(&h[202], 1, 2);
  SetBcd(&h[204], run.pipe, 2);        // brake pipe
  SetBcd(&h[206], run.cylinder, 2);    // brake cylinder
  SetBcd(&h[220], 0, 2);
  return h;
}

// Event-coded records (protocol 0101): single-byte layout = code, time,
// 8-digit position, 6-digit distance, own fields, check byte.
Bytes ShortHead(uint8_t code, const Run& r) {
  Bytes b{code};
  PutTime(b, r.time);
  PutBcd(b, static_cast<uint64_t>(r.Pos()), 4);
  PutBcd(b, static_cast<uint64_t>(r.Distance()), 3);
  return b;
}

Bytes AttachedF0Short(const Run& r) {
  Bytes b{0xF0};
  PutBcd(b, static_cast<uint64_t>(r.pipe), 2);
  PutBcd(b, static_cast<uint64_t>(r.cylinder), 2);
  PutBcd(b, static_cast<uint64_t>(r.rpm), 2);
  Seal(b);
  return b;
}

Bytes GenerateL2000(Rng& rng, int records) {
  Identity id = MakeIdentity(rng);
  Run run(rng, id.hour * 3600 + id.minute * 60 + id.second, rng.Range(10000, 400000));
  Bytes out = L2000Header(id, 101, run);

  Bytes a010{0xA0, 0x10};  // time mark at power-up
  PutTime(a010, run.time);
  PutBcd(a010, static_cast<uint64_t>(run.Pos()), 4);
  PutBcd(a010, static_cast<uint64_t>(run.Distance()), 3);
  Seal(a010);
  Append(out, a010);
  Bytes c0 = ShortHead(0xC0, run);  // start record
  Seal(c0);
  Append(out, c0);
  Append(out, AttachedF0Short(run));

  for (int n = 2; n < records; ++n) {
    run.Step(rng.Range(4, 12));
    Bytes rec;
    if (run.passedSignal) {  // signal passed: C8 with the new aspect
      rec = ShortHead(0xC8, run);
      PutBcd(rec, static_cast<uint64_t>(run.Speed()), 2);
      PutBcd(rec, static_cast<uint64_t>(run.limit), 2);
      PutBcd(rec, static_cast<uint64_t>(run.aspect), 2);
    } else if (run.phase == 0 && run.speed == 0 && rng.Chance(30)) {
      rec = Bytes{0xCF};  // standstill time mark
      PutTime(rec, run.time);
    } else if (rng.Chance(15)) {
      rec = ShortHead(0xE7, run);  // engine speed
      PutBcd(rec, static_cast<uint64_t>(run.rpm), 2);
    } else {
      rec = ShortHead(0xE6, run);  // speed and limit
      PutBcd(rec, static_cast<uint64_t>(run.Speed()), 2);
      PutBcd(rec, static_cast<uint64_t>(run.limit), 2);
    }
    Seal(rec);
    Append(out, rec);
    if (rec[0] != 0xCF && (run.pressureChanged || rng.Chance(40))) Append(out, AttachedF0Short(run));
  }
  return out;
}

// Earlier L2000 records (protocol 0100): code, body, check byte.
Bytes GenerateL2000Old(Rng& rng, int records) {
  Identity id = MakeIdentity(rng);
  Run run(rng, id.hour * 3600 + id.minute * 60 + id.second, rng.Range(10000, 400000));
  Bytes out = L2000Header(id, 100, run);
  auto head = [&](uint8_t code) {
    Bytes b{code};
    PutTime(b, run.time);
    PutBcd(b, static_cast<uint64_t>(run.Pos()), 4);
    return b;
  };
  auto f0 = [&]() {  // running values after a state record
    Bytes b{0xF0};
    PutBcd(b, static_cast<uint64_t>(run.Distance()), 3);
    PutBcd(b, static_cast<uint64_t>(run.Speed()), 2);
    PutBcd(b, static_cast<uint64_t>(run.limit), 2);
    PutBcd(b, static_cast<uint64_t>(run.pipe), 2);
    PutBcd(b, static_cast<uint64_t>(run.cylinder), 2);
    PutBcd(b, static_cast<uint64_t>(run.rpm), 2);
    Seal(b);
    return b;
  };
  Bytes c0 = head(0xC0);
  Seal(c0);
  Append(out, c0);
  for (int n = 1; n < records; ++n) {
    run.Step(rng.Range(4, 12));
    Bytes rec;
    if (run.passedSignal) {  // DE: signal passed, with its own distance
      rec = head(0xDE);
      PutBcd(rec, static_cast<uint64_t>(run.Distance()), 3);
      PutBcd(rec, static_cast<uint64_t>(run.Speed()), 2);
      PutBcd(rec, static_cast<uint64_t>(run.aspect), 2);
      PutBcd(rec, static_cast<uint64_t>(run.limit), 2);
    } else if (run.pressureChanged) {  // EB: pressures
      rec = head(0xEB);
      PutBcd(rec, static_cast<uint64_t>(run.pipe), 2);
      PutBcd(rec, static_cast<uint64_t>(run.cylinder), 2);
    } else if (rng.Chance(10)) {  // C2: distance check point
      rec = head(0xC2);
      PutBcd(rec, static_cast<uint64_t>(run.Distance()), 3);
    } else {  // EC: speed and limit
      rec = head(0xEC);
      PutBcd(rec, static_cast<uint64_t>(run.Speed()), 2);
      PutBcd(rec, static_cast<uint64_t>(run.limit), 2);
    }
    Seal(rec);
    Append(out, rec);
    if (rng.Chance(35)) Append(out, f0());
  }
  return out;
}

// ------------------------------------------------------------------ LKJ93
// 16-byte records of plain little-endian integers, no check byte.
std::array<uint8_t, 16> Lkj93State(uint8_t code, const Run& r) {
  std::array<uint8_t, 16> b{};
  int h = r.time / 3600, m = r.time / 60 % 60, s = r.time % 60;
  b[0] = code;
  b[1] = static_cast<uint8_t>(s | (m & 3) << 6);
  b[2] = static_cast<uint8_t>((m >> 2) | (h & 0x0F) << 4);
  b[3] = static_cast<uint8_t>(h >> 4);
  int p = r.Pos() & 0x7FFFFF;
  b[4] = static_cast<uint8_t>(p);
  b[5] = static_cast<uint8_t>(p >> 8);
  b[6] = static_cast<uint8_t>(p >> 16);
  b[7] = 0x00;  // earlier layout, mode 0
  b[8] = static_cast<uint8_t>(r.stationCode);  // Val10
  b[9] = static_cast<uint8_t>(r.stationCode >> 8);
  b[10] = static_cast<uint8_t>(r.Distance());
  b[11] = static_cast<uint8_t>(r.Distance() >> 8);
  b[12] = static_cast<uint8_t>(r.Speed());
  b[13] = static_cast<uint8_t>(r.limit);
  b[14] = static_cast<uint8_t>(r.pipe / 10);
  b[15] = static_cast<uint8_t>(r.rpm / 10);
  return b;
}

Bytes GenerateLkj93(Rng& rng, int records) {
  Identity id = MakeIdentity(rng);
  Run run(rng, id.hour * 3600 + id.minute * 60 + id.second, rng.Range(10000, 400000));
  // the example tables number stations 10000 + 1000 * (line - 1) + station
  run.stationCode = 10000 + 1000 * (id.line - 1) + id.station;
  Bytes out;
  std::array<uint8_t, 16> b0{};  // start header
  b0[0] = 0xB0;
  b0[1] = static_cast<uint8_t>(id.day | (id.month & 7) << 5);
  b0[2] = static_cast<uint8_t>((id.month >> 3) | id.year << 1);
  b0[3] = 0x01;
  b0[4] = static_cast<uint8_t>(id.train);
  b0[5] = static_cast<uint8_t>(id.train >> 8);
  b0[6] = static_cast<uint8_t>(id.line);
  b0[7] = static_cast<uint8_t>(id.station);
  b0[8] = static_cast<uint8_t>(id.driver);
  b0[9] = static_cast<uint8_t>((id.driver) >> 8);
  b0[10] = static_cast<uint8_t>(id.driver2);
  b0[11] = static_cast<uint8_t>((id.driver2) >> 8);
  b0[12] = static_cast<uint8_t>(id.locoNumber);
  b0[13] = static_cast<uint8_t>(id.locoNumber >> 8);
  b0[14] = 45;
  out.insert(out.end(), b0.begin(), b0.end());
  std::array<uint8_t, 16> b1{};  // set-up values
  b1[0] = 0xB1;
  b1[1] = 10;
  b1[2] = 120;
  b1[4] = 50;  // restriction tolerance, metres
  b1[6] = 3;
  b1[8] = 0x60;
  b1[9] = 0x09;
  b1[11] = static_cast<uint8_t>(id.locoType);
  b1[12] = 0xA0;
  b1[13] = 0xA1;
  b1[14] = 0xA2;
  out.insert(out.end(), b1.begin(), b1.end());
  auto st = Lkj93State(0x80, run);  // start record
  out.insert(out.end(), st.begin(), st.end());
  static constexpr uint8_t kPeriodic[] = {0x81, 0x82, 0x83, 0x87, 0x8A, 0x8B};
  for (int n = 1; n < records; ++n) {
    run.Step(rng.Range(4, 12));
    uint8_t code = run.passedSignal ? 0x88 : kPeriodic[rng.Range(0, 5)];
    auto r = Lkj93State(code, run);
    out.insert(out.end(), r.begin(), r.end());
  }
  out.insert(out.end(), 16, 0xFF);  // filler
  return out;
}

// ------------------------------------------------------------------ JK2H
// Code-prefixed BCD records, lengths from the device's table, no check byte.
Bytes GenerateJk2h(Rng& rng, int records) {
  Identity id = MakeIdentity(rng);
  Run run(rng, id.hour * 3600 + id.minute * 60 + id.second, rng.Range(10000, 400000));
  Bytes out;
  auto two = [&](uint8_t code, int v) {
    out.push_back(code);
    PutBcd(out, static_cast<uint64_t>(v), 2);
  };
  two(0xA2, id.driver);   // driver
  two(0xA3, id.driver2);  // second driver
  out.push_back(0xA0);            // date
  out.push_back(BcdDigit2(id.month));
  out.push_back(BcdDigit2(id.day));
  two(0xA1, id.locoNumber);
  out.push_back(0xA5);  // line and station
  out.push_back(BcdDigit2(id.line));
  out.push_back(BcdDigit2(id.station));
  auto state = [&](uint8_t code, int bodyLen) {
    Bytes b{code};
    PutTime(b, run.time);
    PutBcd(b, static_cast<uint64_t>(run.Pos()), 4);
    PutBcd(b, static_cast<uint64_t>(run.Distance()), 3);
    PutBcd(b, static_cast<uint64_t>(run.Speed()), 2);
    b.push_back(0x00);  // mode
    while (static_cast<int>(b.size()) < bodyLen) b.push_back(0x00);
    b.push_back(BcdDigit2(run.aspect));
    Append(out, b);
  };
  state(0xC0, 14);  // start record (body 14)
  for (int n = 1; n < records; ++n) {
    run.Step(rng.Range(4, 12));
    int pick = rng.Range(0, 9);
    if (run.passedSignal || pick < 4) {
      state(0xC6, 16);  // full state
    } else if (pick < 7) {  // F0: speed and limit
      out.push_back(0xF0);
      out.push_back(BcdDigit2(run.Speed() / 10));
      out.push_back(static_cast<uint8_t>((run.Speed() % 10) << 4 | (run.limit / 100)));
      out.push_back(BcdDigit2(run.limit % 100));
    } else {  // C4: short position record
      out.push_back(0xC4);
      out.push_back(BcdDigit2(run.time / 60 % 60));
      out.push_back(BcdDigit2(run.time % 60));
      PutBcd(out, static_cast<uint64_t>(run.Pos() % 10000), 2);
      PutBcd(out, static_cast<uint64_t>(run.Speed()), 2);
    }
  }
  return out;
}

// ------------------------------------------------------------------ TAX3
Bytes GenerateTax3(Rng& rng, int recordings) {
  recordings = std::clamp(recordings, 1, 63);
  constexpr int kDirectory = 16;
  constexpr int kData = 16 + 63 * 32;
  Bytes out(kData, 0);
  out[0] = 'T';
  out[1] = '3';
  Identity id = MakeIdentity(rng);
  for (int k = 0; k < recordings; ++k) {
    int blocks = rng.Range(4, 24);
    uint8_t* e = &out[kDirectory + 32 * k];
    int tag = 0x1200 + k;
    int number = 100000 + id.train % 1000 * 10 + k;
    int month = (id.month + k / 28 - 1) % 12 + 1;
    int day = (id.day + k - 1) % 28 + 1;
    e[0] = static_cast<uint8_t>(tag);
    e[1] = static_cast<uint8_t>(tag >> 8);
    e[4] = static_cast<uint8_t>(number);
    e[5] = static_cast<uint8_t>(number >> 8);
    e[12] = static_cast<uint8_t>(number >> 16);
    e[6] = static_cast<uint8_t>(blocks);
    e[7] = static_cast<uint8_t>(blocks >> 8);
    e[9] = static_cast<uint8_t>(month << 4);
    e[10] = static_cast<uint8_t>(day);
    e[13] = k % 2 ? 0x40 : 0x00;
    for (int i = 0; i < blocks; ++i) {  // the recording: numbered 16-byte blocks
      uint8_t blk[16];
      blk[0] = 'R';
      blk[1] = static_cast<uint8_t>(k);
      blk[2] = static_cast<uint8_t>(i);
      for (int j = 3; j < 16; ++j) blk[j] = static_cast<uint8_t>(rng.Next());
      out.insert(out.end(), blk, blk + 16);
    }
  }
  return out;
}

}  // namespace

std::vector<uint8_t> GenerateSample(Kind kind, uint32_t seed, int records) {
  Rng rng(seed);
  records = std::max(1, records);
  switch (kind) {
    case Kind::L2000: return GenerateL2000(rng, records);
    case Kind::L2000Old: return GenerateL2000Old(rng, records);
    case Kind::LKJ93: return GenerateLkj93(rng, records);
    case Kind::JK2H: return GenerateJk2h(rng, records);
    case Kind::TAX3: return GenerateTax3(rng, records);
  }
  return {};
}

std::vector<uint8_t> GenerateSampleOfSize(Kind kind, uint32_t seed, std::size_t size) {
  if (kind == Kind::TAX3) return {};
  constexpr int kMostRecords = std::numeric_limits<int>::max() - 1024;
  // Bytes per record from a short run, then enough records for the size.
  constexpr int kProbe = 20000;
  const double perRecord = static_cast<double>(GenerateSample(kind, seed, kProbe).size()) / kProbe;
  double records = static_cast<double>(size) / perRecord + 1;
  std::vector<uint8_t> raw;
  for (;;) {
    if (records > kMostRecords) return {};
    raw.clear();
    raw.shrink_to_fit();  // one file in memory at a time
    raw = GenerateSample(kind, seed, static_cast<int>(records));
    if (raw.size() >= size) return raw;
    records += static_cast<double>(size - raw.size()) / perRecord + 16;
  }
}

namespace {
struct KindRow {
  const char* name;
  Kind kind;
};
constexpr KindRow kKinds[] = {{"l2000", Kind::L2000},
                              {"l2000-old", Kind::L2000Old},
                              {"lkj93", Kind::LKJ93},
                              {"jk2h", Kind::JK2H},
                              {"tax3", Kind::TAX3}};
}  // namespace

bool ParseKind(std::string_view name, Kind& kind) {
  for (const auto& r : kKinds)
    if (name == r.name) {
      kind = r.kind;
      return true;
    }
  return false;
}

const char* KindName(Kind kind) {
  for (const auto& r : kKinds)
    if (r.kind == kind) return r.name;
  return "?";
}

}  // namespace railfmt::sample
