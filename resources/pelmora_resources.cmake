# Adds the installer's resources (resources/pelmora.rc: dialog template 102
# with its initialisation data, pictures, icon, version record, manifest) to a
# Windows target:
#   include(${PROJECT_SOURCE_DIR}/resources/pelmora_resources.cmake)
#   pelmora_add_installer_resources(Pelmora)
set(PELMORA_RESOURCES_DIR ${CMAKE_CURRENT_LIST_DIR})

function(pelmora_add_installer_resources target)
  set(rc ${PELMORA_RESOURCES_DIR}/pelmora.rc)
  target_sources(${target} PRIVATE ${rc})
  # windres finds the pictures, the icon, the manifests and pelmora_ids.h
  # through the include path.
  target_include_directories(${target} PRIVATE ${PELMORA_RESOURCES_DIR})
  # The resource compiler reports no dependencies of its own.
  set_property(SOURCE ${rc} APPEND PROPERTY OBJECT_DEPENDS
    ${PELMORA_RESOURCES_DIR}/pelmora_ids.h
    ${PELMORA_RESOURCES_DIR}/pelmora.ico
    ${PELMORA_RESOURCES_DIR}/card_printer.bmp
    ${PELMORA_RESOURCES_DIR}/step1.bmp
    ${PELMORA_RESOURCES_DIR}/step2.bmp
    ${PELMORA_RESOURCES_DIR}/step3.bmp
    ${PELMORA_RESOURCES_DIR}/pelmora-x86.manifest
    ${PELMORA_RESOURCES_DIR}/pelmora-amd64.manifest)
endfunction()
