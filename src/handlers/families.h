// The handler families, one table each, the three converter classes that
// publish them, and the engine entry ConvertEvents that picks the class.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "engine/newtofmt.h"

namespace railfmt {

// TNewToFmt (base dialect)
std::span<const HandlerRow> FamilyA0();           // A0xx, A4xx, A5xx, A7xx, A9xx
std::span<const HandlerRow> FamilyState();        // F0, F1, F2
std::span<const HandlerRow> FamilySingleByte();   // C0..CF, D0..D7, DB..DF, E0..EF
std::span<const HandlerRow> FamilyA8();           // A8xx
std::span<const HandlerRow> FamilyB2();           // B2xx
std::span<const HandlerRow> FamilyB8();           // B8xx
std::span<const HandlerRow> FamilyB6();           // B6xx and EMURecord
std::span<const HandlerRow> FamilyB5();           // B5xx
std::span<const HandlerRow> FamilyBA();           // BA, BB, BC, BD, BE, BF
std::span<const HandlerRow> FamilyMisc();         // B1, B3, B4, B7, B9, DA, FE

// T102NewToFmt
std::span<const HandlerRow> Family102();          // EB, EE

// TZhuZhouNewOrgToFmt, each beside the base family it replaces
std::span<const HandlerRow> FamilyZhuZhouSingleByte();  // CC
std::span<const HandlerRow> FamilyZhuZhouB2();          // B201, B289, B297
std::span<const HandlerRow> FamilyZhuZhouB8();          // B829
std::span<const HandlerRow> FamilyZhuZhouB6();          // B607
std::span<const HandlerRow> FamilyZhuZhouMisc();        // B107, B301..B304, B405..B411, B715

// The classes (handlers/variants.cpp).
const ConverterClass& ClassTNewToFmt();
const ConverterClass& ClassT102NewToFmt();
const ConverterClass& ClassTZhuZhouNewOrgToFmt();

class T102NewToFmt : public TNewToFmt {
 public:
  T102NewToFmt(TFmtData& d, int version) : TNewToFmt(d, ClassT102NewToFmt(), version) {}
};

class TZhuZhouNewOrgToFmt : public TNewToFmt {
 public:
  TZhuZhouNewOrgToFmt(TFmtData& d, int version)
      : TNewToFmt(d, ClassTZhuZhouNewOrgToFmt(), version) {}
};

// The engine entry: 1, or -1 when an error was raised outside a handler.
int ConvertEvents(MemStream& in, MemStream& out, const std::string& sourceName, int version,
                  std::string_view vendorText);

// Buffer to buffer, for tests, benchmarks and fuzzers. The vendor text is
// the raw header's vendor letter unless given.
std::vector<uint8_t> ConvertEventBytes(const std::vector<uint8_t>& raw, int version,
                                       std::string_view vendorText, int* result = nullptr);

// The record reference: true for a row that writes a unit of two records
// (the second a continuation whose first two bytes are data, not a code).
bool WritesContinuation(const HandlerRow& row);

}  // namespace railfmt
