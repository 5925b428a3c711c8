# add_type_library(<output .tlb> <input .idl> <win32|win64>) compiles an IDL file into a type
# library of that system kind with widl (mingw-w64-tools). VOLMORA_WIDL is empty when widl is
# missing; a caller that can do without the library checks it first.
find_program(VOLMORA_WIDL NAMES x86_64-w64-mingw32-widl i686-w64-mingw32-widl widl)
# Where importlib("stdole2.tlb") is found: Wine's own copy (package wine64).
find_path(VOLMORA_STDOLE_FOLDER stdole2.tlb
          PATHS /usr/lib/x86_64-linux-gnu/wine/x86_64-windows NO_CMAKE_FIND_ROOT_PATH)

function(add_type_library output idl systemKind)
    if(NOT VOLMORA_WIDL)
        message(FATAL_ERROR "widl is needed for ${output} (scripts/setup.sh installs it)")
    endif()
    get_filename_component(idl "${idl}" ABSOLUTE)
    get_filename_component(name "${output}" NAME)
    add_custom_command(
        OUTPUT "${output}"
        COMMAND "${VOLMORA_WIDL}" -t --${systemKind} -L "${VOLMORA_STDOLE_FOLDER}" -o "${output}"
                "${idl}"
        DEPENDS "${idl}"
        COMMENT "Compiling the type library ${name}"
        VERBATIM)
endfunction()
