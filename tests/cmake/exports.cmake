# The shared library exports exactly the names of the export list
# (railfmt_exports.txt, generated from src/interface/export_list.h) and
# carries a versioned SONAME (ELF platforms).
if(UNIX AND NOT APPLE)
  add_test(NAME railfmt_exports
    COMMAND sh ${CMAKE_CURRENT_LIST_DIR}/check_exports.sh $<TARGET_FILE:railfmt> ${RAILFMT_EXPORTS_TXT}
    "${CMAKE_NM}" "${CMAKE_READELF}")
endif()
