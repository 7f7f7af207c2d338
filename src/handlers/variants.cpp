// The three converter classes and the engine entry ConvertEvents.
#include <cstdint>
#include <exception>

#include "handlers/families.h"
#include "platform/platform.h"

namespace railfmt {

const ConverterClass& ClassTNewToFmt() {
  static const ConverterClass cls{
      "TNewToFmt",
      nullptr,
      {FamilyA0, FamilyState, FamilySingleByte, FamilyA8, FamilyB2, FamilyB8, FamilyB6, FamilyB5,
       FamilyBA, FamilyMisc}};
  return cls;
}

const ConverterClass& ClassT102NewToFmt() {
  static const ConverterClass cls{"T102NewToFmt", &ClassTNewToFmt(), {Family102}};
  return cls;
}

const ConverterClass& ClassTZhuZhouNewOrgToFmt() {
  static const ConverterClass cls{"TZhuZhouNewOrgToFmt",
                                  &ClassT102NewToFmt(),
                                  {FamilyZhuZhouSingleByte, FamilyZhuZhouB2, FamilyZhuZhouB8,
                                   FamilyZhuZhouB6, FamilyZhuZhouMisc}};
  return cls;
}

namespace {
// The most formatted bytes one raw byte can give (a seven-byte record that
// writes a full and a supplementary record: 52 bytes), and the usual ratio.
constexpr std::size_t kMaxOutputPerInputByte = 8;
constexpr std::size_t kExpectedOutputPerInputByte = 2;
}  // namespace

int ConvertEvents(MemStream& in, MemStream& out, const std::string& sourceName, int version,
                  std::string_view vendorText) {
  TFmtData& d = FmtData();
  try {
    // Every conversion starts from the context of a freshly loaded library,
    // so its result never depends on the files converted before it.
    d.Reset();
    Run() = RunState();
    d.InStream = &in;
    d.OutStream = &out;
    d.SourceName = sourceName;
    OutputRoom room(in, out, kHeaderSize + 31 * kRecordSize, kMaxOutputPerInputByte, kExpectedOutputPerInputByte);

    int result;
    if (vendorText == "Q") {
      if (version >= 102) {
        T102NewToFmt c(d, version);
        result = c.RunConversion();
      } else {
        TNewToFmt c(d, ClassTNewToFmt(), version);
        result = c.RunConversion();
      }
    } else {
      TZhuZhouNewOrgToFmt c(d, version);
      result = c.RunConversion();
    }
    d.InStream = nullptr;
    d.OutStream = nullptr;
    return result;
  } catch (...) {
    d.InStream = nullptr;
    d.OutStream = nullptr;
    return -1;
  }
}

std::vector<uint8_t> ConvertEventBytes(const std::vector<uint8_t>& raw, int version,
                                       std::string_view vendorText, int* result) {
  MemStream in(raw);
  MemStream out;
  std::string vendor(vendorText);
  if (vendor.empty()) vendor = std::string(1, raw.size() > kRawVendorPos ? static_cast<char>(raw[kRawVendorPos]) : '\0');
  int r = ConvertEvents(in, out, "memory", version, vendor);
  if (result) *result = r;
  return std::move(out.Data());
}

}  // namespace railfmt
