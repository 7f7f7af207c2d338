// The working areas and primitives shared by the earlier-format converters
// (L2000 below protocol version 101, LKJ93, JK2H): one library-wide record
// buffer, look-ahead byte, running record, second record area and header
// image, kept apart from the event engine's TFmtData.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "engine/fmtdata.h"
#include "format/stream.h"

namespace railfmt::legacy {

// The converter's own copy of the items of a formatted record.
struct RunningRecord {
  uint8_t Code = 0;
  uint8_t Sub = 0;
  int32_t Time = 0;    // seconds of the day
  int32_t Val5 = 0;    // 24 bits
  int32_t Val8 = 0;    // 16 bits
  int32_t Val10 = 0;   // 16 bits
  uint8_t Val12 = 0;
  uint8_t Val13 = 0;   // held already divided by 10
  uint8_t Val14 = 0;   // held already divided by 10
  uint8_t Val15 = 9;   // signal code
  uint8_t Val16 = 1;
  uint16_t Val17 = 0;
  uint16_t Val19 = 0;
  uint16_t Val21 = 0;
  uint8_t Val23 = 0;
  uint8_t Spare = 0;   // not written; the byte Assemble's load of Val17..Val23 reads past them
  uint16_t PresenceMask = 0;
};
// Val12..Val15, and Val17, Val19, Val21, Val23, sit next to each other as
// their bytes do in the formatted record (Assemble loads them at once).
static_assert(offsetof(RunningRecord, Val13) == offsetof(RunningRecord, Val12) + 1 &&
              offsetof(RunningRecord, Val14) == offsetof(RunningRecord, Val12) + 2 &&
              offsetof(RunningRecord, Val15) == offsetof(RunningRecord, Val12) + 3);
static_assert(offsetof(RunningRecord, Val19) == offsetof(RunningRecord, Val17) + 2 &&
              offsetof(RunningRecord, Val21) == offsetof(RunningRecord, Val17) + 4 &&
              offsetof(RunningRecord, Val23) == offsetof(RunningRecord, Val17) + 6 &&
              offsetof(RunningRecord, Spare) == offsetof(RunningRecord, Val17) + 7);

struct WorkArea {
  MemStream* in = nullptr;
  MemStream* out = nullptr;

  uint8_t b[128] = {};              // record buffer: b[0] code, b[1] sub-code or body
  uint8_t lookahead = 0;            // last byte read while looking for a code
  RunningRecord run;                // stays valid from record to record
  uint8_t second[kRecordSize] = {}; // second record area, cleared after every write
  uint8_t headerImage[kHeaderSize] = {};  // also the scratch area of 52-byte units
  thead header;                     // the header values

  int32_t startDay = 0;             // month * 100 + day
  int32_t startTime = 0;            // seconds
  uint8_t distanceMode = 2;
  uint8_t directionFlag1 = 0;
  uint8_t directionFlag2 = 0;
  uint8_t written = 0;              // an ordinary state record was just written
  int32_t lastPosition = 0;         // distance register P
  int32_t lastDistance = 0;         // distance register D
  uint8_t routeNumber = 0;          // bcd(h[17])

  // Carried from file to file; the folder workflow resets them.
  uint8_t currentLine = 255;
  uint8_t toggle = 0;               // LampAspect pass-through flag
  uint16_t counter1 = 0;
  uint16_t counter2 = 0;
  uint8_t laterVersionMark = 0;     // set by an LKJ93 BEh record marking the later version

  // ---- primitives
  // Value of the n BCD bytes b[i..i+n-1]; 0 when i > 127 or n > 4.
  // Inline: the converters call it for nearly every field, with constants.
  int32_t bcd(int i, int n = 1) const {
    if (i >= 0 && n >= 1 && n <= 4 && i + n <= 128) {
      if (n == 1) return TPubFunc::BcdByte(b[i]);
      return TPubFunc::BcdNumberOf(b, i, n);
    }
    return BcdAtEdge(i, n);
  }
  // bcd where the bytes do not all lie in b.
  int32_t BcdAtEdge(int i, int n) const;
  // Reads count bytes into b[start..]; missing bytes keep their values. 0.
  int ReadFixed(int start, int count);
  // Reads up to count bytes into b[start..], each through the look-ahead
  // byte. With stop, a byte of 9Ah or above ends the read (it stays in the
  // look-ahead byte): 170 + bytes stored. Else 0, or 153 at the input end.
  int Read(int start, int count, bool stop);
  // Read(start, count, true) where b[start..127] are all zero: a body of up
  // to 16 bytes goes in as one 16-byte store (the bytes past it stay zero),
  // so the field loads that follow take their bytes from one store.
  int ReadIntoCleared(int start, int count);
  // The end of a vector read at pos that stored k of count bytes: the
  // look-ahead byte and the position after it; 170 + k when a code byte cut it.
  int EndVectorRead(std::size_t pos, int k, int count);
  // The check over b[0..n+1].
  bool Checksum(int n) const;
  // The running record as 26 bytes.
  void Assemble(uint8_t* out26) const;
  // Appends the running record / the second area (which is then cleared).
  void WriteRunning();
  void WriteSecond();

  // Records are gathered and appended to out a block at a time. Bytes
  // written to out any other way go through WriteOut, or follow Flush.
  RecordBlock gathered;
  // Appends 26 bytes.
  void Append(const uint8_t* rec) { gathered.Append(rec, *out); }
  // The gathered records to out.
  void Flush() { gathered.Flush(*out); }
  // The gathered records, then n bytes, to out.
  void WriteOut(const void* p, std::size_t n) {
    Flush();
    out->Write(p, n);
  }
  void ResetRunning() { run = RunningRecord(); }
  // Val23 from a RestrictionSpeed result.
  void RestrictionStep(int32_t v) {
    if (v >= 1 && v <= 254) run.Val23 = static_cast<uint8_t>(v);
    else run.Val23 = run.Val21 < 256 ? static_cast<uint8_t>(run.Val21) : 255;
  }
  // +1 or -1 for dead reckoning.
  int DirectionSign() const {
    if (directionFlag2) return -1;
    const bool bit1 = (directionFlag1 & 0x02) != 0;
    const bool test = (run.Val16 & 6) >= 4;
    return bit1 != test ? 1 : -1;
  }

  // Everything but the carried values back to its initial state.
  void ResetForConversion(MemStream& input, MemStream& output);
};

// The one library-wide working area.
WorkArea& Work();

// Room in out for the whole output of converting in, for the conversion's
// duration (see OutputRoom). Formatted bytes per raw byte: 8 is a generous
// bound (recorder files give 1.6 to 2.5; a file beyond it only grows by
// doubling past the room), 3 the usual ratio.
struct ConversionRoom : OutputRoom {
  ConversionRoom(const MemStream& in, MemStream& out) : OutputRoom(in, out, kHeaderSize + 8 * kRecordSize, 8, 3) {}
};

// The folder workflow's reset of the values carried from file to file.
void ResetCarriedValues();

// The driver lookup of the earlier-format converters: the name, or the
// number as text. With fill != 0 a found driver's three attribute bytes go
// to bytes 47..49 of the working area's header image.
std::string DriverName(uint8_t fill, int32_t number);

}  // namespace railfmt::legacy
