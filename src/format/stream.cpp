#include "format/stream.h"

#include <algorithm>
#include <cstdint>
#include <new>

#include "platform/platform.h"

namespace railfmt {

namespace {
constexpr std::size_t kLargePage = 2u << 20;
// Below this input size the output is not worth advising.
constexpr std::size_t kFollowFrom = 16u << 20;
// How often (bytes of output) the projection is renewed when it advises nothing.
constexpr std::size_t kStep = 1u << 20;
}  // namespace

void MemStream::Reserve(std::size_t n) {
  const std::size_t limit = platform::Hooks().stream_limit;
  if (limit != 0 && n > limit) throw std::bad_alloc();
  // The bytes move: the sink lets go of them first.
  if (sink_ && n > buf_.capacity()) sink_->Settle();
  buf_.reserve(n);
}

void MemStream::AttachSink(StreamSink* sink, std::size_t block) {
  if (sink_ && sink != sink_) sink_->Settle();
  sink_ = sink;
  block_ = block > 0 ? block : 1;
  handed_ = 0;
  rewrite_from_ = std::numeric_limits<std::size_t>::max();
  rewrite_to_ = 0;
  hand_at_ = sink ? buf_.size() + block_ : std::numeric_limits<std::size_t>::max();
  check_at_ = std::min(advise_at_, hand_at_);
}

void MemStream::Checkpoint() {
  const std::size_t size = buf_.size();
  if (size > advise_at_) AdviseAhead();
  if (sink_ && size >= hand_at_) {
    handed_ = size;
    hand_at_ = size + block_;
    sink_->Take(buf_.data(), size);
  }
  check_at_ = std::min(advise_at_, hand_at_);
}

void MemStream::NoteRewrite(std::size_t end) {
  sink_->Settle();
  rewrite_from_ = std::min(rewrite_from_, pos_);
  rewrite_to_ = std::max(rewrite_to_, end);
}

void MemStream::Grow(std::size_t need) { Reserve(std::max(need, buf_.capacity() * 2)); }

OutputRoom::OutputRoom(const MemStream& in, MemStream& out, std::size_t fixed, std::size_t most,
                       std::size_t usual)
    : out_(out) {
  fixed += out.Size();
  for (std::size_t perByte : {most, usual}) {
    if (perByte == 0 || in.Size() > (SIZE_MAX - fixed) / perByte) continue;
    try {
      out.Reserve(fixed + in.Size() * perByte);
      break;
    } catch (...) {
    }
  }
  if (in.Size() < kFollowFrom) return;
  out.source_ = &in;
  out.room_ = out.buf_.capacity();
  out.origin_ = out.Size();
  out.advised_ = out.Size();
  out.advise_at_ = out.Size() + kStep;
  out.check_at_ = std::min(out.advise_at_, out.hand_at_);
}

OutputRoom::~OutputRoom() {
  out_.source_ = nullptr;
  out_.advise_at_ = std::numeric_limits<std::size_t>::max();
  out_.check_at_ = out_.hand_at_;
}

void MemStream::AdviseAhead() {
  advise_at_ = std::numeric_limits<std::size_t>::max();
  // Grown past the room (it moved), or the conversion is over: no more advice.
  if (!source_ || buf_.capacity() != room_) return;
  const std::size_t size = buf_.size();
  const std::size_t total = source_->Size();
  const std::size_t read = std::min(source_->Position(), total);
  if (read > 0 && read < total) {
    const double rest = static_cast<double>(size - origin_) * static_cast<double>(total - read) /
                        static_cast<double>(read) * 0.75;
    const std::size_t ahead = rest < static_cast<double>(room_) ? static_cast<std::size_t>(rest) : room_;
    const auto base = reinterpret_cast<std::uintptr_t>(buf_.data());
    // From the first large page past what is written (the one being filled
    // has small pages already) or past the last advice.
    std::uintptr_t from = (base + size + kLargePage - 1) & ~std::uintptr_t{kLargePage - 1};
    from = std::max(from, base + advised_);
    std::uintptr_t to = base + std::min(size + ahead, room_);
    to = to > kLargePage ? (to - kLargePage) & ~std::uintptr_t{kLargePage - 1} : 0;
    if (to > from) {
      platform::AdviseLargeBuffer(reinterpret_cast<void*>(from), to - from);
      advised_ = to - base;
    }
  }
  advise_at_ = advised_ > size + kStep ? advised_ - kStep : size + kStep;
}

}  // namespace railfmt
