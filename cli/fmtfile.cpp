#include "fmtfile.h"

#include "checks.h"
#include "commands.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>

namespace railfmt::cli {

const std::vector<FieldInfo>& StateFields() {
  static const std::vector<FieldInfo> f = {
      {"Val5", 5, 3},   {"Val8", 8, 2},   {"Val10", 10, 2}, {"Val12", 12, 1}, {"Val13", 13, 1},
      {"Val14", 14, 1}, {"Val15", 15, 1}, {"Val16", 16, 1}, {"Val17", 17, 2}, {"Val19", 19, 2},
      {"Val21", 21, 2}, {"Val23", 23, 1},
  };
  return f;
}

bool IsStateField(const std::string& name) {
  for (const auto& f : StateFields())
    if (name == f.name) return true;
  return false;
}

namespace {

// Presence bits and the fields they stand for.
struct MaskBit {
  unsigned bit;
  std::vector<const char*> fields;
};
const std::vector<MaskBit>& MaskBits() {
  static const std::vector<MaskBit> bits = {
      {0x0001, {"Time"}},          {0x0002, {"Val5"}},  {0x0004, {"Val8"}},
      {0x0008, {"Val10", "Val12"}}, {0x0010, {"Val15"}}, {0x0020, {"Val16"}},
      {0x0040, {"Val13", "Val14"}}, {0x0080, {"Val17"}}, {0x0100, {"Val19"}},
      {0x0200, {"Val21"}},         {0x1000, {"Val13", "Val14"}},
  };
  return bits;
}

// Records that carry text, and where.
struct TextSpan {
  enum Kind { Fixed, Counted } kind;
  int start;  // Fixed: first byte; Counted: the length byte (text follows)
  int end;    // Fixed: last byte
};
struct TextLayout {
  uint8_t code;
  uint8_t subLo, subHi;
  std::vector<TextSpan> spans;
};
const std::vector<TextLayout>& TextLayouts() {
  static const std::vector<TextLayout> t = {
      {0x81, 0x04, 0x04, {{TextSpan::Fixed, 7, 18}}},    // second driver
      {0x81, 0x06, 0x06, {{TextSpan::Fixed, 7, 18}}},    // station
      {0x81, 0x11, 0x11, {{TextSpan::Fixed, 7, 18}}},    // driver
      {0x81, 0x57, 0x59, {{TextSpan::Fixed, 7, 18}}},    // further drivers
      {0x20, 0xF0, 0xF0, {{TextSpan::Fixed, 2, 11}, {TextSpan::Fixed, 13, 22}}},  // station text
      {0xF0, 0x1E, 0x2B, {{TextSpan::Counted, 11, 0}}},  // channel tests
      {0xF0, 0x30, 0x33, {{TextSpan::Counted, 11, 0}}},
      {0xF0, 0x3E, 0x4B, {{TextSpan::Counted, 11, 0}}},
      {0x80, 0x60, 0x60, {{TextSpan::Counted, 11, 0}}},
      {0xF0, 0x2E, 0x2F, {{TextSpan::Counted, 2, 0}, {TextSpan::Counted, 11, 0}}},  // board faults
      {0xF0, 0x4E, 0x4F, {{TextSpan::Counted, 2, 0}, {TextSpan::Counted, 11, 0}}},
  };
  return t;
}

std::string Trim(std::string s) {
  std::size_t e = s.find_last_not_of(std::string(" \0", 2));
  s.erase(e == std::string::npos ? 0 : e + 1);
  std::size_t b = s.find_first_not_of(std::string(" \0", 2));
  return b == std::string::npos ? std::string() : s.substr(b);
}

std::string Span(const uint8_t* b, int from, int to) {
  return Trim(std::string(reinterpret_cast<const char*>(b + from), static_cast<std::size_t>(to - from + 1)));
}

std::string RecordText(const std::array<uint8_t, kFmtRecordSize>& b) {
  for (const auto& l : TextLayouts()) {
    if (b[0] != l.code || b[1] < l.subLo || b[1] > l.subHi) continue;
    std::vector<std::string> parts;
    for (const auto& s : l.spans) {
      std::string t;
      if (s.kind == TextSpan::Fixed) {
        t = Span(b.data(), s.start, s.end);
      } else {
        int n = std::min<int>(b[s.start], kFmtRecordSize - 1 - s.start);
        if (n > 0) t = Span(b.data(), s.start + 1, s.start + n);
      }
      if (!t.empty() && std::find(parts.begin(), parts.end(), t) == parts.end()) parts.push_back(t);
    }
    std::string out;
    for (const auto& p : parts) out += (out.empty() ? "" : " / ") + p;
    return out;
  }
  return {};
}

unsigned Le(const uint8_t* b, int n) {
  unsigned v = 0;
  for (int i = n - 1; i >= 0; --i) v = v << 8 | b[i];
  return v;
}

}  // namespace

std::vector<std::string> PresentFields(unsigned mask) {
  std::vector<std::string> out;
  for (const auto& m : MaskBits())
    if (mask & m.bit)
      for (const char* f : m.fields)
        if (std::find(out.begin(), out.end(), f) == out.end()) out.push_back(f);
  for (unsigned bit = 10; bit < 16; ++bit)
    if (bit != 12 && (mask & (1u << bit))) out.push_back("bit" + std::to_string(bit));
  return out;
}

std::string TextLayoutText(unsigned code) {
  const unsigned c0 = code >> 8 & 0xFF, c1 = code & 0xFF;
  for (const auto& l : TextLayouts()) {
    if (c0 != l.code || c1 < l.subLo || c1 > l.subHi) continue;
    std::string out;
    for (const auto& s : l.spans) {
      out += out.empty() ? "" : ", ";
      if (s.kind == TextSpan::Fixed) out += "text " + std::to_string(s.start) + "-" + std::to_string(s.end);
      else out += "text length " + std::to_string(s.start) + ", text from " + std::to_string(s.start + 1);
    }
    return out + " (GBK)";
  }
  return {};
}

std::vector<int> TextBytes(unsigned code) {
  const unsigned c0 = code >> 8 & 0xFF, c1 = code & 0xFF;
  std::vector<int> out;
  for (const auto& l : TextLayouts()) {
    if (c0 != l.code || c1 < l.subLo || c1 > l.subHi) continue;
    for (const auto& s : l.spans)
      for (int i = s.start; i <= (s.kind == TextSpan::Fixed ? s.end : kFmtRecordSize - 1); ++i) out.push_back(i);
  }
  return out;
}

std::string CodeHex(unsigned code) {
  char b[8];
  std::snprintf(b, sizeof b, "%04X", code & 0xFFFF);
  return b;
}

std::string TimeText(const FmtRecord& r) {
  char b[16];
  std::snprintf(b, sizeof b, "%02d:%02d:%02d", r.hours, r.minutes, r.seconds);
  return b;
}

FmtFile ReadFmtFile(const std::string& path) {
  // a missing file, a folder or an unreadable file is named as such
  if (std::string problem = InputFileProblem(path); !problem.empty()) throw std::runtime_error(problem);
  std::ifstream f(path, std::ios::binary);
  if (!f) throw std::runtime_error(path + ": cannot be read");
  std::vector<uint8_t> data((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
  if (f.bad()) throw std::runtime_error(path + ": cannot be read");
  if (data.size() < static_cast<std::size_t>(kFmtHeaderSize))
    throw std::runtime_error(path + ": too short for a formatted file (" + std::to_string(data.size()) +
                             " bytes, the header alone is 52)");
  bool a6 = data[0] == 0xA6 && data[1] == 0x6A, a5 = data[0] == 0xA5 && data[1] == 0x5A;
  if (!a6 && !a5) throw std::runtime_error(NotFormattedMessage(path));

  FmtFile out;
  FmtHeader& h = out.header;
  std::copy(data.begin(), data.begin() + kFmtHeaderSize, h.bytes.begin());
  const uint8_t* b = h.bytes.data();
  h.magic = a6 ? "A66A" : "A55A";
  h.number = Span(b, 2, 11);
  h.typeName = Span(b, 12, 19);
  h.word20 = Le(b + 20, 2);
  h.shortText = Span(b, 22, 23);
  h.b24 = Le(b + 24, 3);
  h.b27 = b[27];
  h.word28 = Le(b + 28, 2);
  for (int i = 0; i < 3; ++i) h.date[i] = b[30 + i];
  for (int i = 0; i < 4; ++i) h.b33[i] = b[33 + i], h.b37[i] = b[37 + i];
  h.b41 = b[41];
  h.b42 = b[42];
  h.b43 = b[43];
  h.size = Le(b + 44, 3);
  h.b47 = b[47];
  h.b48 = b[48];
  h.b49 = b[49];
  h.b50 = b[50];
  h.vendor = static_cast<char>(b[51]);

  std::size_t n = (data.size() - kFmtHeaderSize) / kFmtRecordSize;
  out.trailingBytes = (data.size() - kFmtHeaderSize) % kFmtRecordSize;
  out.records.reserve(n);
  for (std::size_t k = 0; k < n; ++k) {
    FmtRecord r;
    std::copy_n(data.begin() + kFmtHeaderSize + static_cast<std::ptrdiff_t>(k * kFmtRecordSize), kFmtRecordSize,
                r.bytes.begin());
    r.index = static_cast<int>(k);
    r.code = r.bytes[0] * 256u + r.bytes[1];
    r.hours = r.bytes[2];
    r.minutes = r.bytes[3];
    r.seconds = r.bytes[4];
    for (const auto& fi : StateFields()) r.values.push_back(static_cast<long>(Le(r.bytes.data() + fi.offset, fi.width)));
    r.mask = Le(r.bytes.data() + 24, 2);
    r.present = PresentFields(r.mask);
    r.text = RecordText(r.bytes);
    out.records.push_back(std::move(r));
  }
  return out;
}

bool LoadFmtFile(const std::string& path, FmtFile& file) {
  try {
    file = ReadFmtFile(path);
    return true;
  } catch (const std::exception& e) {
    Error(e.what());
    return false;
  }
}

}  // namespace railfmt::cli
