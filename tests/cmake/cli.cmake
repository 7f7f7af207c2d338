# Behaviour of the railfmt tool: exit codes, messages, files written or not.
if(TARGET railfmt_cli)
  find_package(Python3 COMPONENTS Interpreter)
  if(Python3_Interpreter_FOUND)
    add_test(NAME cli_behaviour
      COMMAND ${Python3_EXECUTABLE} -m unittest -v test_cli
      WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}/tests/cli)
    set_tests_properties(cli_behaviour PROPERTIES TIMEOUT 300 ENVIRONMENT
      "RAILFMT_CLI=$<TARGET_FILE:railfmt_cli>;RAILFMT_EXAMPLES=${PROJECT_SOURCE_DIR}/examples;PYTHONDONTWRITEBYTECODE=1")
  endif()
endif()
