// File-type detection by the first 32 bytes of a file.
#pragma once

#include <cstdint>
#include <string>

namespace railfmt {

// The file-type code of the file at path (RAILFMT_TYPE_*): 0 for an empty
// path, a folder, a missing or unreadable file, a file shorter than 32
// bytes, or an unrecognised start. Reads only; never throws.
int32_t FileType(const std::string& path);

// The same tests on the first 32 bytes already read.
int32_t FileTypeOfHead(const uint8_t (&head)[32]);

}  // namespace railfmt
