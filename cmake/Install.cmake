# The installation contract: libraries, public headers as <prefix>/include/orv/<Class>.h,
# and a CMake package that gives the target OrvCfg::orvcfg.
include(CMakePackageConfigHelpers)

# The headers a host may include. They include one another by quoted file name, which
# finds the sibling in include/orv/ itself, so hosts need only <prefix>/include on their
# include path and write #include <orv/OrvCfg.h>.
set(ORV_PUBLIC_HEADERS
  src/platform/OrvExport.h
  src/platform/String.h
  src/platform/File.h
  src/platform/Process.h
  src/platform/InputStream.h
  src/platform/ZipEntry.h
  src/platform/ZipFile.h
  src/platform/trace/Tracer.h
  src/platform/trace/Trace.h
  src/platform/trace/TraceSettings.h
  src/config/OrvCfg.h
  src/common/xmlproxy/StringVector.h
  src/common/xmlproxy/NodeAttributes.h
  src/common/xmlproxy/Node.h
  src/common/xmlproxy/TextNode.h
  src/common/xmlproxy/NodeSink.h
  src/parser/ParseNodeSink.h
  src/parser/XmlOrvParser.h)
list(TRANSFORM ORV_PUBLIC_HEADERS PREPEND ${PROJECT_SOURCE_DIR}/)

install(TARGETS orvbase orvtrace orvcfg
  EXPORT OrvCfgTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${ORV_PUBLIC_HEADERS} DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/orv)
install(EXPORT OrvCfgTargets NAMESPACE OrvCfg:: DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/OrvCfg)

configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/OrvCfgConfig.cmake.in
  ${PROJECT_BINARY_DIR}/OrvCfgConfig.cmake
  INSTALL_DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/OrvCfg)
write_basic_package_version_file(${PROJECT_BINARY_DIR}/OrvCfgConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/OrvCfgConfig.cmake ${PROJECT_BINARY_DIR}/OrvCfgConfigVersion.cmake
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/OrvCfg)

# ---------------------------------------------------------------------------------------
# The default installation: the shipped configuration, the schema and the installation
# type, laid out in the build tree (so that build/bin/orvcfg works with no set-up) and by
# `cmake --install` under the prefix (/opt/orv unless chosen otherwise).
if(CMAKE_INSTALL_PREFIX_INITIALIZED_TO_DEFAULT)
  set(CMAKE_INSTALL_PREFIX /opt/orv CACHE PATH "Installation directory" FORCE)
endif()
set(ORV_INSTALL_TYPE global CACHE STRING
  "Installation type recorded in install/orv_install.properties of an installed tree (local or global)")
set_property(CACHE ORV_INSTALL_TYPE PROPERTY STRINGS local global)

set(ORV_DIST_DIR ${PROJECT_SOURCE_DIR}/dist)
# The installation directory as the shipped files name it. Windows paths are written with
# backslashes, the build tree as wine's drive Z: sees it, and an installed tree (a zip
# archive can be unpacked anywhere) at the usual place of programs.
set(ORV_BUILD_TREE_HOME ${CMAKE_BINARY_DIR})
set(ORV_STAGE_OPTIONS)
if(WIN32)
  set(ORV_BUILD_TREE_HOME "Z:${CMAKE_BINARY_DIR}")
  set(ORV_WIN_INSTALL_HOME "C:/Program Files/OrvCfg" CACHE STRING
    "Installation directory that the configuration files of a Windows archive name")
  set(ORV_STAGE_OPTIONS -DORV_BACKSLASH_PATHS=ON)
endif()
set(ORV_STAGE_SCRIPT ${PROJECT_SOURCE_DIR}/cmake/OrvStageFile.cmake)
# Relative to the installation directory; the same places in the build tree and under
# the prefix. bin/ and config/ are fixed by the directory queries, not by GNUInstallDirs.
set(ORV_SHIPPED_FILES
  config/Orv.properties
  config/OrvTrace.properties
  config/orvcli.xml
  install/orv_install.properties
  bin/orvcli.xsd)

