# The generator of the committed fuzz seed corpora (tools/gen_fuzz_seeds.cpp):
#   cmake --build build --target gen_fuzz_seeds && build/tests/gen_fuzz_seeds .
if(TARGET railfmt_sample)
  add_executable(gen_fuzz_seeds ${PROJECT_SOURCE_DIR}/tools/gen_fuzz_seeds.cpp
                                ${CMAKE_CURRENT_SOURCE_DIR}/support/testkit.cpp)
  target_include_directories(gen_fuzz_seeds PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
  target_link_libraries(gen_fuzz_seeds PRIVATE railfmt_core railfmt_sample)
  set_target_properties(gen_fuzz_seeds PROPERTIES EXCLUDE_FROM_ALL ON)
endif()
