// Paths named on the command line, checked before any work is done, so a
// message can say which file is wrong and why, in the user's words.
#pragma once

#include <string>

namespace railfmt::cli {

// "" when PATH is a file that can be read; otherwise one message naming
// it: "PATH: no such file", "PATH: is a folder, not a file", ...
std::string InputFileProblem(const std::string& path);

// "" when a file can be written at PATH as far as can be told beforehand;
// otherwise one message naming it and the cause: "PATH: cannot be written:
// no such folder DIR", "PATH: is a folder, not a file", ...
std::string OutputFileProblem(const std::string& path);

// "" when DIR is a folder or can be created as one; otherwise the message.
std::string OutputFolderProblem(const std::string& dir);

// The message for a file that is not a formatted file: for a raw recorder
// file it says to convert it first.
std::string NotFormattedMessage(const std::string& path);

}  // namespace railfmt::cli
