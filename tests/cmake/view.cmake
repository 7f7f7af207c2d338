# railfmt view in headless Chromium (Debian's chromium, installed by
# tools/setup-deps.sh test). RAILFMT_VIEW_SCREENSHOT=docs/viewer.png in the
# environment refreshes the README's screenshot.
if(TARGET railfmt_cli)
  find_package(Python3 COMPONENTS Interpreter)
  if(Python3_Interpreter_FOUND)
    add_test(NAME view_browser
      COMMAND ${Python3_EXECUTABLE} -m unittest -v test_view
      WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}/tests/view)
    set_tests_properties(view_browser PROPERTIES TIMEOUT 300 ENVIRONMENT
      "RAILFMT_CLI=$<TARGET_FILE:railfmt_cli>;PYTHONDONTWRITEBYTECODE=1")
  endif()
endif()
