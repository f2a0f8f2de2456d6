# Installs BUILD_DIR into STAGE and checks the folder a Windows machine gets:
# every file the program needs, the device library's three plain exports, the
# program's load-time import of V57API.dll, and that every DLL any file
# imports is either in the folder or one that Windows 10 itself provides.
#   cmake -DBUILD_DIR=... -DSTAGE=... -DOBJDUMP=... -P CheckFolder.cmake
cmake_minimum_required(VERSION 3.25)

# Windows' own DLLs (and its API sets, api-ms-win-*) that Qt, the MinGW
# runtime and the program import.
set(windows_dlls
    advapi32 authz comdlg32 d3d9 d3d11 dwmapi dwrite dxgi gdi32 imm32 kernel32 mpr msvcrt
    netapi32 ole32 oleaut32 shcore shell32 shlwapi user32 userenv uxtheme version winmm ws2_32
    wtsapi32)

file(REMOVE_RECURSE ${STAGE})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${STAGE}
                RESULT_VARIABLE installed OUTPUT_QUIET)
if(NOT installed EQUAL 0)
    message(FATAL_ERROR "cmake --install failed: ${installed}")
endif()

foreach(file pellix-control-panel.exe V57API.dll v57sim.exe Qt6Core.dll Qt6Gui.dll Qt6Widgets.dll
        platforms/qwindows.dll styles/qwindowsvistastyle.dll libstdc++-6.dll libwinpthread-1.dll
        LICENSE.txt scenarios/hotplug.scn)
    if(NOT EXISTS ${STAGE}/${file})
        message(FATAL_ERROR "not installed: ${file}")
    endif()
endforeach()

function(pe_header file var)
    execute_process(COMMAND ${OBJDUMP} -p ${file} OUTPUT_VARIABLE header RESULT_VARIABLE read)
    if(NOT read EQUAL 0)
        message(FATAL_ERROR "${OBJDUMP} cannot read ${file}")
    endif()
    set(${var} "${header}" PARENT_SCOPE)
endfunction()

# Exactly the three entry points, by their plain names (no _Name@N on x86).
pe_header(${STAGE}/V57API.dll library_header)
string(REGEX MATCH "\\[Ordinal/Name Pointer\\] Table\n(([^\n]+\n)+)" export_table "${library_header}")
string(REGEX MATCHALL "\\] [^\n]+" exports "${CMAKE_MATCH_1}")
list(TRANSFORM exports REPLACE "\\] " "")
list(SORT exports)
if(NOT exports STREQUAL "PXV57_Close;PXV57_Initialise;PXV57_UpdateEx")
    message(FATAL_ERROR "V57API.dll exports ${exports}, not the three entry points")
endif()

file(GLOB_RECURSE binaries LIST_DIRECTORIES false RELATIVE ${STAGE} ${STAGE}/*.exe ${STAGE}/*.dll)
file(GLOB shipped_dlls LIST_DIRECTORIES false RELATIVE ${STAGE} ${STAGE}/*.dll)
list(TRANSFORM shipped_dlls TOLOWER)
foreach(binary IN LISTS binaries)
    pe_header(${STAGE}/${binary} header)
    string(REGEX MATCHALL "DLL Name: [^\n]+" imports "${header}")
    list(TRANSFORM imports REPLACE "DLL Name: " "")
    foreach(import IN LISTS imports)
        string(TOLOWER "${import}" dll)
        string(REGEX REPLACE "\\.(dll|drv)$" "" base "${dll}")
        if(NOT dll IN_LIST shipped_dlls AND NOT base IN_LIST windows_dlls AND NOT dll MATCHES "^api-ms-win-")
            message(FATAL_ERROR "${binary} imports ${import}, which is neither in the folder nor Windows' own")
        endif()
    endforeach()
    if(binary STREQUAL "pellix-control-panel.exe" AND NOT "V57API.dll" IN_LIST imports)
        message(FATAL_ERROR "the program does not import V57API.dll at load time: ${imports}")
    endif()
endforeach()
message(STATUS "Windows folder in ${STAGE} checked: exports ${exports}")
