# The Debian package, built by `./dev package` with CPack from the same install rules as
# `cmake --install`: the installation under /opt/orv, plus what makes it a citizen of the
# system (ORV_DEBIAN_PACKAGE): orvcfg on the PATH, the manual pages where man looks, the
# bash completion, the copyright and changelog files, the lintian overrides.
if(WIN32)
  # The installation archive (cpack -G ZIP): unpacked, its folder is the installation, with
  # bin\orvcfg.exe beside the DLLs, bin\orvcli.xsd, config\ and install\.
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_NAME orvcfg)
  set(CPACK_SYSTEM_NAME win64)
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
  set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/package)
  include(CPack)
  return()
endif()

set(ORV_PACKAGE_MAINTAINER "orvcfg maintainers <maintainers@orvcfg.example.org>" CACHE STRING
  "Maintainer field of the Debian package")

if(ORV_DEBIAN_PACKAGE)
  # bin/orvcfg finds its installation from its own executable with links resolved, so a
  # link on the PATH runs it against /opt/orv.
  install(CODE "
file(MAKE_DIRECTORY \"\$ENV{DESTDIR}/usr/bin\")
file(CREATE_LINK \"\${CMAKE_INSTALL_PREFIX}/bin/orvcfg\" \"\$ENV{DESTDIR}/usr/bin/orvcfg\" SYMBOLIC)
")
  set(ORV_DEB_DIR ${PROJECT_BINARY_DIR}/deb)
  configure_file(${PROJECT_SOURCE_DIR}/cmake/deb/copyright.in ${ORV_DEB_DIR}/copyright @ONLY)
  configure_file(${PROJECT_SOURCE_DIR}/cmake/deb/changelog.in ${ORV_DEB_DIR}/changelog @ONLY)
  configure_file(${PROJECT_SOURCE_DIR}/cmake/deb/conffiles.in ${ORV_DEB_DIR}/control/conffiles @ONLY)
  configure_file(${PROJECT_SOURCE_DIR}/cmake/deb/postrm.in ${ORV_DEB_DIR}/control/postrm @ONLY
    FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
  execute_process(COMMAND gzip -9nf ${ORV_DEB_DIR}/changelog RESULT_VARIABLE rc)
  if(rc)
    message(FATAL_ERROR "cannot compress the package changelog")
  endif()
  install(FILES ${ORV_DEB_DIR}/copyright ${ORV_DEB_DIR}/changelog.gz DESTINATION /usr/share/doc/orvcfg)
  install(FILES ${PROJECT_SOURCE_DIR}/cmake/deb/lintian-overrides
    DESTINATION /usr/share/lintian/overrides RENAME orvcfg)
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME orvcfg)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT ${ORV_PACKAGE_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "configuration library and tool of the inventory scanners")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
# The package's files keep the absolute places the install rules give them: /opt/orv for
# the installation, /usr for the link, the pages and the completion.
set(CPACK_SET_DESTDIR ON)
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${ORV_PACKAGE_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_SECTION admin)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_PACKAGE_DESCRIPTION "The configuration library that the inventory scanners load: it finds the
installation and its configuration directory, reads Orv.properties, validates
and writes key changes (keeping the trace library's OrvTrace.properties in
step), and reads the XML configuration document with schema validation.
.
This package holds the shared libraries, the orvcfg command, the default
installation under /opt/orv with its configuration and schema, and the
headers, CMake package and pkg-config file for host programs.
.
License: Apache-2.0.")
# Depends names the runtime packages of Xerces-C++ and libzip; the three libraries of
# the installation itself are private to it.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_LIBDIR})
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${PROJECT_BINARY_DIR}/deb/control/conffiles ${PROJECT_BINARY_DIR}/deb/control/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
