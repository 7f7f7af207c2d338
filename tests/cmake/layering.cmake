# The one-way rule between the layers of src/ (cmake/layers.cmake), checked
# by building: for every layer L and every layer U that L does not link, a
# probe source that includes a header of U is compiled with L's usage
# requirements and must fail because the header is not found. The same probe
# compiled with U's own requirements must build, so the failure is the
# layering and nothing else.
set(RAILFMT_PROBE_HEADER_platform platform/platform.h)
set(RAILFMT_PROBE_HEADER_format format/stream.h)
set(RAILFMT_PROBE_HEADER_texts texts/texts.h)
set(RAILFMT_PROBE_HEADER_tables tables/bridge.h)
set(RAILFMT_PROBE_HEADER_engine engine/fmtdata.h)
set(RAILFMT_PROBE_HEADER_handlers handlers/families.h)
set(RAILFMT_PROBE_HEADER_legacy legacy/workarea.h)
set(RAILFMT_PROBE_HEADER_interface interface/drivers.h)

# Every layer that `layer` links, directly or not, and itself.
function(railfmt_layer_reach layer out)
  set(reach ${layer})
  foreach(dep ${RAILFMT_LAYER_DEPS_${layer}})
    railfmt_layer_reach(${dep} sub)
    list(APPEND reach ${sub})
  endforeach()
  list(REMOVE_DUPLICATES reach)
  set(${out} ${reach} PARENT_SCOPE)
endfunction()

set(probe_dir ${CMAKE_CURRENT_BINARY_DIR}/layering)
foreach(upper ${RAILFMT_LAYERS})
  set(src ${probe_dir}/includes_${upper}.cpp)
  file(CONFIGURE OUTPUT ${src} CONTENT "#include \"${RAILFMT_PROBE_HEADER_${upper}}\"\nint railfmt_layer_probe_${upper};\n")
  foreach(layer ${RAILFMT_LAYERS})
    railfmt_layer_reach(${layer} reach)
    list(FIND reach ${upper} at)
    if(layer STREQUAL upper)
      set(name layer_${upper}_includes_itself)
    elseif(at LESS 0)
      set(name layer_${layer}_cannot_include_${upper})
    else()
      continue()
    endif()
    add_library(${name} OBJECT EXCLUDE_FROM_ALL ${src})
    target_link_libraries(${name} PRIVATE railfmt_${layer})
    add_test(NAME ${name} COMMAND ${CMAKE_COMMAND} --build ${CMAKE_BINARY_DIR} --target ${name})
    # One build at a time in the build tree.
    set_tests_properties(${name} PROPERTIES RESOURCE_LOCK railfmt_build_tree)
    if(NOT layer STREQUAL upper)
      set_tests_properties(${name} PROPERTIES PASS_REGULAR_EXPRESSION
        "${upper}/[a-z_]+\\.h'?:? (No such file or directory|file not found)")
    endif()
  endforeach()
endforeach()
