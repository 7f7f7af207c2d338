// Texts handed in by the host.
#include "interface/counted_text.h"

#include <atomic>
#include <cstring>

namespace railfmt {

namespace {

// The reference count of a counted text (8 bytes before the characters).
int32_t* CountOf(const char* chars) {
  return reinterpret_cast<int32_t*>(const_cast<char*>(chars) - 8);
}

int32_t LoadCount(int32_t* count) {
#if defined(__GNUC__)
  return __atomic_load_n(count, __ATOMIC_SEQ_CST);
#else
  return std::atomic_ref<int32_t>(*count).load();
#endif
}

void AddToCount(int32_t* count, int32_t delta) {
#if defined(__GNUC__)
  __atomic_add_fetch(count, delta, __ATOMIC_SEQ_CST);
#else
  std::atomic_ref<int32_t>(*count).fetch_add(delta);
#endif
}

}  // namespace

CountedTextRef::CountedTextRef(const char* chars) noexcept : chars_(chars) {
  if (chars_ == nullptr) return;
  int32_t* count = CountOf(chars_);
  if (LoadCount(count) <= -1) return;  // a constant text
  AddToCount(count, 1);
  counted_ = true;
}

CountedTextRef::~CountedTextRef() {
  if (counted_) AddToCount(CountOf(chars_), -1);
}

std::string CountedTextRef::Text() const {
  if (chars_ == nullptr) return {};
  return std::string(chars_, std::strlen(chars_));
}

std::string HostText(const char* chars, std::size_t max) {
  if (chars == nullptr) return {};
  std::size_t n = 0;
  while (n < max && chars[n] != 0) ++n;
  return std::string(chars, n);
}

std::string ReadCountedText(const char* chars) {
  CountedTextRef ref(chars);
  return ref.Text();
}

}  // namespace railfmt
