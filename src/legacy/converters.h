// The converters of the earlier formats and the TAX3 split, as the drivers
// call them. Each converter reads the input stream from its start and
// appends to the output stream.
#pragma once

#include <cstdint>
#include <string>

#include "format/stream.h"

namespace railfmt {

// L2000: from protocol version 101 on through the event engine.
void ConvertL2000(MemStream& in, MemStream& out, const std::string& sourcePath);
void ConvertLKJ93(MemStream& in, MemStream& out, uint8_t option);
void ConvertJK2H(MemStream& in, MemStream& out);
// The TAX3 dump split: 1 or -1.
int32_t SplitTax3(const std::string& sourcePath);

}  // namespace railfmt
