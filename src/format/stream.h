// In-memory byte stream used for the raw input and the formatted output of a
// conversion: read, write, position and size, with amortised growth.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <vector>

namespace railfmt {

class OutputRoom;

constexpr int kRecordSize = 26;  // one formatted record

// Where a growing stream hands on the bytes it has produced, while it
// grows: every so many bytes the stream calls Take with everything written
// so far. The bytes handed on stay in the stream and may still change (a
// header rewritten at the end): the stream notes such rewrites (see
// MemStream::RewrittenFrom) after calling Settle. Bytes changed through
// Data() instead of Write go unnoticed.
class StreamSink {
 public:
  // Bytes [0, size) of the stream at data are handed on.
  virtual void Take(const uint8_t* data, std::size_t size) = 0;
  // The stream is about to move its bytes or change bytes handed on: from
  // now on nothing handed on may be read until the next Take.
  virtual void Settle() = 0;

 protected:
  ~StreamSink() = default;
};

class MemStream {
 public:
  MemStream() = default;
  explicit MemStream(std::vector<uint8_t> data) : buf_(std::move(data)) {}

  std::size_t Size() const { return buf_.size(); }
  std::size_t Position() const { return pos_; }
  bool AtEnd() const { return pos_ >= buf_.size(); }
  // Positions past the end are allowed; reads there deliver nothing.
  void Seek(std::size_t p) { pos_ = p; }
  // Relative move, clamped at 0.
  void SeekBy(int64_t delta) {
    int64_t p = static_cast<int64_t>(pos_) + delta;
    pos_ = p < 0 ? 0 : static_cast<std::size_t>(p);
  }

  // Reads up to n bytes; answers how many were delivered.
  std::size_t Read(void* dst, std::size_t n) {
    if (pos_ >= buf_.size()) return 0;
    std::size_t k = std::min(n, buf_.size() - pos_);
    std::memcpy(dst, buf_.data() + pos_, k);
    pos_ += k;
    return k;
  }
  // One byte; false at the end.
  bool ReadByte(uint8_t& b) {
    if (pos_ >= buf_.size()) return false;
    b = buf_[pos_++];
    return true;
  }

  // Writes at the position, growing the stream (gaps are zero-filled).
  void Write(const void* src, std::size_t n) {
    if (pos_ == buf_.size()) {
      // Appending (the usual case): one copy, growth by doubling.
      const uint8_t* p = static_cast<const uint8_t*>(src);
      if (buf_.size() + n > buf_.capacity()) Grow(buf_.size() + n);
      buf_.insert(buf_.end(), p, p + n);
      pos_ += n;
    } else {
      std::size_t end = pos_ + n;
      if (pos_ < handed_) NoteRewrite(end);
      if (end > buf_.size()) {
        if (end > buf_.capacity()) Grow(end);
        buf_.resize(end);
      }
      std::memcpy(buf_.data() + pos_, src, n);
      pos_ = end;
    }
    if (buf_.size() > check_at_) Checkpoint();
  }

  // Appends one formatted record. With the stream at its end and room in the
  // buffer it is a fixed copy; anything else (growth included) goes through
  // Write.
  void AppendRecord(const void* src) {
    constexpr std::size_t kN = kRecordSize;
    const std::size_t at = buf_.size();
    // (Past check_at_ the append goes through Write, which renews the
    // large-page advice and hands bytes to the sink.)
    if (pos_ == at && buf_.capacity() - at >= kN && at + kN <= check_at_) {
      buf_.resize(at + kN);  // the zero fill is overwritten at once
      std::memcpy(buf_.data() + at, src, kN);
      pos_ = at + kN;
      return;
    }
    AppendRecordRest(src);
  }

  // Room for n bytes; std::bad_alloc when it cannot be had.
  void Reserve(std::size_t n);
  void Clear() {
    if (sink_) {
      sink_->Settle();
      rewrite_from_ = 0;
      rewrite_to_ = std::numeric_limits<std::size_t>::max();
    }
    buf_.clear();
    pos_ = 0;
  }

  // Hands the bytes to the sink every `block` bytes of growth from now on
  // (nullptr: no more). Bytes written over what was handed on are noted.
  void AttachSink(StreamSink* sink, std::size_t block);
  // The bytes handed on so far, and the range of them written over since
  // (from >= to: none; to may lie past the end after Clear).
  std::size_t Handed() const { return handed_; }
  std::size_t RewrittenFrom() const { return rewrite_from_; }
  std::size_t RewrittenTo() const { return rewrite_to_; }
  const std::vector<uint8_t>& Data() const { return buf_; }
  std::vector<uint8_t>& Data() { return buf_; }

