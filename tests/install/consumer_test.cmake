# Installs the build tree into a temporary prefix, then builds and runs a
# consumer through find_package(railfmt) and through pkg-config, runs the
# installed tool and imports the installed Python module.
# Arguments: BUILD_DIR, SOURCE_DIR, WORK_DIR, C_COMPILER, GENERATOR.
# run(<command>... [EXPECT <regex of its output>])
function(run)
  cmake_parse_arguments(RUN "" "EXPECT" "" ${ARGN})
  execute_process(COMMAND ${RUN_UNPARSED_ARGUMENTS} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc EQUAL 0 OR (RUN_EXPECT AND NOT out MATCHES "${RUN_EXPECT}"))
    string(REPLACE ";" " " cmd "${RUN_UNPARSED_ARGUMENTS}")
    message(FATAL_ERROR "failed (${rc}): ${cmd}\n${out}\n${err}")
  endif()
  set(last_output "${out}" PARENT_SCOPE)
endfunction()

set(prefix ${WORK_DIR}/prefix)
file(REMOVE_RECURSE ${WORK_DIR})
run(${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix})

# find_package(railfmt) -> railfmt::railfmt
run(${CMAKE_COMMAND} -S ${SOURCE_DIR}/tests/install/consumer -B ${WORK_DIR}/consumer -G ${GENERATOR}
    -DCMAKE_PREFIX_PATH=${prefix} -DCMAKE_C_COMPILER=${C_COMPILER} -DCMAKE_BUILD_TYPE=Release)
run(${CMAKE_COMMAND} --build ${WORK_DIR}/consumer)
run(${WORK_DIR}/consumer/consumer EXPECT "^type 0\n$")

# pkg-config (the .pc file finds its prefix from its own folder)
file(GLOB_RECURSE pc ${prefix}/*/railfmt.pc)
find_program(PKG_CONFIG NAMES pkg-config pkgconf REQUIRED)
get_filename_component(pcdir "${pc}" DIRECTORY)
set(ENV{PKG_CONFIG_PATH} ${pcdir})
run(${PKG_CONFIG} --cflags --libs railfmt)
separate_arguments(flags UNIX_COMMAND "${last_output}")
run(${C_COMPILER} ${SOURCE_DIR}/tests/install/consumer/main.c ${flags} -o ${WORK_DIR}/pc_consumer)
string(REGEX MATCH "-L([^ ;]+)" _ "${flags}")
set(ENV{LD_LIBRARY_PATH} ${CMAKE_MATCH_1})
run(${WORK_DIR}/pc_consumer EXPECT "^type 0\n$")

# the installed tool (when built) runs from its prefix (library found through its run path)
unset(ENV{LD_LIBRARY_PATH})
if(EXISTS ${prefix}/bin/railfmt)
  run(${prefix}/bin/railfmt classify ${SOURCE_DIR}/examples/l2000_sample.bin EXPECT "\t100\t")
endif()

# the installed Python module finds the installed library by itself
find_program(PYTHON3 python3 REQUIRED)
file(GLOB_RECURSE pymod ${prefix}/*/railfmt.py)
get_filename_component(pydir "${pymod}" DIRECTORY)
unset(ENV{RAILFMT_LIBRARY})
file(WRITE ${WORK_DIR}/probe.py "import sys\nsys.path.insert(0, '${pydir}')\nimport railfmt\n"
  "lib = railfmt.Library()\nassert lib.path.startswith('${prefix}'), lib.path\n"
  "print(lib.file_type('${SOURCE_DIR}/examples/lkj93_sample.bin'))\n")
run(${PYTHON3} ${WORK_DIR}/probe.py EXPECT "^3\n$")
message(STATUS "install consumer test passed")
