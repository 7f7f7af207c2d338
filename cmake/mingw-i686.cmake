# 32-bit Windows DLL with MinGW-w64 (i686): the host's own bitness.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(RAILFMT_MINGW_TRIPLET i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
