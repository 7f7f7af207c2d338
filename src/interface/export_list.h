/* The library's exports, one line each: the name and the bytes of arguments
   the function removes as a 32-bit stdcall function. This is the one list:
   the module-definition file and the version script are generated from it
   (cmake/exports.cmake), exports.cpp checks every name and byte count
   against the declarations of railfmt/railfmt.h, the export checks compare
   the built libraries with it, and the Windows host resolves its table from
   it. Plain C, for the host program. */
#ifndef RAILFMT_EXPORT_LIST_H
#define RAILFMT_EXPORT_LIST_H

#define RAILFMT_EXPORT_LIST(X) \
  X(lJkFileType, 4)            \
  X(TransSingleFile, 8)        \
  X(NewFmtFile, 8)             \
  X(TransFmtFile, 20)          \
  X(SetPBEvtCode, 8)           \
  X(SetZhuDuan, 8)             \
  X(getDriverInfo, 8)          \
  X(getStationInfo, 8)         \
  X(getJcTypeInfo, 8)          \
  X(getJwdInfo, 8)             \
  X(getLinshiInfo, 8)

#endif
