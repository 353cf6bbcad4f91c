# The Debian package as dpkg sees it: exactly its files, where the package
# promises them and with their modes; its control data and maintainer
# scripts; programs that look for the driver module and the registry file
# where the package puts them, and name no path of the build. With
# FRESH_MACHINE, it is then installed and purged in a fresh Debian root by
# ROOT_SCRIPT.
#
# cmake -DDIST_DIR=<build/dist> -DSOURCE_DIR=<repository> -DWORK=<folder>
#       [-DFRESH_MACHINE=<fresh-machine.sh> -DROOT_SCRIPT=<script>] -P linux_package_test.cmake

file(GLOB package "${DIST_DIR}/zk5120-wheel_*.deb")
list(LENGTH package count)
if(count EQUAL 0)
  message("${DIST_DIR}/zk5120-wheel_*.deb is not built: build it first (scripts/build.sh linux-package:package)")
  return()
elseif(NOT count EQUAL 1)
  message(FATAL_ERROR "${count} Debian packages in ${DIST_DIR}, not one: ${package}")
endif()

function(dpkg_deb out)
  execute_process(COMMAND dpkg-deb ${ARGN} RESULT_VARIABLE failed OUTPUT_VARIABLE text ERROR_VARIABLE text)
  if(failed)
    message(FATAL_ERROR "dpkg-deb ${ARGN} failed: ${text}")
  endif()
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

if(FRESH_MACHINE)
  execute_process(COMMAND "${FRESH_MACHINE}" run "${ROOT_SCRIPT}" "${package}" RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "the package in the fresh Debian root: exit code ${failed}")
  endif()
  return()
endif()

# Mode, owner and path of every file, folders left out.
dpkg_deb(listing --contents "${package}")
string(REGEX REPLACE "\n$" "" listing "${listing}")
string(REPLACE "\n" ";" lines "${listing}")
set(found)
foreach(line IN LISTS lines)
  if(NOT line MATCHES "/$")
    string(REGEX REPLACE "^([^ ]+) ([^ ]+) .* (\\./[^ ]+)$" "\\1 \\2 \\3" entry "${line}")
    list(APPEND found "${entry}")
  endif()
endforeach()
string(REGEX MATCH "\\./usr/lib/[^/;]+/torvex/TorvexFF\\.so" module "${found}")
set(expected
    "-rwxr-xr-x root/root ./usr/bin/torvex-ffd"
    "-rwxr-xr-x root/root ./usr/bin/torvex-lab"
    "-rw-r--r-- root/root ./usr/lib/systemd/system/torvex-ffd@.service"
    "-rw-r--r-- root/root ./usr/lib/udev/rules.d/70-zk5120-wheel.rules"
    "-rw-r--r-- root/root ./usr/lib/udev/rules.d/71-torvex-ffd.rules"
    "-rw-r--r-- root/root ${module}"
    "-rw-r--r-- root/root ./usr/share/doc/zk5120-wheel/copyright"
    "-rw-r--r-- root/root ./usr/share/torvex/TorvexFF.reg")
list(SORT found COMPARE STRING)
list(SORT expected COMPARE STRING)
if(NOT module OR NOT found STREQUAL expected)
  string(REPLACE ";" "\n  " found "${found}")
  string(REPLACE ";" "\n  " expected "${expected}")
  message(FATAL_ERROR "the package holds\n  ${found}\nnot\n  ${expected}")
endif()

dpkg_deb(name --field "${package}" Package)
dpkg_deb(depends --field "${package}" Depends)
if(NOT name STREQUAL "zk5120-wheel\n")
  message(FATAL_ERROR "the package is named '${name}'")
endif()
foreach(needed libc6 libstdc\\+\\+6 libgcc-s1 passwd)
  if(NOT depends MATCHES "(^|, )${needed}( |,|\n)")
    message(FATAL_ERROR "the package's Depends lack ${needed}: ${depends}")
  endif()
endforeach()

file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}")
dpkg_deb(ignored --control "${package}" "${WORK}/DEBIAN")
foreach(script postinst prerm postrm)
  execute_process(COMMAND sh -c "test -x \"$0\" && sh -n \"$0\"" "${WORK}/DEBIAN/${script}"
                  RESULT_VARIABLE failed ERROR_VARIABLE error)
  if(failed)
    message(FATAL_ERROR "the maintainer script ${script} is missing, not executable or not sh: ${error}")
  endif()
endforeach()

dpkg_deb(ignored --extract "${package}" "${WORK}/root")
string(SUBSTRING "${module}" 1 -1 module)
foreach(program usr/bin/torvex-ffd usr/bin/torvex-lab)
  foreach(path "${module}" /usr/share/torvex/TorvexFF.reg)
    file(STRINGS "${WORK}/root/${program}" hits REGEX "^${path}$")
    if(NOT hits)
      message(FATAL_ERROR "/${program} does not look for ${path}, where the package puts it")
    endif()
  endforeach()
endforeach()
foreach(binary usr/bin/torvex-ffd usr/bin/torvex-lab "${module}")
  file(STRINGS "${WORK}/root/${binary}" hits REGEX "${SOURCE_DIR}")
  if(hits)
    message(FATAL_ERROR "/${binary} names the build's paths: ${hits}")
  endif()
endforeach()
