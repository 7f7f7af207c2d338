// Reading a formatted record file: the 52-byte header and the 26-byte
// records, decoded field by field.
#pragma once

#include <array>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace railfmt::cli {

constexpr int kFmtHeaderSize = 52;
constexpr int kFmtRecordSize = 26;

// The state fields of a record, in record order, with their byte positions.
struct FieldInfo {
  const char* name;
  int offset;
  int width;  // bytes, little-endian
};
const std::vector<FieldInfo>& StateFields();   // Val5 .. Val23
bool IsStateField(const std::string& name);

struct FmtHeader {
  std::array<uint8_t, kFmtHeaderSize> bytes{};
  std::string magic;      // "A66A" / "A55A"
  std::string number;     // bytes 2..11 (GBK, blanks trimmed)
  std::string typeName;   // bytes 12..19 (GBK)
  unsigned word20 = 0;
  std::string shortText;  // bytes 22..23 ("2K", "93", "2H")
  unsigned b24 = 0;       // 24..26
  unsigned b27 = 0;
  unsigned word28 = 0;
  std::array<unsigned, 3> date{};
  std::array<unsigned, 4> b33{};
  std::array<unsigned, 4> b37{};
  unsigned b41 = 0, b42 = 0, b43 = 0;
  unsigned size = 0;      // 44..46: length of the raw input
  unsigned b47 = 0, b48 = 0, b49 = 0, b50 = 0;
  char vendor = 0;
};

struct FmtRecord {
  std::array<uint8_t, kFmtRecordSize> bytes{};
  int index = 0;
  unsigned code = 0;           // byte 0 * 256 + byte 1
  int hours = 0, minutes = 0, seconds = 0;
  int timeOfDay() const { return hours * 3600 + minutes * 60 + seconds; }
  std::vector<long> values;    // one per StateFields()
  unsigned mask = 0;
  std::vector<std::string> present;  // names of the fields the mask flags
  std::string text;            // GBK text of text-bearing records ("" else)
};

struct FmtFile {
  FmtHeader header;
  std::vector<FmtRecord> records;
  std::size_t trailingBytes = 0;  // bytes after the last whole record
};

// Throws std::runtime_error with a one-line message when the file cannot be
// read, is shorter than the header or does not start with a formatted
// file's magic.
FmtFile ReadFmtFile(const std::string& path);
// ReadFmtFile that prints the error itself: false when the file cannot be read.
bool LoadFmtFile(const std::string& path, FmtFile& file);

std::string CodeHex(unsigned code);       // "8B06"
// Where a text-bearing record holds its text ("text 7-18 (GBK)"), or "".
std::string TextLayoutText(unsigned code);
// The record bytes a text-bearing record gives to its text (length bytes
// included); empty for other codes.
std::vector<int> TextBytes(unsigned code);
std::string TimeText(const FmtRecord& r); // "08:30:05"
// Names flagged by a presence mask ("Time", "Val5", ..., "bit10").
std::vector<std::string> PresentFields(unsigned mask);

}  // namespace railfmt::cli
