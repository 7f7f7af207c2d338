#include "interface/output_sink.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>
#include <utility>

#include "engine/fmtdata.h"

namespace railfmt {

namespace {
constexpr std::size_t kBlock = 4u << 20;       // bytes handed on at a time
constexpr std::size_t kStage = 256u << 10;     // kept bytes staged before a write (masked codes)
constexpr uint16_t kContinued1 = 0x8301;       // codes a continuation record follows
constexpr uint16_t kContinued2 = 0x8302;

// The caller's thread writes when a test or the host says so, or when the
// build leaves threads out.
bool WriterOnCallersThread() {
#if defined(RAILFMT_NO_WRITER_THREAD)
  return true;
#else
  switch (platform::Hooks().writer) {
    case 1: return true;
    case 2: return false;
    default: {
      const char* v = std::getenv("RAILFMT_THREADS");
      return v && v[0] == '0' && v[1] == '\0';
    }
  }
#endif
}
}  // namespace

OutputSink::OutputSink(std::string dst, const std::vector<uint16_t>* masked)
    : dst_(std::move(dst)), masked_(masked && !masked->empty() ? masked : nullptr) {
  if (masked_) {
    isMasked_.assign(65536 / 64, 0);
    for (uint16_t code : *masked_) isMasked_[code >> 6] |= uint64_t{1} << (code & 63);
  }
  inlineWriter_ = WriterOnCallersThread();
}

OutputSink::~OutputSink() { Abort(); }

void OutputSink::Attach(MemStream& out) {
  out_ = &out;
  const std::size_t block = platform::Hooks().write_block;
  out.AttachSink(this, block ? block : kBlock);
}

void OutputSink::Detach() {
  if (out_) out_->AttachSink(nullptr, 0);
  out_ = nullptr;
}

void OutputSink::Take(const uint8_t* data, std::size_t size) {
  if (openFailed_) return;
  if (!opened_) {
    // The file is created with the first block (a conversion that fails
    // before it produced one touches nothing).
    opened_ = true;
    if (!file_.Open(dst_)) {
      openFailed_ = true;
      return;
    }
    if (!inlineWriter_) {
      try {
        signal_ = new platform::Signal;
        running_ = thread_.Start(&OutputSink::WriterMain, this);
      } catch (...) {
        running_ = false;
      }
      // No thread to be had: the caller's thread writes.
      if (!running_) inlineWriter_ = true;
    }
  }
  if (!running_) {
    if (!failed_ && !Emit(data, size, false)) failed_ = true;
    return;
  }
  signal_->Lock();
  base_ = data;
  target_ = size;
  signal_->WakeAll();
  signal_->Unlock();
}

void OutputSink::Settle() {
  if (!running_) return;
  signal_->Lock();
  while (taken_ != target_) signal_->Wait();
  signal_->Unlock();
}

void OutputSink::WriterMain(void* self) { static_cast<OutputSink*>(self)->WriterLoop(); }

void OutputSink::WriterLoop() {
  signal_->Lock();
  for (;;) {
    while (!stop_ && taken_ == target_) signal_->Wait();
    if (taken_ == target_) break;  // stopped with nothing left
    const uint8_t* data = base_;
    const std::size_t size = target_;
    const bool skip = failed_;
    signal_->Unlock();
    const bool ok = skip || Emit(data, size, false);
    // The disk gets the bytes, and an existing destination lets go of its
    // cached pages, while the conversion runs rather than in the rename.
    if (ok && !skip) file_.StartWriteback();
    if (releaseOld_) releaseOld_ = platform::ReleaseCachedPages(dst_);
    signal_->Lock();
    if (!ok) failed_ = true;
    taken_ = size;
    signal_->WakeAll();
  }
  signal_->Unlock();
}

void OutputSink::StopWriter() {
  if (!running_) return;
  signal_->Lock();
  stop_ = true;
  signal_->WakeAll();
  signal_->Unlock();
  thread_.Join();
  running_ = false;
  delete signal_;
  signal_ = nullptr;
}

bool OutputSink::Flush() {
  const bool ok = file_.Append(stage_.data(), stage_.size());
  stage_.clear();
  return ok;
}

bool OutputSink::Emit(const uint8_t* data, std::size_t size, bool last) {
  if (masked_) return EmitFiltered(data, size, last);
  if (size <= done_) return true;
  const bool ok = file_.Append(data + done_, size - done_);
  done_ = size;
  return ok;
}

bool OutputSink::EmitFiltered(const uint8_t* data, std::size_t size, bool last) {
  if (stage_.capacity() < kStage) stage_.reserve(kStage);
  auto keep = [&](const uint8_t* p, std::size_t n) {
    if (stage_.size() + n > kStage && !Flush()) return false;
    stage_.insert(stage_.end(), p, p + n);
    return true;
  };
  // The file header (two 26-byte blocks) is never filtered.
  if (!headerDone_) {
    if (size < static_cast<std::size_t>(kHeaderSize) && !last) return true;
    pos_ = std::min<std::size_t>(kHeaderSize, size);
    if (!keep(data, pos_)) return false;
    headerDone_ = true;
  }
  while (pos_ < size) {
    const std::size_t n = std::min<std::size_t>(kRecordSize, size - pos_);
    const uint8_t* r = data + pos_;
    const uint16_t code = static_cast<uint16_t>(r[0] << 8 | (n > 1 ? r[1] : 0));
    const bool continued = code == kContinued1 || code == kContinued2;
    // Before the end only whole records, and a lead record only with its
    // continuation: the rest waits for more bytes.
    if (!last && (n < static_cast<std::size_t>(kRecordSize) ||
                  (continued && size - pos_ < 2 * static_cast<std::size_t>(kRecordSize))))
      break;
    const bool drop = (isMasked_[code >> 6] >> (code & 63)) & 1;
    if (!drop && !keep(r, n)) return false;
    pos_ += n;
    if (continued && pos_ < size) {
      // The continuation goes wherever its lead record goes.
      const std::size_t m = std::min<std::size_t>(kRecordSize, size - pos_);
      if (!drop && !keep(data + pos_, m)) return false;
      pos_ += m;
    }
  }
  return !last || Flush();
}

bool OutputSink::Finish() {
  if (!out_) return false;
  MemStream& out = *out_;
  StopWriter();
  const std::size_t from = out.RewrittenFrom(), to = out.RewrittenTo();
  Detach();
  bool ok = !failed_ && !openFailed_;
  try {
    if (ok && !opened_) {
      opened_ = true;
      ok = file_.Open(dst_);
    }
    const std::vector<uint8_t>& data = out.Data();
    const std::size_t size = data.size();
    if (ok) ok = Emit(data.data(), size, true);
    if (ok && from < to) {
      if (to > size || (masked_ && to > static_cast<std::size_t>(kHeaderSize))) {
        // Changed beyond the header (or cut short): written again whole.
        done_ = pos_ = 0;
        headerDone_ = false;
        stage_.clear();
        ok = file_.Truncate() && Emit(data.data(), size, true);
      } else {
        // Plain output, or the header, which filtering keeps where it is.
        ok = file_.WriteAt(from, data.data() + from, to - from);
      }
    }
  } catch (...) {
    ok = false;
  }
  if (ok) return file_.Commit();
  file_.Discard();
  return false;
}

void OutputSink::Abort() {
  StopWriter();
  Detach();
  file_.Discard();
  delete signal_;
  signal_ = nullptr;
}

}  // namespace railfmt
