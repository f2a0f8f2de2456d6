# The Linux install tree and the .deb: the program and v57sim in bin, our
# libV57API.so in the lib dir, scenarios, a desktop entry, icons, manual
# pages, and the package's copyright file and changelog.
include(GNUInstallDirs)

# In the system's lib dir the program needs no run path, and so an installed
# vendor library of the same name (in /usr/local/lib, or on LD_LIBRARY_PATH)
# is found before ours. Under any other prefix (/opt/..., ~/.local) the
# program looks in the lib dir beside its own bin dir.
# (qt_standard_project_setup's default run path, $ORIGIN and ../lib, is
# replaced: it would come first.)
set(system_libdirs ${CMAKE_PLATFORM_IMPLICIT_LINK_DIRECTORIES} ${CMAKE_CXX_IMPLICIT_LINK_DIRECTORIES})
set_target_properties(pellix-control-panel v57sim V57API PROPERTIES INSTALL_RPATH "")
if(NOT CMAKE_INSTALL_FULL_LIBDIR IN_LIST system_libdirs)
    file(RELATIVE_PATH lib_from_bin ${CMAKE_INSTALL_FULL_BINDIR} ${CMAKE_INSTALL_FULL_LIBDIR})
    set_target_properties(pellix-control-panel PROPERTIES INSTALL_RPATH "$ORIGIN/${lib_from_bin}")
endif()

