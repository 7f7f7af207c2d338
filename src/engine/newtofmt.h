// The event-record converter TNewToFmt: the handler rows and classes, the
// resolution of a class chain and the main loop. The classes themselves,
// their families and the entry ConvertEvents live in handlers/families.h.
//
// A handler family is a table with one row per event code (name, record
// length, shared step, output codes, initial mask). The step is the function
// that does the work: a shared step (StandardEvent, PairEvent...) used by
// many rows, or an own handler used by one. Each converter class lists the
// families it publishes; its parent's rows come first and its own rows
// replace rows of the same name. The class chain is resolved once into a
// flat table, so dispatch is one index per code.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "engine/fmtdata.h"

namespace railfmt {

class TNewToFmt;
struct HandlerRow;

using HandlerStep = void (*)(TNewToFmt& c, const HandlerRow& row);
// The step of a record met by the look-ahead after another record (its code
// byte, already read, is code): it reads the record's bytes apart from Raw,
// which still holds the record before, or where it cannot, runs the row's
// step on Raw saved around it (TNewToFmt::RunOnSavedRaw).
using AttachedStep = void (*)(TNewToFmt& c, const HandlerRow& row, uint8_t code);

struct HandlerRow {
  const char* name;   // upper-case hexadecimal event code: "C5", "A008", "FE01"
  int len;            // RecLen: the whole raw record, code and check byte included
  HandlerStep step;   // shared step or own handler
  uint8_t code;       // default output code byte 0 (OutCode)
  uint8_t sub;        // default output code byte 1 (OutSub)
  uint16_t mask;      // initial presence mask (InitMask)
  int aux = 0;        // step-specific parameter, where a step needs one
  AttachedStep attached = nullptr;  // the look-ahead's step, where the row has one
};

using HandlerFamily = std::span<const HandlerRow> (*)();

// A converter class: its parent and the families it publishes.
struct ConverterClass {
  const char* name;
  const ConverterClass* parent;
  std::vector<HandlerFamily> families;
};

// The class chain resolved into one flat table.
struct ResolvedHandlers {
  std::array<const HandlerRow*, 256> one{};   // one-byte names ("C5")
  std::vector<const HandlerRow*> two;         // two-byte names ("A008"), 65536
  std::vector<std::string> names;             // every published name, sorted
};

const ResolvedHandlers& Resolve(const ConverterClass& cls);

// Run-wide values that live outside the context.
struct RunState {
  int32_t LastStartTime = -1;    // time of the last start record (A010, C0, C1)
  bool FirstValueFlag = false;   // header byte 41 already taken (CE, B801)
  bool StartRecordFlag = false;  // set by C1, cleared by E5
  std::string DateText8;         // eight-digit date text (vendor Q only)
  std::array<uint8_t, 10> ZhuDuan{};  // the current ZhuDuan record
};
RunState& Run();

class TNewToFmt {
 public:
  TNewToFmt(TFmtData& d, const ConverterClass& cls, int version);
  virtual ~TNewToFmt() = default;

  TFmtData& d;
  int Version;
  std::string UnhandledNames;
  // F0 and F1 in their long forms (LongStateForms of the header), set when
  // the header is read.
  bool LongState = false;

  // The whole conversion over the streams placed in the context; answers 1.
  int RunConversion();

  // Handler of that name through the class chain (case-insensitive), or null.
  const HandlerRow* FindHandler(std::string_view name) const;
  const HandlerRow* FindHandler(uint8_t code0) const { return table_->one[code0]; }
  const HandlerRow* FindHandler2(uint8_t code0, uint8_t code1) const {
    return table_->two[(code0 << 8) | code1];
  }
  // Calls the handler; an error raised inside it is dropped.
  void RunHandler(const HandlerRow* row);
  // Runs the handler of that name in place, if it exists (no error guard).
  bool Call(std::string_view name);

