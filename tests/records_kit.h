// Helpers for the handler family tests: a standard two-byte record head,
// conversion to hex record lines, and a direct run of one converter class.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "engine/newtofmt.h"
#include "platform/platform.h"
#include "support/testkit.h"

namespace railfmt::test::kit {

// Code pair, time 10:20:30, 8-digit number 12345, 6-digit number 200.
// The formatted record carries them as "0A 14 1E 39 30 00 C8 00".
inline Bytes Std(uint8_t c0, uint8_t c1) {
  return {c0, c1, 0x10, 0x20, 0x30, 0x00, 0x01, 0x23, 0x45, 0x00, 0x02, 0x00};
}
inline Bytes Std(uint8_t c0, uint8_t c1, const Bytes& own) { return Rec(Cat({Std(c0, c1), own})); }

// The event records of a conversion, one hex line each.
inline std::vector<std::string> Out(const Bytes& body, const RawHeader& h = RawHeader(),
                                    int version = 101, std::string_view vendor = "") {
  Bytes file = EventFile(h, body);
  std::vector<std::string> lines;
  for (const Rec26& r : EventRecords(Convert(file, version, vendor), StartupCount(file)))
    lines.push_back(Hex(r));
  return lines;
}

// Hand-written records in the form Out answers.
inline std::vector<std::string> Golden(std::initializer_list<std::string_view> recs) {
  std::vector<std::string> lines;
  for (std::string_view r : recs) lines.push_back(Hex(R(r)));
  return lines;
}

// Runs the file through one converter class and answers the names of the
// codes it met without a handler (the log goes to a private folder).
inline std::string Unhandled(const Bytes& file, const ConverterClass& cls) {
  TempDir dir;
  auto& hooks = platform::Hooks();
  const std::string saved = hooks.executable_dir;
  hooks.executable_dir = dir.path + "/";
  TFmtData& d = FmtData();
  d.Reset();
  Run() = RunState();
  MemStream in(file), out;
  d.InStream = &in;
  d.OutStream = &out;
  d.SourceName = "memory";
  std::string names;
  {
    TNewToFmt c(d, cls, 101);
    c.RunConversion();
    names = c.UnhandledNames;
  }
  d.InStream = nullptr;
  d.OutStream = nullptr;
  hooks.executable_dir = saved;
  return names;
}

}  // namespace railfmt::test::kit
