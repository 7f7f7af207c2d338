// In-memory byte stream used for the raw input and the formatted output of a
// conversion: read, write, position and size, with amortised growth.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

namespace railfmt {

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
      if (buf_.size() + n > buf_.capacity()) buf_.reserve(std::max(buf_.size() + n, buf_.capacity() * 2));
      buf_.insert(buf_.end(), p, p + n);
      pos_ += n;
      return;
    }
    std::size_t end = pos_ + n;
    if (end > buf_.size()) {
      if (end > buf_.capacity()) buf_.reserve(std::max(end, buf_.capacity() * 2));
      buf_.resize(end);
    }
    std::memcpy(buf_.data() + pos_, src, n);
    pos_ = end;
  }

  // Appends one 26-byte record. With the stream at its end and room in the
  // buffer it is a fixed copy; anything else (growth included) goes through
  // Write.
  void Append26(const void* src) {
    constexpr std::size_t kN = 26;
    const std::size_t at = buf_.size();
    if (pos_ == at && buf_.capacity() - at >= kN) {
      buf_.resize(at + kN);  // the zero fill is overwritten at once
      std::memcpy(buf_.data() + at, src, kN);
      pos_ = at + kN;
      return;
    }
    Append26Rest(src);
  }

  void Reserve(std::size_t n) { buf_.reserve(n); }
  void Clear() {
    buf_.clear();
    pos_ = 0;
  }
  const std::vector<uint8_t>& Data() const { return buf_; }
  std::vector<uint8_t>& Data() { return buf_; }

 private:
  // Append26 anywhere else: kept out of line so the fixed copy stays small.
#if defined(_MSC_VER)
  __declspec(noinline)
#elif defined(__GNUC__)
  __attribute__((noinline))
#endif
  void Append26Rest(const void* src) { Write(src, 26); }

  std::vector<uint8_t> buf_;
  std::size_t pos_ = 0;
};

}  // namespace railfmt
