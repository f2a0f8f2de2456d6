# The Windows install: one folder holding the program, our V57API.dll (the
# simulator, which a vendor's V57API.dll replaces), v57sim.exe, Qt's DLLs with
# the windows platform and windowsvista style plugins, the MinGW runtime and
# the example scenarios; as an NSIS installer and a .zip of the same folder.
# (A cross build has no windeployqt: the files are named here.)
install(TARGETS pellix-control-panel v57sim V57API RUNTIME DESTINATION .)
install(FILES $<TARGET_FILE:Qt6::Core> $<TARGET_FILE:Qt6::Gui> $<TARGET_FILE:Qt6::Widgets>
        DESTINATION .)
install(FILES $<TARGET_FILE:Qt6::QWindowsIntegrationPlugin> DESTINATION platforms)
install(FILES $<TARGET_FILE:Qt6::QWindowsVistaStylePlugin> DESTINATION styles)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/simulator/scenarios/ DESTINATION scenarios
        FILES_MATCHING PATTERN "*.scn")
install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION . RENAME LICENSE.txt)

# The compiler's runtime: what its programs and Qt's DLLs import besides
# Windows' own DLLs (packaging/windows/check-imports.sh checks the folder).
if(MINGW)
    if(CMAKE_SIZEOF_VOID_P EQUAL 4)
        set(gcc_runtime libgcc_s_dw2-1.dll) # 32-bit MinGW unwinds with DWARF-2
    else()
        set(gcc_runtime libgcc_s_seh-1.dll)
    endif()
    foreach(dll IN ITEMS libstdc++-6.dll ${gcc_runtime} libwinpthread-1.dll)
        execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${dll}
                        OUTPUT_VARIABLE dll_path OUTPUT_STRIP_TRAILING_WHITESPACE)
        if(NOT IS_ABSOLUTE "${dll_path}" OR NOT EXISTS "${dll_path}")
            message(FATAL_ERROR "MinGW runtime ${dll} not found (${dll_path})")
        endif()
        install(FILES ${dll_path} DESTINATION .)
    endforeach()
else()
    include(InstallRequiredSystemLibraries)
endif()

if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(windows_arch win32)
else()
    set(windows_arch win64)
    set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES64")
endif()
set(CPACK_GENERATOR NSIS ZIP)
set(CPACK_PACKAGE_FILE_NAME pellix-control-panel-${PROJECT_VERSION}-${windows_arch})
set(CPACK_PACKAGE_INSTALL_DIRECTORY "Pellix Control Panel")
set(CPACK_PACKAGE_INSTALL_REGISTRY_KEY "Pellix Control Panel")
# Start-menu entry "Pellix Control Panel" for the program beside the installer's root.
set(CPACK_PACKAGE_EXECUTABLES pellix-control-panel "Pellix Control Panel")
set(CPACK_NSIS_EXECUTABLES_DIRECTORY .)
set(CPACK_NSIS_DISPLAY_NAME "Pellix Control Panel")
set(CPACK_NSIS_PACKAGE_NAME "Pellix Control Panel")
set(CPACK_NSIS_MUI_ICON ${PELLIX_ICON_DIR}/icon.ico)
set(CPACK_NSIS_MUI_UNIICON ${PELLIX_ICON_DIR}/icon.ico)
set(CPACK_NSIS_INSTALLED_ICON_NAME pellix-control-panel.exe)
set(CPACK_NSIS_ENABLE_UNINSTALL_BEFORE_INSTALL ON)
set(CPACK_NSIS_MANIFEST_DPI_AWARE ON)

if(BUILD_TESTING)
    # The folder the installer and the .zip carry, staged and read with objdump.
    add_test(NAME packaging_windows_folder
             COMMAND ${CMAKE_COMMAND} -DBUILD_DIR=${CMAKE_BINARY_DIR}
                     -DSTAGE=${CMAKE_CURRENT_BINARY_DIR}/folder-test -DOBJDUMP=${CMAKE_OBJDUMP}
                     -P ${CMAKE_CURRENT_LIST_DIR}/CheckFolder.cmake)
endif()
