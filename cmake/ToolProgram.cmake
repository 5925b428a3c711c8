# add_tool_program(NAME <program> TITLE <tool title> VERSION <a.b.c.d> VERSION_TEXT <text>
#                  LOGIC <portable library> [CONSOLE] SOURCES <win32 sources...>)
# builds one of the tools as a Unicode GUI program (CONSOLE: a console program, for volmoraRun)
# with its version resource, icons and manifest.
function(add_tool_program)
    cmake_parse_arguments(TOOL "CONSOLE" "NAME;TITLE;VERSION;VERSION_TEXT;LOGIC" "SOURCES" ${ARGN})
    string(REPLACE "." "," TOOL_VERSION_COMMAS "${TOOL_VERSION}")
    set(TOOL_VERSION_DOTS "${TOOL_VERSION}")
    set(TOOL_ICON "${PROJECT_SOURCE_DIR}/common/win32/resources/tool.ico")
    set(LISTING_ICON "${PROJECT_SOURCE_DIR}/common/win32/resources/listing.ico")
    set(TOOL_MANIFEST "${CMAKE_CURRENT_BINARY_DIR}/${TOOL_NAME}.manifest")
    configure_file("${PROJECT_SOURCE_DIR}/common/win32/resources/tool.manifest.in" "${TOOL_MANIFEST}" @ONLY)
    configure_file("${PROJECT_SOURCE_DIR}/common/win32/resources/tool.rc.in"
                   "${CMAKE_CURRENT_BINARY_DIR}/${TOOL_NAME}.rc" @ONLY)
    # The resource compiler's inputs are not scanned: name them, so that a new icon rebuilds.
    set_source_files_properties("${CMAKE_CURRENT_BINARY_DIR}/${TOOL_NAME}.rc" PROPERTIES
                                OBJECT_DEPENDS "${TOOL_ICON};${LISTING_ICON};${TOOL_MANIFEST}")
    if(TOOL_CONSOLE)
        add_executable(${TOOL_NAME} ${TOOL_SOURCES} "${CMAKE_CURRENT_BINARY_DIR}/${TOOL_NAME}.rc")
        # After the project's -mwindows: the last subsystem named is the one linked.
        target_link_options(${TOOL_NAME} PRIVATE -Wl,--subsystem,console)
    else()
        add_executable(${TOOL_NAME} WIN32 ${TOOL_SOURCES} "${CMAKE_CURRENT_BINARY_DIR}/${TOOL_NAME}.rc")
    endif()
    target_link_libraries(${TOOL_NAME} PRIVATE ${TOOL_LOGIC} volmoraWin32)
    set_target_properties(${TOOL_NAME} PROPERTIES RUNTIME_OUTPUT_DIRECTORY "${PROJECT_BINARY_DIR}/bin")
endfunction()
