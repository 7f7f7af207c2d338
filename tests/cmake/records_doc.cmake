# docs/records.md is the output of `railfmt codes --format md`: regenerate it
# with `cmake --build --preset default --target records_doc` when this fails.
if(TARGET railfmt_cli)
  add_test(NAME records_doc_current
    COMMAND ${CMAKE_COMMAND} -DCLI=$<TARGET_FILE:railfmt_cli> -DDOC=${PROJECT_SOURCE_DIR}/docs/records.md
            -DOUT=${CMAKE_CURRENT_BINARY_DIR}/records.md -P ${CMAKE_CURRENT_SOURCE_DIR}/cmake/records_doc_check.cmake.in)
endif()
