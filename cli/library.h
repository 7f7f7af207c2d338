// The tool as a host of the shared library: every conversion goes through
// the library's exports, exactly as a host program calls them.
#pragma once

#include <cstdint>
#include <string>

namespace railfmt::cli {

// "L2000", "JK2H", ... for a file-type code; "unknown" for 0 and others.
std::string TypeName(int32_t type);
// The type name, and for L2000 files also the protocol version and the
// vendor letter read from the raw header.
std::string DescribeFile(const std::string& path, int32_t type);

int32_t FileType(const std::string& path);
// NewFmtFile: the paths are handed over as the host runtime's counted
// texts (reference count, length, characters, terminating zero).
int32_t NewFmtFileCall(const std::string& src, const std::string& dst);
int32_t TransSingleFileCall(const std::string& src, const std::string& dst);
int32_t TransFmtFileCall(const std::string& name, const std::string& from,
                         const std::string& work, const std::string& archive, uint8_t option);

// One line explaining a negative NewFmtFile result.
std::string NewFmtFileMessage(int32_t result, const std::string& src, const std::string& dst,
                              int32_t type);

}  // namespace railfmt::cli
