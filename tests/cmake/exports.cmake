# The shared library exports exactly the eleven entry points and carries a
# versioned SONAME (ELF platforms).
if(UNIX AND NOT APPLE)
  add_test(NAME railfmt_exports
    COMMAND sh ${CMAKE_CURRENT_LIST_DIR}/check_exports.sh $<TARGET_FILE:railfmt> "${CMAKE_NM}" "${CMAKE_READELF}")
endif()
