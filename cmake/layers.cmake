# The layers of the core, bottom first. Each is a static library of its folder's sources; a
# layer links, and may include, only the layers its row names (with theirs, transitively).
# scripts/check_includes.cmake reads this same table, so the build and the include check agree.
set(VEXA_LAYERS platform base terminal link config download analog macro upload build factory app)
set(VEXA_LAYER_USES_platform "")
set(VEXA_LAYER_USES_base platform)
set(VEXA_LAYER_USES_terminal base)
set(VEXA_LAYER_USES_link terminal)
set(VEXA_LAYER_USES_config link)
set(VEXA_LAYER_USES_download config)
set(VEXA_LAYER_USES_analog config)
set(VEXA_LAYER_USES_macro config)
set(VEXA_LAYER_USES_upload config)
set(VEXA_LAYER_USES_build config)
set(VEXA_LAYER_USES_factory config)
set(VEXA_LAYER_USES_app download analog macro upload build factory)
# Programs and their libraries above the core.
set(VEXA_LAYER_USES_sim download analog macro)
set(VEXA_LAYER_USES_cli app)
set(VEXA_LAYER_USES_ui app)
# Built-in tables under data/ belong to the layer that reads them.
set(VEXA_DATA_OWNERS
  message_catalog base message_supplements base messages_build_factory base messages_desktop base
  messages_download base messages_fixes base messages_session base messages_terminal base
  messages_upload base parameter_records config loader_types download thermocouple_tables analog)

# Every layer a layer may reach: its row, and theirs, down to platform.
function(vexa_layer_reach layer out)
  set(reach "")
  set(todo ${VEXA_LAYER_USES_${layer}})
  while(todo)
    list(POP_FRONT todo next)
    if(NOT next IN_LIST reach)
      list(APPEND reach ${next})
      list(APPEND todo ${VEXA_LAYER_USES_${next}})
    endif()
  endwhile()
  set(${out} ${reach} PARENT_SCOPE)
endfunction()

function(vexa_add_layers)
  foreach(layer ${VEXA_LAYERS})
    file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${layer}/*.cpp)
    set(owners ${VEXA_DATA_OWNERS})
    while(owners)
      list(POP_FRONT owners table owner)
      if(owner STREQUAL layer)
        list(APPEND sources ${CMAKE_SOURCE_DIR}/data/${table}.cpp)
      endif()
    endwhile()
    add_library(vexa_${layer} STATIC ${sources})
    target_include_directories(vexa_${layer} PUBLIC ${CMAKE_SOURCE_DIR})
    target_compile_options(vexa_${layer} PRIVATE ${VEXA_FORMAT_CHECKS})
    foreach(used ${VEXA_LAYER_USES_${layer}})
      target_link_libraries(vexa_${layer} PUBLIC vexa_${used})
    endforeach()
  endforeach()
  # The whole core, for the programs and suites above it.
  add_library(vexacore INTERFACE)
  target_link_libraries(vexacore INTERFACE vexa_app)
endfunction()
