# The update resource: the rate list carried inside the program, generated at build time
# from the year's diagnosis rate file by a small Qt Core program (no scripting language
# needed on the build machine) and compiled into orvex_core as a Qt resource.

set(ORVEX_UPDATE_RESOURCE_GENERATOR ${CMAKE_CURRENT_LIST_DIR}/generator/MakeUpdateResource.cpp)

# The folder glob also picked up the generator, which has a main() of its own.
get_target_property(_orvex_core_sources orvex_core SOURCES)
list(REMOVE_ITEM _orvex_core_sources ${ORVEX_UPDATE_RESOURCE_GENERATOR})
set_property(TARGET orvex_core PROPERTY SOURCES ${_orvex_core_sources})

add_executable(orvex_make_update_resource ${ORVEX_UPDATE_RESOURCE_GENERATOR})
target_link_libraries(orvex_make_update_resource PRIVATE Qt6::Core orvex_options)
# A build tool, not part of the program folder.
set_target_properties(orvex_make_update_resource PROPERTIES
    RUNTIME_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/tools)

set(ORVEX_UPDATE_RESOURCE_INPUT "${CMAKE_SOURCE_DIR}/data/philhealth-caserates-2024/ICD PH 2024.txt")
set(ORVEX_UPDATE_RESOURCE_DIR ${CMAKE_CURRENT_BINARY_DIR}/generated/ratelist)
set(ORVEX_UPDATE_RESOURCE_FILE ${ORVEX_UPDATE_RESOURCE_DIR}/UpdateResource101.txt)

add_custom_command(
    OUTPUT ${ORVEX_UPDATE_RESOURCE_FILE}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${ORVEX_UPDATE_RESOURCE_DIR}
    COMMAND orvex_make_update_resource ${ORVEX_UPDATE_RESOURCE_INPUT} ${ORVEX_UPDATE_RESOURCE_FILE}
    DEPENDS orvex_make_update_resource ${ORVEX_UPDATE_RESOURCE_INPUT}
    COMMENT "Generating the built-in update resource from ICD PH 2024.txt"
    VERBATIM)

# For a static library Qt puts the resource into an object library that every consumer
# links, so the resource registers itself in orvex-cli, orvex and the test programs alike.
qt_add_resources(orvex_core orvex_update_resource
    PREFIX "/ratelist"
    BASE ${ORVEX_UPDATE_RESOURCE_DIR}
    FILES ${ORVEX_UPDATE_RESOURCE_FILE})
