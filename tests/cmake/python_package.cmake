# The pip-installable package: a fresh virtual environment per run (made with
# Debian's python3, so it sees Debian's numpy, pandas and pytest), the package
# installed into it with pip (the build hook takes the library built here
# through RAILFMT_PREBUILT_LIBRARY), then its pytest suite against the
# installed package.
if(TARGET railfmt_cli AND Python3_Interpreter_FOUND AND NOT CMAKE_CXX_FLAGS MATCHES "-fsanitize")
  set(tests ${CMAKE_CURRENT_SOURCE_DIR}/python_package)
  add_test(NAME python_package COMMAND env -u PYTHONPATH -u RAILFMT_LIBRARY -u VIRTUAL_ENV sh -ec
    "d=$(mktemp -d); trap 'rm -rf $d' EXIT; cd $d; /usr/bin/python3 -m venv --system-site-packages v
    v/bin/python -m pip install --quiet --no-build-isolation --no-index '${PROJECT_SOURCE_DIR}/python[pandas]'
    v/bin/python -m pytest -q -p no:cacheprovider --rootdir ${tests} ${tests}")
  # pip builds the package inside python/: one pip build at a time
  set_tests_properties(python_package PROPERTIES TIMEOUT 300 RESOURCE_LOCK python_pip ENVIRONMENT
    "RAILFMT_CLI=$<TARGET_FILE:railfmt_cli>;RAILFMT_EXAMPLES=${PROJECT_SOURCE_DIR}/examples;RAILFMT_PREBUILT_LIBRARY=$<TARGET_FILE:railfmt>;PYTHONDONTWRITEBYTECODE=1")
endif()
