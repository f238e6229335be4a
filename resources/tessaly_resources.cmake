# Adds the monitor's resources (resources/tessaly.rc: dialog 102, icon 128,
# menu 130, version record, manifest) to a Windows target:
#   include(${PROJECT_SOURCE_DIR}/resources/tessaly_resources.cmake)
#   tessaly_add_resources(Tessaly)
set(TESSALY_RESOURCES_DIR ${CMAKE_CURRENT_LIST_DIR})

function(tessaly_add_resources target)
  set(rc ${TESSALY_RESOURCES_DIR}/tessaly.rc)
  target_sources(${target} PRIVATE ${rc})
  target_include_directories(${target} PRIVATE ${TESSALY_RESOURCES_DIR})
  # The resource compiler reports no dependencies of its own.
  set_property(SOURCE ${rc} APPEND PROPERTY OBJECT_DEPENDS
    ${TESSALY_RESOURCES_DIR}/tessaly_ids.h
    ${TESSALY_RESOURCES_DIR}/tessaly.ico
    ${TESSALY_RESOURCES_DIR}/tessaly-x86.manifest
    ${TESSALY_RESOURCES_DIR}/tessaly-amd64.manifest)
endfunction()
