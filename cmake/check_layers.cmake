# Fails the build when a file includes against the rooms' direction, when a portable file reaches a
# Windows header, or when any file includes a Windows header other than through
# platform/win32/win32_api.h. Run with -DROOT=<source folder> -DSTAMP=<file touched on success>.
cmake_minimum_required(VERSION 3.25)

# The rooms each room may include from (its own always). The link graph of the rooms' libraries
# (CMakeLists.txt, cmake/PellLibrary.cmake) follows the same lines.
set(allowed_base "base")
set(allowed_i18n "base;i18n")
set(allowed_signatures "base;signatures")
set(allowed_processes "base;processes")
set(allowed_smartscan "base;smartscan")
# The run's record stands below the run: the stages tell it each change, restore reads it back.
set(allowed_record "base;smartscan;record")
set(allowed_engine "base;i18n;signatures;processes;smartscan;record;engine")
set(allowed_platform "base;i18n;platform")
set(allowed_net "base;i18n;signatures;processes;smartscan;record;engine;platform;net")
set(allowed_ui "base;i18n;signatures;processes;smartscan;record;engine;platform;net;ui")
set(allowed_app "base;i18n;signatures;processes;smartscan;record;engine;platform;net;ui;app")
set(allowed_tools "base;i18n;signatures;tools")
# Files that build natively as well: never a Windows header, never the Windows room.
set(portable_rooms base i18n signatures processes smartscan record engine)
set(portable_files "app/pellclean/console.h" "app/pellclean/console.cpp" "net/update_check.h"
    "net/update_check.cpp")
# ui/'s portable side: a portable file may include these, never the rest of ui/.
include(${ROOT}/ui/portable.cmake)
foreach(stem ${PELL_UI_PORTABLE})
    list(APPEND portable_files "ui/${stem}.h" "ui/${stem}.cpp")
endforeach()
# Every header of the Windows SDK the tree could reach for; win32_api.h alone includes them.
set(windows_headers "windows|winsock2?|ws2tcpip|mswsock|psapi|shellapi|shlobj|shlwapi|shobjidl|sddl|wincrypt|bcrypt|winsvc|winreg|winbase|winnt|winuser|wingdi|winnls|winver|commctrl|commdlg|mmsystem|objbase|ole2|oleauto|tlhelp32|windowsx|uxtheme|iphlpapi|winternl|aclapi|userenv|wtsapi32|knownfolders|lmcons|dbghelp|imagehlp")

file(GLOB_RECURSE sources RELATIVE ${ROOT}
    ${ROOT}/base/* ${ROOT}/i18n/* ${ROOT}/signatures/* ${ROOT}/processes/* ${ROOT}/smartscan/*
    ${ROOT}/record/* ${ROOT}/engine/* ${ROOT}/platform/* ${ROOT}/app/* ${ROOT}/ui/* ${ROOT}/net/* ${ROOT}/tools/* ${ROOT}/tests/*)
list(FILTER sources INCLUDE REGEX "\\.(h|hpp|c|cpp|inc)$")

set(faults "")
foreach(file ${sources})
    file(STRINGS ${ROOT}/${file} includes REGEX "^[ \t]*#[ \t]*include")
    string(REGEX MATCH "^[^/]+" room ${file})
    set(portable FALSE)
    if(room IN_LIST portable_rooms OR file IN_LIST portable_files)
        set(portable TRUE)
    endif()
    foreach(line ${includes})
        if(line MATCHES "<([A-Za-z0-9_]+)\\.[hH]>")
            string(TOLOWER ${CMAKE_MATCH_1} header)
            if(header MATCHES "^(${windows_headers})$" AND NOT file STREQUAL "platform/win32/win32_api.h")
                list(APPEND faults "${file}: ${line} (include platform/win32/win32_api.h instead)")
            endif()
        endif()
        if(line MATCHES "\"(([a-z0-9_]+)/[^\"]*)\"")
            set(target_room ${CMAKE_MATCH_2})
            if(portable AND (target_room STREQUAL "platform" OR
                             (target_room STREQUAL "ui" AND NOT CMAKE_MATCH_1 IN_LIST portable_files)))
                list(APPEND faults "${file}: ${line} (a portable file never reaches Windows)")
            elseif(DEFINED allowed_${room} AND NOT target_room IN_LIST allowed_${room})
                list(APPEND faults "${file}: ${line} (${room} does not stand on ${target_room})")
            endif()
        endif()
    endforeach()
endforeach()

if(faults)
    list(JOIN faults "\n  " text)
    message(FATAL_ERROR "Includes against the layering:\n  ${text}")
endif()
file(TOUCH ${STAMP})
