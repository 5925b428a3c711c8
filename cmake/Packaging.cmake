# Release packages of the Windows programs: one zip per architecture, laid out like an
# installation (the four programs, volmoraRun and volmoraConfig in bin\, the user guide in doc\),
# so that unpacking it into C:\VOLM gives C:\VOLM\bin\bindObject.exe beside the runtime's
# C:\VOLM\bin\VOLM.dll and C:\VOLM\lib\VOLM.jar, which the runtime's own installer supplies.
# Also builds the sample installers (installer/) and checks the layout of both.
if(NOT WIN32)
    return()
endif()

set(volmoraPrograms bindObject bindRuntime bindHost bindSchema volmoraRun volmoraConfig)
set(volmoraPackageSystem ${VOLMORA_WINDOWS_SYSTEM})

# Packages are made from a finished build (scripts/build.sh): packing does not rebuild.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)
install(TARGETS ${volmoraPrograms} RUNTIME DESTINATION bin COMPONENT programs)
install(DIRECTORY "${PROJECT_SOURCE_DIR}/docs/" DESTINATION doc COMPONENT programs
        FILES_MATCHING PATTERN "*.md")

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME volmora-tools)
set(CPACK_PACKAGE_VENDOR "Tamsiver Software")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_SYSTEM_NAME ${volmoraPackageSystem})
set(volmoraPackageName "volmora-tools-${PROJECT_VERSION}-${volmoraPackageSystem}")
set(CPACK_PACKAGE_FILE_NAME "${volmoraPackageName}")
set(CPACK_PACKAGE_DIRECTORY "${PROJECT_BINARY_DIR}/packages")
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
set(CPACK_ARCHIVE_COMPONENT_INSTALL OFF)
set(CPACK_VERBATIM_VARIABLES ON)
include(CPack)

add_subdirectory("${PROJECT_SOURCE_DIR}/installer" "${PROJECT_BINARY_DIR}/installer")

# The package's layout and the architecture of the programs in it, checked on a fresh package.
if(NOT BUILD_TESTING)
    return()
endif()
string(REPLACE ";" "," volmoraProgramNames "${volmoraPrograms}")
add_test(NAME packageLayout
         COMMAND "${CMAKE_COMMAND}" -DBUILD_DIR=${PROJECT_BINARY_DIR}
                 -DPACKAGE=${CPACK_PACKAGE_DIRECTORY}/${volmoraPackageName}.zip
                 -DPROGRAMS=${volmoraProgramNames} -DSYSTEM=${volmoraPackageSystem}
                 -DOBJDUMP=${CMAKE_OBJDUMP} -DGUIDE=${PROJECT_SOURCE_DIR}/docs
                 -P "${PROJECT_SOURCE_DIR}/cmake/CheckPackage.cmake")
