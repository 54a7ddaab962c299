# Installs the build into a scratch prefix and checks what landed there: the
# three programs, the desktop entry with its Russian name, the icon and the
# MIME type of *.pkt, and nothing else.
#   cmake -DBUILD=<build folder> -DPREFIX=<scratch prefix> -P CheckInstall.cmake
cmake_minimum_required(VERSION 3.25)
file(REMOVE_RECURSE ${PREFIX})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD} --prefix ${PREFIX}
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "cmake --install failed:\n${out}")
endif()

set(expected
    bin/pktdump bin/pktgen bin/pktview
    share/applications/pktview.desktop
    share/icons/hicolor/scalable/apps/pktview.svg
    share/mime/packages/pktview.xml)
file(GLOB_RECURSE installed LIST_DIRECTORIES false RELATIVE ${PREFIX} ${PREFIX}/*)
list(SORT installed)
if(NOT installed STREQUAL expected)
  message(FATAL_ERROR "installed: ${installed}\nexpected: ${expected}")
endif()

# Read whole: a line such as Name[ru]=... is no safe element of a CMake list.
file(READ ${PREFIX}/share/applications/pktview.desktop entry)
foreach(line "Name[ru]=Просмотр журнала сетевых сообщений" "Exec=pktview %F" "Icon=pktview"
             "MimeType=application/x-pktview-log;")
  string(FIND "${entry}" "\n${line}\n" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "the desktop entry lacks '${line}'")
  endif()
endforeach()
file(READ ${PREFIX}/share/mime/packages/pktview.xml mime)
if(NOT mime MATCHES "type=\"application/x-pktview-log\"" OR NOT mime MATCHES "<glob pattern=\"\\*\\.pkt\"/>")
  message(FATAL_ERROR "the MIME type of *.pkt is missing")
endif()
file(REMOVE_RECURSE ${PREFIX})
