// The L2000 converter entry: header block 1 tells the protocol version; from
// version 101 on the whole file goes to the event engine, older files to the
// record loop of their own.
#include "legacy/l2000.h"

#include <stdexcept>
#include <string>

#include "handlers/families.h"
#include "legacy/converters.h"

namespace railfmt {

namespace {
constexpr int kHeaderBlock = 128;      // header block 1
constexpr int kFirstEventVersion = 101;
}  // namespace

void ConvertL2000(MemStream& in, MemStream& out, const std::string& sourcePath) {
  legacy::WorkArea& w = legacy::Work();
  w.ResetForConversion(in, out);
  // The older record loop reads the size from w.in when it needs it.
  in.Seek(0);
  w.ReadFixed(0, kHeaderBlock);

  const int version = w.bcd(kRawProtocolPos, 2);
  if (version >= kFirstEventVersion) {
    // The engine reads the header again from the start of the input.
    const std::string vendor(1, static_cast<char>(w.b[kRawVendorPos]));
    if (ConvertEvents(in, out, sourcePath, version, vendor) < 0) {
      // The engine stopped part-way: the output is incomplete, and the
      // driver must not save it as a finished conversion.
      throw std::runtime_error("event conversion failed");
    }
    return;
  }
  legacy::ConversionRoom room(in, out);
  legacy::ConvertL2000Old(w);
}

}  // namespace railfmt
