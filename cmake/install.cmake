# Install rules: the shared library with its header, a CMake package
# (find_package(railfmt) -> railfmt::railfmt), a pkg-config file, the
# Python module and the example tables. The tool installs itself (cli/).
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(RAILFMT_PYTHON_INSTALL_DIR "${CMAKE_INSTALL_LIBDIR}/python3/dist-packages"
    CACHE STRING "Where the Python module railfmt.py is installed (relative to the prefix)")
set(RAILFMT_CMAKE_INSTALL_DIR "${CMAKE_INSTALL_LIBDIR}/cmake/railfmt")

install(TARGETS railfmt EXPORT railfmtTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${PROJECT_SOURCE_DIR}/include/railfmt/railfmt.h ${PROJECT_SOURCE_DIR}/include/railfmt/table_fields.h
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/railfmt)

install(EXPORT railfmtTargets NAMESPACE railfmt:: DESTINATION ${RAILFMT_CMAKE_INSTALL_DIR})
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/railfmtConfig.cmake.in
  ${PROJECT_BINARY_DIR}/railfmtConfig.cmake INSTALL_DESTINATION ${RAILFMT_CMAKE_INSTALL_DIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/railfmtConfigVersion.cmake
  VERSION ${PROJECT_VERSION} COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/railfmtConfig.cmake ${PROJECT_BINARY_DIR}/railfmtConfigVersion.cmake
  DESTINATION ${RAILFMT_CMAKE_INSTALL_DIR})

# pkg-config: the prefix is found from the .pc file's own folder, so an
# installation can be moved (or installed with --prefix) as a whole.
file(RELATIVE_PATH RAILFMT_PC_TO_PREFIX "/p/${CMAKE_INSTALL_LIBDIR}/pkgconfig" "/p")
configure_file(${PROJECT_SOURCE_DIR}/cmake/railfmt.pc.in ${PROJECT_BINARY_DIR}/railfmt.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/railfmt.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)

if(EXISTS ${PROJECT_SOURCE_DIR}/python/railfmt.py)
  install(FILES ${PROJECT_SOURCE_DIR}/python/railfmt.py DESTINATION ${RAILFMT_PYTHON_INSTALL_DIR})
endif()
if(EXISTS ${PROJECT_SOURCE_DIR}/examples/tables)
  install(DIRECTORY ${PROJECT_SOURCE_DIR}/examples/ DESTINATION ${CMAKE_INSTALL_DATADIR}/railfmt/examples)
endif()
