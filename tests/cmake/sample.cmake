# The sample generator's tests live in the unit-test binary.
if(TARGET railfmt_sample)
  target_link_libraries(railfmt_tests PRIVATE railfmt_sample)
endif()
