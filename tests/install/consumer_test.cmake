# Installs the build tree into a temporary prefix, then builds and runs a
# consumer through find_package(railfmt) and through pkg-config, runs the
# installed tool and imports the installed Python module.
# Arguments: BUILD_DIR, SOURCE_DIR, WORK_DIR, C_COMPILER, GENERATOR.
function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    string(REPLACE ";" " " cmd "${ARGN}")
    message(FATAL_ERROR "failed (${rc}): ${cmd}\n${out}\n${err}")
  endif()
  set(last_output "${out}" PARENT_SCOPE)
endfunction()

set(prefix ${WORK_DIR}/prefix)
file(REMOVE_RECURSE ${WORK_DIR})
file(MAKE_DIRECTORY ${WORK_DIR})
run(${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix})

foreach(f include/railfmt/railfmt.h)
  if(NOT EXISTS ${prefix}/${f})
    message(FATAL_ERROR "not installed: ${f}")
  endif()
endforeach()
file(GLOB_RECURSE configs ${prefix}/*/railfmtConfig.cmake)
file(GLOB_RECURSE pcs ${prefix}/*/railfmt.pc)
if(NOT configs OR NOT pcs)
  message(FATAL_ERROR "CMake package or pkg-config file missing under ${prefix}")
endif()

# find_package(railfmt) -> railfmt::railfmt
run(${CMAKE_COMMAND} -S ${SOURCE_DIR}/tests/install/consumer -B ${WORK_DIR}/consumer -G ${GENERATOR}
    -DCMAKE_PREFIX_PATH=${prefix} -DCMAKE_C_COMPILER=${C_COMPILER} -DCMAKE_BUILD_TYPE=Release)
run(${CMAKE_COMMAND} --build ${WORK_DIR}/consumer)
run(${WORK_DIR}/consumer/consumer)

# pkg-config (the .pc file finds its prefix from its own folder)
find_program(PKG_CONFIG NAMES pkg-config pkgconf)
if(PKG_CONFIG)
  list(GET pcs 0 pc)
  get_filename_component(pcdir ${pc} DIRECTORY)
  set(ENV{PKG_CONFIG_PATH} ${pcdir})
  run(${PKG_CONFIG} --cflags --libs railfmt)
  string(STRIP "${last_output}" flags)
  separate_arguments(flags UNIX_COMMAND "${flags}")
  run(${C_COMPILER} ${SOURCE_DIR}/tests/install/consumer/main.c ${flags} -o ${WORK_DIR}/pc_consumer)
  string(REGEX MATCH "-L([^ ;]+)" _ "${flags}")
  set(ENV{LD_LIBRARY_PATH} ${CMAKE_MATCH_1})
  run(${WORK_DIR}/pc_consumer)
endif()

# the installed tool runs from its prefix (library found through its rpath)
if(EXISTS ${prefix}/bin/railfmt)
  unset(ENV{LD_LIBRARY_PATH})
  run(${prefix}/bin/railfmt classify ${SOURCE_DIR}/examples/l2000_sample.bin)
  if(NOT last_output MATCHES "\t100\t")
    message(FATAL_ERROR "installed tool: unexpected output ${last_output}")
  endif()
endif()

# the installed Python module finds the installed library by itself
find_program(PYTHON3 python3)
file(GLOB_RECURSE pymods ${prefix}/*/railfmt.py)
if(PYTHON3 AND pymods)
  list(GET pymods 0 pymod)
  get_filename_component(pydir ${pymod} DIRECTORY)
  unset(ENV{RAILFMT_LIBRARY})
  file(WRITE ${WORK_DIR}/probe.py
    "import sys\n"
    "sys.path.insert(0, '${pydir}')\n"
    "import railfmt\n"
    "lib = railfmt.Library()\n"
    "assert lib.path.startswith('${prefix}'), lib.path\n"
    "print(lib.file_type('${SOURCE_DIR}/examples/lkj93_sample.bin'))\n")
  run(${PYTHON3} ${WORK_DIR}/probe.py)
  if(NOT last_output MATCHES "^3")
    message(FATAL_ERROR "installed Python module: unexpected output ${last_output}")
  endif()
endif()
message(STATUS "install consumer test passed")
