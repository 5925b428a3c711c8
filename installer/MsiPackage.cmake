# The sample MSI package (volmora.wxs) of this build, made with wixl when it is found: x86 with
# the 32-bit programs, x64 with the 64-bit ones. Included by installer/CMakeLists.txt.
find_program(WIXL wixl)
find_program(MSIBUILD msibuild)
find_program(MSIINFO msiinfo)
if(NOT WIXL OR NOT MSIBUILD OR NOT MSIINFO)
    message(WARNING "wixl, msibuild or msiinfo not found (scripts/setup.sh installs wixl and "
                    "msitools): no sample MSI package in this build")
    return()
endif()

if(VOLMORA_BITS EQUAL 64)
    set(msiArch x64)
    set(msiUpgradeCode "A3F2D6B1-5C84-4E09-9B7A-2D1E6F3C8B50")
else()
    set(msiArch x86)
    set(msiUpgradeCode "4E7A1C2B-9D35-4F61-8A0E-3B5C7D9E1F24")
endif()
set(samplePackage "${CPACK_PACKAGE_DIRECTORY}/volmora-sample-${PROJECT_VERSION}-${volmoraPackageSystem}.msi")
file(RELATIVE_PATH msiTypeLib "${PROJECT_BINARY_DIR}" "${sampleTypeLib}")
set(msiStep "$<TARGET_FILE:volmoraMsiStep>")
# The tests' copies (a later version, one that fails after its last registration, and one that
# unregisters inside an upgrade), beside their other files.
set(testPackages "")
set(testArguments "")
if(BUILD_TESTING)
    foreach(copy next failing unconditional)
        list(APPEND testPackages "${PROJECT_BINARY_DIR}/testFiles/volmora-sample-${copy}.msi")
    endforeach()
    set(testArguments "-DTEST_FILES=${PROJECT_BINARY_DIR}/testFiles")
endif()
set(msiProgramFiles "")
foreach(program IN LISTS volmoraPrograms)
    list(APPEND msiProgramFiles "$<TARGET_FILE:${program}>")
endforeach()
add_custom_command(
    OUTPUT "${samplePackage}" ${testPackages}
    COMMAND "${CMAKE_COMMAND}" -E make_directory "${CPACK_PACKAGE_DIRECTORY}"
            "${PROJECT_BINARY_DIR}/testFiles"
    COMMAND "${CMAKE_COMMAND}" "-DWIXL=${WIXL}" "-DMSIBUILD=${MSIBUILD}"
            "-DSOURCE=${CMAKE_CURRENT_SOURCE_DIR}/volmora.wxs" "-DOUTPUT=${samplePackage}"
            "-DBUILD_DIR=${PROJECT_BINARY_DIR}" "-DARCH=${msiArch}" "-DVERSION=${PROJECT_VERSION}"
            "-DUPGRADE_CODE=${msiUpgradeCode}" "-DTYPELIB=${msiTypeLib}"
            "-DMSI_STEP=installer/$<TARGET_FILE_NAME:volmoraMsiStep>" ${testArguments}
            -P "${CMAKE_CURRENT_SOURCE_DIR}/BuildMsi.cmake"
    DEPENDS "${CMAKE_CURRENT_SOURCE_DIR}/volmora.wxs" "${CMAKE_CURRENT_SOURCE_DIR}/BuildMsi.cmake"
            "${CMAKE_CURRENT_SOURCE_DIR}/msiSteps.cmake" "${CMAKE_CURRENT_SOURCE_DIR}/sampleProduct.cmake"
            "${sampleTypeLib}" ${volmoraPrograms} ${msiProgramFiles} volmoraMsiStep "${msiStep}"
    COMMENT "Building the sample MSI package (${msiArch})"
    VERBATIM)
add_custom_target(samplePackage ALL DEPENDS "${samplePackage}")

# The built package's custom actions and their order, read back from its tables.
if(BUILD_TESTING)
    add_test(NAME msiSequence
             COMMAND "${CMAKE_COMMAND}" "-DMSIINFO=${MSIINFO}" "-DPACKAGE=${samplePackage}"
                     "-DARCH=${msiArch}" "-DTYPELIB_SYSTEM=${VOLMORA_WINDOWS_SYSTEM}"
                     -P "${CMAKE_CURRENT_SOURCE_DIR}/CheckMsiSequence.cmake")
endif()
