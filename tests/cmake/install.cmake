# Install into a temporary prefix and build a consumer against it (not with
# sanitizers: the plain consumer cannot link an instrumented library).
if(NOT WIN32 AND NOT CMAKE_CROSSCOMPILING AND NOT CMAKE_CXX_FLAGS MATCHES "-fsanitize")
  add_test(NAME install_consumer
    COMMAND ${CMAKE_COMMAND}
      -DBUILD_DIR=${PROJECT_BINARY_DIR}
      -DSOURCE_DIR=${PROJECT_SOURCE_DIR}
      -DWORK_DIR=${CMAKE_CURRENT_BINARY_DIR}/install_consumer
      -DC_COMPILER=${CMAKE_C_COMPILER}
      "-DGENERATOR=${CMAKE_GENERATOR}"
      -P ${PROJECT_SOURCE_DIR}/tests/install/consumer_test.cmake)
  set_tests_properties(install_consumer PROPERTIES TIMEOUT 300 RUN_SERIAL TRUE)
endif()
