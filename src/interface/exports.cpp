// The library's eleven exports. Each one is a thin shim that holds the
// library lock for the whole call (calls from several threads run one at a
// time, in the order they get the lock), hands its arguments to the library
// and lets no exception cross the C boundary.
#include <string>
#include <type_traits>

#include "tables/bridge.h"
#include "interface/counted_text.h"
#include "interface/drivers.h"
#include "interface/export_list.h"
#include "interface/filetype.h"
#include "platform/platform.h"
#include "railfmt/railfmt.h"

namespace {

using railfmt::HostText;
using railfmt::platform::LibraryCall;

// The source folder of TransFmtFile is taken to at most 255 characters.
constexpr std::size_t kSourceDirMax = 255;

// Results answered when something unexpected escapes a conversion.
constexpr int32_t kTransSingleNotHandled = 1;
constexpr int32_t kNewFmtConverterFailed = -3;
constexpr int32_t kTransFmtNotHandled = 1;

}  // namespace

extern "C" {

RAILFMT_API int32_t RAILFMT_CALL lJkFileType(const char* path) {
  const LibraryCall call;
  try {
    return railfmt::FileType(HostText(path));
  } catch (...) {
    return RAILFMT_TYPE_UNKNOWN;
  }
}

RAILFMT_API int32_t RAILFMT_CALL TransSingleFile(const char* src, const char* dst) {
  const LibraryCall call;
  try {
    return railfmt::TransSingleFileImpl(HostText(src), HostText(dst));
  } catch (...) {
    return kTransSingleNotHandled;
  }
}

RAILFMT_API int32_t RAILFMT_CALL NewFmtFile(const char* src, const char* dst) {
  const LibraryCall call;
  try {
    // Both texts stay referenced until the conversion has finished.
    railfmt::CountedTextRef source(src);
    railfmt::CountedTextRef target(dst);
    return railfmt::NewFmtFileImpl(source.Text(), target.Text());
  } catch (...) {
    return kNewFmtConverterFailed;
  }
}

RAILFMT_API int32_t RAILFMT_CALL TransFmtFile(const char* file_name, const char* source_dir,
                                              const char* work_dir, const char* archive_dir,
                                              uint8_t option) {
  const LibraryCall call;
  try {
    return railfmt::TransFmtFileImpl(HostText(file_name), HostText(source_dir, kSourceDirMax),
                                     HostText(work_dir), HostText(archive_dir), option);
  } catch (...) {
    return kTransFmtNotHandled;
  }
}

RAILFMT_API void RAILFMT_CALL SetPBEvtCode(const uint16_t* codes, int32_t last) {
  const LibraryCall call;
  try {
    railfmt::SetMaskedCodes(codes, last);
  } catch (...) {
  }
}

RAILFMT_API void RAILFMT_CALL SetZhuDuan(const ZhuDuanRecord* records, int32_t last) {
  const LibraryCall call;
  try {
    railfmt::SetZhuDuanTable(records, last);
  } catch (...) {
  }
}

RAILFMT_API void RAILFMT_CALL getDriverInfo(const DriverRecord* records, int32_t last) {
  const LibraryCall call;
  try {
    railfmt::SetDriverTable(records, last);
  } catch (...) {
  }
}

RAILFMT_API void RAILFMT_CALL getStationInfo(const StationRecord* records, int32_t last) {
  const LibraryCall call;
  try {
    railfmt::SetStationTable(records, last);
  } catch (...) {
  }
}

RAILFMT_API void RAILFMT_CALL getJcTypeInfo(const JcTypeRecord* records, int32_t last) {
  const LibraryCall call;
  try {
    railfmt::SetJcTypeTable(records, last);
  } catch (...) {
  }
}

RAILFMT_API void RAILFMT_CALL getJwdInfo(const JwdRecord* records, int32_t last) {
  const LibraryCall call;
  try {
    railfmt::SetJwdTable(records, last);
  } catch (...) {
  }
}

RAILFMT_API void RAILFMT_CALL getLinshiInfo(const LinshiRecord* records, int32_t last) {
  const LibraryCall call;
  try {
    railfmt::SetLinshiTable(records, last);
  } catch (...) {
  }
}

}  // extern "C"

// Every name of the export list (interface/export_list.h) is declared by
// railfmt/railfmt.h and defined above; where the calling convention is the
// plain one, its parameters also add up to the listed stdcall argument bytes
// of the 32-bit library (the Windows check measures the built DLL).
namespace {

template <typename T>
constexpr int StdcallArgumentBytes = std::is_pointer_v<T> ? 4 : (static_cast<int>(sizeof(T)) + 3) / 4 * 4;

template <typename R, typename... A>
constexpr int StdcallBytes(R (*)(A...)) {
  return (StdcallArgumentBytes<A> + ... + 0);
}

#if defined(_WIN32)
#define RAILFMT_CHECK_EXPORT(name, bytes) static_assert(sizeof(&::name) != 0, #name);
#else
#define RAILFMT_CHECK_EXPORT(name, bytes) \
  static_assert(StdcallBytes(&::name) == (bytes), #name ": argument bytes differ from the export list");
#endif
RAILFMT_EXPORT_LIST(RAILFMT_CHECK_EXPORT)
#undef RAILFMT_CHECK_EXPORT

}  // namespace
