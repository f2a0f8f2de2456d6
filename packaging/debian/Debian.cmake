# The Linux install tree and the .deb: the program and v57sim in bin, our
# libV57API.so in the lib dir, scenarios, a desktop entry and icons.
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
                     "-DSYSTEM_LIBDIRS=${system_libdirs_arg}"
                     -P ${CMAKE_CURRENT_LIST_DIR}/CheckInstall.cmake)
    set_tests_properties(packaging_install_tree PROPERTIES ENVIRONMENT "LD_LIBRARY_PATH=")
endif()

# cpack (or the "package" target) in a build configured with
# -DCMAKE_INSTALL_PREFIX=/usr makes the .deb; ./dev package does both.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_INSTALL_DIRECTORY pellix-control-panel)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Pellix Control Panel developers <developers@pellix.invalid>")
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# dpkg-shlibdeps finds our own libV57API.so in the build, not in a package.
get_target_property(device_library_dir V57API BINARY_DIR)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${device_library_dir})
# The layout is drawn for Tahoma, which Debian ships in fonts-wine.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-wine")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
