# Stages `cmake --install` of BUILD_DIR under STAGE (DESTDIR) and checks it:
# the program, the device library with its soname, the desktop entry, the
# icons, the copyright file, changelog and manual pages, and how the program
# finds the library once installed.
#   cmake -DBUILD_DIR=... -DSTAGE=... -DBINDIR=... -DLIBDIR=... -DDATADIR=...
#         -DDOCDIR=... -DMANDIR=... -DVERSION=... -DLICENSE=...
#         -DSYSTEM_LIBDIRS=dir|dir... -P CheckInstall.cmake
# BINDIR, LIBDIR, DATADIR, DOCDIR (the package's) and MANDIR are the full
# installed paths; VERSION the project's; LICENSE the source's licence file;
# SYSTEM_LIBDIRS the directories the loader searches by itself.
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

# The Debian documents. Gzipped ones carry no name and no time (gzip -n),
# so that every build makes the same package.
set(copyright ${STAGE}${DOCDIR}/copyright)
set(changelog ${STAGE}${DOCDIR}/changelog.gz)
set(pages ${STAGE}${MANDIR}/man1/pellix-control-panel.1.gz ${STAGE}${MANDIR}/man1/v57sim.1.gz)
foreach(file ${copyright} ${changelog} ${pages})
    if(NOT EXISTS ${file})
        message(FATAL_ERROR "not installed: ${file}")
    endif()
endforeach()
foreach(file ${changelog} ${pages})
    file(READ ${file} header LIMIT 8 HEX)
    # Magic, deflate, then the flags (no FNAME) and a zero MTIME.
    if(NOT header STREQUAL "1f8b080000000000")
        message(FATAL_ERROR "${file} is not gzipped with -n: header ${header}")
    endif()
endforeach()

# The copyright file is machine-readable and carries the licence word for
# word, one space in.
file(STRINGS ${copyright} copyright_lines)
list(GET copyright_lines 0 format)
if(NOT format STREQUAL "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/")
    message(FATAL_ERROR "${copyright} is not in the machine-readable format: ${format}")
endif()
file(STRINGS ${LICENSE} licence_lines)
foreach(line IN LISTS licence_lines)
    if(line MATCHES "^Copyright \\(c\\) (.+)$")
        set(line "Copyright: ${CMAKE_MATCH_1}")
    elseif(line STREQUAL "MIT License" OR line STREQUAL "")
        continue()
    else()
        set(line " ${line}")
    endif()
    if(NOT line IN_LIST copyright_lines)
        message(FATAL_ERROR "${copyright} lacks the licence's line:\n${line}")
    endif()
endforeach()

execute_process(COMMAND gzip -dc ${changelog} OUTPUT_VARIABLE changelog_text RESULT_VARIABLE unzipped)
string(REPLACE "." "\\." version_pattern ${VERSION})
if(NOT unzipped EQUAL 0 OR NOT changelog_text MATCHES "^pellix-control-panel \\(${version_pattern}\\) ")
    string(REGEX MATCH "^[^\n]*" top "${changelog_text}")
    message(FATAL_ERROR "the changelog's latest entry is not version ${VERSION}: ${top}")
endif()

# Each page as man formats it for lintian, with every warning on, and its
# NAME line as whatis reads it.
find_program(MAN man)
find_program(LEXGROG lexgrog)
if(MAN AND LEXGROG)
    foreach(page ${pages})
        execute_process(COMMAND ${CMAKE_COMMAND} -E env LC_ALL=C.UTF-8 MANROFFSEQ= MANWIDTH=80
                                ${MAN} --warnings -E UTF-8 -l -Tutf8 -Z ${page}
                        OUTPUT_QUIET ERROR_VARIABLE warnings RESULT_VARIABLE formatted)
        if(NOT formatted EQUAL 0 OR NOT warnings STREQUAL "")
            message(FATAL_ERROR "man ${page}: ${formatted}\n${warnings}")
        endif()
        get_filename_component(name ${page} NAME)
        string(REGEX REPLACE "\\.1\\.gz$" "" name ${name})
        execute_process(COMMAND ${LEXGROG} ${page} OUTPUT_VARIABLE whatis RESULT_VARIABLE parsed)
        if(NOT parsed EQUAL 0 OR NOT whatis MATCHES ": \"${name} - [^\"]+\"")
            message(FATAL_ERROR "${page} has no NAME line for ${name}: ${whatis}")
        endif()
    endforeach()
else()
    message(STATUS "man or lexgrog not found: the manual pages are not formatted")
endif()

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
