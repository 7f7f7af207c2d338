# railfmt codes and the dump by record kind.
if(TARGET railfmt_cli)
  find_package(Python3 COMPONENTS Interpreter)
  if(Python3_Interpreter_FOUND)
    add_test(NAME codes_reference
      COMMAND ${Python3_EXECUTABLE} -m unittest -v test_codes
      WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}/tests/codes)
    set_tests_properties(codes_reference PROPERTIES TIMEOUT 120 ENVIRONMENT
      "RAILFMT_CLI=$<TARGET_FILE:railfmt_cli>;RAILFMT_EXAMPLES=${PROJECT_SOURCE_DIR}/examples;PYTHONDONTWRITEBYTECODE=1")
  endif()
endif()
