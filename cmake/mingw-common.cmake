# Shared part of the MinGW-w64 toolchain files: set RAILFMT_MINGW_TRIPLET
# before including. The POSIX-threads flavour of the compilers is taken when
# it is installed (its winpthread is linked statically).
set(CMAKE_SYSTEM_NAME Windows)

foreach(tool gcc g++)
  find_program(RAILFMT_MINGW_${tool}
    NAMES ${RAILFMT_MINGW_TRIPLET}-${tool}-posix ${RAILFMT_MINGW_TRIPLET}-${tool}
    REQUIRED)
endforeach()
set(CMAKE_C_COMPILER ${RAILFMT_MINGW_gcc})
set(CMAKE_CXX_COMPILER ${RAILFMT_MINGW_g++})
find_program(CMAKE_RC_COMPILER NAMES ${RAILFMT_MINGW_TRIPLET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${RAILFMT_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
