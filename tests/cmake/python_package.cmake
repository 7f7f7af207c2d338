# The pip-installable package: a fresh virtual environment per run, the
# package installed into it with pip (the build hook takes the library built
# here), then its pytest suite against the installed package.
find_package(Python3 COMPONENTS Interpreter)
if(TARGET railfmt_cli AND Python3_Interpreter_FOUND AND NOT CMAKE_CXX_FLAGS MATCHES "-fsanitize")
  add_test(NAME python_package
    COMMAND ${Python3_EXECUTABLE} ${CMAKE_CURRENT_SOURCE_DIR}/python_package/venv_install.py
            ${PROJECT_SOURCE_DIR} $<TARGET_FILE:railfmt>)
  # pip builds the package inside python/: one pip build at a time
  set_tests_properties(python_package PROPERTIES TIMEOUT 300 RESOURCE_LOCK python_pip ENVIRONMENT
    "RAILFMT_CLI=$<TARGET_FILE:railfmt_cli>;RAILFMT_EXAMPLES=${PROJECT_SOURCE_DIR}/examples")
endif()
