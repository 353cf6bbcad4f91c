# The Windows package as the person installing unpacks it: one folder named
# like the archive, holding exactly the two i686 DLLs as the win32 preset
# built them, the INF and the readme; the readme in the line ends and the
# characters that Notepad of Windows 98 shows as they are.
#
# cmake -DPACKAGE=<zip> -DDLL_DIR=<win32 build> -DINSTALL_DIR=<install/> -DWORK=<folder> -P package_test.cmake

if(NOT EXISTS "${PACKAGE}")
  if(NOT "$ENV{TORVEX_REQUIRE_WINDOWS_BUILDS}" STREQUAL "")
    message(FATAL_ERROR "${PACKAGE} is missing: the win32 preset was not built")
  endif()
  message("${PACKAGE} is not built: build the win32 preset first (scripts/build.sh win32)")
  return()
endif()

file(REMOVE_RECURSE "${WORK}")
file(ARCHIVE_EXTRACT INPUT "${PACKAGE}" DESTINATION "${WORK}")
get_filename_component(folder "${PACKAGE}" NAME_WLE)
file(GLOB_RECURSE found RELATIVE "${WORK}" LIST_DIRECTORIES false "${WORK}/*")
list(SORT found)
set(expected "${folder}/README.TXT" "${folder}/TorvexFF.dll" "${folder}/TorvexPS.dll" "${folder}/zk5120.inf")
if(NOT found STREQUAL expected)
  message(FATAL_ERROR "the package holds\n  ${found}\nnot\n  ${expected}")
endif()

foreach(pair "TorvexFF.dll;${DLL_DIR}/driver/TorvexFF.dll" "TorvexPS.dll;${DLL_DIR}/sheet/TorvexPS.dll"
             "zk5120.inf;${INSTALL_DIR}/zk5120.inf" "README.TXT;${INSTALL_DIR}/README.TXT")
  list(GET pair 0 packaged)
  list(GET pair 1 source)
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files "${WORK}/${folder}/${packaged}" "${source}"
                  RESULT_VARIABLE different)
  if(different)
    message(FATAL_ERROR "the package's ${packaged} is not ${source}")
  endif()
endforeach()

# Byte by byte: file(READ) as text would drop the carriage returns.
foreach(text README.TXT zk5120.inf)
  file(READ "${WORK}/${folder}/${text}" hex HEX)
  string(REGEX MATCHALL ".." bytes "${hex}")
  set(previous "")
  foreach(byte IN LISTS bytes)
    if(byte STREQUAL "0a" AND NOT previous STREQUAL "0d")
      message(FATAL_ERROR "${text} has a line that does not end in CR LF")
    elseif(NOT byte MATCHES "^(09|0a|0d|[2-6][0-9a-f]|7[0-9a-e])$")
      message(FATAL_ERROR "${text} has the byte 0x${byte}, beyond plain ASCII text")
    endif()
    set(previous "${byte}")
  endforeach()
endforeach()
file(READ "${WORK}/${folder}/README.TXT" readme)
# The command lines as typed into Run..., for the folder the zip unpacks to
# in C:\ (installation_tests runs the first under Wine).
foreach(needed "rundll32 setupapi,InstallHinfSection DefaultInstall 132 C:\\${folder}\\zk5120.inf"
               "rundll.exe setupx.dll,InstallHinfSection DefaultInstall 132 C:\\${folder}\\zk5120.inf"
               "Game Controllers" "Add/Remove Programs")
  string(FIND "${readme}" "${needed}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "README.TXT does not say \"${needed}\"")
  endif()
endforeach()
message("${folder}.zip: the two DLLs as built, the INF and the readme")
