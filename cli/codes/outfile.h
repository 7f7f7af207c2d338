// Whole-file output: written to a temporary file beside the target and
// renamed over it, so a failure never leaves a partial file behind.
#pragma once

#include <string>

namespace railfmt::cli {

// Writes data to path ("" or "-": standard output). False, after printing
// the error, when it cannot be written.
bool WriteOutput(const std::string& path, const std::string& data);

}  // namespace railfmt::cli
