# The Debian package of kvtcomm and kvtsim: cpack in a build directory
# (./run package).
set(KVTCOMM_PACKAGE_MAINTAINER "kvtcomm maintainers <maintainers@kvtcomm.invalid>"
    CACHE STRING "Name and e-mail address of whoever answers for the Debian package")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kvtcomm)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "program KVT stepper-motor controllers over a serial line")
set(CPACK_PACKAGE_DESCRIPTION
    "kvtcomm writes programs for KVT stepper-motor controllers, sends them to a
controller over a serial line, reads them back and drives the controller by
hand. It serves the KVT7, the keypad-driven KVT31 and KVT33, and the KVT52,
KVT54, PX52 and PX54 with their blocks of programs, position data and
parameters.

kvtsim, included, plays any of these controllers on a pseudo-terminal, to
try kvtcomm without one. Serial ports need membership of the dialout group.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${KVTCOMM_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Plugins Qt loads at run time, so no library dependency names them: the
# windowing system's and the one that draws the SVG window icon.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, libqt6svg6")
find_program(KVTCOMM_DPKG_SHLIBDEPS dpkg-shlibdeps)
if(KVTCOMM_DPKG_SHLIBDEPS)
    set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
else()
    string(APPEND CPACK_DEBIAN_PACKAGE_DEPENDS
           ", libqt6core6 (>= 6.4), libqt6gui6 (>= 6.4), libqt6widgets6 (>= 6.4),"
           " libqt6serialport6 (>= 6.4), libqt6printsupport6 (>= 6.4), libstdc++6, libc6")
endif()
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_STRIP_FILES ON)

include(CPack)
