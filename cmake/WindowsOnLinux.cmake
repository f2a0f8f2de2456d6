# A Windows build made on Linux: its tests run under Wine (packaging/windows/wine-run),
# and paths known at build time reach the Windows programs through Wine's Z: drive.
# Included by the top-level CMakeLists before any target exists.
set(PELLIX_WINE_TESTS OFF)
if(WIN32 AND CMAKE_CROSSCOMPILING AND CMAKE_HOST_UNIX)
    set(PELLIX_WINE_TESTS ON)
    # Qt's DLLs and the MinGW runtime, which the test programs load from their search path.
    get_filename_component(qt_bin_dir "${Qt6Core_DIR}/../../../bin" ABSOLUTE)
    execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=libstdc++-6.dll
                    OUTPUT_VARIABLE libstdcxx_dll OUTPUT_STRIP_TRAILING_WHITESPACE)
    execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=libwinpthread-1.dll
                    OUTPUT_VARIABLE winpthread_dll OUTPUT_STRIP_TRAILING_WHITESPACE)
    get_filename_component(gcc_runtime_dir "${libstdcxx_dll}" DIRECTORY)
    get_filename_component(winpthread_dir "${winpthread_dll}" DIRECTORY)
    set(PELLIX_WINE_SEARCH_PATH "${qt_bin_dir};${gcc_runtime_dir};${winpthread_dir}")
    set(PELLIX_WINE_PREFIX "$ENV{HOME}/.cache/pellix/wine" CACHE PATH "Wine prefix the tests run in")
    configure_file(${PROJECT_SOURCE_DIR}/packaging/windows/wine-run.in ${CMAKE_BINARY_DIR}/wine-run
                   FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                                    WORLD_READ WORLD_EXECUTE @ONLY)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_BINARY_DIR}/wine-run)
endif()

# pellix_program_path(<var> <path>): <path> as the programs of this build see it.
function(pellix_program_path var path)
    if(PELLIX_WINE_TESTS)
        set(${var} "Z:${path}" PARENT_SCOPE)
    else()
        set(${var} "${path}" PARENT_SCOPE)
    endif()
endfunction()
