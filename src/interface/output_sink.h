// The destination of one conversion, written while the conversion runs.
//
// Attached to the output stream, the sink receives the output in blocks as
// it grows (every 4 MiB) and writes them to the destination's temporary
// file, on a writer thread of its own or, where threads are not wanted, on
// the caller's thread. The writer reads the blocks where the stream holds
// them (nothing is copied): the stream lets it finish (Settle) before it
// moves its bytes or writes over bytes handed on. Finish writes the rest,
// writes again what the conversion changed in what was handed on (the
// header, rewritten at the end), waits for the writer and renames the
// temporary file over the destination. A conversion that fails, or a sink
// that goes unfinished, leaves no file behind and the destination as it
// was. No thread outlives Finish, Abort or the sink. The writer thread also
// starts each block on its way to the disk and lets an existing destination's
// cached pages go, so the rename at the end has little left to do.
//
// With masked codes the sink leaves out the records of those codes as
// FilteredSave does (the 52-byte header is kept, and a record of a code
// that a continuation record follows shares its fate with it).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "format/stream.h"
#include "platform/platform.h"

namespace railfmt {

class OutputSink final : public StreamSink {
 public:
  // masked: codes to leave out (nullptr or empty: every byte as it is).
  OutputSink(std::string dst, const std::vector<uint16_t>* masked);
  ~OutputSink();
  OutputSink(const OutputSink&) = delete;
  OutputSink& operator=(const OutputSink&) = delete;

  // Before the conversion starts writing into out.
  void Attach(MemStream& out);
  // After a conversion that succeeded: the whole output in the destination,
  // or false with nothing written (the destination as it was).
  bool Finish();
  // After a conversion that failed: nothing written.
  void Abort();

  void Take(const uint8_t* data, std::size_t size) override;
  void Settle() override;

 private:
  static void WriterMain(void* self);
  void WriterLoop();
  // Writes what [0, size) adds to what was written; with last, a short
  // last record (and a lead record without its continuation) too.
  bool Emit(const uint8_t* data, std::size_t size, bool last);
  bool EmitFiltered(const uint8_t* data, std::size_t size, bool last);
  bool Flush();
  void StopWriter();
  void Detach();

  std::string dst_;
  const std::vector<uint16_t>* masked_;
  std::vector<uint64_t> isMasked_;  // one bit per code when masked
  MemStream* out_ = nullptr;
  platform::TempFile file_;
  bool opened_ = false;      // Open was tried
  bool openFailed_ = false;
  bool inlineWriter_ = false;

  // What was written: plain, the bytes [0, done_); filtered, the stream
  // up to pos_, the kept bytes staged in stage_ until flushed.
  std::size_t done_ = 0;
  std::size_t pos_ = 0;
  bool headerDone_ = false;
  std::vector<uint8_t> stage_;
  bool failed_ = false;  // a write failed (set by whichever thread writes)

  // The writer thread and what it shares with the caller (under signal_).
  platform::Thread thread_;
  platform::Signal* signal_ = nullptr;
  bool running_ = false;
  bool stop_ = false;
  bool releaseOld_ = true;  // an existing destination may hold cached pages (the writer's own)
  const uint8_t* base_ = nullptr;
  std::size_t target_ = 0;  // handed on
  std::size_t taken_ = 0;   // written by the writer
};

}  // namespace railfmt
