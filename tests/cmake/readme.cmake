# A newcomer's first hour: the demo twenty times in a row, the README's tour
# against tools/tour.sh, the README's Python and C examples as shown.
# They run the tool and the library of the default build (build/), where the
# demo and the tour expect them.
if(TARGET railfmt_cli AND Python3_Interpreter_FOUND AND NOT WIN32 AND NOT CMAKE_CROSSCOMPILING
   AND NOT CMAKE_CXX_FLAGS MATCHES "-fsanitize" AND PROJECT_BINARY_DIR STREQUAL "${PROJECT_SOURCE_DIR}/build")
  foreach(t DemoTest TourTest PythonExampleTest CExampleTest)
    string(REGEX REPLACE "Test$" "" name ${t})
    string(TOLOWER readme_${name} name)
    add_test(NAME ${name} COMMAND ${Python3_EXECUTABLE} -m unittest -v test_readme.${t}
      WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}/tests/readme)
    set_tests_properties(${name} PROPERTIES TIMEOUT 300 ENVIRONMENT
      "RAILFMT_SOURCE_DIR=${PROJECT_SOURCE_DIR};RAILFMT_BUILD_DIR=${PROJECT_BINARY_DIR};PYTHONDONTWRITEBYTECODE=1")
  endforeach()
  # pip builds the package inside python/: one pip build at a time
  set_tests_properties(readme_pythonexample PROPERTIES RESOURCE_LOCK python_pip)
  # it installs the build tree, as the install consumer test does
  set_tests_properties(readme_cexample PROPERTIES RUN_SERIAL TRUE)
endif()
