# The library's layers, bottom first: one static library per folder of src/,
# each linking only the layers below it. A layer's headers are reachable only
# through its own include root (a folder holding nothing but a link named
# after the layer), so a header of a higher layer included in a lower one is
# not found and the build fails.
#
#   layer      links
#   platform   -
#   format     platform
#   texts      -
#   tables     format texts
#   engine     tables format texts platform
#   handlers   engine
#   legacy     handlers
#   interface  legacy            (the export shims go into the shared library)
set(RAILFMT_LAYERS platform format texts tables engine handlers legacy interface)
set(RAILFMT_LAYER_DEPS_platform "")
set(RAILFMT_LAYER_DEPS_format platform)
set(RAILFMT_LAYER_DEPS_texts "")
set(RAILFMT_LAYER_DEPS_tables format texts)
set(RAILFMT_LAYER_DEPS_engine tables format texts platform)
set(RAILFMT_LAYER_DEPS_handlers engine)
set(RAILFMT_LAYER_DEPS_legacy handlers)
set(RAILFMT_LAYER_DEPS_interface legacy)

# The include root of each layer: <build>/layer-roots/<layer>/<layer> -> src/<layer>.
foreach(layer ${RAILFMT_LAYERS})
  set(root ${PROJECT_BINARY_DIR}/layer-roots/${layer})
  # Made again at every configure, so a build tree never points at another
  # checkout's sources.
  file(MAKE_DIRECTORY ${root})
  file(CREATE_LINK ${PROJECT_SOURCE_DIR}/src/${layer} ${root}/${layer} SYMBOLIC)
  set(RAILFMT_LAYER_ROOT_${layer} ${root})
  if(RAILFMT_COVERAGE)
    # Line counts of a header reached through its layer root are kept under
    # its own path in src/, so the coverage report finds it there.
    add_compile_options(-ffile-prefix-map=${root}/${layer}=${PROJECT_SOURCE_DIR}/src/${layer})
  endif()
endforeach()

# railfmt_add_layers(<suffix> [OPTIONS <compile options>...]) defines the
# targets railfmt_<layer><suffix> and railfmt_core<suffix>, the top layer
# with everything below it.
function(railfmt_add_layers suffix)
  cmake_parse_arguments(ARG "" "" "OPTIONS" ${ARGN})
  foreach(layer ${RAILFMT_LAYERS})
    file(GLOB sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/src/${layer}/*.cpp)
    list(FILTER sources EXCLUDE REGEX ".*/interface/exports\\.cpp$")
    list(FILTER sources EXCLUDE REGEX ".*/platform/platform_(posix|win32)\\.cpp$")
    if(layer STREQUAL "platform")
      if(WIN32)
        list(APPEND sources ${PROJECT_SOURCE_DIR}/src/platform/platform_win32.cpp)
      else()
        list(APPEND sources ${PROJECT_SOURCE_DIR}/src/platform/platform_posix.cpp)
      endif()
    endif()
    set(target railfmt_${layer}${suffix})
    add_library(${target} STATIC ${sources})
    target_include_directories(${target} PUBLIC
      $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}/include>
      $<BUILD_INTERFACE:${RAILFMT_LAYER_ROOT_${layer}}>)
    foreach(dep ${RAILFMT_LAYER_DEPS_${layer}})
      target_link_libraries(${target} PUBLIC railfmt_${dep}${suffix})
    endforeach()
    set_target_properties(${target} PROPERTIES CXX_VISIBILITY_PRESET hidden VISIBILITY_INLINES_HIDDEN ON)
    if(ARG_OPTIONS)
      target_compile_options(${target} PRIVATE ${ARG_OPTIONS})
    endif()
    if(layer STREQUAL "interface" AND NOT RAILFMT_WRITER_THREAD)
      target_compile_definitions(${target} PRIVATE RAILFMT_NO_WRITER_THREAD)
    endif()
  endforeach()
  add_library(railfmt_core${suffix} INTERFACE)
  target_link_libraries(railfmt_core${suffix} INTERFACE railfmt_interface${suffix})
endfunction()