install(TARGETS pellix-control-panel v57sim RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# The soname is the file name itself, libV57API.so, as a vendor's library
# has it: there is no versioned file to link to.
install(TARGETS V57API LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/simulator/scenarios/
        DESTINATION ${CMAKE_INSTALL_DATADIR}/pellix-control-panel/scenarios
        FILES_MATCHING PATTERN "*.scn")
install(FILES ${CMAKE_CURRENT_LIST_DIR}/pellix-control-panel.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
foreach(size IN LISTS PELLIX_ICON_SIZES)
    install(FILES ${PELLIX_ICON_DIR}/${size}.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
            RENAME pellix-control-panel.png)
endforeach()

# The documents a Debian package carries: the copyright file (machine-readable,
# with the licence from LICENSE), the changelog and the manual pages. The
# gzipped ones are made in the build tree with -9n: no name and no time in
# the header, so every build gives the same bytes.
find_program(GZIP gzip REQUIRED)
set(documents_dir ${CMAKE_CURRENT_BINARY_DIR}/debian)
set(package_docdir ${CMAKE_INSTALL_DATAROOTDIR}/doc/${CPACK_PACKAGE_NAME})
set(package_full_docdir ${CMAKE_INSTALL_FULL_DATAROOTDIR}/doc/${CPACK_PACKAGE_NAME})
set(package_maintainer "Pellix Control Panel developers <developers@pellix.invalid>")

file(READ ${CPACK_RESOURCE_FILE_LICENSE} licence)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${CPACK_RESOURCE_FILE_LICENSE})
if(NOT licence MATCHES "^MIT License\n+Copyright \\(c\\) ([^\n]+)\n+(.+)$")
    message(FATAL_ERROR "${CPACK_RESOURCE_FILE_LICENSE}: no MIT licence with one copyright line")
endif()
set(PELLIX_COPYRIGHT ${CMAKE_MATCH_1})
# The licence text as a field's continuation: each line indented by one
# space, each empty line a lone full stop.
string(STRIP "${CMAKE_MATCH_2}" licence_text)
string(REGEX REPLACE "\n\n+" "\n.\n" licence_text "${licence_text}")
string(REPLACE "\n" "\n " PELLIX_LICENSE_TEXT " ${licence_text}")
configure_file(${CMAKE_CURRENT_LIST_DIR}/copyright.in ${documents_dir}/copyright @ONLY)

set(gzipped)
configure_file(${CMAKE_CURRENT_LIST_DIR}/changelog ${documents_dir}/changelog COPYONLY)
foreach(page pellix-control-panel v57sim)
    configure_file(${CMAKE_CURRENT_LIST_DIR}/${page}.1.in ${documents_dir}/${page}.1 @ONLY)
endforeach()
foreach(document changelog pellix-control-panel.1 v57sim.1)
    add_custom_command(OUTPUT ${documents_dir}/${document}.gz
                       COMMAND ${GZIP} -9nkf ${document}
                       DEPENDS ${documents_dir}/${document}
                       WORKING_DIRECTORY ${documents_dir}
                       COMMENT "Compressing ${document}"
                       VERBATIM)
    list(APPEND gzipped ${documents_dir}/${document}.gz)
endforeach()
add_custom_target(package_documents ALL DEPENDS ${gzipped})

install(FILES ${documents_dir}/copyright ${documents_dir}/changelog.gz DESTINATION ${package_docdir})
install(FILES ${documents_dir}/pellix-control-panel.1.gz ${documents_dir}/v57sim.1.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

if(BUILD_TESTING)
    find_program(DESKTOP_FILE_VALIDATE desktop-file-validate)
    if(DESKTOP_FILE_VALIDATE)
        add_test(NAME packaging_desktop_entry
                 COMMAND ${DESKTOP_FILE_VALIDATE} ${CMAKE_CURRENT_LIST_DIR}/pellix-control-panel.desktop)
        # Hints and warnings count too: a lab's menu may drop a doubtful entry.
        set_tests_properties(packaging_desktop_entry PROPERTIES FAIL_REGULAR_EXPRESSION "error|warning|hint")
    endif()
    string(REPLACE ";" "|" system_libdirs_arg "${system_libdirs}")
    # The installed tree, staged with DESTDIR: where the files land and how
    # the program will find the device library there.
    add_test(NAME packaging_install_tree
             COMMAND ${CMAKE_COMMAND} -DBUILD_DIR=${CMAKE_BINARY_DIR}
                     -DSTAGE=${CMAKE_CURRENT_BINARY_DIR}/install-test
                     -DBINDIR=${CMAKE_INSTALL_FULL_BINDIR} -DLIBDIR=${CMAKE_INSTALL_FULL_LIBDIR}
                     -DDATADIR=${CMAKE_INSTALL_FULL_DATADIR}
                     -DDOCDIR=${package_full_docdir}
                     -DMANDIR=${CMAKE_INSTALL_FULL_MANDIR}
                     -DVERSION=${PROJECT_VERSION} -DLICENSE=${CPACK_RESOURCE_FILE_LICENSE}
                     "-DSYSTEM_LIBDIRS=${system_libdirs_arg}"
                     -P ${CMAKE_CURRENT_LIST_DIR}/CheckInstall.cmake)
    set_tests_properties(packaging_install_tree PROPERTIES ENVIRONMENT "LD_LIBRARY_PATH=")
endif()

# cpack (or the "package" target) in a build configured with
# -DCMAKE_INSTALL_PREFIX=/usr makes the .deb; ./dev package does both.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_INSTALL_DIRECTORY pellix-control-panel)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${package_maintainer})
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# dpkg-shlibdeps finds our own libV57API.so in the build, not in a package.
get_target_property(device_library_dir V57API BINARY_DIR)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${device_library_dir})
# The layout is drawn for Tahoma, which Debian ships in fonts-wine.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-wine")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# The library lands in a directory of the loader's own search: dpkg's
# ldconfig trigger refreshes the loader's cache, once for the whole run.
# (CPack still writes a postinst and a postrm that call ldconfig; empty
# scripts of ours in their place would only trade one lintian warning for
# another.)
if(CMAKE_INSTALL_FULL_LIBDIR IN_LIST system_libdirs)
    set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${CMAKE_CURRENT_LIST_DIR}/triggers)
endif()

# The extended description, wrapped at word ends for 80-column terminals
# (as a string, not a list: it holds a semicolon).
string(REGEX REPLACE "[ \n]+" " " rest "${CPACK_PACKAGE_DESCRIPTION}")
set(description "")
while(TRUE)
    string(LENGTH "${rest}" length)
    if(length LESS_EQUAL 79)
        break()
    endif()
    string(SUBSTRING "${rest}" 0 80 head)
    string(FIND "${head}" " " cut REVERSE)
    if(cut LESS 1)
        string(FIND "${rest}" " " cut)
        if(cut LESS 1)
            break()
        endif()
    endif()
    string(SUBSTRING "${rest}" 0 ${cut} line)
    string(APPEND description "${line}\n")
    math(EXPR cut "${cut} + 1")
    string(SUBSTRING "${rest}" ${cut} -1 rest)
endwhile()
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "${description}${rest}")
