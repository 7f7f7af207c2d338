// The single-file drivers behind TransSingleFile and NewFmtFile, the two
// savers, the ring unrolling and the stream range copy.
//
// Every call owns its pair of conversion streams for its own duration only:
// they are locals here, so they are released on every way out. A conversion
// writes its output while it runs, through an OutputSink, into the
// temporary file beside the destination, which is renamed over the
// destination only when the conversion and every write succeeded; the other
// saves go through platform::SaveFile (temporary file, then rename). Either
// way a failed save never leaves a half-written destination.
#include "interface/drivers.h"

#include <algorithm>
#include <bitset>
#include <cstring>
#include <memory>
#include <vector>

#include "engine/fmtdata.h"
#include "tables/bridge.h"
#include "interface/filetype.h"
#include "interface/output_sink.h"
#include "platform/platform.h"
#include "railfmt/railfmt.h"

namespace railfmt {

ConverterSet& Converters() {
  static ConverterSet set{ConvertL2000, ConvertLKJ93, ConvertJK2H, SplitTax3};
  return set;
}

void ResetConverters() { Converters() = ConverterSet{ConvertL2000, ConvertLKJ93, ConvertJK2H, SplitTax3}; }

namespace {

// NewFmtFile results.
constexpr int32_t kHandled = 0;
constexpr int32_t kNoSource = -1;
constexpr int32_t kUnknownType = -2;
constexpr int32_t kConverterFailed = -3;
constexpr int32_t kSaveFailed = -4;
constexpr int32_t kRingNotLoaded = -5;
// TransSingleFile result for a type without converter.
constexpr int32_t kNotHandled = 1;

// Record codes followed by one continuation record that shares their fate.
constexpr uint16_t kContinued1 = 0x8301;
constexpr uint16_t kContinued2 = 0x8302;

// Ring-buffer download file: header size and where the write position sits.
constexpr int64_t kRingHeader = 64;
constexpr int kRingPosition = 8;   // 24 bits, little-endian, bytes 8..10

constexpr int64_t kCopyBlock = 2048;

// The LKJ93 converter's option byte as the single-file drivers pass it.
constexpr uint8_t kLkj93Option = 0;

// The types whose output is a conversion of the raw file.
bool NeedsInput(int32_t type) {
  return type == RAILFMT_TYPE_JK2H || type == RAILFMT_TYPE_LKJ93 || type == RAILFMT_TYPE_L2000;
}

// Loads the source into the input stream; false when it cannot be read.
bool LoadInput(const std::string& src, MemStream& in) {
  std::vector<uint8_t> raw;
  if (!platform::LoadFile(src, raw)) return false;
  in = MemStream(std::move(raw));
  return true;
}

// Runs the converter for a type that has one. Throws what the converter throws.
void RunConverter(int32_t type, MemStream& in, MemStream& out, const std::string& src) {
  const ConverterSet& c = Converters();
  switch (type) {
    case RAILFMT_TYPE_JK2H: c.jk2h(in, out); break;
    case RAILFMT_TYPE_LKJ93: c.lkj93(in, out, kLkj93Option); break;
    case RAILFMT_TYPE_L2000: c.l2000(in, out, src); break;
    default: break;
  }
}

// Loads and converts, the output streaming into the sink; false when the
// source could not be read or the converter failed (nothing escapes).
bool LoadAndConvert(int32_t type, const std::string& src, MemStream& in, MemStream& out, OutputSink& sink) {
  try {
    if (!LoadInput(src, in)) return false;
    sink.Attach(out);
    RunConverter(type, in, out, src);
    return true;
  } catch (...) {
    return false;
  }
}

// Runs the TAX3 dump split; false when it failed or a recording could not
// be written whole (nothing escapes).
bool SplitSucceeded(const std::string& src) {
  try {
    return Converters().tax3(src) >= 0;
  } catch (...) {
    return false;
  }
}

}  // namespace

// ------------------------------------------------------------------ drivers

int32_t TransSingleFileImpl(const std::string& src, const std::string& dst) {
  int32_t type = RAILFMT_TYPE_UNKNOWN;
  try {
    type = FileType(src);
  } catch (...) {
    return kNotHandled;
  }
  switch (type) {
    case RAILFMT_TYPE_JK2H:
    case RAILFMT_TYPE_LKJ93:
    case RAILFMT_TYPE_L2000: {
      // 0 only with the whole conversion in the destination. A source that
      // cannot be loaded, a failing converter or a destination that cannot
      // be written whole answer 1 and write nothing (an existing
      // destination is kept).
      MemStream in, out;
      OutputSink sink(dst, nullptr);
      if (!LoadAndConvert(type, src, in, out, sink) || !sink.Finish()) return kNotHandled;
      return kHandled;
    }
    case RAILFMT_TYPE_JK96:
    case RAILFMT_TYPE_FORMATTED:
      return kHandled;
    case RAILFMT_TYPE_TAX3:
      // The recordings beside the dump are this type's output: 1 when one
      // of them could not be written.
      return SplitSucceeded(src) ? kHandled : kNotHandled;
    default:
      return kNotHandled;
  }
}

int32_t NewFmtFileImpl(const std::string& src, const std::string& dst) {
  try {
    if (!platform::FileExists(src)) return kNoSource;
    const int32_t type = FileType(src);
    MemStream in, out;
    // The conversions' output goes to the destination while it is made
    // (masked codes left out); the sink leaves nothing behind unless
    // finished.
    OutputSink sink(dst, &ReadTables().MaskedCodeList);
    int32_t result = kHandled;
    switch (type) {
      case RAILFMT_TYPE_JK2H:
      case RAILFMT_TYPE_LKJ93:
      case RAILFMT_TYPE_L2000:
        // A source gone since its type was read is a missing source.
        if (!LoadAndConvert(type, src, in, out, sink)) {
          sink.Abort();
          result = platform::FileExists(src) ? kConverterFailed : kNoSource;
          break;
        }
        // A destination that is the source itself is replaced by the
        // finished conversion (the source is in memory by now).
        return sink.Finish() ? kHandled : kSaveFailed;
      case RAILFMT_TYPE_RING:
        // The unrolling writes the destination itself.
        try {
          return RingUnroll(src, dst);
        } catch (...) {
          return kConverterFailed;
        }
      case RAILFMT_TYPE_JK96:
      case RAILFMT_TYPE_FORMATTED:
        break;
      case RAILFMT_TYPE_TAX3:
        if (!SplitSucceeded(src)) result = kConverterFailed;
        break;
      default:
        result = kUnknownType;
        break;
    }
    // A failed conversion writes nothing: what the converter produced before
    // it failed is no formatted file, and an existing destination is kept.
    if (result == kConverterFailed || result == kNoSource) return result;
    // A destination that is the source itself is replaced only by a finished
    // conversion: an empty output would take the raw file's place.
    if (platform::SameFile(src, dst) && !(NeedsInput(type) && result == kHandled)) return result;
    if (!FilteredSave(out, dst)) result = kSaveFailed;
    return result;
  } catch (...) {
    return kConverterFailed;
  }
}

// ------------------------------------------------------------------ savers

bool FilteredSave(MemStream& out, const std::string& dst) {
  try {
    const std::vector<uint8_t>& data = out.Data();
    const std::vector<uint16_t>& masked = ReadTables().MaskedCodeList;
    // Nothing masked: the stream is written as it stands.
    if (masked.empty()) return platform::SaveFile(dst, data.data(), data.size());

    auto isMasked = std::make_unique<std::bitset<65536>>();
    for (uint16_t code : masked) isMasked->set(code);

    const std::size_t size = data.size();
    std::vector<uint8_t> kept;
    kept.reserve(size);
    // The file header (two 26-byte blocks) is never filtered.
    std::size_t pos = std::min<std::size_t>(kHeaderSize, size);
    kept.insert(kept.end(), data.begin(), data.begin() + static_cast<std::ptrdiff_t>(pos));

    // Takes the next record (a short last one as far as it goes).
    auto next = [&](std::size_t& n) {
      const uint8_t* r = data.data() + pos;
      n = std::min<std::size_t>(kRecordSize, size - pos);
      pos += n;
      return r;
    };
    while (pos < size) {
      std::size_t n = 0;
      const uint8_t* r = next(n);
      const uint16_t code = static_cast<uint16_t>(r[0] << 8 | (n > 1 ? r[1] : 0));
      const bool drop = isMasked->test(code);
      if (!drop) kept.insert(kept.end(), r, r + n);
      if ((code == kContinued1 || code == kContinued2) && pos < size) {
        // The continuation goes wherever its lead record goes.
        const uint8_t* c = next(n);
        if (!drop) kept.insert(kept.end(), c, c + n);
      }
    }
    return platform::SaveFile(dst, kept.data(), kept.size());
  } catch (...) {
    return false;
  }
}

bool PlainSave(MemStream& out, const std::string& dst) {
  const std::vector<uint8_t>& data = out.Data();
  return platform::SaveFile(dst, data.data(), data.size());
}

// ------------------------------------------------------------------ ring files

int32_t RingUnroll(const std::string& src, const std::string& dst) {
  MemStream in, out;
  try {
    if (!LoadInput(src, in)) return kRingNotLoaded;
    out.Reserve(in.Size());
  } catch (...) {
    return kRingNotLoaded;
  }
  const int64_t size = static_cast<int64_t>(in.Size());

  // The header unchanged; a file shorter than the header still gives a
  // whole 64-byte header, the missing bytes as zeros.
  bool ok = CopyStreamRange(in, out, 0, kRingHeader) == 0;

  uint8_t h[kRingHeader] = {};
  in.Seek(0);
  in.Read(h, sizeof h);
  int64_t p = h[kRingPosition] | h[kRingPosition + 1] << 8 | h[kRingPosition + 2] << 16;
  // A write position outside the data area (past the file, or in the last
  // 64 bytes of it) cannot be a ring position: the data is kept in order.
  if (p > size - kRingHeader) p = 0;

  // The older part from the write position to the end, then the newer part.
  ok = CopyStreamRange(in, out, kRingHeader + p, size - (kRingHeader + p)) == 0 && ok;
  if (p > 0) ok = CopyStreamRange(in, out, kRingHeader, p) == 0 && ok;
  if (!ok) return kConverterFailed;

  return PlainSave(out, dst) ? kHandled : kSaveFailed;
}

int32_t CopyStreamRange(MemStream& from, MemStream& to, int64_t start, int64_t count) {
  if (count <= 0) return 0;
  if (start < 0) return -1;
  try {
    from.Seek(static_cast<std::size_t>(start));
    uint8_t buf[kCopyBlock];
    for (int64_t copied = 0; copied < count;) {
      const int64_t n = std::min(count - copied, kCopyBlock);
      std::memset(buf, 0, sizeof buf);
      from.Read(buf, static_cast<std::size_t>(n));
      to.Write(buf, static_cast<std::size_t>(n));
      copied += n;
    }
  } catch (...) {
    return -1;
  }
  return 0;
}

}  // namespace railfmt
