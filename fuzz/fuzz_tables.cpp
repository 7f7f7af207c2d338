// The table setters with lookups: records are cut from the input, texts
// point into it (zero-terminated copies), lookups run on the result.
#include <cstring>
#include <string>
#include <type_traits>
#include <vector>

#include "legacy/workarea.h"
#include "railfmt/table_fields.h"
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
  // Every field of the records in list order (railfmt/table_fields.h):
  // numbers from the input, texts from kTexts, the depot bytes and the
  // unread fields left 0.
  auto take = [&](auto& v) {
    using T = std::remove_reference_t<decltype(v)>;
    if constexpr (std::is_arithmetic_v<T>) v = r.Take<T>();
  };
#define FUZZ_FIELD_INT(rec, f) take(rec.f);
#define FUZZ_FIELD_FLAG(rec, f) take(rec.f);
#define FUZZ_FIELD_RAW(rec, f) take(rec.f);
#define FUZZ_FIELD_TEXT(rec, f) rec.f = text();
#define FUZZ_FIELD_NONE(rec, f)
#define FUZZ_FIELD(f, type, store, csv, reset) FUZZ_FIELD_##store(rec, f)
  for (int i = 0; i < count; ++i) {
    { auto& rec = st[i]; RAILFMT_STATION_FIELDS(FUZZ_FIELD) }
    { auto& rec = dr[i]; RAILFMT_DRIVER_FIELDS(FUZZ_FIELD) }
    { auto& rec = ls[i]; RAILFMT_LINSHI_FIELDS(FUZZ_FIELD) }
    { auto& rec = jw[i]; RAILFMT_JWD_FIELDS(FUZZ_FIELD) }
    { auto& rec = jc[i]; RAILFMT_JCTYPE_FIELDS(FUZZ_FIELD) }
    { auto& rec = zd[i]; RAILFMT_ZHUDUAN_FIELDS(FUZZ_FIELD) }
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