 private:
  friend class OutputRoom;
  // Large-page advice ahead of a growing output (see OutputRoom): when the
  // size passes check_at_, AdviseAhead looks at how far the input has been
  // read and advises the part of the room the output is likely to reach.
  void AdviseAhead();
  // The size passed check_at_: advice and/or a hand-off to the sink.
  void Checkpoint();
  // Bytes from pos_ to end are written over bytes already handed on.
  void NoteRewrite(std::size_t end);
  // AppendRecord anywhere else: kept out of line so the fixed copy stays small.
#if defined(_MSC_VER)
  __declspec(noinline)
#elif defined(__GNUC__)
  __attribute__((noinline))
#endif
  void AppendRecordRest(const void* src) { Write(src, kRecordSize); }
  // Room for at least `need` bytes, by doubling; std::bad_alloc when it
  // cannot be had.
  void Grow(std::size_t need);

  std::vector<uint8_t> buf_;
  std::size_t pos_ = 0;
  std::size_t check_at_ = std::numeric_limits<std::size_t>::max();  // the lesser of the two below
  std::size_t advise_at_ = std::numeric_limits<std::size_t>::max();
  std::size_t hand_at_ = std::numeric_limits<std::size_t>::max();
  StreamSink* sink_ = nullptr;
  std::size_t block_ = 0;
  std::size_t handed_ = 0;
  std::size_t rewrite_from_ = std::numeric_limits<std::size_t>::max();
  std::size_t rewrite_to_ = 0;
  const MemStream* source_ = nullptr;  // the input being converted into this stream
  std::size_t room_ = 0;               // the capacity the advice is about
  std::size_t origin_ = 0;             // the size when the conversion started
  std::size_t advised_ = 0;            // offsets below this one have been advised
};

// Records gathered and appended to a stream a block at a time: an append per
// record costs about as much as assembling the record. Bytes written to the
// stream any other way follow Flush.
class RecordBlock {
 public:
  static constexpr int kRecords = 64;
  // Where the next record goes; Placed once it is there.
  uint8_t* Next() { return bytes_ + used_; }
  void Placed(MemStream& out) {
    used_ += kRecordSize;
    if (used_ == static_cast<int>(sizeof bytes_)) [[unlikely]] FlushFull(out);
  }
  // Appends 26 bytes.
  void Append(const uint8_t* rec, MemStream& out) {
    std::memcpy(Next(), rec, kRecordSize);
    Placed(out);
  }
  // The gathered records to out.
  void Flush(MemStream& out) {
    if (used_ == 0) return;
    const int n = used_;
    used_ = 0;
    out.Write(bytes_, static_cast<std::size_t>(n));
  }
  std::size_t Size() const { return static_cast<std::size_t>(used_); }  // bytes gathered
  void Clear() { used_ = 0; }

 private:
  // Flush of a full block, out of line: a record's append keeps no registers for it.
#if defined(_MSC_VER)
  __declspec(noinline)
#elif defined(__GNUC__)
  __attribute__((noinline))
#endif
  void FlushFull(MemStream& out) { Flush(out); }
  uint8_t bytes_[kRecords * kRecordSize] = {};
  int used_ = 0;  // bytes
};

// Room for the whole output of one conversion, reserved at once so that the
// output never moves while it grows (a move would hold the old and the new
// copy at once); until written the room is address space only. Where that
// much cannot be had, an estimate, and growth by doubling beyond it.
//
// While the room lives, a large output is backed by large pages ahead of
// its end (a page fault per 4 KiB page costs more than the conversion of the
// bytes written into it): at every megabyte or so the output is projected
// from the share of the input read so far, and the room up to three
// quarters of the projected rest, less one large page, is advised. The large
// page the output ends in is thus normally left in small pages, and the
// memory of a conversion stays within its input and output and little more.
class OutputRoom {
 public:
  // fixed: bytes needed whatever the input; most / usual: formatted bytes
  // per input byte at most / usually.
  OutputRoom(const MemStream& in, MemStream& out, std::size_t fixed, std::size_t most, std::size_t usual);
  ~OutputRoom();
  OutputRoom(const OutputRoom&) = delete;
  OutputRoom& operator=(const OutputRoom&) = delete;

 private:
  MemStream& out_;
};

}  // namespace railfmt
