// The table setters with lookups: records are cut from the input, texts
// point into it (zero-terminated copies), lookups run on the result.
#include <cstring>
#include <string>

#include "legacy/workarea.h"
#include "tables/bridge.h"

namespace {
struct Reader {
  const uint8_t* p;
  size_t n;
  template <typename T>
  T Take() {
    T v{};
    size_t k = std::min(sizeof(T), n);
    std::memcpy(&v, p, k);
    p += k;
    n -= k;
    return v;
  }
};
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace railfmt;
  Reader r{data, size};
  static const char* kTexts[] = {"", "0", "A", "\xB1\xB1\xBE\xA9", "  x  ", nullptr};
  auto text = [&]() { return kTexts[r.Take<uint8_t>() % 6]; };
  const int count = r.Take<uint8_t>() % 12;
  std::vector<StationRecord> st(count);
  std::vector<DriverRecord> dr(count);
  std::vector<LinshiRecord> ls(count);
  std::vector<JwdRecord> jw(count);
  std::vector<JcTypeRecord> jc(count);
  std::vector<ZhuDuanRecord> zd(count);
  for (int i = 0; i < count; ++i) {
    st[i] = StationRecord{r.Take<uint16_t>(), r.Take<uint16_t>(), text(), r.Take<int32_t>(),
                          r.Take<int32_t>(), r.Take<int32_t>(), r.Take<int32_t>()};
    dr[i] = DriverRecord{r.Take<int32_t>(), text(), text(), r.Take<int32_t>(), r.Take<int16_t>(),
                         r.Take<int32_t>(), text(), r.Take<int32_t>()};
    ls[i] = LinshiRecord{r.Take<uint16_t>(), r.Take<uint16_t>(), r.Take<uint16_t>(), r.Take<int16_t>(),
                         r.Take<int32_t>(),  r.Take<int32_t>(),  r.Take<int32_t>(),  r.Take<int32_t>(),
                         r.Take<int32_t>(),  r.Take<int32_t>(),  r.Take<int16_t>(),  r.Take<uint16_t>(), 0};
    jw[i] = JwdRecord{r.Take<uint16_t>(), text()};
    jc[i] = JcTypeRecord{r.Take<uint16_t>(), text(), text()};
    zd[i] = ZhuDuanRecord{r.Take<int16_t>(), r.Take<int16_t>(), {}};
  }
  const int32_t last = count - 1 - (r.Take<uint8_t>() % 3);  // down to -3
  SetStationTable(st.data(), last);
  SetDriverTable(dr.data(), last);
  SetLinshiTable(ls.data(), last);
  SetJwdTable(jw.data(), last);
  SetJcTypeTable(jc.data(), last);
  SetZhuDuanTable(zd.data(), last);
  for (int q = 0; q < 8 && r.n > 0; ++q) {
    StationName(r.Take<uint8_t>(), r.Take<int16_t>());
    StationNameByCode(r.Take<uint8_t>(), "A", "CZBM04", "czbm07", r.Take<int32_t>(), r.Take<uint8_t>(),
                      r.Take<int32_t>());
    legacy::DriverName(r.Take<uint8_t>(), r.Take<int32_t>());
    JwdName(r.Take<int32_t>());
    JcTypeName(r.Take<int32_t>());
    ZhuDuanLookup(r.Take<int32_t>(), r.Take<int32_t>());
    RestrictionSpeed(r.Take<int32_t>(), r.Take<int32_t>(), r.Take<int32_t>(), r.Take<int32_t>(),
                     r.Take<uint8_t>(), r.Take<uint8_t>());
  }
  return 0;
}
