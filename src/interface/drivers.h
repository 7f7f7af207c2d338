// The single-file drivers and the folder workflow behind the exports, and
// the savers they share. None of them lets an exception out.
#pragma once

#include <cstdint>
#include <string>

#include "format/stream.h"
#include "legacy/converters.h"

namespace railfmt {

// TransSingleFile: 0 handled, 1 not handled (no converter for the type, or
// the conversion or its destination failed: nothing written).
int32_t TransSingleFileImpl(const std::string& src, const std::string& dst);
// NewFmtFile: 0, -1, -2, -3, -4 or -5.
int32_t NewFmtFileImpl(const std::string& src, const std::string& dst);
// TransFmtFile: month * 1000 + day * 10, or 1.
int32_t TransFmtFileImpl(const std::string& fileName, const std::string& sourceDir,
                         const std::string& workDir, const std::string& archiveDir, uint8_t option);

// The savers: false when the destination could not be written whole.
bool FilteredSave(MemStream& out, const std::string& dst);
bool PlainSave(MemStream& out, const std::string& dst);
int32_t RingUnroll(const std::string& src, const std::string& dst);
int32_t CopyStreamRange(MemStream& from, MemStream& to, int64_t start, int64_t count);

// The converters the single-file drivers call. They start out as the
// functions above; tests put stand-ins here to drive the drivers' failure
// paths.
struct ConverterSet {
  void (*l2000)(MemStream& in, MemStream& out, const std::string& sourcePath);
  void (*lkj93)(MemStream& in, MemStream& out, uint8_t option);
  void (*jk2h)(MemStream& in, MemStream& out);
  int32_t (*tax3)(const std::string& sourcePath);
};
ConverterSet& Converters();
// Converters() back to the real functions.
void ResetConverters();

}  // namespace railfmt
