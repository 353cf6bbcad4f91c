# The Debian package of the wheel's Linux side: the force-feedback bridge
# and the lab in /usr/bin, the driver module in a library folder of its own,
# the installation's registry file, the udev rules that start the bridge
# with the wheel and give its system user the nodes it needs, and the
# systemd unit it runs under. `cmake --build build/linux-package --target
# package` writes it to build/dist/, beside the Windows package.
set(TORVEX_DIST_DIR "${PROJECT_SOURCE_DIR}/build/dist" CACHE PATH "Where the packages are written")
set(torvex_package_name zk5120-wheel)

install(TARGETS torvex-ffd torvex-lab RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(TARGETS TorvexFF LIBRARY DESTINATION ${TORVEX_MODULE_INSTALL_DIR})
install(FILES install/TorvexFF.reg DESTINATION ${TORVEX_DATA_INSTALL_DIR})
# udev and systemd read their own folders under /usr/lib on every Debian,
# whatever the multiarch library folder is.
install(FILES install/70-zk5120-wheel.rules install/71-torvex-ffd.rules DESTINATION lib/udev/rules.d)
install(FILES install/torvex-ffd@.service DESTINATION lib/systemd/system)
install(FILES install/debian/copyright DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/${torvex_package_name})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ${torvex_package_name})
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "ZK-5120 wheel project <zk5120-wheel@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "ZK-5120 force feedback wheel: force feedback for Linux games")
set(CPACK_PACKAGE_DESCRIPTION "Plays the force feedback of Linux games on the ZK-5120 wheel (USB 6d2a:0005).
torvex-ffd starts for each wheel plugged in, as the system user torvex-ffd,
and offers it to games as a force-feedback joystick; torvex-lab plays
scenarios on the wheel or a simulated one.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The C and C++ runtimes as dpkg-shlibdeps reads them from the binaries;
# passwd for the system user the maintainer scripts make; udev and systemd
# start the bridge with the wheel, yet it also runs by hand without them.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS passwd)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "udev, systemd")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
    ${PROJECT_SOURCE_DIR}/install/debian/postinst ${PROJECT_SOURCE_DIR}/install/debian/prerm
    ${PROJECT_SOURCE_DIR}/install/debian/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# What is installed carries no symbol tables, and no path of this build.
set(CPACK_STRIP_FILES ON)
set(CPACK_OUTPUT_FILE_PREFIX ${TORVEX_DIST_DIR})
include(CPack)
