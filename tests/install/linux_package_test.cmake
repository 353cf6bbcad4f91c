# The Debian package as dpkg sees it: exactly its files, with their modes;
# the runtimes among its Depends; programs that look for the driver module
# and registry file where it puts them and name no path of the build. With
# FRESH_MACHINE: installed and purged in a fresh Debian root by ROOT_SCRIPT.
#
# cmake -DDIST_DIR=<build/dist> -DSOURCE_DIR=<repository> -DWORK=<folder>
#       [-DFRESH_MACHINE=<fresh-machine.sh> -DROOT_SCRIPT=<script>] -P linux_package_test.cmake

file(GLOB package "${DIST_DIR}/zk5120-wheel_*.deb")
if(NOT package)
  message("${DIST_DIR}/zk5120-wheel_*.deb is not built: build it first (scripts/build.sh linux-package:package)")
  return()
endif()
if(FRESH_MACHINE)
  execute_process(COMMAND "${FRESH_MACHINE}" run "${ROOT_SCRIPT}" ${package} RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "the package in a fresh Debian root: exit code ${failed}")
  endif()
  return()
endif()

file(REMOVE_RECURSE "${WORK}")
execute_process(COMMAND dpkg-deb --contents ${package} OUTPUT_VARIABLE listing COMMAND_ERROR_IS_FATAL ANY)
execute_process(COMMAND dpkg-deb --field ${package} Depends OUTPUT_VARIABLE depends COMMAND_ERROR_IS_FATAL ANY)
execute_process(COMMAND dpkg-deb --extract ${package} "${WORK}" COMMAND_ERROR_IS_FATAL ANY)

# Mode, owner and path of every file, folders left out.
string(REGEX MATCHALL "[^\n]*[^/\n]\n" lines "${listing}")
list(TRANSFORM lines REPLACE "^([^ ]+) ([^ ]+) .* \\.(/[^ ]+)\n$" "\\1 \\2 \\3")
list(SORT lines)
string(REGEX MATCH "/usr/lib/[^/;]+/torvex/TorvexFF\\.so" module "${lines}")
set(expected
    "-rw-r--r-- root/root /usr/lib/systemd/system/torvex-ffd@.service"
    "-rw-r--r-- root/root /usr/lib/udev/rules.d/70-zk5120-wheel.rules"
    "-rw-r--r-- root/root /usr/lib/udev/rules.d/71-torvex-ffd.rules"
    "-rw-r--r-- root/root ${module}"
    "-rw-r--r-- root/root /usr/share/doc/zk5120-wheel/copyright"
    "-rw-r--r-- root/root /usr/share/torvex/TorvexFF.reg"
    "-rwxr-xr-x root/root /usr/bin/torvex-ffd"
    "-rwxr-xr-x root/root /usr/bin/torvex-lab")
list(SORT expected)
if(NOT module OR NOT lines STREQUAL expected)
  list(JOIN lines "\n  " lines)
  list(JOIN expected "\n  " expected)
  message(FATAL_ERROR "the package holds\n  ${lines}\nnot\n  ${expected}")
endif()

if(NOT depends MATCHES "^passwd, libc6 .*, libgcc-s1 .*, libstdc\\+\\+6 ")
  message(FATAL_ERROR "the package's Depends lack passwd or the C and C++ runtimes: ${depends}")
endif()

foreach(binary usr/bin/torvex-ffd usr/bin/torvex-lab "${module}")
  file(STRINGS "${WORK}/${binary}" paths REGEX "^(${module}|/usr/share/torvex/TorvexFF.reg|.*${SOURCE_DIR}.*)$")
  list(REMOVE_DUPLICATES paths)
  list(SORT paths)
  if(NOT binary STREQUAL module AND NOT paths STREQUAL "${module};/usr/share/torvex/TorvexFF.reg")
    message(FATAL_ERROR "${binary} looks for the module and registry file at '${paths}', not where they are")
  elseif(binary STREQUAL module AND paths)
    message(FATAL_ERROR "${binary} names the build's paths: ${paths}")
  endif()
endforeach()
