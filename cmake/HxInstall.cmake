# Installation (cmake --install) and the Debian package (cpack). Layout below the prefix /usr:
#   bin/hxtrack, bin/hxview, bin/hxcatc, bin/hxcollect  the programs
#   lib/hxtrack/lib/libuploader.so, ...     the agent's own directory (InstallDir): the uploader
#                                           and the logger module, found as <InstallDir>/lib/...
#   lib/hxtrack/plugins/libhxlinux.so       the Linux providers
#   lib/hxtrack/hxtrack-setup               makes the data directory and its etc/config.ini
#   share/hxtrack/config.ini                the shipped configuration, copied by hxtrack-setup
#   share/man/man1/{hxtrack,hxview,hxcatc,hxcollect}.1.gz  the manual pages
#   lib/systemd/system/hxtrack.{service,timer}  a daily run, installed but not enabled
#   lib/systemd/system/hxcollect.service    the fleet collector, installed but not enabled
# and /etc/tarvosk.ini, the bootstrap configuration naming InstallDir and the data directory
# /var/lib/hxtrack. The package and any other prefix get the same tree: for a prefix <p>/usr
# the bootstrap is <p>/etc/tarvosk.ini and the data directory <p>/var/lib/hxtrack, for any other
# prefix both lie below the prefix itself.

set(HX_PACKAGE_PREFIX /usr)
if(CMAKE_INSTALL_PREFIX_INITIALIZED_TO_DEFAULT)
  set(CMAKE_INSTALL_PREFIX ${HX_PACKAGE_PREFIX} CACHE PATH "Installation prefix" FORCE)
endif()
set(HX_PRIVATE_DIR ${HX_PACKAGE_PREFIX}/lib/hxtrack)
set(HX_DATA_DIR /var/lib/hxtrack)
set(_pkg ${PROJECT_SOURCE_DIR}/packaging)
set(_out ${CMAKE_BINARY_DIR}/packaging)

foreach(_script postinst postrm)
  configure_file(${_pkg}/${_script} ${_out}/control/${_script} @ONLY
                 FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
endforeach()
configure_file(${_pkg}/conffiles ${_out}/control/conffiles COPYONLY)

# Compressed without a time stamp, so that the same sources give the same package.
foreach(_doc "docs/hxtrack.1;hxtrack.1.gz" "docs/hxview.1;hxview.1.gz" "docs/hxcatc.1;hxcatc.1.gz"
             "docs/hxcollect.1;hxcollect.1.gz"
             "packaging/changelog;changelog.Debian.gz")
  list(GET _doc 0 _from)
  list(GET _doc 1 _to)
  add_custom_command(OUTPUT ${_out}/${_to}
                     COMMAND gzip -9 -n -c ${PROJECT_SOURCE_DIR}/${_from} > ${_out}/${_to}
                     DEPENDS ${PROJECT_SOURCE_DIR}/${_from} VERBATIM)
  list(APPEND _compressed ${_out}/${_to})
endforeach()
add_custom_target(hx_packaging_files ALL DEPENDS ${_compressed})

# The installed program finds its uploader through the configuration's InstallDir, not through
# a search path built into it: the build's run path is removed from the installed copy.
install(TARGETS hxtrack hxcatc RUNTIME DESTINATION bin)
install(CODE "file(RPATH_REMOVE FILE \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/bin/hxtrack\")")
install(TARGETS uploader hxlsyslog LIBRARY DESTINATION lib/hxtrack/lib)
# The Linux providers: the shipped configuration's PluginDirectory, $(InstallDir)/plugins.
install(TARGETS hxlinux LIBRARY DESTINATION lib/hxtrack/plugins)
install(FILES ${_out}/hxtrack.1.gz ${_out}/hxview.1.gz ${_out}/hxcatc.1.gz ${_out}/hxcollect.1.gz DESTINATION share/man/man1)
install(FILES ${PROJECT_SOURCE_DIR}/etc/tarvosk.ini DESTINATION share/hxtrack RENAME config.ini)
install(FILES ${_pkg}/copyright ${_out}/changelog.Debian.gz DESTINATION share/doc/hxtrack)
install(FILES ${_pkg}/hxtrack.service ${_pkg}/hxtrack.timer ${_pkg}/hxcollect.service DESTINATION lib/systemd/system)
install(FILES ${_pkg}/lintian-overrides DESTINATION share/lintian/overrides RENAME hxtrack)
# The bootstrap file and the setup step name the installed tree's own places, known only once
# the prefix is (cpack installs with the prefix /usr into a staging DESTDIR).
install(CODE "set(_pkg \"${_pkg}\")\nset(_out \"${_out}/install\")")
install(CODE [[
  set(_root "${CMAKE_INSTALL_PREFIX}")
  get_filename_component(_base "${_root}" NAME)
  if(_base STREQUAL "usr")
    get_filename_component(_root "${_root}" DIRECTORY)
  endif()
  string(REGEX REPLACE "/+$" "" _root "${_root}")
  set(HX_PRIVATE_DIR "${CMAKE_INSTALL_PREFIX}/lib/hxtrack")
  set(HX_SHARE_DIR "${CMAKE_INSTALL_PREFIX}/share/hxtrack")
  set(HX_DATA_DIR "${_root}/var/lib/hxtrack")
  set(HX_BOOTSTRAP "${_root}/etc/tarvosk.ini")
  configure_file("${_pkg}/tarvosk.ini.in" "${_out}/tarvosk.ini" @ONLY)
  configure_file("${_pkg}/hxtrack-setup.in" "${_out}/hxtrack-setup" @ONLY)
  file(INSTALL "${_out}/tarvosk.ini" DESTINATION "${_root}/etc"
       FILE_PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
  file(INSTALL "${_out}/hxtrack-setup" DESTINATION "${HX_PRIVATE_DIR}"
       FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
]])

# The Debian package: library dependencies computed from the binaries, stripped binaries.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME hxtrack)
set(CPACK_PACKAGE_VERSION 9.2.0)
set(CPACK_PACKAGE_VENDOR "Tarvosk Corp")
set(CPACK_PACKAGE_CONTACT "Tarvosk Corp <hxtrack@tarvosk.example>")
set(CPACK_PACKAGING_INSTALL_PREFIX ${HX_PACKAGE_PREFIX})
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "inventory tracker of the Tarvosk client agent")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "hxtrack collects the inventory of one Unix computer: its hardware (processors,
memory, disks, network adapters, firmware tables, database installations),
the files found by scanning the file systems under include and exclude rules,
and the installed packages. It writes the inventory as one XML document, or as
a delta against the previous run, and delivers it gzip-compressed to a
directory or to an HTTP or HTTPS server; what the server does not take waits
for the next run.
.
hxcollect, the fleet side, takes the delivered inventories and deltas into an
SQLite or PostgreSQL database and answers which machines have a package,
what changed on a machine, and where a file lives.
.
A systemd timer for a daily run with a random delay is installed but not
enabled, nor is the collector's service.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_SECTION admin)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://tarvosk.example/hxtrack")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS OFF)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${_out}/control/conffiles ${_out}/control/postinst ${_out}/control/postrm)
include(CPack)

# The install tests run cmake --install and cpack over this build tree.
if(TARGET test_app)
  add_dependencies(test_app hx_packaging_files hxcatc)
endif()
