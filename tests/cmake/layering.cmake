# The one-way rule between the layers of src/ (cmake/layers.cmake), checked
# by building: for every layer L and every layer U that L does not link, a
# probe source that includes a header of U is compiled with L's usage
# requirements and must fail because the header is not found. The same probe
# compiled with U's own requirements must build, so the failure is the
# layering and nothing else.

# Every layer that a layer links, directly or not, and itself (a layer's
# dependencies come before it in RAILFMT_LAYERS).
foreach(layer ${RAILFMT_LAYERS})
  set(reach_${layer} ${layer})
  foreach(dep ${RAILFMT_LAYER_DEPS_${layer}})
    list(APPEND reach_${layer} ${reach_${dep}})
  endforeach()
endforeach()

set(probe_dir ${CMAKE_CURRENT_BINARY_DIR}/layering)
# a header of each layer, in the layer's folder
foreach(header platform/platform.h format/stream.h texts/texts.h tables/bridge.h engine/fmtdata.h
               handlers/families.h legacy/workarea.h interface/drivers.h)
  get_filename_component(upper ${header} DIRECTORY)
  set(src ${probe_dir}/includes_${upper}.cpp)
  file(CONFIGURE OUTPUT ${src} CONTENT "#include \"${header}\"\nint railfmt_layer_probe_${upper};\n")
  foreach(layer ${RAILFMT_LAYERS})
    list(FIND reach_${layer} ${upper} at)
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
