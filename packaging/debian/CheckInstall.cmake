# Stages `cmake --install` of BUILD_DIR under STAGE (DESTDIR) and checks it:
# the program, the device library with its soname, the desktop entry, the
# icons, and how the program finds the library once installed.
#   cmake -DBUILD_DIR=... -DSTAGE=... -DBINDIR=... -DLIBDIR=... -DDATADIR=...
#         -DSYSTEM_LIBDIRS=dir|dir... -P CheckInstall.cmake
# BINDIR, LIBDIR and DATADIR are the full installed paths; SYSTEM_LIBDIRS the
# directories the loader searches by itself.
cmake_minimum_required(VERSION 3.25)

file(REMOVE_RECURSE ${STAGE})
execute_process(COMMAND ${CMAKE_COMMAND} -E env DESTDIR=${STAGE} ${CMAKE_COMMAND} --install ${BUILD_DIR}
                RESULT_VARIABLE installed OUTPUT_QUIET)
if(NOT installed EQUAL 0)
    message(FATAL_ERROR "cmake --install failed: ${installed}")
endif()

set(program ${STAGE}${BINDIR}/pellix-control-panel)
set(library ${STAGE}${LIBDIR}/libV57API.so)
foreach(file ${program} ${STAGE}${BINDIR}/v57sim ${library}
        ${STAGE}${DATADIR}/applications/pellix-control-panel.desktop
        ${STAGE}${DATADIR}/icons/hicolor/48x48/apps/pellix-control-panel.png
        ${STAGE}${DATADIR}/icons/hicolor/256x256/apps/pellix-control-panel.png
        ${STAGE}${DATADIR}/pellix-control-panel/scenarios/hotplug.scn)
    if(NOT EXISTS ${file})
        message(FATAL_ERROR "not installed: ${file}")
    endif()
endforeach()

execute_process(COMMAND readelf -d ${library} OUTPUT_VARIABLE library_dynamic)
if(NOT library_dynamic MATCHES "soname: \\[libV57API\\.so\\]")
    message(FATAL_ERROR "libV57API.so does not carry its own name as soname:\n${library_dynamic}")
endif()

execute_process(COMMAND readelf -d ${program} OUTPUT_VARIABLE program_dynamic)
if(program_dynamic MATCHES "\\(RPATH\\)")
    # An RPATH would be searched before LD_LIBRARY_PATH: no replacing the library.
    message(FATAL_ERROR "the program carries an RPATH, not a RUNPATH:\n${program_dynamic}")
endif()
string(REPLACE "|" ";" system_libdirs "${SYSTEM_LIBDIRS}")
if(program_dynamic MATCHES "runpath: \\[([^]]*)\\]")
    # In a system lib dir a run path would put our library before the
    # loader's own search, and so before a vendor's in /usr/local/lib.
    if(LIBDIR IN_LIST system_libdirs)
        message(FATAL_ERROR "the program has a run path, yet ${LIBDIR} is a system lib dir")
    endif()
    # A private prefix: the run path, relative to the program, finds the
    # staged library with no environment at all.
    set(runpath ${CMAKE_MATCH_1})
    if(NOT runpath MATCHES "^\\$ORIGIN/")
        message(FATAL_ERROR "the installed program's run path is not relative to it: ${runpath}")
    endif()
    execute_process(COMMAND ldd ${program} OUTPUT_VARIABLE linked)
    file(REAL_PATH ${library} staged_library)
    if(NOT linked MATCHES "libV57API\\.so => ([^ ]+)")
        message(FATAL_ERROR "ldd finds no libV57API.so:\n${linked}")
    endif()
    file(REAL_PATH ${CMAKE_MATCH_1} found_library)
    if(NOT found_library STREQUAL staged_library)
        message(FATAL_ERROR "the program binds ${found_library}, not ${staged_library}")
    endif()
else()
    # The system's lib dir: the loader's own search finds it, after
    # LD_LIBRARY_PATH and /usr/local/lib.
    if(NOT LIBDIR IN_LIST system_libdirs)
        message(FATAL_ERROR "no run path, yet ${LIBDIR} is none of the system's lib dirs: ${system_libdirs}")
    endif()
endif()
message(STATUS "installed tree in ${STAGE} checked")
