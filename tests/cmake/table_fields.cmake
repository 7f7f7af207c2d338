# The host tables' field lists written outside the C++ code agree with the one
# list (include/railfmt/table_fields.h): the Python module's record classes
# and table entries, and the README's CSV table. To check another module
# (the package), change the PYTHONPATH and the module name here.
if(Python3_Interpreter_FOUND)
  set(check ${PROJECT_SOURCE_DIR}/tests/tables/check_table_fields.py)
  set(list ${PROJECT_SOURCE_DIR}/include/railfmt/table_fields.h)
  add_test(NAME table_fields_python COMMAND ${Python3_EXECUTABLE} ${check} ${list} python railfmt)
  set_tests_properties(table_fields_python PROPERTIES ENVIRONMENT
    "PYTHONPATH=${PROJECT_SOURCE_DIR}/python;PYTHONDONTWRITEBYTECODE=1")
  add_test(NAME table_fields_readme COMMAND ${Python3_EXECUTABLE} ${check} ${list} readme ${PROJECT_SOURCE_DIR}/README.md)
endif()
