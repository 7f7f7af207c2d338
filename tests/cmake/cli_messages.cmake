# The railfmt tool's error messages, exit codes and files left (or not).
if(TARGET railfmt_cli)
  find_package(Python3 COMPONENTS Interpreter)
  if(Python3_Interpreter_FOUND)
    add_test(NAME cli_messages
      COMMAND ${Python3_EXECUTABLE} -m unittest -v test_messages
      WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}/tests/cli)
    set_tests_properties(cli_messages PROPERTIES TIMEOUT 120 ENVIRONMENT
      "RAILFMT_CLI=$<TARGET_FILE:railfmt_cli>;RAILFMT_EXAMPLES=${PROJECT_SOURCE_DIR}/examples;PYTHONDONTWRITEBYTECODE=1")
  endif()
endif()
