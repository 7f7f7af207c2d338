// Texts handed in by the host.
//
// The host runtime's reference-counted texts, as NewFmtFile receives them:
// the pointer points at the characters; the 32-bit length lies at ptr - 4
// and the 32-bit reference count at ptr - 8. A count of -1 or less marks a
// constant text, whose count is never touched.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace railfmt {

// Holds one reference on a counted text for its lifetime and copies the
// characters up to the terminating zero. A null pointer is an empty text.
class CountedTextRef {
 public:
  explicit CountedTextRef(const char* chars) noexcept;
  ~CountedTextRef();
  CountedTextRef(const CountedTextRef&) = delete;
  CountedTextRef& operator=(const CountedTextRef&) = delete;

  // The characters up to the terminating zero.
  std::string Text() const;

 private:
  const char* chars_;
  bool counted_ = false;  // a reference was taken and must be released
};

// The text of a counted text, taking and releasing a reference around the read.
std::string ReadCountedText(const char* chars);

// A plain zero-terminated host text, read up to its zero but to at most max
// characters. A null pointer is an empty text.
std::string HostText(const char* chars, std::size_t max = SIZE_MAX);

}  // namespace railfmt
