// The TAX3 dump split: a TAX3 unit dump holds up to 63 recordings behind a
// directory of 32-byte slots; each recording is written to a file of its own
// beside the dump. Nothing is converted.
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "format/stream.h"
#include "legacy/converters.h"
#include "platform/platform.h"

namespace railfmt {

namespace {

constexpr int kTaxSlots = 63;
constexpr std::size_t kDirectoryStart = 16;
constexpr std::size_t kSlotSize = 32;
constexpr std::size_t kSlotUsed = 16;  // only the first half of a slot is read
constexpr uint32_t kDataStart = kDirectoryStart + kTaxSlots * kSlotSize;  // 2032
constexpr std::size_t kBlockSize = 16;
constexpr uint8_t kTagHighBit = 0x40;  // entry byte 13: bit 22 of the tag
constexpr uint32_t kTagBit22 = 1u << 22;

struct TaxDumpEntry {
  uint32_t EntryNumber = 0;
  std::string EntryTag;
  uint32_t Offset = 0;
  uint32_t Length = 0;
  uint8_t Month = 0;
  uint8_t Day = 0;
};

TaxDumpEntry DecodeSlot(const uint8_t (&e)[kSlotUsed], uint32_t offset) {
  TaxDumpEntry t;
  uint32_t tag = e[0] | (uint32_t(e[1]) << 8);
  if (e[13] & kTagHighBit) tag |= kTagBit22;
  t.EntryTag = std::to_string(tag);
  t.EntryNumber = e[4] | (uint32_t(e[5]) << 8) | (uint32_t(e[12]) << 16);
  t.Length = (e[6] | (uint32_t(e[7]) << 8)) * uint32_t(kBlockSize);
  t.Month = e[9] >> 4;
  t.Day = e[10] & 31;
  t.Offset = offset;
  return t;
}

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// The folder part of the source name, separator included ("" when the name
// has no folder: the recordings then go to the current folder, beside it).
std::string FolderOf(const std::string& path) {
  for (std::size_t i = path.size(); i > 0; --i)
    if (IsSeparator(path[i - 1]) || path[i - 1] == ':') return path.substr(0, i);
  return std::string();
}

// Writes one recording; 1 when it was copied whole, -1 when the dump ends
// inside it or the file cannot be written. A recording whose name is the
// dump's own is not written: it would replace the raw file.
int32_t WriteRecording(MemStream& dump, std::string folder, const TaxDumpEntry& e,
                       const std::string& sourcePath) {
  if (!folder.empty() && !IsSeparator(folder.back()) && folder.back() != ':') folder += '\\';
  char ext[16];
  std::snprintf(ext, sizeof ext, "%.2d%.2d", e.Month, e.Day);
  std::string name =
      folder + "TAX3-" + e.EntryTag + "-" + std::to_string(e.EntryNumber) + "." + ext;
  if (platform::SameFile(name, sourcePath)) return -1;

  int32_t result = 1;
  std::vector<uint8_t> copy;
  // Room for what the dump can hold, not for what the slot claims.
  copy.reserve(std::min<std::size_t>(e.Length, dump.Size() > e.Offset ? dump.Size() - e.Offset : 0));
  dump.Seek(e.Offset);
  uint8_t block[kBlockSize];
  for (uint32_t done = 0; done < e.Length; done += kBlockSize) {
    if (dump.Read(block, kBlockSize) != kBlockSize) {
      result = -1;  // the blocks copied so far are kept
      break;
    }
    copy.insert(copy.end(), block, block + kBlockSize);
  }
  if (!platform::SaveFile(name, copy.data(), copy.size())) return -1;
  return result;
}

}  // namespace

int32_t SplitTax3(const std::string& sourcePath) {
  try {
    std::string folder = FolderOf(sourcePath);
    std::vector<uint8_t> bytes;
    if (!platform::LoadFile(sourcePath, bytes)) return -1;
    MemStream dump(std::move(bytes));

    std::array<TaxDumpEntry, kTaxSlots> table{};
    dump.Seek(kDirectoryStart);
    uint64_t running = kDataStart;
    for (int i = 0; i < kTaxSlots; ++i) {
      uint8_t slot[kSlotUsed] = {};
      dump.Read(slot, kSlotUsed);
      table[i] = DecodeSlot(slot, static_cast<uint32_t>(running));
      running += table[i].Length;
      if (running >= dump.Size()) break;
      dump.SeekBy(kSlotSize - kSlotUsed);
    }

    int32_t result = 1;
    for (const TaxDumpEntry& e : table) {
      if (e.Offset == 0 || e.Length == 0) break;
      result = WriteRecording(dump, folder, e, sourcePath);
      if (result == -1) break;
    }
    return result;
  } catch (...) {
    return -1;
  }
}

}  // namespace railfmt
