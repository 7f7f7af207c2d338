# The Python module, tested with the interpreter's unittest runner.
# (not with sanitizers: an instrumented library cannot be loaded into the
# uninstrumented interpreter)
if(Python3_Interpreter_FOUND AND NOT CMAKE_CXX_FLAGS MATCHES "-fsanitize")
  add_test(NAME python_module COMMAND ${Python3_EXECUTABLE} -m unittest -v test_railfmt
    WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}/tests/python)
  set(env "PYTHONPATH=${PROJECT_SOURCE_DIR}/python;PYTHONDONTWRITEBYTECODE=1;RAILFMT_LIBRARY=$<TARGET_FILE:railfmt>;RAILFMT_EXAMPLES=${PROJECT_SOURCE_DIR}/examples")
  if(TARGET railfmt_cli)
    list(APPEND env "RAILFMT_CLI=$<TARGET_FILE:railfmt_cli>")
  endif()
  set_tests_properties(python_module PROPERTIES ENVIRONMENT "${env}" TIMEOUT 120)
endif()
