# Every fuzz target is also built without libFuzzer and replays its seed
# corpus and every input that ever crashed, hung or leaked (fuzz/regress).
file(GLOB RAILFMT_FUZZ_SOURCES CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/fuzz/fuzz_*.cpp)
foreach(src ${RAILFMT_FUZZ_SOURCES})
  get_filename_component(name ${src} NAME_WE)
  add_executable(replay_${name} ${src} ${PROJECT_SOURCE_DIR}/fuzz/replay_main.cpp)
  target_include_directories(replay_${name} PRIVATE ${PROJECT_SOURCE_DIR}/fuzz)
  target_link_libraries(replay_${name} PRIVATE railfmt_core)
  add_test(NAME fuzz_replay_${name}
           COMMAND replay_${name} ${PROJECT_SOURCE_DIR}/fuzz/regress/${name} ${PROJECT_SOURCE_DIR}/fuzz/seeds/${name})
  set_tests_properties(fuzz_replay_${name} PROPERTIES TIMEOUT 300)
endforeach()