  // Look-ahead for an attached 0xF0/0xF1 record. Any other next byte in an
  // input of two bytes or more stays unread and changes nothing.
  void PeekAttached() {
    const MemStream& in = *d.InStream;
    const std::size_t pos = in.Position();
    if (pos + 1 < in.Size()) [[likely]] {
      // a byte that is not the input's last: an input of two bytes or more
      const uint8_t next = in.Data()[pos];
      if (IsAttachedCode(next)) RunAttached(pos, next);
    } else if (pos < in.Size()) {
      PeekLastByte();
    }
  }
  // The codes of the attached records: F0 and F1.
  static constexpr uint8_t kFirstAttached = 0xF0;
  static constexpr int kAttachedCodes = 2;
  static constexpr bool IsAttachedCode(uint8_t b) {
    return b >= kFirstAttached && b < kFirstAttached + kAttachedCodes;
  }
  // The attached record whose code byte next is the input byte at pos. The
  // byte was looked at in place: anything but 0xF0/0xF1 stays unread. Raw is
  // as it was after the attached record (the byte read over Raw[0] is put
  // back), so RawUsed stays as well.
  void RunAttached(std::size_t pos, uint8_t next) {
    d.InStream->Seek(pos + 1);
    const Attached& a = attached_[next - kFirstAttached];
    if (a.row) a.step(*this, *a.row, next);
  }
  // PeekAttached when the next byte is the input's last.
  void PeekLastByte();
  // PeekAttached in an input of one byte.
  void PeekAttachedOneByte();
  // The row's step for an attached record whose code byte is code, on Raw:
  // Raw is saved, holds the code byte while the step runs, and is put back.
  void RunOnSavedRaw(const HandlerRow& row, uint8_t code);

  // The vendor letter of the raw header (formatted header byte 51).
  char Vendor() const { return d.Hdr.Vendor; }
  bool VendorQ() const { return d.Hdr.Vendor == 'Q'; }

  const ConverterClass& Class() const { return *cls_; }
  const ResolvedHandlers& Table() const { return *table_; }

 private:
  const ConverterClass* cls_;
  const ResolvedHandlers* table_;
  // The rows of F0 and F1 (null where the class has none) and the steps the
  // look-ahead runs for them.
  struct Attached {
    const HandlerRow* row;
    AttachedStep step;
  };
  std::array<Attached, kAttachedCodes> attached_{};
};

// Whether the state records F0 and F1 take their long forms in a recording
// with this header: ZhuZhou files and record-format versions above 3.1.
bool LongStateForms(const thead& h);

// Start-up and close of a conversion.
void StartConversion(TNewToFmt& c);
void SignalModeProbe(TFmtData& d, int& mode);
void CloseConversion(TFmtData& d);

// How large an event conversion's output can grow. After the header and at
// most 31 start-up records, a raw record gives at most a full and a
// supplementary record, and no record is shorter than two bytes: four
// records per raw byte. One exception: a data block FE01 cut at the input
// end still writes its declared payload (length at most 9999, 19 bytes in
// its first record, 26 in each further one), missing bytes as zeros, without
// input to pay for them. Only blocks that start in the last 52 bytes can
// (their 26-byte chunks are read only while 26 bytes remain, and their own
// head takes up to 26 bytes), and each takes at least its two code bytes.
constexpr std::size_t kMostStartupRecords = 31;
constexpr int kFe01Fixed = 6;          // FE01: bytes of the block that are not payload
constexpr int kFe01FirstPayload = 19;  // FE01: payload bytes in its first record
constexpr std::size_t kMostCutBlockRecords =
    1 + (9999 - kFe01Fixed - kFe01FirstPayload + kRecordSize - 1) / kRecordSize;
constexpr std::size_t kMostCutBlocks = 52 / 2;
constexpr std::size_t MostEventOutput(std::size_t rawSize) {
  return kHeaderSize + kMostStartupRecords * kRecordSize +
         (4 * rawSize + kMostCutBlocks * kMostCutBlockRecords) * kRecordSize;
}

}  // namespace railfmt