# Build tree: one command per file, so that a key changed with `orvcfg set` in the build
# tree survives until that file's shipped version changes.
set(ORV_STAGED_OUTPUTS)
foreach(rel ${ORV_SHIPPED_FILES})
  add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/${rel}
    COMMAND ${CMAKE_COMMAND} -DSRC=${ORV_DIST_DIR}/${rel} -DDST=${CMAKE_BINARY_DIR}/${rel}
            -DORV_HOME=${ORV_BUILD_TREE_HOME} -DORV_VERSION=${PROJECT_VERSION}
            -DORV_INSTALL_TYPE=local ${ORV_STAGE_OPTIONS} -P ${ORV_STAGE_SCRIPT}
    DEPENDS ${ORV_DIST_DIR}/${rel} ${ORV_STAGE_SCRIPT}
    COMMENT "Laying out ${rel} of the build-tree installation"
    VERBATIM)
  list(APPEND ORV_STAGED_OUTPUTS ${CMAKE_BINARY_DIR}/${rel})
endforeach()
add_custom_target(orv_default_installation DEPENDS ${ORV_STAGED_OUTPUTS})
file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/bin/plugins ${CMAKE_BINARY_DIR}/bin/customscanners)

# Installed tree: the files are filled in at install time, so that `cmake --install
# --prefix X` describes X. Configuration files that already exist are kept: a reinstall
# must not undo the keys that an administrator has set.
install(DIRECTORY DESTINATION bin/plugins)
install(DIRECTORY DESTINATION bin/customscanners)
install(CODE "
set(_orv_home \"\${CMAKE_INSTALL_PREFIX}\")
set(_orv_named_home \"${ORV_WIN_INSTALL_HOME}\")
if(NOT _orv_named_home)
  set(_orv_named_home \"\${_orv_home}\")
endif()
# One staging directory per destination, so that two installs from this build tree
# into different prefixes can run at the same time.
string(MD5 _orv_key \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}\")
set(_orv_stage \"${CMAKE_BINARY_DIR}/install-stage/\${_orv_key}\")
foreach(_orv_rel ${ORV_SHIPPED_FILES})
  execute_process(COMMAND \"${CMAKE_COMMAND}\"
    \"-DSRC=${ORV_DIST_DIR}/\${_orv_rel}\" \"-DDST=\${_orv_stage}/\${_orv_rel}\"
    \"-DORV_HOME=\${_orv_named_home}\" \"-DORV_VERSION=${PROJECT_VERSION}\"
    \"-DORV_INSTALL_TYPE=${ORV_INSTALL_TYPE}\" ${ORV_STAGE_OPTIONS} -P \"${ORV_STAGE_SCRIPT}\"
    RESULT_VARIABLE _orv_rc)
  if(NOT _orv_rc EQUAL 0)
    message(FATAL_ERROR \"Cannot prepare \${_orv_rel}\")
  endif()
  get_filename_component(_orv_dir \"\${_orv_rel}\" DIRECTORY)
  if(_orv_rel MATCHES \"^(config|install)/\" AND EXISTS \"\$ENV{DESTDIR}\${_orv_home}/\${_orv_rel}\")
    message(STATUS \"Keeping: \$ENV{DESTDIR}\${_orv_home}/\${_orv_rel}\")
  else()
    file(INSTALL DESTINATION \"\${_orv_home}/\${_orv_dir}\" TYPE FILE
         PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ
         FILES \"\${_orv_stage}/\${_orv_rel}\")
  endif()
endforeach()
")

# pkg-config: written at install time, like the shipped configuration, so that the file
# names the prefix it was installed under (`cmake --install --prefix X` describes X).
install(CODE "
set(ORV_PC_PREFIX \"\${CMAKE_INSTALL_PREFIX}\")
set(ORV_PC_INCLUDEDIR \"${CMAKE_INSTALL_INCLUDEDIR}\")
set(ORV_PC_LIBDIR \"${CMAKE_INSTALL_LIBDIR}\")
set(ORV_PC_VERSION \"${PROJECT_VERSION}\")
string(MD5 _orv_key \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}\")
set(_orv_pc \"${CMAKE_BINARY_DIR}/install-stage/\${_orv_key}/orvcfg.pc\")
configure_file(\"${PROJECT_SOURCE_DIR}/cmake/orvcfg.pc.in\" \"\${_orv_pc}\" @ONLY)
file(INSTALL DESTINATION \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_LIBDIR}/pkgconfig\" TYPE FILE
     PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ FILES \"\${_orv_pc}\")
")
