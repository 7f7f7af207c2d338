// TransFmtFile: one freshly downloaded raw file in a download folder is
// converted into the work folder's TEMP folder and the raw file is filed
// away in the archive tree by device generation and recording date.
//
//   source       D\FN
//   work output  W\TEMP\FN + "F"
//   archive      A\JK2H|JK96|LKJ93|L2000\MMDD\FN, undated or unknown A\nouse\FN
//   formatted    moved to W\TEMP\FN
//
// A raw file leaves the source folder only after a whole copy of it has
// been written to the archive; every failure leaves it where it is.
#include "interface/workflow.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "format/stream.h"
#include "interface/drivers.h"
#include "interface/filetype.h"
#include "legacy/workarea.h"
#include "platform/platform.h"
#include "railfmt/railfmt.h"

namespace railfmt {

namespace {

constexpr int32_t kNotHandled = 1;
constexpr char kSep = '\\';
constexpr const char* kWorkFolder = "TEMP";
constexpr const char* kNoUseFolder = "nouse";
constexpr char kFormattedSuffix = 'F';

// What the workflow does with each file type: the archive folder and the
// converter with its saver.
enum class Conversion { None, JK2H, LKJ93, L2000 };
struct TypeRoute {
  int32_t type;
  const char* archive;  // nullptr: no archive folder of its own
  Conversion conversion;
};
constexpr TypeRoute kRoutes[] = {
    {RAILFMT_TYPE_JK2H, "JK2H", Conversion::JK2H},
    {RAILFMT_TYPE_JK96, "JK96", Conversion::None},
    {RAILFMT_TYPE_LKJ93, "LKJ93", Conversion::LKJ93},
    {RAILFMT_TYPE_L2000, "L2000", Conversion::L2000},
};

const TypeRoute* RouteOf(int32_t type) {
  for (const TypeRoute& r : kRoutes)
    if (r.type == type) return &r;
  return nullptr;
}

// GBK lead bytes: the byte after one belongs to the same character and is
// never a separator, even when it is 5Ch.
bool IsLeadByte(unsigned char c) { return c >= 0x81 && c <= 0xFE; }

// Position of the last '\' or '/' (and ':' with colon set), or npos.
std::size_t LastSeparator(const std::string& s, bool colon) {
  std::size_t last = std::string::npos;
  for (std::size_t i = 0; i < s.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    if (IsLeadByte(c) && i + 1 < s.size()) {
      ++i;
      continue;
    }
    if (c == '\\' || c == '/' || (colon && c == ':')) last = i;
  }
  return last;
}

// The extension with its dot; empty when there is no dot after the last
// separator or drive colon.
std::string ExtensionOf(const std::string& path) {
  std::size_t sep = LastSeparator(path, true);
  std::size_t start = sep == std::string::npos ? 0 : sep + 1;
  std::size_t dot = path.rfind('.');
  if (dot == std::string::npos || dot < start) return std::string();
  return path.substr(dot);
}

// Names made of dots (and spaces) only name folders: ".", "..", "...".
bool IsDotsOnly(const std::string& part) {
  return part.find_first_not_of(". ") == std::string::npos;
}

// A bare file name: no folder part and no way out of the source folder. The
// byte-wise split catches a ".." behind a 5Ch that a GBK lead byte hides,
// should the system read the name in another code page.
bool IsPlainFileName(const std::string& fn) {
  if (fn.empty() || LastSeparator(fn, false) != std::string::npos) return false;
  std::size_t start = 0;
  for (;;) {
    std::size_t sep = fn.find_first_of("\\/", start);
    std::string part = fn.substr(start, sep == std::string::npos ? std::string::npos : sep - start);
    if (IsDotsOnly(part)) return false;
    if (sep == std::string::npos) return true;
    start = sep + 1;
  }
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Two decimal digits at ext[pos], or 0 when they are not a number.
int TwoDigits(const std::string& ext, std::size_t pos) {
  if (pos + 1 >= ext.size() || !IsDigit(ext[pos]) || !IsDigit(ext[pos + 1])) return 0;
  return (ext[pos] - '0') * 10 + (ext[pos + 1] - '0');
}

int MonthOfChar(char c) {
  if (c >= '1' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'C') return c - 'A' + 10;
  if (c >= 'a' && c <= 'c') return c - 'a' + 10;
  return 0;
}

int DayOfChar(char c) {
  if (c >= '1' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'V') return c - 'A' + 10;
  if (c >= 'a' && c <= 'v') return c - 'a' + 10;
  return 0;
}

bool ValidDate(int month, int day) { return month >= 1 && month <= 12 && day >= 1 && day <= 31; }

bool IsLongForm(const std::string& fn, const std::string& ext, std::size_t minExt) {
  return fn.find('-') != std::string::npos && ext.size() >= minExt;
}

int32_t DateResult(const DateCode& d) { return d.month * 1000 + d.day * 10; }

std::string DateFolderName(const DateCode& d) {
  char text[16];
  std::snprintf(text, sizeof text, "%.2d%.2d", d.month, d.day);
  return text;
}

// NAME-X.MMDD becomes NAME-X.<month in hex><day character> (ABC-1.1225 ->
// ABC-1.CP). Answers the name in use afterwards: the new one, or the old one
// when the rename failed.
std::string NormaliseLongForm(const std::string& dir, const std::string& fn) {
  const std::string full = dir + kSep + fn;
  const std::string ext = ExtensionOf(full);
  if (!IsLongForm(fn, ext, 5)) return fn;

  const int month = TwoDigits(ext, 1);
  const int day = TwoDigits(ext, 3);
  std::string dayChar;
  if (day >= 1 && day <= 9) dayChar = char('0' + day);
  else if (day >= 10 && day <= 31) dayChar = char('A' + (day - 10));
  char text[16];
  std::snprintf(text, sizeof text, "%X%s", static_cast<unsigned>(month), dayChar.c_str());

  platform::SetAttributes(full, platform::kAttrArchive);
  const std::string base = fn.substr(0, fn.size() - ext.size());
  const std::string renamed = base + "." + text;
  if (!platform::RenameFile(full, dir + kSep + renamed)) return fn;
  return renamed;
}

// Loads the source, runs the converter and saves into the work output.
// False when the source could not be loaded, the converter failed or the
// output was not written; the streams are released in every case.
bool ConvertInto(Conversion conv, const std::string& src, const std::string& fn,
                 const std::string& workOut, uint8_t option) {
  try {
    std::vector<uint8_t> bytes;
    if (!platform::LoadFile(src, bytes)) return false;
    MemStream in(std::move(bytes));
    MemStream out;
    const ConverterSet& converters = Converters();
    switch (conv) {
      case Conversion::JK2H:
        converters.jk2h(in, out);
        return PlainSave(out, workOut);
      case Conversion::LKJ93:
        converters.lkj93(in, out, option);
        return PlainSave(out, workOut);
      case Conversion::L2000:
        converters.l2000(in, out, fn);
        return FilteredSave(out, workOut);
      case Conversion::None:
        break;
    }
    return true;
  } catch (...) {
    return false;
  }
}

constexpr int kCopyAttempts = 2;

// One copy to the archive target, replacing a file there; true when the
// target holds as many bytes as the source.
bool CopyWhole(const std::string& src, const std::string& target) {
  if (!platform::CopyFile(src, target, false)) return false;
  const int64_t size = platform::FileSize(src);
  return size >= 0 && platform::FileSize(target) == size;
}

// Copies the raw file to its archive target (once more when the first copy
// fails or comes out short) and deletes it from the source folder (once more
// when it is still there) only after a whole copy. False when no whole copy
// was written: the source is then left alone.
bool Archive(const std::string& src, const std::string& target) {
  if (platform::SameFile(src, target)) return true;  // already where it belongs
  bool whole = false;
  for (int i = 0; i < kCopyAttempts && !whole; ++i) whole = CopyWhole(src, target);
  if (!whole) return false;
  if (!platform::DeleteFile(src) && platform::FileExists(src)) platform::DeleteFile(src);
  return true;
}

std::string NoUseTarget(const std::string& archiveDir, const std::string& fn) {
  const std::string folder = archiveDir + kSep + kNoUseFolder;
  platform::CreateDirs(folder);
  return folder + kSep + fn;
}

int32_t Workflow(const std::string& fn, const std::string& sourceDir, const std::string& workDir,
                 const std::string& archiveDir, uint8_t option) {
  legacy::ResetCarriedValues();
  const std::string src = sourceDir + kSep + fn;
  const DateCode date = ParseDateCode(fn);

  int32_t result = 0;
  std::string target;
  if (!date.dated) {
    target = NoUseTarget(archiveDir, fn);
    result = kNotHandled;
  } else {
    const std::string temp = workDir + kSep + kWorkFolder;
    platform::CreateDirs(temp);
    const int32_t type = FileType(src);

    if (type == RAILFMT_TYPE_FORMATTED) {
      // Already formatted: it goes to the work folder under its own name. A
      // file of that name already there keeps it in the source folder.
      return platform::MoveFile(src, temp + kSep + fn) ? DateResult(date) : kNotHandled;
    }

    const TypeRoute* route = RouteOf(type);
    if (!route) {
      // Not a raw file this workflow handles: filed like an undated one.
      target = NoUseTarget(archiveDir, fn);
      result = kNotHandled;
    } else {
      const std::string folder =
          archiveDir + kSep + route->archive + kSep + DateFolderName(date);
      platform::CreateDirs(folder);
      target = folder + kSep + fn;
      if (route->conversion != Conversion::None &&
          !ConvertInto(route->conversion, src, fn, temp + kSep + fn + kFormattedSuffix, option))
        result = kNotHandled;
    }
  }

  if (!Archive(src, target)) return kNotHandled;
  return result == 0 ? DateResult(date) : result;
}

}  // namespace

DateCode ParseDateCode(const std::string& fn) {
  // The shortest dated name is one character and a two-character extension.
  if (fn.size() < 4) return {};
  const std::string ext = ExtensionOf(fn);
  DateCode d;
  if (IsLongForm(fn, ext, 5)) {
    for (std::size_t i = 1; i <= 4; ++i)
      if (!IsDigit(ext[i])) return {};
    d.month = TwoDigits(ext, 1);
    d.day = TwoDigits(ext, 3);
  } else {
    if (ext.size() < 3) return {};
    d.month = MonthOfChar(ext[1]);
    d.day = DayOfChar(ext[2]);
  }
  d.dated = ValidDate(d.month, d.day);
  if (!d.dated) return {};
  return d;
}

int32_t TransFmtFileImpl(const std::string& fileName, const std::string& sourceDir,
                         const std::string& workDir, const std::string& archiveDir,
                         uint8_t option) {
  try {
    if (!IsPlainFileName(fileName)) return kNotHandled;
    const std::string fn = NormaliseLongForm(sourceDir, fileName);
    return Workflow(fn, sourceDir, workDir, archiveDir, option);
  } catch (...) {
    return kNotHandled;
  }
}

}  // namespace railfmt
